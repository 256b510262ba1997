// The t8s program: print files the loop reads, evaluate-only runs, and runs that stop on bad
// data without a result; and the whole loop on the example town with this engine.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sstream>

#include "signal_cases.h"
#include "signals/engine.h"
#include "signals/model.h"
#include "support/test_support.h"
#include "transyt/print_files.h"
#include "util/conversions.h"
#include "util/text.h"

namespace veltra::signals {
namespace {

using veltra::test::TempDir;

struct NodeLine {
  int Node = 0;
  std::vector<int> Starts;
};

// The final settings as the loop reads them: after "FINAL SETTINGS" four lines are skipped,
// then node lines (stage k's start in columns 8k+10 to 8k+14) until "0 LINK".
std::vector<NodeLine> FinalSettings(const std::vector<std::string>& lines, int stages) {
  std::vector<NodeLine> nodes;
  size_t i = 0;
  while (i < lines.size() && Field(lines[i], 2, 15) != "FINAL SETTINGS") ++i;
  for (i += 5; i < lines.size() && Field(lines[i], 1, 6) != "0 LINK"; ++i) {
    NodeLine n;
    n.Node = TextToInt(RemoveBlanks(Field(lines[i], 1, 6)));
    if (n.Node < 1) continue;
    for (int k = 1; k <= stages; ++k) n.Starts.push_back(TextToInt(RemoveBlanks(Field(lines[i], 8 * k + 10, 8 * k + 14))));
    nodes.push_back(n);
  }
  return nodes;
}

int RunT8s(const TempDir& dir, const std::string& data, const std::string& print, std::string* console = nullptr) {
  std::ostringstream out;
  int code = RunProgram(dir.File(data), dir.File(print), out);
  if (console) *console = out.str();
  return code;
}

TEST(SignalProgram, OptimisedPrintFileHoldsWhatTheLoopReads) {
  TempDir dir;
  RunOptions o;
  dir.WriteLines("a.dat", test::Arterial(3, o));
  ASSERT_EQ(RunT8s(dir, "a.dat", "a.prt"), 0);
  const std::vector<std::string> lines = veltra::test::ReadLines(dir.File("a.prt"));
  const std::string text = dir.Read("a.prt");
  EXPECT_NE(text.find("      END OF SUBROUTINE TINPUT\r\n"), std::string::npos);
  EXPECT_LT(text.find("END OF SUBROUTINE TINPUT"), text.find("FINAL SETTINGS"));

  // The index the loop reads is the one the engine reached, and it is no worse than the start.
  const double index = ReadPerformanceIndex(dir.File("a.prt"));
  SignalNetwork net = test::Parse(test::Arterial(3, o));
  NetworkModel model(net, 60);
  RunOutcome outcome = OptimiseTimings(net, model);
  EXPECT_NEAR(index, outcome.FinalIndex, 0.006);
  EXPECT_LE(outcome.FinalIndex, outcome.StartIndex);
  EXPECT_NE(text.find(Printf("PERFORMANCE INDEX OF THE STARTING TIMINGS: %12.2f", outcome.StartIndex)), std::string::npos);

  // Node lines give the final stage starts; every stage keeps its minimum.
  std::vector<NodeLine> nodes = FinalSettings(lines, 2);
  ASSERT_EQ(nodes.size(), 3u);
  for (size_t n = 0; n < nodes.size(); ++n) {
    EXPECT_EQ(nodes[n].Node, static_cast<int>(n + 1));
    EXPECT_EQ(nodes[n].Starts[0], outcome.Final.At(static_cast<int>(n), 0));
    EXPECT_EQ(nodes[n].Starts[1], outcome.Final.At(static_cast<int>(n), 1));
    const int first = ((nodes[n].Starts[1] - nodes[n].Starts[0]) % 60 + 60) % 60;
    EXPECT_GE(first, 10);
    EXPECT_GE(60 - first, 10);
  }

  // Link lines: six lines after "0 LINK", up to "0  TOTAL"; the degree of saturation in 24-28.
  size_t i = 0;
  while (Field(lines[i], 1, 6) != "0 LINK") ++i;
  int links = 0;
  for (i += 7; Field(lines[i], 1, 8) != "0  TOTAL"; ++i) {
    const int number = TextToInt(RemoveBlanks(Field(lines[i], 1, 6)));
    ASSERT_GE(number, 1) << lines[i];
    const size_t l = static_cast<size_t>(links++);
    EXPECT_EQ(number, net.Links[l].Number);
    EXPECT_NEAR(TextToReal(RemoveBlanks(Field(lines[i], 24, 28))), model.Results()[l].DegreeOfSat, 0.51);
    EXPECT_NEAR(TextToReal(RemoveBlanks(Field(lines[i], 35, 40))), model.Results()[l].MeanDelay, 0.051);
    EXPECT_NEAR(TextToReal(RemoveBlanks(Field(lines[i], 81, 86))), model.Results()[l].MaxQueue, 0.051);
  }
  EXPECT_EQ(links, 9);
  EXPECT_EQ(Field(lines[i], 114, 119), "TOTALS");
}

TEST(SignalProgram, FileWithoutNodesToOptimiseIsEvaluatedAtItsGivenTimings) {
  TempDir dir;
  RunOptions o;
  std::vector<std::string> lines = test::Arterial(2, o, false);
  lines[3] = Card({12, 2, 17, 10, 47, 10});  // node 2 offset by 17 s
  dir.WriteLines("e.dat", lines);
  ASSERT_EQ(RunT8s(dir, "e.dat", "e.prt"), 0);
  std::vector<NodeLine> nodes = FinalSettings(veltra::test::ReadLines(dir.File("e.prt")), 2);
  ASSERT_EQ(nodes.size(), 2u);
  EXPECT_EQ(nodes[1].Starts, (std::vector<int>{17, 47}));
  SignalNetwork net = test::Parse(lines);
  NetworkModel model(net, 60);
  EXPECT_NEAR(ReadPerformanceIndex(dir.File("e.prt")), model.Evaluate(GivenTimings(net)), 0.006);
  EXPECT_NE(dir.Read("e.prt").find("THE GIVEN TIMINGS WERE EVALUATED"), std::string::npos);
}

TEST(SignalProgram, BadDataGivesNoResultAndSaysWhy) {
  struct Case {
    std::string card;
    std::string message;
  } cases[] = {
      {"   12    1    0   1x    0   30", "line 3: card 12, field 4 (columns 16-20): \"1x\" is not a whole number"},
      {Card({31, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, -100, 0, 1800, 0, 0, 1}), "line 3: card 31, field 12 (length)"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    RunOptions o;
    dir.WriteLines("b.dat", {"bad", CardOne(o), c.card});
    std::string console;
    EXPECT_EQ(RunT8s(dir, "b.dat", "b.prt", &console), 1);
    const std::string text = dir.Read("b.prt");
    EXPECT_EQ(text.find("FINAL SETTINGS"), std::string::npos);
    EXPECT_NE(text.find(c.message), std::string::npos) << text;
    EXPECT_NE(console.find(c.message), std::string::npos) << console;
    EXPECT_EQ(ReadPerformanceIndex(dir.File("b.prt")), 999999.0);
  }
}

// Timings that serve a link nowhere, or give a node no effective green at all, are named in
// the print file's warnings, one line each, as the loop shows them.
TEST(SignalProgram, TimingsThatServeNothingAreWarned) {
  TempDir dir;
  RunOptions o;
  o.Cycle = 40;
  o.Steps = 20;
  o.Optimise = 0;
  dir.WriteLines("w.dat", {"w", CardOne(o), Card({12, 1, 0, 7, 35, 5}), Card({12, 2, 0, 7, 20, 7}),
                           Card({31, 11, 1, 1, 5, 2, 0, 0, 0, 0, 0, 200, 0, 1800, 0, 0, 1}),
                           Card({31, 12, 1, 2, 5, 1, 0, 0, 0, 0, 0, 200, 0, 1800, 0, 0, 1}),
                           Card({31, 21, 2, 1, 40, 2, 0, 0, 0, 0, 0, 200, 0, 1800, 0, 0, 1}),
                           Card({31, 22, 2, 2, 30, 1, 0, 0, 0, 0, 0, 200, 0, 1800, 0, 0, 1}),
                           Card({32, 11, 500, 0, 0, 0, 40}), Card({32, 12, 500, 0, 0, 0, 40}),
                           Card({32, 21, 200, 0, 0, 0, 40}), Card({32, 22, 0, 0, 0, 0, 40})});
  ASSERT_EQ(RunT8s(dir, "w.dat", "w.prt"), 0);
  const std::vector<std::string> lines = veltra::test::ReadLines(dir.File("w.prt"));
  size_t i = 0;
  while (i < lines.size() && lines[i].rfind(" WARNINGS: ", 0) != 0) ++i;
  ASSERT_LT(i + 3, lines.size());
  EXPECT_EQ(lines[i], " WARNINGS: 3");
  EXPECT_EQ(lines[i + 1], "   node 2 gives none of its links effective green in the timings of this run: every stage is "
                          "shorter than the start lag and lost time of the links it serves");
  EXPECT_EQ(lines[i + 2], "   link 12 at node 1 gets no effective green in the timings of this run: its 500 PCU/h build "
                          "a queue that never clears over the 60 simulated minutes (250 PCU on average, counted in the "
                          "index)");
  EXPECT_EQ(lines[i + 3].rfind("   link 21 at node 2 gets no effective green", 0), 0u) << lines[i + 3];
  EXPECT_LT(ReadPerformanceIndex(dir.File("w.prt")), 999999.0);
}

TEST(SignalProgram, MissingDataFileAndUnwritablePrintFileFail) {
  TempDir dir;
  EXPECT_EQ(RunT8s(dir, "none.dat", "n.prt"), 1);
  EXPECT_NE(dir.Read("n.prt").find("the data file does not exist"), std::string::npos);
  RunOptions o;
  dir.WriteLines("a.dat", test::Arterial(1, o));
  EXPECT_EQ(RunT8s(dir, "a.dat", "no/such/dir/a.prt"), 2);
}

// The command line: help and usage write no file; a data file that cannot be read is named on
// the console with the reason, instead of a silent stop or a crash.
TEST(SignalProgram, CommandLineExplainsItselfAndNamesWhatItCannotRead) {
  TempDir dir;
  dir.Write("long.dat", std::string(100000, '1'));
  std::filesystem::create_directory(dir.File("folder.dat"));
  struct Case {
    std::vector<std::string> args;
    int code;
    bool filesWritten;
    std::vector<std::string> out, err;  // texts expected on each stream
  } cases[] = {
      {{"--help"}, 0, false,
       {"usage: t8s DATA PRINT", ".cyo", "steps per cycle", "simulated minutes", "equisat", "optimise", "dispersion",
        "delay", "Exit codes", "  0 ", "  1 ", "  2 "},
       {}},
      {{}, 1, false, {}, {"usage: t8s DATA PRINT", "Exit codes"}},
      {{"only.dat"}, 1, false, {}, {"expected the data file and the print file, got 1 arguments", "usage:"}},
      {{"--progress", "-1", "a.dat", "a.prt"}, 1, false, {}, {"--progress: \"-1\" is not a number of seconds", "usage:"}},
      {{"a.dat", "a.prt", "--progress"}, 1, false, {}, {"--progress: expected a number of seconds", "usage:"}},
      {{"--quiet", "a.dat", "a.prt"}, 1, false, {}, {"t8s: unknown option --quiet", "usage:"}},
      {{"none.dat", "n.prt"}, 1, true, {}, {"t8s: none.dat: the data file does not exist"}},
      {{"folder.dat", "f.prt"}, 1, true, {}, {"folder.dat: the data file is a directory"}},
      {{"long.dat", "l.prt"}, 1, true, {}, {"long.dat: line 1 of the data file is longer than 65536 characters"}},
  };
  for (const Case& c : cases) {
    const auto before = std::distance(std::filesystem::directory_iterator(dir.Path()), {});
    std::ostringstream out, err;
    EXPECT_EQ(RunCommandLine(c.args, out, err), c.code) << c.args.size();
    const auto after = std::distance(std::filesystem::directory_iterator(dir.Path()), {});
    EXPECT_EQ(after > before, c.filesWritten) << err.str();
    for (const std::string& text : c.out) EXPECT_NE(out.str().find(text), std::string::npos) << text;
    for (const std::string& text : c.err) EXPECT_NE(err.str().find(text), std::string::npos) << text << "\n" << err.str();
    if (c.out.empty()) {
      EXPECT_EQ(out.str(), "");
    }
  }
}

TEST(SignalProgram, LineEndsDoNotChangeTheResult) {
  TempDir dir;
  RunOptions o;
  dir.WriteLines("crlf.dat", test::Arterial(2, o), "\r\n");
  dir.WriteLines("lf.dat", test::Arterial(2, o), "\n");
  ASSERT_EQ(RunT8s(dir, "crlf.dat", "crlf.prt"), 0);
  ASSERT_EQ(RunT8s(dir, "lf.dat", "lf.prt"), 0);
  EXPECT_EQ(ReadPerformanceIndex(dir.File("crlf.prt")), ReadPerformanceIndex(dir.File("lf.prt")));
}

TEST(SignalProgram, PrintNameEndingInCyoAsksForTheCycleTable) {
  TempDir dir;
  RunOptions o;
  dir.WriteLines("c.dat", test::Arterial(2, o));
  for (const char* name : {"c.cyo", "C.CYO"}) {
    ASSERT_EQ(RunT8s(dir, "c.dat", name), 0);
    CyopTable table;
    ASSERT_TRUE(ReadCyopTable(dir.File(name), table));
    EXPECT_EQ(table.Rows.size(), 2u) << name;
    EXPECT_GT(table.FirstCandidate, 0) << name;
  }
}

// Node lines: a double-cycled node gives its pattern for both halves; stage lengths of long
// cycles stay apart.
TEST(SignalProgram, NodeLinesGiveEveryStartAndLengthApart) {
  struct Case {
    int cycle;
    std::string card;
    std::vector<int> starts, lengths;
  } cases[] = {{60, Card({22, 1, 5, 10, 25, 10}), {5, 25, 35, 55}, {20, 10}},
               {3000, Card({12, 1, 0, 10, 1000, 10}), {0, 1000}, {1000, 2000}}};
  for (const Case& c : cases) {
    TempDir dir;
    RunOptions o;
    o.Cycle = c.cycle;
    o.Steps = 60;
    o.Optimise = 0;
    dir.WriteLines("d.dat", {"d", CardOne(o), c.card, Card({31, 11, 1, 1, 5, 2, 0, 0, 0, 0, 0, 100, 0, 1800, 0, 0, 1}),
                             Card({32, 11, 300, 0, 0, 0, 40})});
    ASSERT_EQ(RunT8s(dir, "d.dat", "d.prt"), 0);
    const std::vector<std::string> lines = veltra::test::ReadLines(dir.File("d.prt"));
    std::vector<NodeLine> nodes = FinalSettings(lines, static_cast<int>(c.starts.size()));
    ASSERT_EQ(nodes.size(), 1u);
    EXPECT_EQ(nodes[0].Starts, c.starts);
    size_t i = 0;
    while (Field(lines[i], 2, 15) != "FINAL SETTINGS") ++i;
    while (Field(lines[i], 1, 6) != "     1") ++i;
    std::vector<int> lengths;
    for (const std::string& field : SplitBlanks(lines[i].substr(75))) lengths.push_back(TextToInt(field));
    EXPECT_EQ(lengths, c.lengths) << lines[i];
  }
}

TEST(SignalProgram, LoopsDataFileOfTheExampleTownIsOptimised) {
  TempDir dir;
  std::vector<std::string> lines;
  ASSERT_TRUE(LoadLines(std::string(VELTRA_TEST_DATA) + "/signals/eje_norte_sur.dat", lines));
  for (std::string& line : lines)  // card 1, field 14 (columns 66-70): Output 1 prints the profiles
    if (StartsWith(line, "    1 ")) line = line.substr(0, 65) + "    1" + line.substr(70);
  dir.WriteLines("e.dat", lines);
  ASSERT_EQ(RunT8s(dir, "e.dat", "e.prt"), 0);
  const std::string text = dir.Read("e.prt");
  EXPECT_NE(text.find("WARNINGS: none"), std::string::npos);
  EXPECT_NE(text.find("gives way: 331 0 0% 715"), std::string::npos);
  EXPECT_NE(text.find("CYCLIC FLOW PROFILES"), std::string::npos);
  EXPECT_NE(text.find("    311 GO "), std::string::npos);
  std::vector<NodeLine> nodes = FinalSettings(veltra::test::ReadLines(dir.File("e.prt")), 4);
  ASSERT_EQ(nodes.size(), 2u);
  EXPECT_EQ(nodes[0].Node, 1);
  EXPECT_EQ(nodes[1].Node, 2);
  SignalNetwork net = Parse(lines);
  NetworkModel model(net, net.Run.Cycle);
  RunOutcome outcome = OptimiseTimings(net, model);
  EXPECT_LT(outcome.FinalIndex, outcome.StartIndex);
  EXPECT_NEAR(ReadPerformanceIndex(dir.File("e.prt")), outcome.FinalIndex, 0.006);
}

TEST(SignalProgram, BinaryRunsAsTheBatchFileCallsIt) {
  TempDir dir;
  RunOptions o;
  dir.WriteLines("_red_.dat", test::Arterial(2, o));
  dir.Write("_opt.dat", "1\r\n");
  std::string output;
  EXPECT_EQ(veltra::test::RunShell("'" + std::string(T8S_EXE) + "' _red_.dat _red_.prt <_opt.dat", dir.Path(), output), 0)
      << output;
  EXPECT_LT(ReadPerformanceIndex(dir.File("_red_.prt")), 999999.0);
  EXPECT_NE(veltra::test::RunShell("'" + std::string(T8S_EXE) + "'", dir.Path(), output), 0);
  EXPECT_NE(output.find("usage: t8s DATA PRINT"), std::string::npos);
}

// The loop on the example town with this engine: nothing of the programs' names on the PATH, so
// the batch files find t8s and the SATURN-shaped programs built next to veltra.
TEST(SignalProgram, LoopRunsTheExampleTownWithThisEngine) {
  TempDir dir;
  std::string output;
  ASSERT_EQ(veltra::test::RunShell("cp -r '" + std::string(VELTRA_EXAMPLES) + "/.' .", dir.Path(), output), 0) << output;
  const std::string command = "PATH=/usr/bin:/bin '" + std::string(VELTRA_EXE) + "' pueblo.dat nodos.txt pueblo_tr.dat";
  ASSERT_EQ(veltra::test::RunShell(command, dir.Path(), output), 0) << output;
  EXPECT_EQ(output.find("SIN ACTUALIZAR REPARTOS"), std::string::npos);
  EXPECT_EQ(output.find("ERROR"), std::string::npos);
  EXPECT_NE(output.find("Ciclo optimo Cyop (1,1)"), std::string::npos);
  // Every final print file of the first iteration is this engine's, with a result.
  for (const char* name : {"pueblo_tr_1_1.prt", "pueblo_tr_1_2.prt"}) {
    ASSERT_TRUE(dir.Exists(name)) << name;
    EXPECT_NE(dir.Read(name).find("VELTRA t8s"), std::string::npos) << name;
    EXPECT_LT(ReadPerformanceIndex(dir.File(name)), 999999.0) << name;
  }
  // The new timings reached the SATURN network of the first iteration.
  EXPECT_NE(dir.Read("pueblo_1.dat"), dir.Read("pueblo.dat"));
  std::vector<std::string> cycles = veltra::test::ReadLines(dir.File("pueblo_ciclos.csv"));
  ASSERT_GE(cycles.size(), 2u);
  EXPECT_NE(cycles[1].find("1,"), std::string::npos);
}

}  // namespace
}  // namespace veltra::signals
