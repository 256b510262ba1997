#include "output/run_report.h"

#include <gtest/gtest.h>

#include <cmath>
#include <regex>
#include <sstream>

namespace veltra {
namespace {

RunReport TwoIterationRun() {
  RunReport report;
  report.Title = "pueblo.dat";
  report.Inputs = {{"Red Saturn", "pueblo.dat"}, {"Nodos", "nodos.txt"}};
  report.Settings = {{"PrecisionSaturn", "0.01"}, {"NombreRed", "Avenida <Principal> & Co"}};
  report.StopReason = "Termina por Precision Flujos Saturn (0.0080)";
  report.PrecisionThreshold = 0.01;
  report.LastIteration = 2;
  report.ChosenIteration = 1;
  report.ChosenReason = "menor Pcu-Hr/Hr de la red completa";
  ReportIteration start;
  start.GrandPcuHr = 251.2;
  start.GrandPcuKm = 7332.6;
  ReportIteration first;
  first.Iteration = 1;
  first.HasConvergence = true;
  first.SumDif = 1223.81, first.SumPro = 54149.9, first.Precision = 0.0226;
  first.GrandPcuHr = 249.9, first.GrandPcuKm = 7421.3, first.TurnPcuHr = 239.0;
  ReportIteration second = first;
  second.Iteration = 2;
  second.Precision = 0.008;
  second.GrandPcuHr = 250.4;
  report.Iterations = {start, first, second};
  report.Networks = {{1, "Avenida", {0, 120, 100}, {"", "Simple", "1D 2S"}, {-1, 171.1, 170.4}, {"", "", ""},
                      {{7, 1, 104, 512, 92, 20.5, 8.2}, {8, 1, 104, 300, 61, 11.0, 3.1}}, "pueblo_tr_1_1.prt"}};
  report.TimingsIteration = 1;
  report.Junctions = {{1, 104, 1, 120, 37, {68, 40}, {4, 8}, true, 90, 37, {50, 40}, {4, 8}}};
  report.Drawings = {{"Red 1, iteración 1",
                      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\"><line/></svg>\n"}};
  report.FilesWritten = {"pueblo_1.dat", "pueblo_tr_1_1.prt"};
  return report;
}

std::string Html(const RunReport& report) {
  std::ostringstream out;
  WriteRunReport(report, out);
  return out.str();
}

TEST(RunReport, PageIsSelfContained) {
  const std::string html = Html(TwoIterationRun());
  EXPECT_EQ(html.rfind("<!DOCTYPE html>", 0), 0u);
  EXPECT_NE(html.find("<meta charset=\"utf-8\">"), std::string::npos);
  EXPECT_EQ(html.find("<script"), std::string::npos);
  EXPECT_EQ(html.find("<link"), std::string::npos);
  EXPECT_EQ(html.find("src="), std::string::npos);
  EXPECT_EQ(html.find("@import"), std::string::npos);
  // The inlined drawing lost its XML declaration, which may not stand inside an HTML page.
  EXPECT_EQ(html.find("<?xml"), std::string::npos);
  EXPECT_NE(html.find("<svg xmlns=\"http://www.w3.org/2000/svg\"><line/></svg>"), std::string::npos);
  EXPECT_EQ(html.substr(html.size() - 8), "</html>\n");
}

TEST(RunReport, ShowsTheRunsFiguresAsTheSummariesPrintThem) {
  const std::string html = Html(TwoIterationRun());
  for (const char* text : {"1223.81", "54149.90", "0.0226 &gt; 0.0100", "0.0080 ≤ 0.0100", "251.2", "7332.6",
                           "249.9", "171.1", "170.4", "1D 2S", "<td>37</td>",
                           // Timings before and after side by side, changes marked; the most
                           // saturated link first, and the junction's worst beside it.
                           "<td class=\"changed\">90 → 120</td>", "<td class=\"changed\">50/4 → 68/4</td>",
                           "<td>40/8</td>", "<td>92</td><td>7</td>", "<tr><td>7</td><td>1</td><td>512</td><td>92</td>",
                           "Termina por Precision Flujos Saturn (0.0080)", "pueblo_tr_1_1.prt"})
    EXPECT_NE(html.find(text), std::string::npos) << text;
  // The chosen iteration's rows are marked, and only those.
  const std::regex chosen("<tr class=\"chosen\"><td>1</td>");
  EXPECT_EQ(std::distance(std::sregex_iterator(html.begin(), html.end(), chosen), std::sregex_iterator()), 2);
}

// A run whose result is not complete says so at the top, marks the iteration in which a network
// kept its timings, and lists the programs' failures and warnings and the errors file.
TEST(RunReport, IncompleteResultsAndProgramFailuresAreShown) {
  RunReport report = TwoIterationRun();
  EXPECT_EQ(Html(report).find("Resultado incompleto"), std::string::npos);
  report.Incomplete = {"Red 1 sin optimizar en las iteraciones: 2"};
  report.Networks[0].NotOptimised[2] = "Transyt (2,1): t8s termino con codigo de salida 1";
  report.Notes = {{2, 1, true, "Transyt (2,1): t8s termino con codigo de salida 1"},
                  {1, 1, false, "link 7 is served in no stage"}};
  report.Errors = {"ERROR - Nodo 777 no reconocido"};
  report.EngineLog = "pueblo_programas.log";
  const std::string html = Html(report);
  for (const char* text : {"<strong>Resultado incompleto:</strong><ul>\n<li>Red 1 sin optimizar en las iteraciones: 2</li>",
                           "<strong>sin optimizar</strong>: Transyt (2,1): t8s termino con codigo de salida 1",
                           "<td class=\"t\">falla</td>", "link 7 is served in no stage", "pueblo_programas.log",
                           "ERROR - Nodo 777 no reconocido"})
    EXPECT_NE(html.find(text), std::string::npos) << text;
}

// Start, one pass and result side by side, each against the start; a network's index for its
// starting timings heads its row. With the averaged coupling its precision and step stand
// beside the assigned flows' own.
TEST(RunReport, BaselinesAndAveragedFiguresStandBesideThePlainOnes) {
  RunReport report = TwoIterationRun();
  ReportIteration third = report.Iterations[2];
  third.Iteration = 3;
  third.GrandPcuHr = 248.0;
  third.HasAveraged = true, third.AveragedPrecision = 0.0042, third.Step = 0.667;
  report.Iterations.push_back(third);
  report.LastIteration = 3;
  report.ChosenIteration = 3;
  report.Averaged = true;
  report.Networks[0].PerformanceIndex.push_back(152.0);
  report.Networks[0].StartingIndex = 190.0;
  const std::string html = Html(report);
  const size_t table = html.find("<h2>Referencias: red inicial, una pasada y resultado</h2>");
  ASSERT_NE(table, std::string::npos);
  const std::string baselines = html.substr(table, html.find("</table>", table) - table);
  for (const char* text : {"<th>Red inicial</th>", "<th>Una pasada (iteración 1)</th>",
                           "<th>Iteración seleccionada (3)</th>", "<td>251.2</td>", "<td>249.9 (-0.5 %)</td>",
                           "<td>248.0 (-1.3 %)</td>", "Índice de rendimiento, red 1", "<td>190.0</td>",
                           "<td>171.1 (-9.9 %)</td>", "<td>152.0 (-20.0 %)</td>"})
    EXPECT_NE(baselines.find(text), std::string::npos) << text << "\n" << baselines;
  EXPECT_EQ(baselines.find("Última iteración"), std::string::npos);  // the chosen one is the last
  for (const char* text : {"<th rowspan=\"2\">Precisión flujos promediados</th>", "<td>0.0042 ≤ 0.0100</td><td>0.667</td>",
                           "Flujos promediados"})
    EXPECT_NE(html.find(text), std::string::npos) << text;
}

TEST(RunReport, NamesFromTheInputsAreEscaped) {
  const std::string html = Html(TwoIterationRun());
  EXPECT_NE(html.find("Avenida &lt;Principal&gt; &amp; Co"), std::string::npos);
  EXPECT_EQ(html.find("<Principal>"), std::string::npos);
}

TEST(RunReport, WarnsOnlyWhenTheStartingNetworkBeatsEveryIteration) {
  struct Case {
    std::vector<double> grand;  // starting network first
    bool warns;
  };
  const Case cases[] = {
      {{251.2, 249.9, 250.4}, false},  // iteration 1 improves
      {{240.0, 249.9, 250.4}, true},   // start is best
      {{249.9, 249.9, 250.4}, false},  // a tie is no loss
      {{240.0}, false},                // no iteration ran
  };
  for (const Case& c : cases) {
    RunReport report = TwoIterationRun();
    report.Iterations.resize(c.grand.size());
    for (size_t i = 0; i < c.grand.size(); ++i) report.Iterations[i].GrandPcuHr = c.grand[i];
    EXPECT_EQ(StartBeatsEveryIteration(report), c.warns) << c.grand.size() << " " << c.grand[0];
    EXPECT_EQ(Html(report).find("class=\"warning\"") != std::string::npos, c.warns);
  }
}

TEST(RunReport, ChartsStayFiniteForDegenerateSeries) {
  const std::vector<std::vector<double>> cases = {
      {},                                // nothing to draw
      {5.0},                             // one point
      {3.0, 3.0, 3.0},                   // flat
      {std::nan(""), 0.02, 0.01},        // gap where nothing was computed
      {1e-9, 2e-9},                      // tiny range
      {-INFINITY, INFINITY, 1.0},        // no finite range but one point
  };
  for (const auto& values : cases) {
    const std::string svg = LineChartSvg("t", {{"s", "#000", values}}, 0, "x", true, 0.01, "P");
    EXPECT_EQ(svg.find("nan"), std::string::npos) << svg;
    EXPECT_EQ(svg.find("inf"), std::string::npos) << svg;
    EXPECT_EQ(svg.rfind("<svg", 0), 0u);
    EXPECT_EQ(svg.substr(svg.size() - 6), "</svg>");
  }
}

TEST(RunReport, ChartLabelsTheIterationsFromItsFirstX) {
  const std::string svg = LineChartSvg("t", {{"s", "#000", {0.03, 0.02}}}, 1, "Iteración", false, 0, "");
  EXPECT_NE(svg.find(">1</text>"), std::string::npos);
  EXPECT_NE(svg.find(">2</text>"), std::string::npos);
  EXPECT_EQ(svg.find(">0</text>"), std::string::npos);
}

}  // namespace
}  // namespace veltra

namespace veltra {
namespace {

// A city's networks are summarised before their own tables, the worst first: the more
// iterations left unoptimised, then the higher last performance index. A town's few are not.
TEST(RunReport, ManyNetworksAreSummarisedWorstFirst) {
  RunReport report = TwoIterationRun();
  report.Networks.clear();
  // Network n: its last index 100 + (n * 7) % 12; networks 5 and 9 unoptimised in one iteration.
  for (int n = 1; n <= 12; ++n) {
    ReportNetwork network{n, "", {0, 90, 96}, {"", "Simple", "Simple"}, {-1, 200, 100.0 + (n * 7) % 12}, {"", "", ""}, {}, "", -1};
    if (n == 5 || n == 9) network.NotOptimised[2] = "t8s sin resultado";
    report.Networks.push_back(network);
  }
  const std::string html = Html(report);
  const size_t summary = html.find("las peores primero");
  ASSERT_NE(summary, std::string::npos);
  std::vector<int> order;
  const std::regex row("<tr><td>(\\d+)</td><td class=\"t\"></td><td>96</td><td>([0-9.]*)</td><td>(\\d)</td></tr>");
  const std::string table = html.substr(summary, html.find("</table>", summary) - summary);
  std::vector<std::pair<int, double>> keys;  // not optimised, index
  for (std::sregex_iterator it(table.begin(), table.end(), row), end; it != end; ++it)
    keys.push_back({std::stoi((*it)[3]), std::stod((*it)[2])});
  ASSERT_EQ(keys.size(), 12u);
  for (size_t i = 1; i < keys.size(); ++i) EXPECT_FALSE(keys[i - 1] < keys[i]) << i;
  EXPECT_EQ(keys.front().first, 1);
  EXPECT_NE(html.find("<details>"), std::string::npos);

  report.Networks.resize(3);
  const std::string few = Html(report);
  EXPECT_EQ(few.find("las peores primero"), std::string::npos);
  EXPECT_EQ(few.find("<details>"), std::string::npos);
}

}  // namespace
}  // namespace veltra
