#include "signals/search.h"

#include <limits>

#include "signals/optimiser.h"
#include "signals/routes.h"
#include "util/text.h"

namespace veltra::signals {

namespace {

// The model as the objective, keeping the best timings of every whole evaluation and counting
// every evaluation and trial.
class KeepBest : public Objective {
 public:
  explicit KeepBest(NetworkModel& model) : model_(model) {}
  double Evaluate(const Timings& t) override {
    const double v = model_.Evaluate(t);
    ++Evaluations;
    if (v < BestIndex) {
      BestIndex = v;
      Best = t;
    }
    return v;
  }
  double TryChange(const Timings& t, const std::vector<int>& nodes) override {
    ++Evaluations;
    return model_.TrialChange(t, nodes);
  }
  void Accept() override { model_.CommitTrial(); }

  Timings Best;
  double BestIndex = std::numeric_limits<double>::infinity();
  int Evaluations = 0;

 private:
  NetworkModel& model_;
};

struct Start {
  const char* Name;
  Timings Plan;
};

// The starts of the search, the one the run data ask for first; a start that is the same plan
// as an earlier one is left out.
std::vector<Start> Starts(const SignalNetwork& net, const Routes& routes) {
  const int cycle = net.Run.Cycle;
  const Timings equisat = StartingTimings(net, cycle, true);
  // The cards' own times, where they meet the minimum stages; equisaturation elsewhere.
  const Timings given = StartingTimings(net, cycle, false);
  Timings progression = net.Run.Equisat ? equisat : given;
  ProgressionOffsets(net, routes, progression);
  std::vector<Start> all;
  if (net.Run.Equisat) {
    all = {{"equisaturation splits, given offsets", equisat},
           {"progression offsets along the heaviest routes", progression},
           {"timings as the cards give them", given}};
  } else {
    all = {{"timings as the cards give them", given},
           {"equisaturation splits, given offsets", equisat},
           {"progression offsets along the heaviest routes", progression}};
  }
  std::vector<Start> distinct;
  for (Start& s : all) {
    bool seen = false;
    for (const Start& d : distinct) seen = seen || d.Plan.Start == s.Plan.Start;
    if (!seen) distinct.push_back(std::move(s));
  }
  return distinct;
}

}  // namespace

RunOutcome OptimiseTimings(const SignalNetwork& net, NetworkModel& model, ProgressLine* progress) {
  RunOutcome outcome;
  bool anyToOptimise = false;
  for (const SignalNode& n : net.Nodes) anyToOptimise = anyToOptimise || n.Optimise;
  outcome.Optimised = anyToOptimise && net.Run.Optimise > 0;
  if (!outcome.Optimised) {
    // Evaluate what the cards give; a node left for optimisation without usable times still
    // needs some, and gets equisaturation splits.
    outcome.Start = StartingTimings(net, net.Run.Cycle, false);
    outcome.Final = outcome.Start;
    outcome.StartIndex = outcome.FinalIndex = model.Evaluate(outcome.Start);
    outcome.Evaluations = 1;
    return outcome;
  }
  const Routes routes = HeaviestRoutes(net);
  const std::vector<std::vector<int>> branches = RouteBranches(net, routes);
  ClimbSettings climb;
  climb.ChangeTimes = net.Run.Optimise >= 2;
  PolishSettings polish;
  polish.ChangeTimes = climb.ChangeTimes;
  KeepBest keeper(model);
  ProgressLine silent;
  WatchedObjective watched(progress != nullptr ? *progress : silent);
  // Every start is climbed; the full scans go on from the best climbed plan.
  std::vector<Timings> climbed;
  size_t best = 0;
  const std::vector<Start> starts = Starts(net, routes);
  for (const Start& s : starts) {
    StartReport report;
    report.Name = s.Name;
    watched.Step(keeper, Printf("start %zu of %zu (%s): hill climb", outcome.Starts.size() + 1, starts.size(), s.Name));
    report.Index = watched.Evaluate(s.Plan);
    ClimbResult c = HillClimb(net, s.Plan, watched, climb);
    report.Climbed = c.FinalIndex;
    if (outcome.Starts.empty()) {
      outcome.Start = s.Plan;
      outcome.StartIndex = report.Index;
    } else if (c.FinalIndex < outcome.Starts[best].Climbed) {
      best = outcome.Starts.size();
    }
    outcome.Starts.push_back(report);
    climbed.push_back(std::move(c.Best));
  }
  outcome.Starts[best].Scanned = true;
  watched.Step(keeper, Printf("full scans from start %zu (%s)", best + 1, outcome.Starts[best].Name.c_str()));
  outcome.Starts[best].AfterScans = Polish(net, climbed[best], watched, branches, polish).FinalIndex;
  outcome.Final = keeper.Best;
  outcome.FinalIndex = model.Evaluate(outcome.Final);
  outcome.Evaluations = keeper.Evaluations + 1;
  return outcome;
}

}  // namespace veltra::signals
