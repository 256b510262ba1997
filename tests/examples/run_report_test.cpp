// The run report of the example town: a page that opens from disk, whose figures are the ones
// the run's own summaries and console print.
#include <cstdio>
#include <map>
#include <regex>

#include "example_run.h"

namespace veltra::examples {
namespace {

std::vector<std::string> SplitCsv(const std::string& line) {
  std::vector<std::string> fields;
  std::stringstream in(line);
  for (std::string field; std::getline(in, field, ',');) fields.push_back(field);
  return fields;
}

TEST(ExampleTownReport, ShowsTheSummariesFiguresAndTheChosenIteration) {
  ExampleRun e("pueblo", {"pueblo.dat", "nodos.txt", "pueblo_tr.dat"});
  ASSERT_EQ(e.ExitCode, 0) << e.Output;
  const std::string html = ReadFile(e.Dir / "pueblo_informe.html");
  ASSERT_EQ(html.rfind("<!DOCTYPE html>", 0), 0u);
  EXPECT_EQ(html.find("<script"), std::string::npos);
  EXPECT_EQ(html.find("<?xml"), std::string::npos);
  EXPECT_NE(html.find("Termina por Precision Flujos Saturn"), std::string::npos);

  // Every iteration of the cycle summary: its cycles and its pcu-hours and pcu-km per hour
  // stand in the page as the summary prints them.
  std::stringstream summary(ReadFile(e.Dir / "pueblo_ciclos.csv"));
  std::string line;
  std::getline(summary, line);  // heading
  int rows = 0;
  while (std::getline(summary, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::vector<std::string> f = SplitCsv(line);
    ASSERT_GE(f.size(), 6u) << line;
    ++rows;
    for (size_t c = 1; c + 3 < f.size(); ++c)
      EXPECT_NE(html.find("<td>" + f[c] + "</td>"), std::string::npos) << "cycle " << f[c] << " of " << line;
    for (size_t c = f.size() - 3; c + 1 < f.size(); ++c)
      EXPECT_NE(html.find("<td>" + f[c] + "</td>"), std::string::npos) << "figure " << f[c] << " of " << line;
  }
  EXPECT_GE(rows, 1);

  // The baselines: each network's index for its starting timings, from the print file of their
  // evaluation (iteration 0), beside the run's.
  for (const char* network : {"1", "2"}) {
    std::smatch index;
    const std::string print = ReadFile(e.Dir / (std::string("pueblo_tr_0_") + network + ".prt"));
    ASSERT_TRUE(std::regex_search(print, index, std::regex("INDEX OF THE STARTING TIMINGS:\\s+([\\d.]+)"))) << network;
    const size_t row = html.find(std::string("<td class=\"t\">Índice de rendimiento, red ") + network + "</td>");
    ASSERT_NE(row, std::string::npos) << network;
    char cell[32];
    std::snprintf(cell, sizeof cell, "<td>%.1f</td>", std::stod(index[1]));
    EXPECT_EQ(html.find(cell, row), html.find("<td>", row)) << network << " " << cell;
  }

  // The iteration the console names is the one the page marks.
  const int chosen = e.ChosenIteration();
  ASSERT_GE(chosen, 1) << e.Output;
  EXPECT_NE(html.find("<tr class=\"chosen\"><td>" + std::to_string(chosen) + "</td>"), std::string::npos);
  // The chosen iteration's drawings are inlined, and the files the run wrote are listed.
  EXPECT_NE(html.find("<figure><svg"), std::string::npos);
  EXPECT_NE(html.find("<li>pueblo_" + std::to_string(chosen) + ".dat</li>"), std::string::npos);
}

std::string Columns(const std::string& line, size_t first, size_t last) {
  if (line.size() < first) return std::string();
  return line.substr(first - 1, last - first + 1);
}
int IntColumns(const std::string& line, size_t first, size_t last) { return std::atoi(Columns(line, first, last).c_str()); }

// What a TRANSYT print file says of each node: its stage lengths (from the stage start times of
// the final settings) and the worst degree of saturation of its links.
struct PrintedNode {
  std::vector<int> Starts;
  double WorstSaturation = -1;
};
std::map<int, PrintedNode> ReadPrintFile(const fs::path& file) {
  std::map<int, PrintedNode> nodes;
  std::stringstream in(ReadFile(file));
  std::string line;
  bool tinput = false, settings = false, links = false;
  int skip = 0;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (skip > 0 && skip--) continue;
    if (!tinput) {
      tinput = Columns(line, 7, 30) == "END OF SUBROUTINE TINPUT";
    } else if (!settings) {
      settings = Columns(line, 2, 15) == "FINAL SETTINGS";
      skip = settings ? 4 : 0;
    } else if (!links) {
      links = Columns(line, 1, 6) == "0 LINK";
      skip = links ? 6 : 0;
      const int node = IntColumns(line, 1, 6);
      if (links || node < 1) continue;
      for (size_t k = 1; k <= 8 && Columns(line, 8 * k + 10, 8 * k + 14).find_first_not_of(' ') != std::string::npos; ++k)
        nodes[node].Starts.push_back(IntColumns(line, 8 * k + 10, 8 * k + 14));
    } else {
      if (Columns(line, 1, 8) == "0  TOTAL") break;
      if (IntColumns(line, 1, 6) < 1) continue;
      PrintedNode& node = nodes[IntColumns(line, 7, 11)];
      node.WorstSaturation = std::max(node.WorstSaturation, std::atof(Columns(line, 24, 28).c_str()));
    }
  }
  return nodes;
}

std::vector<std::string> Cells(const std::string& row) {
  std::vector<std::string> cells;
  const std::regex cell("<td[^>]*>([^<]*)</td>");
  for (std::sregex_iterator it(row.begin(), row.end(), cell), end; it != end; ++it) cells.push_back((*it)[1]);
  return cells;
}
// "before → after", or one value when the loop left it.
std::string After(const std::string& cell) {
  const size_t arrow = cell.find("→");
  return arrow == std::string::npos ? cell : cell.substr(arrow + std::string("→").size() + 1);
}

TEST(ExampleTownReport, EverySignalShowsItsTimingsBeforeAndAfterAndItsWorstLinkAsThePrintFileHasThem) {
  ExampleRun e("pueblo", {"pueblo.dat", "nodos.txt", "pueblo_tr.dat"});
  ASSERT_EQ(e.ExitCode, 0) << e.Output;
  const std::string html = ReadFile(e.Dir / "pueblo_informe.html");
  const int chosen = e.ChosenIteration();
  ASSERT_GE(chosen, 1) << e.Output;
  const std::regex signalRow(R"re(<tr data-network="(\d+)" data-node="(\d+)">(.*?)</tr>)re");
  int signals = 0;
  for (std::sregex_iterator it(html.begin(), html.end(), signalRow), end; it != end; ++it, ++signals) {
    const std::string network = (*it)[1], node = (*it)[2];
    const std::vector<std::string> cells = Cells((*it)[3]);
    ASSERT_GE(cells.size(), 5u) << (*it)[0];
    const std::map<int, PrintedNode> printed =
        ReadPrintFile(e.Dir / ("pueblo_tr_" + std::to_string(chosen) + "_" + network + ".prt"));
    const auto found = printed.find(std::stoi(node));
    ASSERT_NE(found, printed.end()) << "node " << node << " of network " << network;
    // After: each stage's green and intergreen add up to its length in the final settings.
    const std::vector<int>& starts = found->second.Starts;
    const int cycle = std::stoi(After(cells[2]));
    size_t stages = 0;
    for (size_t s = 4; s < cells.size() && !After(cells[s]).empty(); ++s, ++stages) {
      int green = 0, intergreen = 0;
      ASSERT_EQ(std::sscanf(After(cells[s]).c_str(), "%d/%d", &green, &intergreen), 2) << cells[s];
      ASSERT_LT(stages, starts.size());
      int length = starts[(stages + 1) % starts.size()] - starts[stages];
      if (length <= 0) length += cycle;
      EXPECT_EQ(green + intergreen, length) << "network " << network << " node " << node << " stage " << stages + 1;
      // Before: the SATURN network's own timings, a green and an intergreen too.
      EXPECT_NE(cells[s].find('/'), std::string::npos);
    }
    EXPECT_EQ(stages, starts.size()) << "network " << network << " node " << node;
    // The worst link of the junction, as the print file has it.
    const std::regex junctionRow("<tr data-junction=\"" + network + "-" + node + "\">(.*?)</tr>");
    std::smatch junction;
    ASSERT_TRUE(std::regex_search(html, junction, junctionRow)) << node;
    const std::vector<std::string> results = Cells(junction[1]);
    ASSERT_GE(results.size(), 5u);
    char worst[32];
    std::snprintf(worst, sizeof worst, "%.0f", found->second.WorstSaturation);
    EXPECT_EQ(results[4], worst) << "network " << network << " node " << node;
  }
  EXPECT_EQ(signals, 5) << "three signals on the avenue, two on the north-south axis";
}

}  // namespace
}  // namespace veltra::examples
