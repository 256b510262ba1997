// The cycle table: the performance index of every node at fourteen candidate cycles, with
// the structure (single, or the pattern run twice in the cycle) that serves each node best,
// and the totals of both structures.
#pragma once

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "signals/network.h"
#include "signals/timings.h"
#include "util/progress.h"

namespace veltra::signals {

constexpr int kCandidateCycles = 14;
// The candidate cycles; from the sixth on each is twice the one five places before it, so a node
// run twice in the longer cycle behaves as it would alone in the shorter one.
constexpr std::array<int, kCandidateCycles> kCandidates{30, 35, 40, 45, 50, 60, 70, 80, 90, 100, 120, 140, 160, 180};

struct CycleTable {
  std::array<bool, kCandidateCycles> TooLow{};
  std::array<double, kCandidateCycles> MaxDegreeOfSat{};  // percent
  std::vector<int> NodeNumbers;
  std::vector<std::array<double, kCandidateCycles>> Index;  // [node][column] single structure
  std::vector<std::array<bool, kCandidateCycles>> Double;   // [node][column] the double structure is better
  std::array<double, kCandidateCycles> SingleTotal{};
  std::array<double, kCandidateCycles> DoubleTotal{};
  int ShortestCycle = 0;       // the first candidate that serves every node, 0 when none
  bool Overloaded = false;     // no candidate cycle serves the flows
  std::vector<std::pair<int, double>> OverloadedNodes;  // node number, sum of its stages' flow ratios
};

// Whether a cycle serves a node's flows: every stage k needs max(minimum_k, lost_k + y_k c), with
// y_k the largest flow ratio (flow / saturation flow) the stage serves and lost_k the time its
// links lose at their start, and the stages must fit in the cycle c. A node whose ratios add up
// to 0.95 or more is served by no cycle; it is left out and flagged as overloaded.
// `demand` is the node's entry of NodeDemands.
bool CycleServes(const SignalNetwork& net, int node, const StageDemand& demand, int cycle, bool& overloaded);

// `progress`, when given, hears which candidate cycle the table is at.
CycleTable BuildCycleTable(const SignalNetwork& net, ProgressLine* progress = nullptr);

// The warnings of the table itself: the nodes no candidate cycle can serve.
std::vector<std::string> CycleTableWarnings(const CycleTable& table);

// The print-file lines of the table; `summary` (what was read, the warnings) goes before it.
std::vector<std::string> CycleTableLines(const SignalNetwork& net, const CycleTable& table,
                                         const std::vector<std::string>& summary = {});

}  // namespace veltra::signals
