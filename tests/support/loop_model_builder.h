// Builds small SATURN tables in memory for the tests of the loop steps: junctions with arms and turn
// slots, signal plans with stages, links with flows, and marked turns.
#pragma once

#include <string>
#include <vector>

#include "model/saturn_vars.h"

namespace veltra::test {

struct TableSlot {
  int32_t TurnValue;
  const char* Code;
  int32_t FirstLane;
  int32_t LastLane;
};

class TableBuilder {
 public:
  explicit TableBuilder(SaturnVars& sat) : sat_(sat) { sat_.Clear(); }

  // A junction (node class 1, or 2 for type 3 with a new signal plan); returns its index.
  int Junction(int32_t number, int32_t armCount, int32_t junctionType);
  // An external node (class 0); returns its index.
  int External(int32_t number);
  // Appends an arm to node `node`; lanes come from the lane text without "B" and "F".
  TConector& Arm(int node, int32_t aNode, const std::string& laneText, int32_t time, int32_t length,
                 const std::vector<TableSlot>& slots = {});
  TPlanSemaforo& Plan(int node);
  // Appends a stage to the node's plan.
  TFase& Stage(int node, int32_t green, int32_t intergreen, const std::vector<int32_t>& movementNodes);

  // A link with its length and the first LinkFlows value; returns its index.
  int Link(int32_t aNode, int32_t bNode, int32_t length, float linkTime);
  // A turn entering over `entryLink` with its flows; marked when the TRANSYT links used it.
  int Turn(int entryLink, int32_t junction, int32_t cNode, float assigned, float listingValue, bool marked,
           float previous);

  TNodo& Node(int index) { return sat_.Nodes[static_cast<size_t>(index)]; }

 private:
  SaturnVars& sat_;
};

}  // namespace veltra::test
