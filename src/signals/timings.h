// Signal timings as a value type: the cycle and, per node, the start time of every stage.
// A stage runs from its start to the start of the next one (stage 1 follows the last), and
// holds the intergreen that leads into it; a double-cycled node's pattern fills half the cycle
// and repeats.
#pragma once

#include <array>
#include <vector>

#include "signals/network.h"

namespace veltra::signals {

struct Timings {
  int Cycle = 0;
  std::vector<int> First;  // [node] index of the node's first stage start in Start; size nodes + 1
  std::vector<int> Start;  // [First[node] + stage] start time, seconds, in 0 .. Period(node) - 1

  int Stages(int node) const { return First[static_cast<size_t>(node) + 1] - First[static_cast<size_t>(node)]; }
  int& At(int node, int stage) { return Start[static_cast<size_t>(First[static_cast<size_t>(node)] + stage)]; }
  int At(int node, int stage) const { return Start[static_cast<size_t>(First[static_cast<size_t>(node)] + stage)]; }
};

// The time a node's stage pattern takes: the cycle, or half of it for a double-cycled node.
double PatternPeriod(const SignalNode& node, int cycle);
// The whole seconds of a pattern: the cycle, or the half cycle rounded (halves to even).
int PatternSeconds(const SignalNode& node, int cycle);

// Length of stage k: from its start to the next stage's start, across the pattern's end.
int StageLength(const Timings& t, int node, int stage, int patternSeconds);

// True when every stage of the node is at least its minimum length.
bool MeetsMinimums(const SignalNetwork& net, const Timings& t, int node);

// The timings written on the cards, at the given cycle (the card cycle when 0).
Timings GivenTimings(const SignalNetwork& net, int cycle = 0);

// What each stage of a node must serve: the largest flow ratio (flow / saturation flow, shared
// out over the stages a link is green in) of the links it serves, and the time those links lose
// at the start of their green (start lag plus lost time, less end lag and end gain).
struct StageDemand {
  std::array<double, kMaxStagesPerNode> Ratio{};
  std::array<double, kMaxStagesPerNode> Lost{};
};
// [node] what each stage of the node must serve, from one pass over the links.
std::vector<StageDemand> NodeDemands(const SignalNetwork& net);

// Equisaturation timings of one node: each stage gets its lost time and a share of the rest of
// the pattern in proportion to its flow ratio, so that the critical links of all stages reach
// the same degree of saturation; stages that would fall below their minimum are held at it.
// Keeps the node's first start (its offset). `demand` is the node's entry of NodeDemands.
void EquisatNode(const SignalNetwork& net, Timings& t, int node, const StageDemand& demand);

// Moves a node's whole pattern (its offset) by delta seconds.
void ShiftNode(const SignalNetwork& net, Timings& t, int node, int delta);

// What moves together when offsets change: each coordinated group whole, when every node of it
// is optimised, then each optimised node outside a group.
std::vector<std::vector<int>> MoveUnits(const SignalNetwork& net);
// [node] true when the node is in one of the MoveUnits.
std::vector<bool> MovableNodes(const SignalNetwork& net);

// Second of the cycle at which link l's first green period starts to discharge (its start stage's
// start, start lag and lost time); -1 for a link that no signal controls.
int GreenStart(const SignalNetwork& net, const Timings& t, int l);

// Starting timings of an optimisation at a cycle: fixed nodes as given (scaled when the cycle
// differs from the card's); optimised nodes from equisaturation splits when `equisat` asks for
// them or the given timings break a minimum, else as given. Offsets stay as given.
Timings StartingTimings(const SignalNetwork& net, int cycle, bool equisat);
// The same as the run data ask (card 1's equisat).
Timings StartingTimings(const SignalNetwork& net, int cycle);

}  // namespace veltra::signals
