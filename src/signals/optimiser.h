// Hill-climbing on stage change times, and the full scans that follow it, written against an
// objective so that they can be tried on a function whose optimum is known. Moves: shift a
// node's (or a coordinated group's) whole pattern (its offset), and shift one stage change time
// of a node; only moves that lower the objective are kept; minimum stage lengths always hold.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "signals/network.h"
#include "signals/timings.h"
#include "util/progress.h"

namespace veltra::signals {

class Objective {
 public:
  virtual ~Objective() = default;
  // Value of the timings; the objective then stands at them.
  virtual double Evaluate(const Timings& t) = 0;
  // Value of timings that differ from where the objective stands only at the given nodes. It may
  // be an estimate; the climber checks each round with Evaluate. Kept only after Accept.
  virtual double TryChange(const Timings& t, const std::vector<int>& nodes) {
    (void)nodes;
    return Evaluate(t);
  }
  virtual void Accept() {}
};

// Passes every call on to the objective of the search's present step, and every so many calls
// offers the progress line the step, the calls so far and the best whole evaluation of the step.
// It reads only what passes through it, so the search goes exactly as it would without it.
class WatchedObjective : public Objective {
 public:
  explicit WatchedObjective(ProgressLine& progress) : progress_(progress) {}
  // The step from here on ("start 2 of 3 (...): hill climb") and the objective it searches;
  // called between steps only.
  void Step(Objective& inner, std::string what);
  double Evaluate(const Timings& t) override;
  double TryChange(const Timings& t, const std::vector<int>& nodes) override;
  void Accept() override { inner_->Accept(); }

 private:
  void Count();

  Objective* inner_ = nullptr;
  ProgressLine& progress_;
  std::string step_;
  int64_t calls_ = 0;
  double stepBest_ = 0;
  bool stepEvaluated_ = false;
};

struct ClimbSettings {
  bool Offsets = true;      // shift whole patterns
  bool ChangeTimes = true;  // shift single stage change times
  int MaxSweeps = 4;        // sweeps over the nodes at one step size while they improve
  int SmallestStep = 1;     // seconds; the climb ends after this step size
};

struct ClimbResult {
  Timings Best;
  double StartIndex = 0.0;
  double FinalIndex = 0.0;
  int Evaluations = 0;
  std::vector<double> Accepted;  // objective after each accepted move, in order
};

// Step sizes, in seconds, for a cycle: half the cycle, then halved again and again down to 1.
std::vector<int> StepSizes(int cycle);

ClimbResult HillClimb(const SignalNetwork& net, const Timings& start, Objective& objective,
                      const ClimbSettings& settings = ClimbSettings());

// What the climb leaves to chance, searched in full, round after round until no single move
// lowers the objective: every offset of every node (or coordinated group) over the whole
// cycle; every change time of every stage over all the lengths its two stages allow; and large
// moves, each given set of nodes moved together by a half and by a quarter cycle either way.
// Each move kept is the best of its kind; a round ends with a whole evaluation, and a round
// that the estimates misled is undone.
struct PolishSettings {
  bool Offsets = true;
  bool ChangeTimes = true;
  int MaxRounds = 30;  // a guard: rounds stop long before, when no move improves
};
ClimbResult Polish(const SignalNetwork& net, const Timings& start, Objective& objective,
                   const std::vector<std::vector<int>>& largeMoves, const PolishSettings& settings = PolishSettings());

}  // namespace veltra::signals
