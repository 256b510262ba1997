#include "run/report_builder.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <system_error>

#include "loop/engine_checks.h"
#include "output/history_view.h"
#include "transyt/print_files.h"
#include "util/conversions.h"
#include "util/files.h"
#include "util/text.h"

namespace veltra {

namespace {

std::string ReadWholeFile(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The configuration as written: "[Section] Key" and value of every key line, in file order.
std::vector<std::pair<std::string, std::string>> ConfigurationLines(const std::string& path) {
  std::vector<std::pair<std::string, std::string>> lines;
  std::ifstream in(path, std::ios::binary);
  std::string line, section;
  while (std::getline(in, line)) {
    line = Trim(line);
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line.front() == '[' && line.back() == ']') {
      section = line;
      continue;
    }
    const size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    lines.emplace_back(section + " " + Trim(line.substr(0, equals)), Trim(line.substr(equals + 1)));
  }
  return lines;
}

// The iteration with the lowest network-wide pcu-hours, as GuardarFinal chooses it.
int BestIteration(const Run& run) {
  double best = 100000000.0;
  int chosen = 0;
  for (int i = 1; i <= run.Iteracion; ++i) {
    const double value = run.Sat.FiguresAt(i).GrandTotalHr;
    if (value < best) best = value, chosen = i;
  }
  return chosen;
}

std::string StopReasonOf(const Run& run) {
  if (!run.StopReason.empty()) return run.StopReason;
  const IterationMode mode = run.Cfg.TipoIteracion;
  if (mode != IterationMode::NetworksInTurn && mode != IterationMode::AllNetworks)
    return Printf("Sin iteraciones (TipoIteracion %d)", static_cast<int>(mode));
  return "Sin iteraciones";
}

std::string Structure(const HistoryView& history, int i, int r) {
  std::string doubles;
  for (int k = 1; k <= history.SignalNodes(r); ++k) {
    const THistNodo* node = history.Node(i, r, k);
    if (node && node->Doble) doubles += Printf("%s%d", doubles.empty() ? "" : ", ", history.TransytNode(r, k));
  }
  return doubles.empty() ? std::string("Simple") : "Dobles: nodos " + doubles;
}

std::vector<std::string> FilesWrittenSince(const std::map<std::string, std::filesystem::file_time_type>& before) {
  std::vector<std::string> written;
  for (const auto& [name, time] : FilesInWorkingDirectory()) {
    auto it = before.find(name);
    if (it == before.end() || it->second != time) written.push_back(name);
  }
  return written;
}

// The iteration the report shows the timings of: the one GuardarFinal chose, or the one it
// would choose.
void ChooseIteration(const Run& run, RunReport& report) {
  if (run.Iteracion <= run.Cfg.IteracionInicial) return;
  if (run.ChosenIteration >= 0) {
    report.ChosenIteration = run.ChosenIteration;
    report.ChosenReason = "la de menor Pcu-Hr/Hr de la red completa (GRAND TOTALS); sus archivos se copiaron con "
                          "los nombres \"_F\"";
  } else {
    report.ChosenIteration = BestIteration(run);
    report.ChosenReason = "la de menor Pcu-Hr/Hr de la red completa (GRAND TOTALS); GuardarFinal no está activo, "
                          "no se copiaron archivos";
  }
}

// The figures of the start and of every iteration of this run.
std::vector<ReportIteration> IterationRows(const Run& run) {
  std::vector<ReportIteration> rows;
  for (int i = 0; i <= run.Iteracion; ++i) {
    if (i > 0 && i <= run.Cfg.IteracionInicial) continue;  // iterations of an earlier run
    const TIterationFigures f = run.Sat.FiguresAt(i);
    ReportIteration row;
    row.Iteration = i;
    row.HasConvergence = i > 0 && f.Tested;
    row.SumDif = f.SumDif, row.SumPro = f.SumPro, row.Precision = f.Precision;
    row.TurnPcuHr = f.TurnHr, row.TurnPcuKm = f.TurnKm;
    row.SubPcuHr = f.SubTotalHr, row.SubPcuKm = f.SubTotalKm;
    row.GrandPcuHr = f.GrandTotalHr, row.GrandPcuKm = f.GrandTotalKm;
    rows.push_back(row);
  }
  return rows;
}

// Network position r per iteration: its cycle, structure, performance index, and why it kept
// its timings where it did.
ReportNetwork NetworkRow(const Run& run, const HistoryView& history, int r) {
  const int last = run.Iteracion;
  const int number = history.NetworkNumber(r);
  ReportNetwork network;
  network.Number = number;
  network.Name = run.Cfg.Network(NetworkPosition(r)).NombreRed;
  network.Cycle.assign(static_cast<size_t>(last + 1), 0);
  network.Structure.assign(static_cast<size_t>(last + 1), std::string());
  network.PerformanceIndex.assign(static_cast<size_t>(last + 1), -1);
  network.NotOptimised.assign(static_cast<size_t>(last + 1), std::string());
  for (const EngineNote& note : run.EngineNotes) {
    if (note.Kind != NoteKind::NotOptimised || note.Network != NetworkNumber(number)) continue;
    if (note.Iteration >= 1 && note.Iteration <= last)
      network.NotOptimised[static_cast<size_t>(note.Iteration)] = note.Text;
  }
  for (int i = run.Cfg.IteracionInicial + 1; i <= last; ++i) {
    const size_t slot = static_cast<size_t>(i);
    network.Cycle[slot] = history.Cycle(i, r);
    network.Structure[slot] = Structure(history, i, r);
    const std::string print = run.Files.TransytPrint(i, NetworkNumber(number));
    if (FileExists(print)) {
      const double index = ReadPerformanceIndex(print);
      if (index < kNoPerformanceIndex) network.PerformanceIndex[slot] = index;
    }
  }
  return network;
}

// The offset, greens and intergreens of a history entry.
void TimingsOf(const THistNodo& node, int& offset, std::vector<int>& greens, std::vector<int>& intergreens) {
  offset = TextToInt(node.Textos[HistColumn::Offset]);
  const int stages = std::clamp(TextToInt(node.Textos[HistColumn::StageCount]), 0, kHistStages);
  for (int s = 1; s <= stages; ++s) {
    greens.push_back(TextToInt(node.Textos[static_cast<size_t>(HistColumn::Green(s))]));
    intergreens.push_back(TextToInt(node.Textos[static_cast<size_t>(HistColumn::Intergreen(s))]));
  }
}

// The timings of network position r's signal nodes in iteration `shown`, beside those the
// SATURN network gave them at the start (history slot 0).
void AddJunctions(const HistoryView& history, int r, int shown, std::vector<ReportJunction>& junctions) {
  for (int k = 1; k <= history.SignalNodes(r); ++k) {
    const THistNodo* node = history.Node(shown, r, k);
    if (!node) continue;
    ReportJunction junction;
    junction.Network = history.NetworkNumber(r);
    junction.SaturnNode = history.SaturnNode(r, k);
    junction.TransytNode = history.TransytNode(r, k);
    junction.Cycle = history.Cycle(shown, r);
    TimingsOf(*node, junction.Offset, junction.Greens, junction.Intergreens);
    const THistNodo* before = history.Node(0, r, k);
    if (before && !before->Textos[HistColumn::StageCount].empty()) {
      junction.HasBefore = true;
      junction.CycleBefore = history.Cycle(0, r);
      TimingsOf(*before, junction.OffsetBefore, junction.GreensBefore, junction.IntergreensBefore);
    }
    junctions.push_back(std::move(junction));
  }
}

// The links of network position r as the print file of iteration `shown` gives them.
void AddLinkResults(const Run& run, const HistoryView& history, int r, int shown, ReportNetwork& network) {
  network.LinksFile = run.Files.TransytPrint(shown, NetworkNumber(network.Number));
  std::map<int, int> saturnOfTransyt;
  for (int k = history.SignalNodes(r); k >= 1; --k) saturnOfTransyt[history.TransytNode(r, k)] = history.SaturnNode(r, k);
  for (const PrintLinkResult& row : ReadLinkResults(network.LinksFile)) {
    ReportLinkResult link;
    link.Link = row.Link;
    link.TransytNode = row.Node;
    auto saturn = saturnOfTransyt.find(row.Node);
    if (saturn != saturnOfTransyt.end()) link.SaturnNode = saturn->second;
    link.Flow = row.Flow;
    link.DegreeOfSaturation = row.DegreeOfSaturation;
    link.Delay = row.Delay;
    link.Queue = row.Queue;
    network.Links.push_back(link);
  }
  if (network.Links.empty()) network.LinksFile.clear();
}

// What the loop kept beside the model's figures: each assignment's own convergence as its listing
// states it, the averaged coupling's figures of each iteration, and each network's index for its
// starting timings.
void AddLoopMemory(const Run& run, RunReport& report) {
  const LoopMemory& memory = run.Memory;
  report.Averaged = run.Cfg.Promediado == 1 && !memory.Averaging.Steps.empty();
  if (report.Averaged)
    report.Inputs.push_back({"Acoplamiento", "flujos promediados (Promediado=1): los semáforos se optimizan con el "
                                             "promedio de las asignaciones y la convergencia se juzga sobre él"});
  for (ReportIteration& row : report.Iterations) {
    const AssignmentConvergence stated = memory.AssignmentOf(row.Iteration);
    if (stated.Stated)
      row.RelativeGap = stated.RelativeGap, row.AverageExcess = stated.AverageExcess, row.LargestExcess = stated.LargestExcess;
    const AveragingStep* step = memory.Averaging.StepOf(row.Iteration);
    if (!step) continue;
    row.HasAveraged = true;
    row.AveragedPrecision = step->Precision;
    row.Step = step->Step;
  }
  for (size_t r = 1; r < memory.StartingIndex.size() && r <= report.Networks.size(); ++r)
    report.Networks[r - 1].StartingIndex = memory.StartingIndex[r];
}

}  // namespace

std::map<std::string, std::filesystem::file_time_type> FilesInWorkingDirectory() {
  std::map<std::string, std::filesystem::file_time_type> files;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(".", ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code entryError;
    if (!it->is_regular_file(entryError)) continue;
    const auto time = it->last_write_time(entryError);
    if (!entryError) files[it->path().filename().string()] = time;
  }
  return files;
}

RunReport GatherRunReport(const Run& run) {
  const Settings& cfg = run.Cfg;
  RunReport report;
  report.Title = ExtractFileName(run.Files.SaturnFile);
  const std::string configPath = run.ConfigurationPath();
  report.Inputs = {{"Red Saturn", run.Files.SaturnFile},
                   {"Lista de nodos", run.Files.NodesFile},
                   {"Archivos Transyt", run.Files.TransytFile},
                   {"Configuración", run.ConfigFileName + (FileExists(configPath) ? "" : " (no existe: valores por defecto)")},
                   {"Directorio de trabajo", run.WorkDir},
                   {"Matriz de viajes", cfg.MatrizBinaria},
                   {"Programa Transyt", cfg.TransytExe},
                   {"Version Saturn", cfg.VersionSaturn}};
  report.Settings = ConfigurationLines(configPath);
  report.StopReason = StopReasonOf(run);
  report.PrecisionThreshold = cfg.PrecisionSaturn;
  report.LastIteration = run.Iteracion;
  ChooseIteration(run, report);
  report.Iterations = IterationRows(run);

  const int shown = report.ChosenIteration >= 1 ? report.ChosenIteration : run.Iteracion;
  report.TimingsIteration = shown;
  const HistoryView history(run.Qor);
  for (int r = 1; r <= history.Networks(); ++r) {
    report.Networks.push_back(NetworkRow(run, history, r));
    AddLinkResults(run, history, r, shown, report.Networks.back());
    AddJunctions(history, r, shown, report.Junctions);
    const ReportNetwork& network = report.Networks.back();
    const std::string picture = run.Files.Picture(shown, NetworkNumber(network.Number));
    if (FileExists(picture))
      report.Drawings.push_back({Printf("Red %d (%s), iteración %d: %s", network.Number, network.Name.c_str(), shown,
                                        picture.c_str()),
                                 ReadWholeFile(picture)});
  }
  AddLoopMemory(run, report);
  report.FilesWritten = FilesWrittenSince(run.FilesAtStart);
  report.Incomplete = IncompleteResult(run);
  for (const EngineNote& note : run.EngineNotes)
    report.Notes.push_back({note.Iteration, note.Network.Value(), note.Failure, note.Text});
  report.Errors = run.Log.Errors;
  if (FileExists(run.EngineLog)) report.EngineLog = run.EngineLog;
  return report;
}

void WriteRunReportFile(Run& run, const std::string& fileName) {
  RunReport report = GatherRunReport(run);
  if (std::find(report.FilesWritten.begin(), report.FilesWritten.end(), fileName) == report.FilesWritten.end())
    report.FilesWritten.push_back(fileName);
  std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
  if (out) WriteRunReport(report, out);
  if (!out) run.Log.Line(Printf("   ATENCION: No se pudo escribir el informe %s", fileName.c_str()));
}

}  // namespace veltra
