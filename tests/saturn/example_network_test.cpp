// The example town of examples/pueblo/ read into the model: what the demonstration and the later
// steps of the run rely on.
#include <gtest/gtest.h>

#include <cmath>

#include "saturn/listing.h"
#include "saturn/saturn_fixtures.h"

namespace veltra {
namespace {

TEST(ExampleTown, NetworkAndListingAreConsistent) {
  const std::string examples = std::string(VELTRA_TEST_DATA) + "/../../examples/pueblo/";
  test::TestRun t;
  t.run.Cfg.LineasPrivado = "10";
  test::ReadNetworkFile(t.run, examples + "pueblo.dat");
  const SaturnVars& sat = t.run.Sat;
  EXPECT_EQ(sat.Network.NodeCount, 25);
  EXPECT_EQ(sat.Network.SignalPlanCount, 5);
  EXPECT_EQ(sat.Network.ZoneCount, 9);
  EXPECT_EQ(sat.Network.BusLineCount, 1);
  EXPECT_TRUE(sat.Network.HasCoordinates);
  const TNodo& n108 = sat.Nodes[static_cast<size_t>(sat.FindNode(108))];
  EXPECT_EQ(sat.SignalPlans[static_cast<size_t>(n108.SignalPlan)].RepeatIndicator, 1);
  EXPECT_EQ(sat.Zones[9].Connectors[1].TargetOrSpeed, sat.FindLink(105, 104));
  // Every signalised turn has green in some stage.
  for (int32_t i = 1; i <= sat.Network.TurnCount; ++i) {
    const TGiro& turn = sat.Turns[static_cast<size_t>(i)];
    if (sat.Nodes[static_cast<size_t>(turn.JunctionIndex)].SignalPlan != 0) {
      EXPECT_NE(turn.StageMask, 0) << turn.Key;
    }
  }

  ASSERT_TRUE(LoadLines(std::string(VELTRA_TEST_DATA) + "/saturn/pueblo.lpa", t.run.Sat.ListingLines));
  test::ReadRunListing(t.run, 0);
  EXPECT_FALSE(test::LogHas(t, "ATENCION"));
  for (int32_t i = 1; i <= sat.Network.TurnCount; ++i)
    EXPECT_NEAR(sat.Turns[static_cast<size_t>(i)].TurnSumDifference, 0.0f, 0.01f) << sat.Turns[static_cast<size_t>(i)].Key;
  // Bus route 10 (24 PCU) moves from fixed to assigned flow.
  const TFlujoArco& avenue = sat.LinkFlows[static_cast<size_t>(sat.FindLink(104, 105))];
  EXPECT_FLOAT_EQ(avenue[9], 0.0f);
  EXPECT_FLOAT_EQ(avenue[8], avenue[10]);
  EXPECT_NEAR(t.run.Sat.FiguresOf(0).GrandTotalHr, 362.1f, 0.01f);
}

// The reader as a program without the loop calls it: lines, settings, tables and a log. Each
// capacity one short of what the town needs stops the reading, naming the table and the limit;
// the town's own counts are enough.
TEST(ExampleTown, CapacitiesGivenToTheModelBoundTheReading) {
  const std::string name = std::string(VELTRA_TEST_DATA) + "/../../examples/pueblo/pueblo.dat";
  std::vector<std::string> lines;
  ASSERT_TRUE(LoadLines(name, lines));
  SaturnCapacities exact;
  {
    SaturnVars sat;
    std::ostringstream console;
    MessageLog log(console);
    SaturnRead(lines, name, SaturnSettings(), sat, log);
    exact = {sat.Network.NodeCount, sat.Network.LinkCount, sat.Network.TurnCount, sat.Network.SignalPlanCount,
             sat.Network.ZoneCount, sat.Network.BusLineCount};
  }
  struct Case {
    const char* table;
    int32_t SaturnCapacities::*field;
  };
  const Case cases[] = {{"nodos", &SaturnCapacities::Nodes},
                        {"arcos", &SaturnCapacities::Links},
                        {"giros", &SaturnCapacities::Turns},
                        {"planes de semaforo", &SaturnCapacities::SignalPlans},
                        {"zonas", &SaturnCapacities::Zones},
                        {"lineas de bus", &SaturnCapacities::BusLines}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.table);
    SaturnCapacities small = exact;
    small.*c.field -= 1;
    SaturnVars sat(small);
    std::ostringstream console;
    MessageLog log(console);
    EXPECT_THROW(SaturnRead(lines, name, SaturnSettings(), sat, log), RunStop);
    ASSERT_EQ(log.Errors.size(), 1u);
    EXPECT_NE(log.Errors[0].find(Printf("mas de %d %s, capacidad maxima del modelo", small.*c.field, c.table)),
              std::string::npos)
        << log.Errors[0];
  }
  SaturnVars sat(exact);
  std::ostringstream console;
  MessageLog log(console);
  SaturnRead(lines, name, SaturnSettings(), sat, log);
  EXPECT_EQ(sat.Network.NodeCount, exact.Nodes);
  EXPECT_TRUE(log.Errors.empty());
}

}  // namespace
}  // namespace veltra
