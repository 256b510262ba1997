#include "run/veltra.h"

#include "construction/construir_arcos.h"
#include "loop/actualizar_saturn.h"
#include "loop/convergence.h"
#include "loop/cycle_search.h"
#include "loop/engine_checks.h"
#include "model/tables.h"
#include "output/network_drawing.h"
#include "output/spreadsheet.h"
#include "output/summaries.h"
#include "programs/saturn_run.h"
#include "run/config.h"
#include "run/input_lists.h"
#include "run/report_builder.h"
#include "saturn/street_names.h"
#include "transyt/node_list.h"
#include "util/conversions.h"
#include "util/files.h"
#include "util/text.h"

namespace veltra {

namespace {

const char* const kRunExtensions[] = {".top", ".dic", ".geo", ".giro", ".arc", ".csv", ".prt", ".cyo", ".dat"};

int NetworkNumber(const Run& run, int r) { return At(run.Qor.RedNodos, r)[0]; }

// Start-up steps 3 to 10. Returns false when the run cannot iterate.
void StartUp(Run& run) {
  Settings& cfg = run.Cfg;
  run.ProgressMessage = "Leyendo red Saturn/Inner...";

  if (cfg.IteracionInicial < 0) {
    run.Log.Fatal(Printf("ERROR - IteracionInicial %d invalida (debe ser 0 o mayor).", cfg.IteracionInicial));
  }
  run.Iteracion = cfg.IteracionInicial;
  if (cfg.IteracionInicial > 0) {
    std::string restart = Printf("%s_%d.lpa", run.SaturnBase().c_str(), cfg.IteracionInicial);
    if (!FileExists(restart)) {
      run.Log.Error(Printf("ERROR - No existe %s.", restart.c_str()));
      run.Log.Line(Printf("        Proceso no puede continuar desde iteracion %d.", cfg.IteracionInicial));
      throw RunStop();
    }
  }

  // The outside programs' console output of this run, and of no earlier one.
  run.EngineLog = ExtractFileName(run.SaturnBase()) + "_programas.log";
  DeleteFileIfExists(run.EngineLog);
  run.CurrentSaturnName = run.SaturnFile;
  InputCheck(run, run.CurrentSaturnName, run.Iteracion);
  run.JunctionsLeftOut = ReadNodeList(run.NodesFile, run.Cfg.TransytNodeLimit(), run.Sat, run.Qor, run.Log, true);
  for (int r = 1; r <= run.Qor.NumRedes; ++r) ReadNetworkConfiguration(run, r);
  ApplyPriorityLists(run.Cfg, run.Sat, run.Qor, run.Log);
  if (Lower(cfg.ArcosNombreCalle) != "null") ReadStreetNames(cfg.ArcosNombreCalle, run.FirstRead(), run.Sat, run.Log);

  if (cfg.BorrarAnterior > 0) {
    static const char* const patterns[] = {"%s_*_*.top", "%s_*_*.dic", "%s_*_*.geo", "%s_*_*.giro", "%s_*_*.arc",
                                           "%s_*_*.csv", "%s_*_*.prt", "%s_*_*.cyo", "%s_*_*.dat"};
    // The run files are named after the TRANSYT name without its extension, so the patterns
    // are too (a name given with ".dat" would otherwise match none of them).
    for (const char* pattern : patterns) DeleteMatching(Printf(pattern, run.TransytBase().c_str()));
  }
}

// Networks one after another, each iterated until the convergence test stops it.
void IterateNetworksInTurn(Run& run) {
  for (int r = 1; r <= run.Qor.NumRedes; ++r) {
    NetworkSettings& net = At(run.Cfg.Red, r);
    run.Iteracion = 0;
    while (true) {
      int i = ++run.Iteracion;
      run.Qor.EnsureIteration(i);
      ConstruirArcos(run.Cfg, r, i, run.Sat, run.Qor, run.Log);
      CycleSearch(run, r, i);
      if (i >= net.BusquedaCiclo) net.OptimizaCiclo = CycleMode::Keep;
      FinalTransytRun(run, r, i);
      ActualizarSaturn(run, r, i);
      NetworkStep(run, r, i);
      CheckSaturnRun(run, RunSaturn(ProgramEnvOf(run), Printf("%s_%d.dat", run.SaturnBase().c_str(), i), i), i);
      if (ConvergenceTest(run, i)) break;
    }
  }
}

// All networks in every iteration, SATURN re-run and re-read after each.
void IterateAllNetworks(Run& run) {
  Settings& cfg = run.Cfg;
  while (true) {
    int i = ++run.Iteracion;
    run.Qor.EnsureIteration(i);
    run.Log.EmptyLines(2);
    run.Log.Line(Printf("Iteracion %d", i));
    for (int r = 1; r <= run.Qor.NumRedes; ++r) {
      ConstruirArcos(run.Cfg, r, i, run.Sat, run.Qor, run.Log);
      CycleSearch(run, r, i);
      FinalTransytRun(run, r, i);
      ActualizarSaturn(run, r, i);
      NetworkStep(run, r, i);
      NetworkSettings& net = At(cfg.Red, r);
      if (i >= net.BusquedaCiclo) net.OptimizaCiclo = CycleMode::Keep;
    }
    if (i == 1) BaseFigures(run);
    CheckSaturnRun(run, RunSaturn(ProgramEnvOf(run), Printf("%s_%d.dat", run.SaturnBase().c_str(), i), i), i);

    run.CurrentSaturnName = Printf("%s_%d", run.SaturnBase().c_str(), i);
    run.ProgressMessage = Printf("   Leyendo resultados Saturn (%d)...", i);
    InputCheck(run, run.CurrentSaturnName, i);
    ReadNodeList(run.NodesFile, run.Cfg.TransytNodeLimit(), run.Sat, run.Qor, run.Log, false);
    ApplyPriorityLists(run.Cfg, run.Sat, run.Qor, run.Log);
    if (Lower(cfg.ArcosNombreCalle) != "null") ReadStreetNames(cfg.ArcosNombreCalle, run.FirstRead(), run.Sat, run.Log);

    if (ConvergenceTest(run, i)) break;
  }
}

// Chooses the iteration with the lowest SATURN GRAND TOTALS Pcu-Hr/Hr and keeps its files
// under the "_F" names.
void GuardarFinal(Run& run) {
  const int last = run.Iteracion;
  double best = 100000000.0;
  int chosen = 0;
  for (int i = 1; i <= last; ++i) {
    double value = run.Sat.FiguresOf(i).GrandTotalHr;
    if (value < best) {
      best = value;
      chosen = i;
    }
  }
  MessageLog& log = run.Log;
  log.EmptyLines(2);
  log.Line("   Indice de Rendimiento Saturn Final");
  log.Text("      Pcu-Hr/Hr:");
  for (int i = 0; i <= last; ++i) log.Text(Printf("%10.1f", run.Sat.FiguresOf(i).GrandTotalHr));
  log.Line();
  log.Text("      Pcu-Km/Hr:");
  for (int i = 0; i <= last; ++i) log.Text(Printf("%10.1f", run.Sat.FiguresOf(i).GrandTotalKm));
  log.Line();
  log.Line();
  log.Line(Printf("   Iteración seleccionada : %d", chosen));
  run.ChosenIteration = chosen;
  log.Line();

  const std::string transytBase = run.TransytBase();
  for (int r = 1; r <= run.Qor.NumRedes; ++r) {
    int n = NetworkNumber(run, r);
    for (const char* ext : kRunExtensions) {
      std::string source = Printf("%s_%d_%d", transytBase.c_str(), chosen, n) + ext;
      if (FileExists(source)) CopyFileReplacing(source, Printf("%s_F_%d", transytBase.c_str(), n) + ext);
    }
    // The chosen iteration's network picture goes with its files, so the final timings can be
    // looked at under the same "_F" name.
    const std::string picture = Printf("%s_%d_%d.svg", transytBase.c_str(), chosen, n);
    if (FileExists(picture)) CopyFileReplacing(picture, Printf("%s_F_%d.svg", transytBase.c_str(), n));
  }
  static const char* const saturnExtensions[] = {".dat", ".lpa", ".lpn", ".lpt", ".ufa", ".ufc", ".ufn", ".ufs"};
  const std::string saturnBase = run.SaturnBase();
  for (const char* ext : saturnExtensions) {
    std::string source = Printf("%s_%d", saturnBase.c_str(), chosen) + ext;
    if (FileExists(source)) CopyFileReplacing(source, saturnBase + "_F" + ext);
  }
}

// A run that stops still leaves its report, once the configuration has named it: why it
// stopped, what it did until then and the errors it found. A report that cannot be written
// takes nothing from the stop.
void WriteStopReport(Run& run) {
  if (Lower(run.Cfg.InformeHtml) == "null") return;
  if (run.StopReason.empty())
    run.StopReason = run.Log.Errors.empty() ? std::string("Detenida por un error (ver los mensajes)")
                                            : "Detenida: " + run.Log.Errors.back();
  try {
    WriteRunReportFile(run, run.Cfg.InformeHtml);
  } catch (const std::exception& e) {
    run.Log.Line(Printf("   ATENCION: No se pudo escribir el informe %s: %s", run.Cfg.InformeHtml.c_str(), e.what()));
  }
}

// The orderly stop: the pause that keeps the last message on the screen, the errors file, the
// report and the messages file; the stop's exit code.
int FinishStop(Run& run, const InputError& stop) {
  if (stop.CloseMessagesFirst) run.Log.CloseMessagesFile();
  if (stop.PauseMs > 0) run.Sys.Sleep(stop.PauseMs);
  try {
    if (stop.SaveErrors) run.Log.SaveErrorsIfAny();
  } catch (const FileError& e) {
    run.Log.Line(e.what());
  }
  WriteStopReport(run);
  run.Log.CloseMessagesFile();
  return stop.ExitCode;
}

}  // namespace

void RecordHistory(Run& run, int r, int i) {
  QorVars& qor = run.Qor;
  const SaturnVars& sat = run.Sat;
  qor.EnsureIteration(i);
  const size_t ri = static_cast<size_t>(r);
  const size_t ii = static_cast<size_t>(i);
  qor.HistCiclo[ii][ri] = qor.CicloRed[ri];

  const int number = NetworkNumber(run, r);
  std::vector<int32_t>& saturnNodes = qor.NodosSemaforo[ri];
  std::vector<int32_t>& transytNodes = qor.NodosSemaforoTransyt[ri];
  std::vector<THistNodo>& hist = qor.Hist[ii][ri];
  saturnNodes.assign(1, 0);
  transytNodes.assign(1, 0);
  hist.assign(1, THistNodo());
  int k = 0;
  for (size_t m = 1; m < sat.Nodes.size(); ++m) {
    const TNodo& node = sat.Nodes[m];
    if (node.TransytNetwork != number || node.SignalPlan == 0) continue;
    const TPlanSemaforo& plan = At(sat.SignalPlans, node.SignalPlan);
    ++k;
    saturnNodes.push_back(node.Number);
    transytNodes.push_back(node.TransytNode);
    THistNodo h;
    const int n = plan.StageCount;
    const int shown = std::min(std::max(n, 0), kHistStages);
    for (int s = 1; s <= shown; ++s) h.Etapas[s] = plan.Stages[s].GreenTime + plan.Stages[s].Intergreen;

    h.Textos[HistColumn::StageCount] = Printf("%d", n);
    int start = 0;
    for (int s = 1; s <= kHistStages; ++s) {
      if (s > shown) {
        for (int column : {HistColumn::Start(s), HistColumn::Green(s), HistColumn::Intergreen(s),
                           HistColumn::MinimumGreen(s)})
          h.Textos[static_cast<size_t>(column)] = " ";
        continue;
      }
      if (s == 1) {
        int last = std::min(n, kMaxStages);
        start = (last >= 1 ? plan.Stages[last].Intergreen : 0) + plan.Offset;
      } else {
        start += plan.Stages[s - 1].GreenTime + plan.Stages[s - 1].Intergreen;
      }
      if (start > plan.CycleTime) start -= plan.CycleTime;
      h.Textos[HistColumn::Start(s)] = Printf("%d", start);
      h.Textos[HistColumn::Green(s)] = Printf("%d", plan.Stages[s].GreenTime);
      h.Textos[HistColumn::Intergreen(s)] = Printf("%d", plan.Stages[s].Intergreen);
      h.Textos[HistColumn::MinimumGreen(s)] = Printf("%d", plan.Stages[s].MinimumGreen);
    }
    h.Textos[HistColumn::Offset] = Printf("%d", plan.Offset);
    h.Doble = n > 3 && plan.RepeatIndicator != 0;
    hist.push_back(std::move(h));
  }
  qor.NumNodosSemaforo[ri] = k;
}

void NetworkStep(Run& run, int r, int i) {
  std::string dxf = Printf("%s_%d_%d.dxf", run.TransytBase().c_str(), i, NetworkNumber(run, r));
  if (run.Cfg.GeneraDxf) DibujarRed(run.Cfg, r, run.Sat, run.Qor, dxf, i);
  RecordHistory(run, r, i);
}

bool EndOfRun(Run& run) {
  Settings& cfg = run.Cfg;
  const int last = run.Iteracion;
  const bool complete = ResultComplete(run);
  run.Log.SaveErrorsIfAny();
  if (cfg.ResumenCiclo != "null")
    WriteTextFile(cfg.ResumenCiclo, [&](TextWriter& out) { WriteCycleSummary(run.Qor, run.Sat, last, out); });
  if (cfg.ResumenReparto != "null")
    WriteTextFile(cfg.ResumenReparto, [&](TextWriter& out) { WriteSplitSummary(run.Qor, last, out); });
  if (cfg.GuardarFinal > 0) GuardarFinal(run);
  const std::string transytBase = run.TransytBase();
  if (cfg.CopiarUltimaIt != "null") {
    for (const char* ext : kRunExtensions)
      CopyIfExists(Printf("%s_%d_*", transytBase.c_str(), last) + ext, cfg.CopiarUltimaIt);
  }
  if (cfg.CopiarFinal > 0) {
    for (const char* ext : kRunExtensions)
      CopyIfExists(Printf("%s_%d_*", transytBase.c_str(), last) + ext, Printf("%s_Final_*", transytBase.c_str()) + ext);
  }
  if (cfg.InformeNodos != "null") WriteSpreadsheetReport(run.Cfg, run.Qor, run.Log, last);
  if (Lower(cfg.InformeHtml) != "null") WriteRunReportFile(run, cfg.InformeHtml);
  run.Log.CloseMessagesFile();
  return complete;
}

int VeltraMain(const std::vector<std::string>& args, Platform& platform, std::ostream& console) {
  Run run(platform, console);
  try {
    bool inputsFound = ReadGlobalConfiguration(run, args);
    if (inputsFound) {
      StartUp(run);
      if (run.Cfg.TipoIteracion == IterationMode::NetworksInTurn)
        IterateNetworksInTurn(run);
      else if (run.Cfg.TipoIteracion == IterationMode::AllNetworks)
        IterateAllNetworks(run);
    }
    const bool complete = EndOfRun(run);
    if (!inputsFound) return 1;
    return complete ? 0 : kIncompleteExitCode;
  } catch (const InputError& stop) {
    stop.Report(run.Log);
    return FinishStop(run, stop);
  } catch (const std::exception& fault) {
    // A fault of the program rather than of its input still ends the run in order.
    ReportProgramFault(fault, run.Log);
    return FinishStop(run, RunStop());
  }
}

}  // namespace veltra
