#include <gtest/gtest.h>

#include "saturn/counts.h"
#include "saturn/saturn_fixtures.h"

namespace veltra {
namespace {

using test::CrossNetworkTest;

class CrossCountsTest : public CrossNetworkTest {
 protected:
  void ReadCountsLines(const std::vector<std::string>& lines) {
    dir.WriteLines("counts.csv", lines);
    ASSERT_TRUE(LoadLines("counts.csv", sat.ListingLines));
    ReadCounts(t.run.Sat.ListingLines, "counts.csv", t.run.Sat, t.run.Log);
  }
  const TFlujoArco& Flows(int32_t a, int32_t b) const { return sat.LinkFlows[static_cast<size_t>(sat.FindLink(a, b))]; }
};

TEST_F(CrossCountsTest, CountsAddUpOnTurnsAndLinks) {
  ReadCountsLines({"A,B,C,ASIGNADO,FIJO", "101,100,0,100,5", "101,100,,50,1", "101,100,103,300,10", "101,x,y,5,5"});
  const TFlujoArco& entry = Flows(101, 100);
  EXPECT_FLOAT_EQ(entry[8], 450.0f);
  EXPECT_FLOAT_EQ(entry[9], 16.0f);
  EXPECT_FLOAT_EQ(entry[13], 450.0f);
  EXPECT_FLOAT_EQ(entry[14], 16.0f);
  EXPECT_FLOAT_EQ(entry[3], 300.0f);  // the turn is straight ahead
  EXPECT_FLOAT_EQ(entry[6], 10.0f);
  EXPECT_FLOAT_EQ(Flows(100, 103)[16], 300.0f);
  EXPECT_FLOAT_EQ(Flows(100, 103)[17], 10.0f);
  EXPECT_FLOAT_EQ(Turn(101, 100, 103).AssignedFlow, 300.0f);
  EXPECT_FLOAT_EQ(Turn(101, 100, 103).FixedFlow, 10.0f);
  EXPECT_FALSE(dir.Exists("counts.errores"));
  EXPECT_FALSE(test::LogHas(t, "Conteos"));
}

TEST_F(CrossCountsTest, UnknownEntriesGoToTheErrorsFile) {
  ReadCountsLines({"A,B,C,ASIGNADO,FIJO", "999,100,101,1,1", "101,100,777,1", "999,100,101,2,2"});
  EXPECT_EQ(test::ReadLines(dir.File("counts.errores")),
            (std::vector<std::string>{"Conteos:", "      101      100      777", "      999      100      101", "", "ARCOS:",
                                      "      100      777", "      999      100"}));
  EXPECT_NE(dir.Read("counts.errores").find("ARCOS:\r\n"), std::string::npos);
  EXPECT_TRUE(test::LogHas(t, "\nArchivo de Conteos con errores\nRevisar: counts.errores\n\n"));
  EXPECT_FLOAT_EQ(Flows(100, 101)[16], 3.0f);
  EXPECT_FLOAT_EQ(Flows(101, 100)[8], 1.0f);
}

TEST_F(CrossCountsTest, HeaderOnlyLeavesFlowsAtZero) {
  ReadCountsLines({"A,B,C,ASIGNADO,FIJO"});
  for (const TFlujoArco& f : sat.LinkFlows)
    for (float v : f) EXPECT_EQ(v, 0.0f);
  EXPECT_FALSE(dir.Exists("counts.errores"));
}

}  // namespace
}  // namespace veltra
