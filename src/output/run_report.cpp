#include "output/run_report.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "output/xml_text.h"
#include "util/text.h"

namespace veltra {

namespace {

std::string Esc(const std::string& text) { return XmlEscape(text); }

std::string Real(double value, int decimals) { return Printf("%.*f", decimals, value); }

// A step of 1, 2 or 5 times a power of ten that cuts `span` into about `parts` intervals.
double NiceStep(double span, int parts) {
  if (!(span > 0) || !std::isfinite(span)) return 1;
  const double raw = span / parts;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  const double fraction = raw / power;
  const double nice = fraction <= 1 ? 1 : fraction <= 2 ? 2 : fraction <= 5 ? 5 : 10;
  return nice * power;
}

int DecimalsFor(double step) {
  if (step >= 1) return 0;
  return std::min(6, static_cast<int>(std::ceil(-std::log10(step))));
}

// The picture written beside a DXF drawing starts with an XML declaration, which may not stand
// inside an HTML page; everything from the <svg element on is kept.
std::string InlineSvg(const std::string& svg) {
  const size_t start = svg.find("<svg");
  if (start == std::string::npos) return std::string();
  return svg.substr(start);
}

const char* kStyle = R"(body{font-family:system-ui,-apple-system,"Segoe UI",Roboto,Helvetica,Arial,sans-serif;margin:2em auto;max-width:1100px;padding:0 1em;color:#1d2733;line-height:1.4}
h1{font-size:1.6em;margin-bottom:.2em}h2{font-size:1.25em;border-bottom:2px solid #d0d7de;padding-bottom:.2em;margin-top:2em}
h3{font-size:1.05em;margin-bottom:.3em}
table{border-collapse:collapse;margin:.5em 0 1em;font-size:.92em}
th,td{border:1px solid #d0d7de;padding:.25em .6em;text-align:right}td{white-space:nowrap}
th{background:#f3f5f7}td.t,th.t{text-align:left}td.t{white-space:normal;overflow-wrap:anywhere}
td.changed{background:#fff3b0;font-weight:600}.note{font-size:.9em;color:#57606a;margin-top:-.5em}
tr.chosen td{background:#e6f4ea;font-weight:600}
.summary{display:grid;grid-template-columns:max-content auto;gap:.2em 1.2em;margin:.8em 0}
.summary dt{font-weight:600}.summary dd{margin:0}
.warning{background:#fff4e5;border-left:5px solid #e8871e;padding:.6em 1em;margin:1em 0}
.ok{background:#e6f4ea;border-left:5px solid #2e7d32;padding:.6em 1em;margin:1em 0}
figure{margin:1em 0}figure svg{max-width:100%;height:auto;border:1px solid #d0d7de;background:#fff}
figcaption{font-size:.9em;color:#57606a;margin-top:.3em}
ul.files{columns:3;font-family:monospace;font-size:.9em}
)";

void Summary(const RunReport& report, std::ostream& out) {
  out << "<dl class=\"summary\">\n";
  for (const auto& [label, value] : report.Inputs)
    out << "<dt>" << Esc(label) << "</dt><dd>" << Esc(value) << "</dd>\n";
  out << "<dt>Fin de la corrida</dt><dd>" << Esc(report.StopReason) << "</dd>\n";
  out << "<dt>Iteraciones</dt><dd>" << report.LastIteration << "</dd>\n";
  if (report.ChosenIteration >= 0)
    out << "<dt>Iteración seleccionada</dt><dd>" << report.ChosenIteration << " — " << Esc(report.ChosenReason)
        << "</dd>\n";
  out << "</dl>\n";
  if (!report.Incomplete.empty()) {
    out << "<div class=\"warning\"><strong>Resultado incompleto:</strong><ul>\n";
    for (const std::string& line : report.Incomplete) out << "<li>" << Esc(line) << "</li>\n";
    out << "</ul></div>\n";
  }
  if (StartBeatsEveryIteration(report))
    out << "<p class=\"warning\"><strong>Atención:</strong> la red inicial tiene menos Pcu-Hr/Hr (GRAND TOTALS) "
           "que todas las iteraciones: la optimización no mejoró los tiempos de partida.</p>\n";
}

const ReportIteration* RowOf(const RunReport& report, int iteration) {
  for (const ReportIteration& row : report.Iterations)
    if (row.Iteration == iteration) return &row;
  return nullptr;
}

// A figure with its change from the starting network's, when both are known.
std::string AgainstStart(double value, double start, bool isStart) {
  if (value < 0) return std::string();
  std::string text = Real(value, 1);
  if (!isStart && start > 0) text += Printf(" (%+.1f %%)", 100.0 * (value - start) / start);
  return text;
}

// Where the run started, what one pass gave (the signals optimised once on the starting flows,
// then one assignment: iteration 1) and the run's result, side by side: what the loop's later
// iterations added to a single optimisation.
void BaselinesSection(const RunReport& report, std::ostream& out) {
  if (!RowOf(report, 0) || !RowOf(report, 1)) return;
  const char* chosen = " (seleccionada)";
  std::vector<std::pair<std::string, int>> columns{
      {std::string("Red inicial") + (report.ChosenIteration == 0 ? chosen : ""), 0},
      {std::string("Una pasada (iteración 1)") + (report.ChosenIteration == 1 ? chosen : ""), 1}};
  if (report.ChosenIteration >= 2)
    columns.push_back({Printf("Iteración seleccionada (%d)", report.ChosenIteration), report.ChosenIteration});
  if (report.LastIteration >= 2 && report.LastIteration != report.ChosenIteration)
    columns.push_back({Printf("Última iteración (%d)", report.LastIteration), report.LastIteration});

  out << "<h2>Referencias: red inicial, una pasada y resultado</h2>\n<table>\n<tr><th class=\"t\"></th>";
  for (const auto& column : columns) out << "<th>" << Esc(column.first) << "</th>";
  out << "</tr>\n";
  const auto figureRow = [&](const char* label, double ReportIteration::*value) {
    const double start = RowOf(report, 0)->*value;
    out << "<tr><td class=\"t\">" << label << "</td>";
    for (const auto& column : columns) {
      const ReportIteration* row = RowOf(report, column.second);
      out << "<td>" << (row ? AgainstStart(row->*value, start, column.second == 0) : std::string()) << "</td>";
    }
    out << "</tr>\n";
  };
  figureRow("Pcu-Hr/Hr, giros de las redes Transyt", &ReportIteration::TurnPcuHr);
  figureRow("Pcu-Hr/Hr, red completa (GRAND TOTALS)", &ReportIteration::GrandPcuHr);
  for (const ReportNetwork& network : report.Networks) {
    out << "<tr><td class=\"t\">Índice de rendimiento, red " << network.Number << "</td>";
    for (const auto& column : columns) {
      const size_t i = static_cast<size_t>(column.second);
      const double index = i == 0 ? network.StartingIndex
                                  : i < network.PerformanceIndex.size() ? network.PerformanceIndex[i] : -1;
      out << "<td>" << AgainstStart(index, network.StartingIndex, i == 0) << "</td>";
    }
    out << "</tr>\n";
  }
  out << "</table>\n<p>Los índices de rendimiento de la red inicial (sus tiempos evaluados sin optimizar) y de una "
         "pasada se calculan con los mismos flujos, los iniciales; el de una iteración posterior, con los flujos con "
      << (report.Averaged ? "que se optimizó esa iteración (promediados)" : "que se optimizó esa iteración")
      << ". Entre paréntesis, el cambio respecto de la red inicial.</p>\n";
}

// The averaged coupling: how much the averaged flows moved in each iteration, the figure its
// stop is judged on, charted and tabled beside the assigned flows' own precision.
ChartSeries AveragedSeries(const RunReport& report) {
  std::vector<double> values;
  for (const ReportIteration& row : report.Iterations)
    if (row.Iteration > 0) values.push_back(row.HasAveraged ? row.AveragedPrecision : std::nan(""));
  return {"Flujos promediados", "#bf8700", values};
}

// The header cells (row nullptr) or one row's cells of the averaged coupling's columns.
void AveragedCells(const RunReport& report, const ReportIteration* row, std::ostream& out) {
  if (!report.Averaged) return;
  if (!row) {
    out << "<th rowspan=\"2\">Precisión flujos promediados</th><th rowspan=\"2\">Paso</th>";
  } else if (row->HasAveraged) {
    out << "<td>" << Real(row->AveragedPrecision, 4)
        << (row->AveragedPrecision <= report.PrecisionThreshold ? " ≤ " : " &gt; ")
        << Real(report.PrecisionThreshold, 4) << "</td><td>" << Real(row->Step, 3) << "</td>";
  } else {
    out << "<td></td><td></td>";
  }
}

void ConvergenceSection(const RunReport& report, std::ostream& out) {
  out << "<h2>Convergencia</h2>\n";
  std::vector<double> precision, grand, turn;
  for (const ReportIteration& row : report.Iterations) {
    if (row.Iteration > 0) precision.push_back(row.HasConvergence ? row.Precision : std::nan(""));
    grand.push_back(row.GrandPcuHr);
    turn.push_back(row.TurnPcuHr);
  }
  if (!precision.empty()) {
    // Precision is charted from iteration 1: the starting network has no flows to compare with.
    std::vector<ChartSeries> series{{"SumDif/SumPro", "#1f6feb", precision}};
    if (report.Averaged) series.push_back(AveragedSeries(report));
    out << "<figure>" << LineChartSvg("Precisión de flujos por iteración", series, 1, "Iteración", true,
                                      report.PrecisionThreshold, "PrecisionSaturn")
        << "</figure>\n";
  }
  if (!grand.empty()) {
    std::vector<ChartSeries> series{{"Red completa (GRAND TOTALS)", "#cf222e", grand},
                                    {"Giros de las redes Transyt", "#2da44e", turn}};
    out << "<figure>" << LineChartSvg("Pcu-Hr/Hr por iteración (0 = red inicial)", series, 0, "Iteración", false, 0, "")
        << "</figure>\n";
  }
  // Two header rows: the assignment's own convergence figures stand under one heading.
  out << "<table>\n<tr>";
  for (const char* heading : {"Iteración", "SumDif", "SumPro", "Precisión", "Pcu-Hr/Hr giros", "Pcu-Km/Hr giros",
                              "Pcu-Hr/Hr SUB-TOTALS", "Pcu-Km/Hr SUB-TOTALS", "Pcu-Hr/Hr GRAND TOTALS",
                              "Pcu-Km/Hr GRAND TOTALS"})
    out << "<th rowspan=\"2\">" << heading << "</th>";
  out << "<th colspan=\"3\">Asignación</th>";
  AveragedCells(report, nullptr, out);
  out << "</tr>\n<tr><th>brecha relativa</th><th>exceso medio (s/viaje)</th><th>mayor exceso (s)</th></tr>\n";
  for (const ReportIteration& row : report.Iterations) {
    out << "<tr" << (row.Iteration == report.ChosenIteration ? " class=\"chosen\"" : "") << "><td>"
        << (row.Iteration == 0 ? std::string("0 (inicial)") : std::to_string(row.Iteration)) << "</td>";
    if (row.HasConvergence)
      out << "<td>" << Real(row.SumDif, 2) << "</td><td>" << Real(row.SumPro, 2) << "</td><td>"
          << Real(row.Precision, 4) << (row.Precision <= report.PrecisionThreshold ? " ≤ " : " &gt; ")
          << Real(report.PrecisionThreshold, 4) << "</td>";
    else
      out << "<td></td><td></td><td></td>";
    out << "<td>" << Real(row.TurnPcuHr, 1) << "</td><td>" << Real(row.TurnPcuKm, 1) << "</td><td>"
        << Real(row.SubPcuHr, 1) << "</td><td>" << Real(row.SubPcuKm, 1) << "</td><td>" << Real(row.GrandPcuHr, 1)
        << "</td><td>" << Real(row.GrandPcuKm, 1) << "</td><td>" << StatedFigure("%.1e", row.RelativeGap) << "</td><td>"
        << StatedFigure("%.4g", row.AverageExcess) << "</td><td>" << StatedFigure("%.4g", row.LargestExcess) << "</td>";
    AveragedCells(report, &row, out);
    out << "</tr>\n";
  }
  out << "</table>\n";
}

// A timing before and after: one value when the loop left it, both and highlighted when it
// changed it.
void BeforeAfterCell(bool hasBefore, const std::string& before, const std::string& after, std::ostream& out) {
  if (!hasBefore || before == after)
    out << "<td>" << Esc(after) << "</td>";
  else
    out << "<td class=\"changed\">" << Esc(before) << " → " << Esc(after) << "</td>";
}

std::string GreenAndIntergreen(const std::vector<int>& greens, const std::vector<int>& intergreens, size_t s) {
  if (s >= greens.size()) return std::string();
  return Printf("%d/%d", greens[s], s < intergreens.size() ? intergreens[s] : 0);
}

// The signal timings of one network: as the SATURN network gave them and as the shown
// iteration left them, side by side.
void TimingsTable(const RunReport& report, int network, std::ostream& out) {
  size_t stages = 0;
  bool any = false;
  for (const ReportJunction& j : report.Junctions) {
    if (j.Network != network) continue;
    any = true;
    stages = std::max({stages, j.Greens.size(), j.GreensBefore.size()});
  }
  if (!any) return;
  out << "<p>Tiempos de los semáforos: antes (red Saturn inicial) → después (iteración " << report.TimingsIteration
      << "); lo que cambió, resaltado. Etapas: verde/entreverde (s).</p>\n";
  out << "<table>\n<tr><th>Nodo Transyt</th><th>Nodo Saturn</th><th>Ciclo (s)</th><th>Desfase (s)</th>";
  for (size_t s = 1; s <= stages; ++s) out << "<th>Etapa " << s << "</th>";
  out << "</tr>\n";
  for (const ReportJunction& j : report.Junctions) {
    if (j.Network != network) continue;
    out << "<tr data-network=\"" << j.Network << "\" data-node=\"" << j.TransytNode << "\"><td>" << j.TransytNode
        << "</td><td>" << j.SaturnNode << "</td>";
    BeforeAfterCell(j.HasBefore, std::to_string(j.CycleBefore), std::to_string(j.Cycle), out);
    BeforeAfterCell(j.HasBefore, std::to_string(j.OffsetBefore), std::to_string(j.Offset), out);
    for (size_t s = 0; s < stages; ++s)
      BeforeAfterCell(j.HasBefore, GreenAndIntergreen(j.GreensBefore, j.IntergreensBefore, s),
                      GreenAndIntergreen(j.Greens, j.Intergreens, s), out);
    out << "</tr>\n";
  }
  out << "</table>\n";
}

// A junction as its links in the print file add up: their flow, the worst degree of
// saturation (and its link), the flow-weighted mean delay and the longest queue.
struct JunctionResult {
  int TransytNode = 0, SaturnNode = 0, Links = 0, WorstLink = 0;
  double Flow = 0, WorstSaturation = -1, DelayTimesFlow = 0, Queue = 0;
  double Delay() const { return Flow > 0 ? DelayTimesFlow / Flow : 0; }
};

constexpr size_t kWorstRows = 10;

void MoreRowsNote(size_t total, const char* what, const std::string& file, std::ostream& out) {
  if (total <= kWorstRows) return;
  out << "<p class=\"note\">… y " << total - kWorstRows << " " << what << " más";
  if (!file.empty()) out << " (todos en <code>" << Esc(file) << "</code>)";
  out << ".</p>\n";
}

// Junctions and links of one network, the most saturated first, from the print file of the
// shown iteration.
void ResultsTables(const RunReport& report, const ReportNetwork& network, std::ostream& out) {
  if (network.Links.empty()) return;
  std::vector<JunctionResult> junctions;
  std::map<int, size_t> junctionOf;  // TRANSYT node -> its row
  for (const ReportLinkResult& link : network.Links) {
    auto [at, added] = junctionOf.emplace(link.TransytNode, junctions.size());
    if (added) junctions.push_back(JunctionResult{link.TransytNode, link.SaturnNode});
    JunctionResult* it = &junctions[at->second];
    ++it->Links;
    it->Flow += link.Flow;
    it->DelayTimesFlow += link.Delay * link.Flow;
    it->Queue = std::max(it->Queue, link.Queue);
    if (link.DegreeOfSaturation > it->WorstSaturation) {
      it->WorstSaturation = link.DegreeOfSaturation;
      it->WorstLink = link.Link;
    }
  }
  std::stable_sort(junctions.begin(), junctions.end(), [](const JunctionResult& a, const JunctionResult& b) {
    return a.WorstSaturation > b.WorstSaturation;
  });
  out << "<p>Cruces y arcos en la iteración " << report.TimingsIteration
      << ", el más saturado primero (del listado de Transyt";
  if (!network.LinksFile.empty()) out << " <code>" << Esc(network.LinksFile) << "</code>";
  out << ").</p>\n<table>\n<tr><th>Nodo Transyt</th><th>Nodo Saturn</th><th>Arcos</th><th>Flujo (pcu/h)</th>"
         "<th>Grado de saturación máximo (%)</th><th>Arco más saturado</th><th>Demora media (s/pcu)</th>"
         "<th>Cola máxima (pcu)</th></tr>\n";
  for (size_t k = 0; k < junctions.size() && k < kWorstRows; ++k) {
    const JunctionResult& j = junctions[k];
    out << "<tr data-junction=\"" << network.Number << "-" << j.TransytNode << "\"><td>" << j.TransytNode << "</td><td>"
        << (j.SaturnNode > 0 ? std::to_string(j.SaturnNode) : std::string()) << "</td><td>" << j.Links << "</td><td>"
        << Real(j.Flow, 0) << "</td><td>" << Real(j.WorstSaturation, 0) << "</td><td>" << j.WorstLink << "</td><td>"
        << Real(j.Delay(), 1) << "</td><td>" << Real(j.Queue, 1) << "</td></tr>\n";
  }
  out << "</table>\n";
  MoreRowsNote(junctions.size(), "cruces", network.LinksFile, out);

  std::vector<ReportLinkResult> links = network.Links;
  std::stable_sort(links.begin(), links.end(), [](const ReportLinkResult& a, const ReportLinkResult& b) {
    return a.DegreeOfSaturation > b.DegreeOfSaturation;
  });
  out << "<table>\n<tr><th>Arco</th><th>Nodo Transyt</th><th>Flujo (pcu/h)</th><th>Grado de saturación (%)</th>"
         "<th>Demora media (s/pcu)</th><th>Cola máxima (pcu)</th></tr>\n";
  for (size_t k = 0; k < links.size() && k < kWorstRows; ++k) {
    const ReportLinkResult& l = links[k];
    out << "<tr><td>" << l.Link << "</td><td>" << l.TransytNode << "</td><td>" << Real(l.Flow, 0) << "</td><td>"
        << Real(l.DegreeOfSaturation, 0) << "</td><td>" << Real(l.Delay, 1) << "</td><td>" << Real(l.Queue, 1)
        << "</td></tr>\n";
  }
  out << "</table>\n";
  MoreRowsNote(links.size(), "arcos", network.LinksFile, out);
}

// The performance index of every network per iteration, one line each.
void IndexChart(const RunReport& report, std::ostream& out) {
  static const char* colours[] = {"#1f6feb", "#cf222e", "#2da44e", "#8250df", "#bf8700", "#0a7f8f", "#e16f24", "#57606a"};
  std::vector<ChartSeries> series;
  for (const ReportNetwork& network : report.Networks) {
    ChartSeries line{Printf("Red %d", network.Number), colours[series.size() % 8], {}};
    bool any = false;
    for (size_t i = 1; i < network.PerformanceIndex.size(); ++i) {
      const double index = network.PerformanceIndex[i];
      line.Values.push_back(index >= 0 ? index : std::nan(""));
      any = any || index >= 0;
    }
    if (any) series.push_back(std::move(line));
  }
  if (series.empty()) return;
  out << "<figure>" << LineChartSvg("Índice de rendimiento de cada red por iteración", series, 1, "Iteración", false, 0, "")
      << "</figure>\n";
}

// Up to this many networks each gets its table in full; a city's hundred and more are first
// summarised, the worst first, and their own tables folded.
constexpr size_t kNetworksInFull = 10;

// One line per network for a run of many: the iterations it was left unoptimised, then its last
// performance index, the worse (more not optimised, then the higher index) first.
void NetworkSummary(const RunReport& report, std::ostream& out) {
  struct Row {
    const ReportNetwork* Network;
    int NotOptimised = 0;
    int Cycle = 0;
    double Index = -1;  // negative: not read
  };
  std::vector<Row> rows;
  for (const ReportNetwork& network : report.Networks) {
    Row row{&network};
    for (const std::string& why : network.NotOptimised) row.NotOptimised += why.empty() ? 0 : 1;
    if (network.Cycle.size() > 1) row.Cycle = network.Cycle.back();
    for (size_t i = 1; i < network.PerformanceIndex.size(); ++i)
      if (network.PerformanceIndex[i] >= 0) row.Index = network.PerformanceIndex[i];
    rows.push_back(row);
  }
  std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
    return a.NotOptimised != b.NotOptimised ? a.NotOptimised > b.NotOptimised : a.Index > b.Index;
  });
  out << "<p>" << rows.size() << " redes; las peores primero: las que quedaron sin optimizar en más iteraciones, "
         "luego las de mayor índice de rendimiento en su última iteración.</p>\n<table>\n"
         "<tr><th>Red</th><th class=\"t\">Nombre</th><th>Ciclo final (s)</th><th>Índice de rendimiento</th>"
         "<th>Iteraciones sin optimizar</th></tr>\n";
  for (const Row& row : rows) {
    out << "<tr><td>" << row.Network->Number << "</td><td class=\"t\">" << Esc(row.Network->Name) << "</td><td>"
        << row.Cycle << "</td><td>" << (row.Index >= 0 ? Real(row.Index, 1) : std::string()) << "</td><td>"
        << row.NotOptimised << "</td></tr>\n";
  }
  out << "</table>\n";
}

void NetworksSection(const RunReport& report, std::ostream& out) {
  if (report.Networks.empty()) return;
  out << "<h2>Redes Transyt</h2>\n";
  IndexChart(report, out);
  const bool folded = report.Networks.size() > kNetworksInFull;
  if (folded) NetworkSummary(report, out);
  for (const ReportNetwork& network : report.Networks) {
    if (folded) out << "<details>\n<summary>";
    out << "<h3>Red " << network.Number;
    if (!network.Name.empty()) out << ": " << Esc(network.Name);
    out << "</h3>";
    if (folded) out << "</summary>";
    out << "\n<table>\n<tr><th>Iteración</th><th>Ciclo (s)</th><th class=\"t\">Estructura</th>"
           "<th>Índice de rendimiento</th><th class=\"t\">Estado</th></tr>\n";
    const size_t rows = std::max({network.Cycle.size(), network.Structure.size(), network.PerformanceIndex.size()});
    for (size_t i = 1; i < rows; ++i) {
      out << "<tr" << (static_cast<int>(i) == report.ChosenIteration ? " class=\"chosen\"" : "") << "><td>" << i
          << "</td><td>" << (i < network.Cycle.size() ? std::to_string(network.Cycle[i]) : std::string()) << "</td>"
          << "<td class=\"t\">" << (i < network.Structure.size() ? Esc(network.Structure[i]) : std::string())
          << "</td><td>";
      if (i < network.PerformanceIndex.size() && network.PerformanceIndex[i] >= 0)
        out << Real(network.PerformanceIndex[i], 1);
      out << "</td><td class=\"t\">";
      if (i < network.NotOptimised.size() && !network.NotOptimised[i].empty())
        out << "<strong>sin optimizar</strong>: " << Esc(network.NotOptimised[i])
            << " (mantiene sus tiempos anteriores)";
      out << "</td></tr>\n";
    }
    out << "</table>\n";
    TimingsTable(report, network.Number, out);
    ResultsTables(report, network, out);
    if (folded) out << "</details>\n";
  }
}

// The outside programs' failures and warnings, and the errors file, where the user looks first
// when a result is not what was expected.
void ProblemsSection(const RunReport& report, std::ostream& out) {
  if (!report.Notes.empty()) {
    out << "<h2>Fallas y avisos de los programas</h2>\n";
    if (!report.EngineLog.empty())
      out << "<p>La salida de los programas está en <code>" << Esc(report.EngineLog) << "</code>.</p>\n";
    out << "<table>\n<tr><th>Iteración</th><th>Red</th><th class=\"t\">Tipo</th><th class=\"t\">Texto</th></tr>\n";
    for (const ReportNote& note : report.Notes)
      out << "<tr><td>" << note.Iteration << "</td><td>"
          << (note.Network == 0 ? std::string("asignación") : std::to_string(note.Network)) << "</td><td class=\"t\">"
          << (note.Failure ? "falla" : "aviso") << "</td><td class=\"t\">" << Esc(note.Text) << "</td></tr>\n";
    out << "</table>\n";
  }
  if (!report.Errors.empty()) {
    out << "<h2>Errores</h2>\n<p>Las líneas del archivo de errores:</p>\n<pre>";
    for (const std::string& line : report.Errors) out << Esc(line) << "\n";
    out << "</pre>\n";
  }
}

void SettingsSection(const RunReport& report, std::ostream& out) {
  if (report.Settings.empty()) return;
  out << "<h2>Configuración</h2>\n<table>\n<tr><th class=\"t\">Clave</th><th class=\"t\">Valor</th></tr>\n";
  for (const auto& [key, value] : report.Settings)
    out << "<tr><td class=\"t\">" << Esc(key) << "</td><td class=\"t\">" << Esc(value) << "</td></tr>\n";
  out << "</table>\n";
}

}  // namespace

bool StartBeatsEveryIteration(const RunReport& report) {
  if (report.Iterations.size() < 2 || report.Iterations.front().Iteration != 0) return false;
  const double start = report.Iterations.front().GrandPcuHr;
  for (size_t i = 1; i < report.Iterations.size(); ++i)
    if (!(start < report.Iterations[i].GrandPcuHr)) return false;
  return true;
}

std::string LineChartSvg(const std::string& title, const std::vector<ChartSeries>& series, int firstX,
                         const std::string& xLabel, bool hasReference, double reference,
                         const std::string& referenceLabel) {
  const double width = 720, height = 300, left = 70, right = 20, top = 40, bottom = 50;
  const double plotW = width - left - right, plotH = height - top - bottom;
  size_t points = 0;
  double lo = hasReference ? reference : INFINITY, hi = hasReference ? reference : -INFINITY;
  for (const ChartSeries& s : series) {
    points = std::max(points, s.Values.size());
    for (double v : s.Values)
      if (std::isfinite(v)) lo = std::min(lo, v), hi = std::max(hi, v);
  }
  if (!std::isfinite(lo)) lo = 0, hi = 1;
  if (hi - lo < 1e-12) {
    const double pad = std::max(std::fabs(hi) * 0.1, 1e-3);
    lo -= pad, hi += pad;
  }
  const double step = NiceStep(hi - lo, 5);
  lo = std::floor(lo / step) * step;
  hi = std::ceil(hi / step) * step;
  // A reference line on the frame would hide in it: a step of room beyond it.
  if (hasReference && reference <= lo + step / 4) lo -= step;
  if (hasReference && reference >= hi - step / 4) hi += step;
  const int decimals = DecimalsFor(step);
  const auto X = [&](size_t i) { return left + (points > 1 ? plotW * static_cast<double>(i) / (points - 1) : plotW / 2); };
  const auto Y = [&](double v) { return top + plotH * (hi - v) / (hi - lo); };

  std::string svg = Printf(
      "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 %.0f %.0f\" width=\"%.0f\" height=\"%.0f\" "
      "font-size=\"12\" font-family=\"sans-serif\">",
      width, height, width, height);
  svg += Printf("<text x=\"%.0f\" y=\"22\" font-size=\"15\" font-weight=\"bold\">%s</text>", left,
                Esc(title).c_str());
  for (double v = lo; v <= hi + step / 2; v += step) {
    svg += Printf("<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"#e1e4e8\"/>", left, Y(v),
                  left + plotW, Y(v));
    svg += Printf("<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"end\">%s</text>", left - 6, Y(v) + 4,
                  Real(v, decimals).c_str());
  }
  for (size_t i = 0; i < points; ++i)
    svg += Printf("<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\">%zu</text>", X(i), top + plotH + 16,
                  i + static_cast<size_t>(std::max(firstX, 0)));
  svg += Printf("<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\">%s</text>", left + plotW / 2, height - 8,
                Esc(xLabel).c_str());
  svg += Printf("<rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" fill=\"none\" stroke=\"#57606a\"/>", left,
                top, plotW, plotH);
  if (hasReference) {
    svg += Printf(
        "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"#8250df\" stroke-dasharray=\"6 4\"/>", left,
        Y(reference), left + plotW, Y(reference));
    svg += Printf("<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"end\" fill=\"#8250df\">%s %s</text>", left + plotW - 4,
                  Y(reference) - 5, Esc(referenceLabel).c_str(), Real(reference, 4).c_str());
  }
  double legendX = left + 10, legendY = top + 8;
  for (const ChartSeries& s : series) {
    // Legend items run along the top of the plot, in as many rows as they need.
    const double itemWidth = 30 + 7.0 * static_cast<double>(Utf8Length(s.Name));
    if (legendX > left + 10 && legendX + itemWidth > left + plotW) {
      legendX = left + 10;
      legendY += 16;
    }
    std::string path;
    for (size_t i = 0; i < s.Values.size(); ++i) {
      if (!std::isfinite(s.Values[i])) continue;
      path += Printf("%s%.1f,%.1f", path.empty() ? "" : " ", X(i), Y(s.Values[i]));
      svg += Printf("<circle cx=\"%.1f\" cy=\"%.1f\" r=\"3\" fill=\"%s\"/>", X(i), Y(s.Values[i]), s.Colour.c_str());
    }
    if (!path.empty())
      svg += Printf("<polyline points=\"%s\" fill=\"none\" stroke=\"%s\" stroke-width=\"2\"/>", path.c_str(),
                    s.Colour.c_str());
    svg += Printf("<rect x=\"%.1f\" y=\"%.1f\" width=\"12\" height=\"4\" fill=\"%s\"/>", legendX, legendY,
                  s.Colour.c_str());
    svg += Printf("<text x=\"%.1f\" y=\"%.1f\">%s</text>", legendX + 16, legendY + 6, Esc(s.Name).c_str());
    legendX += itemWidth;
  }
  svg += "</svg>";
  return svg;
}

void WriteRunReport(const RunReport& report, std::ostream& out) {
  out << "<!DOCTYPE html>\n<html lang=\"es\">\n<head>\n<meta charset=\"utf-8\">\n"
         "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>VELTRA — "
      << Esc(report.Title) << "</title>\n<style>\n"
      << kStyle << "</style>\n</head>\n<body>\n<h1>VELTRA — " << Esc(report.Title) << "</h1>\n";
  Summary(report, out);
  ProblemsSection(report, out);
  BaselinesSection(report, out);
  ConvergenceSection(report, out);
  NetworksSection(report, out);
  if (!report.Drawings.empty()) {
    out << "<h2>Dibujos</h2>\n";
    for (const ReportDrawing& drawing : report.Drawings)
      out << "<figure>" << InlineSvg(drawing.Svg) << "<figcaption>" << Esc(drawing.Caption)
          << "</figcaption></figure>\n";
  }
  SettingsSection(report, out);
  if (!report.FilesWritten.empty()) {
    out << "<h2>Archivos escritos</h2>\n<ul class=\"files\">\n";
    for (const std::string& file : report.FilesWritten) out << "<li>" << Esc(file) << "</li>\n";
    out << "</ul>\n";
  }
  out << "</body>\n</html>\n";
}

}  // namespace veltra
