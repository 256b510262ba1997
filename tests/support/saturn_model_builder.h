// Builds SATURN models in memory the way the network reader leaves them: nodes with arms and
// turn slots, simulation and exit links, sorted turns with stage masks, geometry, turn
// directions, arm numbers and lane groups; then assigned flows and the TRANSYT node list.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "state/run.h"

namespace veltra::test {

// One turn slot of an arm card: the movement into the arm that lies the slot's number of
// positions after this one.
struct SlotSpec {
  int32_t TurnValue = 0;  // 0: no movement; its absolute value is the saturation flow
  std::string Code;       // 2-character priority code
  int32_t FirstLane = 0, LastLane = 0;
};

struct ArmSpec {
  int32_t ANode = 0;
  std::string LaneText = "1";  // digits, "B" for a bus lane, "F" for flares
  int32_t Speed = 50;
  int32_t Length = 100;
  std::vector<SlotSpec> Slots;  // slots 1 .. arm count - 1
  bool PtOnly = false;          // the approach carries a section-4 mark below 0
};

struct StageSpec {
  int32_t Green = 20, Intergreen = 5;
  std::vector<int32_t> Movements;  // pairs (A-node, C-node); C-node 0: every movement of the arm
};

class ModelBuilder {
 public:
  explicit ModelBuilder(SaturnVars& sat);

  void Node(int32_t number, double x, double y);
  // A junction card with its arms in order around the junction; type 3 is signalised.
  void Junction(int32_t number, int32_t type, const std::vector<ArmSpec>& arms, const std::vector<StageSpec>& stages = {},
                int32_t cycle = 60, int32_t offset = 0);
  // A link of the buffer section, between nodes of any kind.
  void Link(int32_t a, int32_t b);
  // The post-read steps: links (arm links, and exit links where a turn leaves towards a node
  // without an arm back), sorting, turns and stage masks, geometry, arm numbers, lane groups.
  void Finish();

  // Assigned flows, after Finish.
  void TurnFlow(int32_t a, int32_t junction, int32_t c, float assigned, float fixed = 0);
  // Link positions 2-10 and 13-15 from the turns entering over each link.
  void LinkFlowsFromTurns();
  void LinkFlow(int32_t a, int32_t b, FlowSlot slot, float value);
  void OtherBus(int32_t a, int32_t junction, int32_t c, float pcu);

  // A four-arm junction at (x, y) with its neighbours 100 units north, west, south and east.
  void CrossNodes(int32_t number, double x, double y, int32_t north, int32_t west, int32_t south, int32_t east);
  // Its arms in the order north, west, south, east, each with three lanes: slot 1 turns right
  // on lane 1, slot 2 goes straight on lane 2, slot 3 turns left on lane 3.
  static std::vector<ArmSpec> CrossArms(int32_t north, int32_t west, int32_t south, int32_t east);
  // Two stages: north and south, then west and east.
  static std::vector<StageSpec> CrossStages(int32_t north, int32_t west, int32_t south, int32_t east);

  int32_t TurnIndex(int32_t a, int32_t junction, int32_t c) const;
  TNodo& NodeOf(int32_t number);
  SaturnVars& Sat() { return sat_; }
  TConector& Arm(int32_t node, int32_t aNode);

 private:
  SaturnVars& sat_;
  std::vector<std::pair<int32_t, int32_t>> ptOnlyApproaches_;
  std::vector<std::pair<int32_t, int32_t>> bufferLinks_;
};

// A town-sized model: a grid of rows x cols signalised crossings (SATURN nodes 10000 + 100 row
// + col, spaced 200 apart) inside a ring of external nodes, with flows on every turn (straight
// 300, right 120, left 80, and 0.5 bus PCU on the straight movements of every third junction);
// the left turns of every second crossing give way ("X").
// `extraNodes` external nodes joined by buffer links bring the model to town size.
// Returns the crossings in grid order.
std::vector<int32_t> BuildGrid(ModelBuilder& builder, int rows, int cols, int extraNodes = 0, int extraLinks = 0);

// Puts the listed SATURN nodes (number, TRANSYT node) into network position r with network
// number `network`, as the node list reader does.
void AssignNetwork(Run& run, int r, int32_t network, const std::vector<std::pair<int32_t, int32_t>>& nodes);

}  // namespace veltra::test
