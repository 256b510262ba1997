#include "signals/cycle_table.h"

#include <algorithm>
#include <cmath>

#include "signals/model.h"
#include "signals/optimiser.h"
#include "signals/print_layout.h"
#include "signals/routes.h"
#include "util/text.h"

namespace veltra::signals {

bool CycleServes(const SignalNetwork& net, int node, const StageDemand& d, int cycle, bool& overloaded) {
  const SignalNode& nd = net.Nodes[static_cast<size_t>(node)];
  double y = 0, need = 0;
  for (int k = 0; k < nd.Stages; ++k) y += d.Ratio[static_cast<size_t>(k)];
  overloaded = y >= 0.95;
  for (int k = 0; k < nd.Stages; ++k) {
    const size_t kk = static_cast<size_t>(k);
    const double flowNeed = overloaded ? 0.0 : d.Lost[kk] + d.Ratio[kk] * cycle;
    need += std::max(static_cast<double>(nd.MinStage[kk]), flowNeed);
  }
  return need <= cycle + 1e-9;
}

namespace {

// Stage s (1-based) of an n-stage node taken into the first half of it.
int Folded(int s, int half) { return (s - 1) % half + 1; }

// A node of four or six stages whose second half repeats its first (the same minimum stages,
// every link green in the same stages of both halves) is a pattern of two or three stages run
// twice: the loop writes a plan it has doubled so. The table takes it as that pattern, so that
// it offers such a node its single and its double structure as it does any other.
void FoldRepeatedPatterns(SignalNetwork& net) {
  std::vector<bool> repeats(net.Nodes.size(), false);
  for (size_t n = 0; n < net.Nodes.size(); ++n) {
    const SignalNode& node = net.Nodes[n];
    if (node.Stages != 4 && node.Stages != 6) continue;
    const int half = node.Stages / 2;
    repeats[n] = true;
    for (int k = 0; k < half; ++k)
      repeats[n] = repeats[n] && node.MinStage[static_cast<size_t>(k)] == node.MinStage[static_cast<size_t>(k + half)];
  }
  for (const SignalLink& link : net.Links) {
    if (link.Node < 0 || !repeats[static_cast<size_t>(link.Node)] || link.PeriodCount == 0) continue;
    const int half = net.Nodes[static_cast<size_t>(link.Node)].Stages / 2;
    const GreenPeriod& a = link.Periods[0];
    const GreenPeriod& b = link.Periods[1];
    const bool twice = link.PeriodCount == 2 && a.StartStage != b.StartStage &&
                       Folded(a.StartStage, half) == Folded(b.StartStage, half) &&
                       Folded(a.EndStage, half) == Folded(b.EndStage, half) && a.StartLag == b.StartLag &&
                       a.EndLag == b.EndLag;
    if (!twice) repeats[static_cast<size_t>(link.Node)] = false;
  }
  for (SignalLink& link : net.Links) {
    if (link.Node < 0 || !repeats[static_cast<size_t>(link.Node)] || link.PeriodCount == 0) continue;
    const int half = net.Nodes[static_cast<size_t>(link.Node)].Stages / 2;
    link.PeriodCount = 1;
    link.Periods[0].StartStage = Folded(link.Periods[0].StartStage, half);
    link.Periods[0].EndStage = Folded(link.Periods[0].EndStage, half);
  }
  for (size_t n = 0; n < net.Nodes.size(); ++n)
    if (repeats[n]) net.Nodes[n].Stages /= 2;
}

}  // namespace

CycleTable BuildCycleTable(const SignalNetwork& given, ProgressLine* progress) {
  // The table is made on the patterns run once per cycle; the double structure of a column is
  // the single one of the column five places before.
  SignalNetwork net = given;
  for (SignalNode& node : net.Nodes) node.Doubled = false;
  FoldRepeatedPatterns(net);
  CycleTable table;
  const size_t nodes = net.Nodes.size();
  table.Index.assign(nodes, {});
  table.Double.assign(nodes, {});
  for (const SignalNode& node : net.Nodes) table.NodeNumbers.push_back(node.Number);

  // A column is too low when some node cannot serve its flows in it; the longest never is, so
  // that the table always offers a cycle.
  const std::vector<StageDemand> demands = NodeDemands(net);
  for (size_t n = 0; n < nodes; ++n) {
    bool overloaded = false;
    CycleServes(net, static_cast<int>(n), demands[n], kCandidates[0], overloaded);
    if (!overloaded) continue;
    table.Overloaded = true;
    double y = 0;
    for (int k = 0; k < net.Nodes[n].Stages; ++k) y += demands[n].Ratio[static_cast<size_t>(k)];
    table.OverloadedNodes.push_back({net.Nodes[n].Number, y});
  }
  std::vector<std::array<bool, kCandidateCycles>> served(nodes);  // [node][column] the cycle serves the node
  for (int k = 0; k < kCandidateCycles; ++k) {
    bool serves = true;
    for (size_t n = 0; n < nodes; ++n) {
      bool overloaded = false;
      served[n][static_cast<size_t>(k)] =
          CycleServes(net, static_cast<int>(n), demands[n], kCandidates[static_cast<size_t>(k)], overloaded);
      serves = served[n][static_cast<size_t>(k)] && serves;
    }
    table.TooLow[static_cast<size_t>(k)] = !serves && k + 1 < kCandidateCycles;
    if (serves && table.ShortestCycle == 0) table.ShortestCycle = kCandidates[static_cast<size_t>(k)];
  }
  const Routes routes = HeaviestRoutes(net);
  ProgressLine silent;
  WatchedObjective objective(progress != nullptr ? *progress : silent);
  for (int k = 0; k < kCandidateCycles; ++k) {
    const int cycle = kCandidates[static_cast<size_t>(k)];
    SignalNetwork atCycle = net;
    for (SignalNode& node : atCycle.Nodes) {
      int mins = 0;
      for (int s = 0; s < node.Stages; ++s) mins += node.MinStage[static_cast<size_t>(s)];
      if (mins > cycle) {
        // The column is too low; scaled minimums keep the model running.
        for (int s = 0; s < node.Stages; ++s)
          node.MinStage[static_cast<size_t>(s)] = node.MinStage[static_cast<size_t>(s)] * cycle / mins;
      }
    }
    NetworkModel model(atCycle, cycle);
    // Equisaturation splits at every cycle (the given ones are for the card's cycle), offsets
    // as given or along the heaviest routes, whichever rates better; then a short search:
    // coordination by offsets with coarse steps.
    Timings start = StartingTimings(atCycle, cycle, true);
    Timings progression = start;
    ProgressionOffsets(atCycle, routes, progression);
    if (model.Evaluate(progression) < model.Evaluate(start)) start = progression;
    ModelObjective modelObjective(model);
    objective.Step(modelObjective, Printf("cycle table: cycle %d s (%d of %d)", cycle, k + 1, kCandidateCycles));
    ClimbSettings settings;
    settings.ChangeTimes = false;
    settings.MaxSweeps = 2;
    settings.SmallestStep = std::max(1, cycle / 8);
    ClimbResult climb = HillClimb(atCycle, start, objective, settings);
    model.Evaluate(climb.Best);
    double maxDos = 0;
    for (size_t l = 0; l < atCycle.Links.size(); ++l)
      if (atCycle.Links[l].Node >= 0) maxDos = std::max(maxDos, model.Results()[l].DegreeOfSat);
    table.MaxDegreeOfSat[static_cast<size_t>(k)] = maxDos;
    for (size_t n = 0; n < nodes; ++n) table.Index[n][static_cast<size_t>(k)] = model.NodeIndex(static_cast<int>(n));
  }
  // A node runs its pattern twice only where the half cycle holds its minimum stages and serves
  // its flows; the index of a half cycle that does not comes from scaled-down minimums.
  for (size_t n = 0; n < nodes; ++n) {
    const bool canDouble = net.Nodes[n].Stages <= 3;
    for (int k = 5; k < kCandidateCycles; ++k)
      table.Double[n][static_cast<size_t>(k)] = canDouble && served[n][static_cast<size_t>(k - 5)] &&
                                                table.Index[n][static_cast<size_t>(k - 5)] < table.Index[n][static_cast<size_t>(k)];
  }
  for (int k = 0; k < kCandidateCycles; ++k) {
    double single = 0, twice = 0;
    for (size_t n = 0; n < nodes; ++n) {
      single += table.Index[n][static_cast<size_t>(k)];
      twice += table.Double[n][static_cast<size_t>(k)] ? table.Index[n][static_cast<size_t>(k - 5)]
                                                        : table.Index[n][static_cast<size_t>(k)];
    }
    table.SingleTotal[static_cast<size_t>(k)] = single;
    table.DoubleTotal[static_cast<size_t>(k)] = twice;
  }
  return table;
}

std::vector<std::string> CycleTableWarnings(const CycleTable& table) {
  std::vector<std::string> warnings;
  for (const auto& [node, ratio] : table.OverloadedNodes)
    warnings.push_back(Printf("node %d: the flow ratios of its stages add up to %.2f, at or above 0.95, so no cycle "
                              "serves its flows; the shortest cycle counts only its minimum stages",
                              node, ratio));
  return warnings;
}

std::vector<std::string> CycleTableLines(const SignalNetwork& net, const CycleTable& table,
                                         const std::vector<std::string>& summary) {
  std::vector<std::string> out;
  out.push_back("1VELTRA t8s  CYCLE TABLE  " + net.Title);
  out.push_back("");
  out.insert(out.end(), summary.begin(), summary.end());
  if (!summary.empty()) out.push_back("");
  out.push_back(Printf(" Nodes: %zu   links: %zu   modelled second by second; card cycle %d s", net.Nodes.size(),
                       net.Links.size(), net.Run.Cycle));
  out.push_back(table.ShortestCycle > 0
                    ? Printf(" Shortest candidate cycle that serves the flows and the minimum stages: %d s", table.ShortestCycle)
                    : std::string(" No candidate cycle serves the flows and the minimum stages; the longest is offered"));
  out.push_back(" Per column: the largest degree of saturation (percent) of a signal-controlled link after a short"
                " offset search, or TOO LOW.");
  out.push_back("");
  std::string maxima = "0MAXIMA";
  for (int k = 1; k <= kCandidateCycles; ++k)  // headings in columns 8k+6 to 8k+12
    Put(maxima, 8 * k + 6,
        table.TooLow[static_cast<size_t>(k - 1)]
            ? std::string("TOO LOW")
            : Fit(std::min(999999.0, table.MaxDegreeOfSat[static_cast<size_t>(k - 1)]), 6, 0) + "%");
  out.push_back(maxima);
  out.push_back("");
  out.push_back("0PERFORMANCE INDICES BY NODE AND CYCLE");
  out.push_back("   NODE   CYCLE (S), THEN INDEX AND STRUCTURE (S SINGLE, D PATTERN TWICE PER CYCLE)");
  std::string cycles;
  for (int k = 1; k <= kCandidateCycles; ++k)  // columns 8k+5 to 8k+12
    Put(cycles, 8 * k + 5, Printf("%8d", kCandidates[static_cast<size_t>(k - 1)]));
  out.push_back(cycles);
  out.push_back("");
  for (size_t n = 0; n < table.NodeNumbers.size(); ++n) {
    std::string row = Printf("%6d", table.NodeNumbers[n]);  // node in columns 2-6
    for (int k = 1; k <= kCandidateCycles; ++k) {
      // Index in columns 8k+8 to 8k+12, markers in 8k+13 to 8k+15 (the structure last).
      Put(row, 8 * k + 8, Fit(table.Index[n][static_cast<size_t>(k - 1)], 5, 1));
      Put(row, 8 * k + 13, table.Double[n][static_cast<size_t>(k - 1)] ? "  D" : "  S");
    }
    out.push_back(row);
  }
  out.push_back("     0");
  std::string single = " SINGLE", twice = " DOUBLE";
  for (int k = 1; k <= kCandidateCycles; ++k) {  // totals in columns 8k+7 to 8k+12
    Put(single, 8 * k + 7, Fit(table.SingleTotal[static_cast<size_t>(k - 1)], 6, 1));
    Put(twice, 8 * k + 7, Fit(table.DoubleTotal[static_cast<size_t>(k - 1)], 6, 1));
  }
  out.push_back(single);
  out.push_back("");
  out.push_back(twice);
  out.push_back("");
  out.push_back(" END OF CYCLE TABLE");
  return out;
}

}  // namespace veltra::signals
