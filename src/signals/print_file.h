// The print file of a timing run: what was read, the warnings, the index of the starting
// timings, the final settings of every node, the link table and the performance index, in the
// fixed columns the loop reads; and the print file of a run that could not be made.
#pragma once

#include <string>
#include <vector>

#include "signals/model.h"
#include "signals/network.h"
#include "signals/timings.h"

namespace veltra::signals {

// One start of the search: what it is, its index, the index the hill-climb reached from it and,
// for the start whose climb went furthest, the index after the full scans.
struct StartReport {
  std::string Name;
  double Index = 0.0;
  double Climbed = 0.0;
  bool Scanned = false;
  double AfterScans = 0.0;
};

struct RunOutcome {
  Timings Start;            // the first start: the timings the run data ask to start from
  Timings Final;            // the best timings evaluated from any start
  double StartIndex = 0.0;
  double FinalIndex = 0.0;
  bool Optimised = false;  // false: the timings were only evaluated
  int Evaluations = 0;      // whole-network evaluations and trials of moves
  std::vector<StartReport> Starts;
};

std::vector<std::string> InputSummaryLines(const SignalNetwork& net, const ReadReport& report);

// What the evaluated timings leave unserved: each link that arrivals reach but none can leave,
// and each node that gives none of its links effective green. One self-explanatory line each,
// naming the link and node numbers of the cards. `model` holds the evaluation.
std::vector<std::string> PlanWarnings(const SignalNetwork& net, const NetworkModel& model);

// `model` holds the evaluation of the final timings.
std::vector<std::string> TimingPrintLines(const SignalNetwork& net, const ReadReport& report, const RunOutcome& outcome,
                                          const NetworkModel& model);

// A run without a result: why, and no final settings (the loop then sees no result).
std::vector<std::string> FailurePrintLines(const std::string& title, const std::string& dataFile,
                                           const ReadReport& report);

}  // namespace veltra::signals
