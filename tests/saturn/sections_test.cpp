#include <gtest/gtest.h>

#include "saturn/saturn_fixtures.h"

namespace veltra {
namespace {

using test::Card;
using test::CrossNetworkTest;
using test::NetworkHead;
using test::ReadNetworkLines;
using test::TestRun;

std::vector<std::string> Network(const std::vector<std::string>& param, const std::vector<std::string>& rest) {
  std::vector<std::string> lines = NetworkHead(param);
  lines.insert(lines.end(), rest.begin(), rest.end());
  return lines;
}

TEST_F(CrossNetworkTest, ZonesCollectTheirConnectorsInZoneOrder) {
  ASSERT_EQ(sat.Network.ZoneCount, 3);
  const Tcent& z1 = sat.Zones[1];
  EXPECT_EQ(z1.ZoneNumber, 1);
  ASSERT_EQ(z1.ConnectorCount, 1);
  EXPECT_EQ(z1.Connectors[1].Buffer, 1);
  EXPECT_EQ(z1.Connectors[1].Node, 901);
  EXPECT_EQ(z1.Connectors[1].SecondValue, sat.FindNode(901));
  EXPECT_EQ(z1.Connectors[1].Time, 10);
  EXPECT_EQ(z1.Connectors[1].TargetOrSpeed, 72);
  EXPECT_EQ(z1.Connectors[1].Length, 200);

  const Tcent& z2 = sat.Zones[2];
  EXPECT_EQ(z2.ZoneNumber, 2);
  EXPECT_EQ(z2.Connectors[1].Node, 902);
  EXPECT_EQ(z2.Connectors[1].SpeedMarker, "S");
  EXPECT_EQ(z2.Connectors[1].TargetOrSpeed, 40);
  EXPECT_EQ(z2.Connectors[1].Time, 9);

  // Section 2: the first entry names a link, the second a node.
  const Tcent& z12 = sat.Zones[3];
  EXPECT_EQ(z12.ZoneNumber, 12);
  ASSERT_EQ(z12.ConnectorCount, 2);
  EXPECT_EQ(z12.Connectors[1].Buffer, 0);
  EXPECT_EQ(z12.Connectors[1].Node, 101);
  EXPECT_EQ(z12.Connectors[1].SecondValue, 100);
  EXPECT_EQ(z12.Connectors[1].TargetOrSpeed, sat.FindLink(101, 100));
  EXPECT_EQ(z12.Connectors[2].Node, 104);
  EXPECT_EQ(z12.Connectors[2].SecondValue, 0);
  EXPECT_EQ(z12.Connectors[2].TargetOrSpeed, sat.FindNode(104));
  EXPECT_EQ(sat.FindZone(12), 3);
}

TEST_F(CrossNetworkTest, CoordinatesSetNodesZonesAndTheWidenedBounds) {
  EXPECT_FLOAT_EQ(Node(503).X, 1050.0f);
  EXPECT_FLOAT_EQ(Node(103).Y, -100.0f);
  EXPECT_EQ(Node(503).HasCoordinates, 1);
  EXPECT_EQ(sat.FindNode(999), 0);
  EXPECT_FLOAT_EQ(sat.Zones[2].X, 700.0f);
  EXPECT_FLOAT_EQ(sat.Zones[2].Y, -50.0f);
  EXPECT_FLOAT_EQ(sat.Network.Xmin, -641.25f);
  EXPECT_FLOAT_EQ(sat.Network.Xmax, 1091.25f);
  EXPECT_FLOAT_EQ(sat.Network.Ymin, -632.5f);
  EXPECT_FLOAT_EQ(sat.Network.Ymax, 732.5f);
  EXPECT_FLOAT_EQ(sat.Xmax, 1091.25f);
}

TEST_F(CrossNetworkTest, BufferLinksInBothDirectionsAndTheirValues) {
  const Tardat& north = Link(101, 901);
  const Tardat& back = Link(901, 101);
  EXPECT_EQ(north.KindFlags, 1);
  EXPECT_EQ(north.Time1, 30);
  EXPECT_EQ(north.Speed1, 60);
  EXPECT_EQ(north.Capacity, 1800);
  EXPECT_EQ(north.Length, 500);
  EXPECT_EQ(north.Name, "AVENIDA NORTE");
  EXPECT_EQ(back.Name, "AVENIDA NORTE");
  EXPECT_EQ(back.DirectionText, "2");
  EXPECT_EQ(back.OneWay, 0);
  const Tardat& speeds = Link(902, 102);
  EXPECT_EQ(speeds.SpeedMarker, "S");
  EXPECT_EQ(speeds.Speed1, 50);
  EXPECT_EQ(speeds.Time2, 36);
  EXPECT_FLOAT_EQ(speeds.ExtraValue, 1.5f);
  EXPECT_EQ(Link(104, 904).OneWay, 1);
  EXPECT_NE(sat.FindLink(903, 103), 0);  // from the include file
  EXPECT_EQ(sat.FindLink(100, 777), 0);
  EXPECT_FLOAT_EQ(Link(101, 901).GeometricLength, 500.0f);
}

TEST(SaturnBufferNetwork, KnobLinesFollowTheirLinksThroughTheSort) {
  TestRun t;
  ReadNetworkLines(t.run, Network({" KNOBS=3"}, {"3", Card().Int(1, 5, 20).Int(6, 10, 10).At(28, "2"), "       1.5       2.5",
                                                 "C   1   10", "       9.0", Card().Int(1, 5, 10).Int(6, 10, 30), "",
                                                 "99999"}));
  const SaturnVars& sat = t.run.Sat;
  ASSERT_EQ(sat.LinkKnobs.size(), sat.Links.size());
  for (auto [a, b] : {std::pair{20, 10}, std::pair{10, 20}}) {
    const auto& knobs = sat.LinkKnobs[static_cast<size_t>(sat.FindLink(a, b))];
    EXPECT_FLOAT_EQ(knobs[0], 1.5f);
    EXPECT_FLOAT_EQ(knobs[1], 2.5f);
    EXPECT_FLOAT_EQ(knobs[2], 0.0f);
  }
  const auto& blank = sat.LinkKnobs[static_cast<size_t>(sat.FindLink(10, 30))];
  EXPECT_EQ(blank, (std::array<float, kMaxKnobs>{}));
  EXPECT_EQ(sat.Network.ZoneCount, 1);
}

TEST(SaturnBufferNetwork, DutchWidthsAndWideCoordinateFormat) {
  TestRun t;
  ReadNetworkLines(t.run, Network({" DUTCH=T, XYFORM='2F10.2'"},
                                  {"3", Card().Int(1, 10, 1000001).Int(11, 20, 1000002).Int(21, 25, 40).Int(41, 45, 800), "99999",
                                   "5", Card().Int(1, 10, 1000001).At(11, "   1234.50").At(21, "    -10.25"), "99999"}));
  const SaturnVars& sat = t.run.Sat;
  const Tardat& link = sat.Links[static_cast<size_t>(sat.FindLink(1000001, 1000002))];
  EXPECT_EQ(link.Time1, 40);
  EXPECT_EQ(link.Length, 800);
  const TNodo& node = sat.Nodes[static_cast<size_t>(sat.FindNode(1000001))];
  EXPECT_FLOAT_EQ(node.X, 1234.5f);
  EXPECT_FLOAT_EQ(node.Y, -10.25f);
  EXPECT_TRUE(sat.Network.HasCoordinates);
}

TEST(SaturnKnobFile, StoresLinkValuesAndReportsUnknownEntries) {
  test::TempDir dir;
  dir.WriteLines("knobs.dat", {Card().Int(1, 5, 1).Int(6, 10, 2).Int(11, 15, 0).At(16, "  1.5  2.5"),
                               Card().Int(1, 5, 1).Int(6, 10, 2).Int(11, 15, 3).At(16, "  9.9"),
                               Card().Int(1, 5, 7).Int(6, 10, 8).Int(11, 15, 0).At(16, "  1.0"),
                               Card().Int(1, 5, 1).Int(6, 10, 2).Int(11, 15, 9).At(16, "  1.0"),
                               Card().Int(1, 5, 0).Int(6, 10, 2).Int(11, 15, 0).At(16, "  1.0")});
  TestRun t;
  ReadNetworkLines(t.run, Network({" FILKNB=knobs.dat"}, {"1", Card().Int(1, 5, 2).Int(6, 10, 2).Int(11, 15, 1),
                                                         Card().Int(6, 10, 1).Int(12, 15, 1).Int(26, 30, 100).At(33, "1 1"),
                                                         Card().Int(6, 10, 3).Int(12, 15, 1).Int(26, 30, 100).At(33, "1 1"),
                                                         "99999"}));
  const SaturnVars& sat = t.run.Sat;
  const auto& knobs = sat.LinkKnobs[static_cast<size_t>(sat.FindLink(1, 2))];
  EXPECT_FLOAT_EQ(knobs[0], 1.5f);
  EXPECT_FLOAT_EQ(knobs[1], 2.5f);
  EXPECT_TRUE(test::LogHas(t, "datos no reconocidos\n\n       7       8\n       1       2       9\n")) << t.console.str();
}

// A knob value beyond a float, or a node field beyond its columns, stops the run naming the knob
// file and its line.
TEST(SaturnKnobFile, ValuesBeyondTheirRangeStopNamingTheKnobFileAndLine) {
  const std::string cases[][2] = {
      {std::string(Card().Int(1, 5, 1).Int(6, 10, 2).Int(11, 15, 0).At(16, "  1.5  1E39")), "linea 2: valor \"1E39\" fuera de rango"},
      {std::string(Card().At(1, " 1E39").Int(6, 10, 2).Int(11, 15, 0).At(16, "  1.5")), "linea 2: valor \"1E39\" fuera de rango en las columnas 1-5"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c[1]);
    test::TempDir dir;
    dir.WriteLines("knobs.dat", {Card().Int(1, 5, 1).Int(6, 10, 2).Int(11, 15, 0).At(16, "  1.5"), c[0]});
    TestRun t;
    EXPECT_THROW(ReadNetworkLines(t.run, Network({" FILKNB=knobs.dat"}, {"1", Card().Int(1, 5, 2).Int(6, 10, 2).Int(11, 15, 1),
                                                                          Card().Int(6, 10, 1).Int(12, 15, 1).Int(26, 30, 100).At(33, "1 1"),
                                                                          Card().Int(6, 10, 3).Int(12, 15, 1).Int(26, 30, 100).At(33, "1 1"),
                                                                          "99999"})),
                 RunStop);
    ASSERT_FALSE(t.run.Log.Errors.empty());
    EXPECT_NE(t.run.Log.Errors.back().find("ERROR - Red Saturn. Archivo "), std::string::npos) << t.run.Log.Errors.back();
    EXPECT_NE(t.run.Log.Errors.back().find(c[1]), std::string::npos) << t.run.Log.Errors.back();
  }
}

TEST(SaturnKnobFile, MissingKnobFileStops) {
  test::TempDir dir;
  TestRun t;
  EXPECT_THROW(ReadNetworkLines(t.run, Network({" FILKNB=none.dat"}, {})), RunStop);
  EXPECT_TRUE(test::LogHas(t, "ERROR - Red Saturn. No existe"));
}

TEST(SaturnZones, TooManyConnectorsForOneZoneStop) {
  TestRun t;
  std::vector<std::string> rest = {"2"};
  Card card;
  card.Int(2, 5, 5);
  for (int w = 1; w <= 11; ++w) card.Int(10 * w - 4, 10 * w, 100 + w);
  rest.push_back(card);
  rest.push_back("99999");
  EXPECT_THROW(ReadNetworkLines(t.run, Network({}, rest)), RunStop);
  EXPECT_TRUE(test::LogHas(t, "zona 5 con mas de 10 conectores")) << t.console.str();
}

}  // namespace
}  // namespace veltra
