// The test model builder must leave the model as the network reader does, or every other
// construction test checks the wrong thing.
#include "construction_fixture.h"

namespace veltra::test {
namespace {

TEST_F(ConstructionTest, BuilderLeavesTheCrossingAsTheReaderDoes) {
  BuildCross();
  const TNodo& node = b.NodeOf(100);
  struct Case {
    int32_t aNode;
    int32_t armNumber;
    int32_t approachAngle;
    int32_t rightExit, straightExit, leftExit;
  };
  const Case cases[] = {{1, 3, 2700, 2, 3, 4}, {2, 2, 0, 3, 4, 1}, {3, 1, 900, 4, 1, 2}, {4, 4, 1800, 1, 2, 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.aNode);
    const TConector& arm = b.Arm(100, c.aNode);
    EXPECT_EQ(arm.ArmNumber, c.armNumber);
    EXPECT_EQ(arm.ApproachAngle, c.approachAngle);
    ASSERT_EQ(arm.GroupCount, 3);
    const int32_t exits[] = {c.rightExit, c.straightExit, c.leftExit};
    for (int P = 1; P <= 3; ++P) {
      const TGrupoCarriles& g = arm.Groups[static_cast<size_t>(P)];
      EXPECT_EQ(g.Exits, std::to_string(exits[P - 1]));
      EXPECT_EQ(g.Direction, 2 - P);  // right, straight, left
      EXPECT_EQ(sat.Turns[static_cast<size_t>(b.TurnIndex(c.aNode, 100, exits[P - 1]))].Direction, 2 - P);
    }
  }
  EXPECT_EQ(sat.Turns[static_cast<size_t>(b.TurnIndex(1, 100, 3))].StageMask, 1);
  EXPECT_EQ(sat.Turns[static_cast<size_t>(b.TurnIndex(2, 100, 4))].StageMask, 2);
  EXPECT_EQ(node.SignalPlan, 1);
  EXPECT_EQ(sat.Network.TurnCount, 12);
}

}  // namespace
}  // namespace veltra::test
