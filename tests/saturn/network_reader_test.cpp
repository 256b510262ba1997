#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "saturn/saturn_fixtures.h"
#include "util/conversions.h"
#include "util/files.h"
#include "util/text.h"

namespace veltra {
namespace {

using test::Card;
using test::NetworkHead;
using test::ReadNetworkLines;
using test::TestRun;

std::vector<std::string> WithSections(std::vector<std::string> head, const std::vector<std::string>& rest) {
  head.insert(head.end(), rest.begin(), rest.end());
  return head;
}

TEST(SaturnParam, KeysSetTheirSettingsWhateverTheBlanks) {
  struct Case {
    std::vector<std::string> param;
    void (*check)(const TParam&);
  };
  const Case cases[] = {
      {{" DUTCH=TRUE, FOZZY = T"}, [](const TParam& p) { EXPECT_TRUE(p.DUTCH); EXPECT_TRUE(p.FOZZY); }},
      {{" D U T C H = T ,EZBUS=T", " SPEEDS=T"}, [](const TParam& p) { EXPECT_TRUE(p.DUTCH); EXPECT_TRUE(p.EZBUS); EXPECT_TRUE(p.SPEEDS); }},
      {{" DUTCH=F, NOMADS = 7,"}, [](const TParam& p) { EXPECT_FALSE(p.DUTCH); EXPECT_EQ(p.NOMADS, 7); }},
      {{" FLAREX=1.5, FLAREF=-2.25"}, [](const TParam& p) { EXPECT_FLOAT_EQ(p.FLAREX, 1.5f); EXPECT_FLOAT_EQ(p.FLAREF, -2.25f); }},
      {{" BUSPCU=1.8, BUSPCU(3)=2.5"}, [](const TParam& p) { EXPECT_FLOAT_EQ(p.BUSPCU[1], 1.8f); EXPECT_FLOAT_EQ(p.BUSPCU[3], 2.5f); }},
      {{" BUSPCU(9) = 4"}, [](const TParam& p) { EXPECT_FLOAT_EQ(p.BUSPCU[1], 1.0f); EXPECT_FLOAT_EQ(p.BUSPCU[9], 4.0f); }},
      {{" KNOBS=3"}, [](const TParam& p) { EXPECT_EQ(p.KNOBS, 3); }},
      {{" XYFORM='2F10.2'"}, [](const TParam& p) { EXPECT_TRUE(p.XyformGiven); EXPECT_EQ(p.CoordinateWidth, 10); }},
      {{" XYFORM=\"2I8\""}, [](const TParam& p) { EXPECT_EQ(p.CoordinateWidth, 8); }},
      {{" XYFORM=(2F10.2)"}, [](const TParam& p) { EXPECT_TRUE(p.XyformGiven); EXPECT_EQ(p.CoordinateWidth, 0); }},
      {{" UNKNOWN=5"}, [](const TParam& p) { EXPECT_EQ(p.NOMADS, 0); EXPECT_FLOAT_EQ(p.FLAREX, 2.0f); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.param.front());
    TestRun t;
    ReadNetworkLines(t.run, NetworkHead(c.param));
    c.check(t.run.Sat.Param);
  }
}

TEST(SaturnParam, KnobFileNameLosesBlanksAndQuotesAndBecomesAFullPath) {
  TestRun t;
  test::TempDir dir;
  dir.Write("knobs.dat", "");
  ReadNetworkLines(t.run, NetworkHead({" FILKNB = 'knobs.dat' ,", " &END"}));
  EXPECT_TRUE(t.run.Sat.Param.FilknbGiven);
  EXPECT_EQ(t.run.Sat.Param.FilknbName, ExpandFileName("KNOBS.DAT"));
}

TEST(SaturnParam, NamelistEndsOnTheLineWhoseLastItemHoldsEnd) {
  TestRun t;
  // "&END" on the line of the last setting ends the namelist; the next line is the section.
  std::vector<std::string> lines = {"&OPTION &END", "TITLE", "&PARAM", " KNOBS=2, &END", "1", "99999"};
  ReadNetworkLines(t.run, lines);
  EXPECT_EQ(t.run.Sat.Param.KNOBS, 2);
  EXPECT_TRUE(t.run.Sat.Network.SectionPresent[1]);
  EXPECT_EQ(t.run.Sat.NetworkTitle, "TITLE");
}

TEST(SaturnParam, ANamelistClosedOnTheLineOfItsLastValue) {
  TestRun t;
  std::vector<std::string> lines = {"&OPTION &END", "TITLE", "&PARAM NOMADS=2 &END", "1", "99999"};
  ReadNetworkLines(t.run, lines);
  EXPECT_EQ(t.run.Sat.Param.NOMADS, 2);
  EXPECT_TRUE(t.run.Sat.Network.SectionPresent[1]);
}

TEST(SaturnFirstNamelist, KeepsFiveLinesAndFindsPlod) {
  TestRun t;
  std::vector<std::string> lines = {"&OPTION", " A=1", " P L O D = T", " B=2", " C=3", " D=4", " &END", "T", "&PARAM", "&END"};
  ReadNetworkLines(t.run, lines);
  ASSERT_EQ(t.run.Sat.OptionLines.size(), 5u);
  EXPECT_EQ(t.run.Sat.OptionLines[2], " P L O D = T");
  EXPECT_TRUE(t.run.Sat.Param.PLOD);
}

TEST(SaturnLineReader, SkipsCommentsMarkersAndBlankLinesAndUpperCases) {
  TestRun t;
  std::vector<std::string> lines = {"* comment", "&option", "", "%marker", "  &end", "   ", "my title", "&param", "&end"};
  ReadNetworkLines(t.run, lines);
  EXPECT_EQ(t.run.Sat.NetworkTitle, "MY TITLE");
  ASSERT_EQ(t.run.Sat.OptionLines.size(), 2u);
  EXPECT_EQ(t.run.Sat.OptionLines[1], "  &END");
}

TEST(SaturnLineReader, WarnsOfTabsAndKeepsThem) {
  TestRun t;
  ReadNetworkLines(t.run, {"&OPTION", "&END", "A\tTITLE", "&PARAM", "&END"});
  EXPECT_TRUE(test::LogHas(t, "ATENCION: Archivo tiene caracter \"TAB\""));
  EXPECT_EQ(t.run.Sat.NetworkTitle, "A\tTITLE");
}

// Reading the lines stops in order, and the error listed last holds each of the texts.
void ExpectStopNaming(const std::vector<std::string>& lines, const std::vector<std::string>& texts) {
  TestRun t;
  EXPECT_THROW(ReadNetworkLines(t.run, lines), RunStop);
  ASSERT_FALSE(t.run.Log.Errors.empty());
  for (const std::string& text : texts)
    EXPECT_NE(t.run.Log.Errors.back().find(text), std::string::npos) << t.run.Log.Errors.back();
}

TEST(SaturnFrame, FileEndingInsideANamelistOrSectionStopsNamingTheFile) {
  struct Case {
    const char* name;
    std::vector<std::string> lines;
    const char* missing;
  };
  const std::string junction = Card().Int(1, 5, 100).Int(6, 10, 2).Int(11, 15, 1);
  const Case cases[] = {
      {"first namelist", {"&OPTION", " X=1"}, "&END"},
      {"title", {"&OPTION", "&END"}, "&END"},
      {"param", {"&OPTION", "&END", "T", "&PARAM", " KNOBS=1"}, "&END"},
      {"section", WithSections(NetworkHead(), {"1", junction, Card().Int(6, 10, 1), Card().Int(6, 10, 2)}), "99999"},
      {"arm cards", WithSections(NetworkHead(), {"1", junction, Card().Int(6, 10, 1)}), "99999"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestRun t;
    EXPECT_THROW(ReadNetworkLines(t.run, c.lines), RunStop);
    ASSERT_FALSE(t.run.Log.Errors.empty());
    EXPECT_NE(t.run.Log.Errors.back().find("test.dat"), std::string::npos) << t.run.Log.Errors.back();
    EXPECT_NE(t.run.Log.Errors.back().find(c.missing), std::string::npos) << t.run.Log.Errors.back();
  }
}

TEST(SaturnFrame, EndOfSectionInsideAJunctionStops) {
  TestRun t;
  auto lines = WithSections(NetworkHead(), {"1", Card().Int(1, 5, 100).Int(6, 10, 2).Int(11, 15, 1),
                                            Card().Int(6, 10, 1), "99999", "55555", "99999"});
  EXPECT_THROW(ReadNetworkLines(t.run, lines), RunStop);
  EXPECT_TRUE(test::LogHas(t, "test.dat, linea 9"));
}

TEST(SaturnFrame, SectionsOutOfOrderAreNotReadAndAHeaderMayBeOneDigit) {
  TestRun t;
  auto lines = WithSections(NetworkHead(), {"3", Card().Int(1, 5, 1).Int(6, 10, 2), "99999", "2",
                                            Card().Int(2, 5, 7).Int(6, 10, 1), "99999", "5", "99999", "trailing text"});
  ReadNetworkLines(t.run, lines);
  const TNetwork& net = t.run.Sat.Network;
  EXPECT_TRUE(net.SectionPresent[3]);
  EXPECT_FALSE(net.SectionPresent[2]);
  EXPECT_FALSE(net.SectionPresent[5]);
  EXPECT_TRUE(net.BufferOnly);
  EXPECT_EQ(net.LinkCount, 1);
  EXPECT_TRUE(net.Loaded);
}

TEST(SaturnFrame, IncludedLinesAreMarkedOutsideSectionOne) {
  TestRun t;
  test::TempDir dir;
  dir.WriteLines("junc.dat", {"* included junction", std::string(Card().Int(1, 5, 200).Int(6, 10, 1).Int(11, 15, 1)),
                              std::string(Card().Int(6, 10, 201).Int(12, 15, 1))});
  dir.WriteLines("buffer.dat", {std::string(Card().Int(1, 5, 201).Int(6, 10, 202))});
  auto lines = WithSections(NetworkHead(), {"1", "$INCLUDE junc.dat", "99999", "3", "$INCLUDE buffer.dat",
                                            Card().Int(1, 5, 202).Int(6, 10, 203), "99999"});
  ReadNetworkLines(t.run, lines);
  const auto& net = t.run.Sat.NetworkLines;
  std::vector<std::string> expected = {"1", "$INCLUDE junc.dat", "* included junction"};
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), net.begin() + 5));
  auto at = std::find(net.begin(), net.end(), "$INCLUDE buffer.dat");
  ASSERT_NE(at, net.end());
  EXPECT_EQ(*(at + 1), "%INCLUDE");
  EXPECT_EQ(*(at + 3), "%INCLUDE");
  EXPECT_EQ(t.run.Sat.FindLink(201, 202) != 0, true);
  EXPECT_EQ(t.run.Sat.FindLink(202, 203) != 0, true);
  EXPECT_EQ(t.run.Sat.FindLink(201, 200) != 0, true);
}

TEST(SaturnFrame, MissingOrSelfIncludingFilesStop) {
  test::TempDir dir;
  dir.WriteLines("loop.dat", {"$INCLUDE loop.dat"});
  {
    TestRun t;
    auto lines = WithSections(NetworkHead(), {"3", "$INCLUDE nothere.dat", "99999"});
    EXPECT_THROW(ReadNetworkLines(t.run, lines), RunStop);
    EXPECT_TRUE(test::LogHas(t, "ERROR - Red Saturn. No existe NOTHERE.DAT"));
  }
  {
    TestRun t;
    auto lines = WithSections(NetworkHead(), {"3", "$INCLUDE loop.dat", "99999"});
    EXPECT_THROW(ReadNetworkLines(t.run, lines), RunStop);
    EXPECT_TRUE(test::LogHas(t, "se incluye a si mismo"));
  }
}

TEST(SaturnFrame, RecordsBeyondTheModelStopNamingLineAndLimit) {
  struct Case {
    const char* name;
    std::vector<std::string> lines;
    const char* text;
  };
  const Case cases[] = {
      {"node number", WithSections(NetworkHead({" DUTCH=T"}), {"3", Card().Int(1, 10, 1234567890).Int(11, 20, 5), "99999"}),
       "numero de nodo"},
      {"arms", WithSections(NetworkHead(), {"1", Card().Int(1, 5, 100).Int(6, 10, 9).Int(11, 15, 1), "99999"}), "mas de 8 brazos"},
      {"stages", WithSections(NetworkHead(), {"1", Card().Int(1, 5, 100).Int(6, 10, 0).Int(11, 15, 3).Int(16, 20, 9).Int(26, 30, 60), "99999"}),
       "mas de 8 etapas"},
      {"entries", WithSections(NetworkHead(), {"1", Card().Int(1, 5, 100).Int(6, 10, 0).Int(11, 15, 3).Int(16, 20, 1).Int(26, 30, 60),
                                               Card().Int(11, 15, 20).Int(16, 20, 5).Int(21, 25, 21), "", "99999"}),
       "mas de 20 nodos de movimiento"},
      {"knobs", NetworkHead({" KNOBS=9"}), "mas de 8 valores KNOBS"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ExpectStopNaming(c.lines, {c.text, "test.dat, linea"});
  }
}

// A number written in a form its columns allow (1E39 in five columns) but beyond what they can
// write in digits is no saturation flow, cycle, green or intergreen: held at the integer limits
// it overflowed the sums made of it and widened its field when the file was written again. A
// field holding a character no number is written with (the letter O in "1O5") read as 0, and
// the node's traffic vanished without a word.
TEST(SaturnFrame, FieldsThatCannotMeanANumberStopNamingLineAndColumns) {
  const std::string node = Card().Int(1, 5, 100).Int(6, 10, 2).Int(11, 15, 3).Int(16, 20, 2).Int(26, 30, 60);
  const std::string arm1 = Card().Int(6, 10, 101).At(15, "1").Int(16, 20, 10).Int(21, 25, 100).Int(26, 30, 1800).At(33, "1 1");
  const std::string arm2 = Card().Int(6, 10, 102).At(15, "1").Int(16, 20, 10).Int(21, 25, 100).Int(26, 30, 1800).At(33, "1 1");
  const std::string stage = Card().Int(11, 15, 25).Int(16, 20, 5).Int(21, 25, 0);
  auto junction = [&](std::string n, std::string a, std::string g) {
    return WithSections(NetworkHead(), {"1", n, a, arm2, g, stage, "99999"});
  };
  struct Case {
    const char* name;
    std::vector<std::string> lines;
    const char* text;
  };
  const Case cases[] = {
      {"cycle", junction(Card(node).At(26, " 1E39"), arm1, stage), "linea 7: valor \"1E39\" fuera de rango en las columnas 26-30 (maximo 99999)"},
      {"saturation flow", junction(node, Card(arm1).At(26, "-1E39"), stage), "linea 8: valor \"-1E39\" fuera de rango en las columnas 26-30"},
      {"green", junction(node, arm1, Card(stage).At(11, "-1E39")), "linea 10: valor \"-1E39\" fuera de rango en las columnas 11-15"},
      {"intergreen", junction(node, arm1, Card(stage).At(16, " 9E99")), "linea 10: valor \"9E99\" fuera de rango en las columnas 16-20"},
      {"link capacity", WithSections(NetworkHead(), {"3", Card().Int(1, 5, 1).Int(6, 10, 2).At(21, " 1E10"), "99999"}),
       "linea 7: valor \"1E10\" fuera de rango en las columnas 21-25"},
      {"bus factor", NetworkHead({" BUSPCU(2) = 1" + std::string(40, '0') + ".0"}),
       "linea 5: valor fuera de rango en &PARAM (BUSPCU(2)=1000000000"},
      {"wide node field", WithSections(NetworkHead({" DUTCH=T"}), {"3", Card().At(1, "      1E39").Int(11, 20, 5), "99999"}),
       "linea 8: valor \"1E39\" fuera de rango en las columnas 1-10"},
      {"negative flow beyond the digits", junction(node, Card(arm1).At(26, " -1E4"), stage),
       "linea 8: valor \"-1E4\" fuera de rango en las columnas 26-30 (minimo -9999)"},
      {"bus frequency", WithSections(NetworkHead(), {"3", Card().Int(1, 5, 1).Int(6, 10, 2), "99999", "6",
                                                     Card().Int(1, 5, 7).At(6, " 1E39").Int(11, 15, 2).Int(16, 20, 1).Int(21, 25, 2), "99999"}),
       "linea 10: valor \"1E39\" fuera de rango en las columnas 6-10"},
      {"bus node count", WithSections(NetworkHead(), {"3", Card().Int(1, 5, 1).Int(6, 10, 2), "99999", "6",
                                                      Card().Int(1, 5, 7).Int(6, 10, 4).At(11, "-1E39").Int(16, 20, 1), "99999"}),
       "linea 10: valor \"-1E39\" fuera de rango en las columnas 11-15"},
      {"bus node, free format", WithSections(NetworkHead({" EZBUS=T"}), {"3", Card().Int(1, 5, 1).Int(6, 10, 2), "99999", "6",
                                                               Card().Int(1, 5, 7).Int(6, 10, 4).Int(11, 15, 2).At(16, "  1 -1E39"), "99999"}),
       "linea 11: valor \"-1E39\" fuera de rango"},
      {"letter O in an arm's node", junction(node, Card(arm1).At(6, "  1O1"), stage),
       "linea 8: valor \"1O1\" no es un numero en las columnas 6-10"},
      {"plus sign", WithSections(NetworkHead(), {"3", Card().Int(1, 5, 1).At(6, "   +2"), "99999"}),
       "linea 7: valor \"+2\" no es un numero en las columnas 6-10"},
      {"decimal comma", WithSections(NetworkHead(), {"3", Card().Int(1, 5, 1).Int(6, 10, 2).At(21, "  1,5"), "99999"}),
       "linea 7: valor \"1,5\" no es un numero en las columnas 21-25"},
      {"bus node, free format, with a letter", WithSections(NetworkHead({" EZBUS=T"}), {"3", Card().Int(1, 5, 1).Int(6, 10, 2), "99999", "6",
                                                               Card().Int(1, 5, 7).Int(6, 10, 4).Int(11, 15, 2).At(16, "  1 2O"), "99999"}),
       "linea 11: valor \"2O\" no es un numero"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ExpectStopNaming(c.lines, {"ERROR - Red Saturn test.dat, ", c.text});
  }
  // The largest values the columns can write are read.
  TestRun t;
  ReadNetworkLines(t.run, junction(Card(node).At(26, "99999"), Card(arm1).At(26, "-9999"), stage));
  EXPECT_EQ(t.run.Sat.SignalPlans[1].CycleTime, 99999);
}

TEST(SaturnFrame, IncludedBytesAndLinesAreBounded) {
  test::TempDir dir;
  // Larger than everything the includes of one network may read: refused before it is loaded.
  dir.Write("huge.dat", "");
  std::filesystem::resize_file(dir.File("huge.dat"), 65u * 1024u * 1024u);
  dir.Write("longline.dat", std::string(70000, '*') + "\n");
  {
    TestRun t;
    EXPECT_THROW(ReadNetworkLines(t.run, WithSections(NetworkHead(), {"3", "$INCLUDE huge.dat", "99999"})), RunStop);
    EXPECT_TRUE(test::LogHas(t, "ERROR - Red Saturn test.dat, linea 7: mas de 64 MB leidos de archivos incluidos"));
  }
  {
    TestRun t;
    try {
      ReadNetworkLines(t.run, WithSections(NetworkHead(), {"3", "$INCLUDE longline.dat", "99999"}));
      ADD_FAILURE() << "a line of 70000 characters was read";
    } catch (const FileError& e) {
      // The include's name is the upper-cased line's; a system whose names ignore case keeps it so.
      EXPECT_NE(Lower(e.what()).find("longline.dat, linea 1: mas de 65536 caracteres"), std::string::npos)
          << e.what();
    }
  }
}

// The tables are as large as the network: more nodes than the original program's 5000 read.
TEST(SaturnFrame, NodeTableGrowsWithTheNetwork) {
  TestRun t;
  std::vector<std::string> records = {"3"};
  for (int i = 1; i <= 2501; ++i) records.push_back(Card().Int(1, 5, 2 * i).Int(6, 10, 2 * i + 1));
  records.push_back("99999");
  ReadNetworkLines(t.run, WithSections(NetworkHead(), records));
  EXPECT_EQ(t.run.Sat.Network.NodeCount, 5002);
  EXPECT_EQ(t.run.Sat.Network.LinkCount, 2501);
  EXPECT_EQ(t.run.Sat.FindNode(5003), 5002);
}

TEST(SaturnTables, AfterReadingTablesAreSortedTrimmedAndIndexed) {
  TestRun t;
  t.run.Sat.TurnMarks.resize(8);
  t.run.Sat.PreviousTurnFlows.resize(8);
  t.run.Sat.TurnMarks[7] = 1;
  t.run.Sat.PreviousTurnFlows[7] = 12.5f;
  auto lines = WithSections(NetworkHead(), {"3", Card().Int(1, 5, 30).Int(6, 10, 10).At(28, "2"),
                                            Card().Int(1, 5, 20).Int(6, 10, 30), Card().Int(1, 5, 10).Int(6, 10, 20), "99999"});
  ReadNetworkLines(t.run, lines);
  const SaturnVars& sat = t.run.Sat;
  ASSERT_EQ(sat.Network.NodeCount, 3);
  EXPECT_EQ(sat.Nodes.size(), 4u);
  EXPECT_EQ(sat.Nodes[1].Number, 10);
  EXPECT_EQ(sat.Nodes[3].Number, 30);
  ASSERT_EQ(sat.Network.LinkCount, 4);
  EXPECT_EQ(sat.Links.size(), 6u);
  EXPECT_EQ(sat.Turns.size(), 3u);
  EXPECT_EQ(sat.SignalPlans.size(), 2u);
  std::vector<std::string> keys;
  for (int l = 1; l <= 4; ++l) keys.push_back(sat.Links[static_cast<size_t>(l)].Key);
  EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
  EXPECT_EQ(sat.FindLink(10, 30), 2);
  EXPECT_EQ(sat.FindLink(30, 10), 4);
  EXPECT_EQ(sat.FindNode(20), 2);
  EXPECT_EQ(sat.Links[2].AIndex, 1);
  EXPECT_EQ(sat.Links[2].BIndex, 3);
  EXPECT_EQ(sat.NodeIndex.at(Printf("%9d", 30)), 3);
  EXPECT_EQ(sat.FirstLinkOfNode, (std::vector<int32_t>{1, 1, 3, 4, 5}));
  // Kept across reloads for the convergence test.
  EXPECT_EQ(sat.TurnMarks[7], 1);
  EXPECT_FLOAT_EQ(sat.PreviousTurnFlows[7], 12.5f);
  EXPECT_EQ(sat.Nodes[1].X, kCoordinateNotSet);
  EXPECT_FALSE(sat.Network.HasCoordinates);
}

}  // namespace
}  // namespace veltra
