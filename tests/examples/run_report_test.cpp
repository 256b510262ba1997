// The run report of the example town: a page that opens from disk, whose figures are the ones
// the run's own summaries and console print.
#include <cstdio>
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

}  // namespace
}  // namespace veltra::examples
