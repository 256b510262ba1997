// The traffic model against theory: Webster's uniform delay, platoons moved by their cruise
// time, dispersion that keeps the cycle's flow, the time-dependent random queue, give-way
// capacity from gaps in the opposing flow.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>

#include "grid_network.h"
#include "signal_cases.h"
#include "signals/model.h"
#include "signals/profiles.h"
#include "util/text.h"

namespace veltra::signals {
namespace {

// Run data without platoon dispersion, with effective greens equal to the displayed ones; and a
// first link at node 1 green in the first 20 s of a 60 s cycle, arriving evenly.
std::vector<std::string> PlatoonSource(int flow) {
  RunOptions o;
  o.Dispersion = 0;
  o.StartLoss = 0;
  o.EndGain = 0;
  return {"platoon", CardOne(o), Card({12, 1, 0, 1, 20, 1}),
          Card({31, 1, 1, 1, 0, 2, 0, 0, 0, 0, 0, 100, 0, 1800, 0, 0, 1}), Card({32, 1, flow, 0, 0, 0, 36})};
}

// One signalised link green for g seconds from the start of the cycle, arriving evenly.
std::vector<std::string> OneLink(int cycle, int green, int flow, int sat) {
  RunOptions o;
  o.Cycle = cycle;
  o.Steps = cycle;
  o.StartLoss = 0;
  o.EndGain = 0;
  return {"one link", CardOne(o), Card({12, 1, 0, 1, green, 1}),
          Card({31, 1, 1, 1, 0, 2, 0, 0, 0, 0, 0, 100, 0, sat, 0, 0, 1}), Card({32, 1, flow, 0, 0, 0, 40})};
}

TEST(SignalModel, UniformDelayOfEvenArrivalsIsWebstersWhateverTheStepAndTheAlignment) {
  struct Case {
    int cycle, green, flow, sat;
  } cases[] = {{60, 30, 600, 1800}, {90, 40, 500, 1800}, {120, 30, 300, 1600}, {80, 50, 900, 1800}, {100, 70, 1200, 1900}};
  for (const Case& c : cases)
    for (int stepSeconds : {1, 2, 3})
      for (int start = 0; start < stepSeconds; ++start) {  // green edges inside the card's steps
        std::vector<std::string> lines = OneLink(c.cycle, c.green, c.flow, c.sat);
        lines[1] = lines[1].substr(0, 10) + Printf("%5d", c.cycle / stepSeconds) + lines[1].substr(15);
        lines[2] = Card({12, 1, start, 1, start + c.green, 1});
        SignalNetwork net = Parse(lines);
        NetworkModel model(net, c.cycle);
        model.Evaluate(GivenTimings(net));
        const LinkResult& r = model.Results()[0];
        const double lambda = static_cast<double>(c.green) / c.cycle;
        const double webster = c.cycle * (1 - lambda) * (1 - lambda) / (2 * (1 - static_cast<double>(c.flow) / c.sat));
        const double perVehicle = r.UniformDelay * 3600.0 / c.flow;
        EXPECT_NEAR(perVehicle, webster, 0.01 * webster)
            << "cycle " << c.cycle << " green " << c.green << " from " << start << " in steps of " << stepSeconds << " s";
        EXPECT_NEAR(r.DegreeOfSat, 100.0 * c.flow / (c.sat * lambda), 0.01);
      }
}

// Moving every signal by the same few seconds moves nothing on the road: the index stays, at
// the steps the loop writes (2 s, and 3 s for long cycles).
TEST(SignalModel, CommonShiftOfEveryTimingLeavesTheIndex) {
  struct Case {
    const char* name;
    int cycle, steps;
  } cases[] = {{"isolated", 90, 45}, {"isolated", 180, 60}, {"arterial", 90, 45},
               {"arterial", 180, 60}, {"grid", 90, 45}, {"grid", 180, 60}};
  for (const Case& c : cases) {
    RunOptions o;
    o.Cycle = c.cycle;
    o.Steps = c.steps;
    const std::string name = c.name;
    SignalNetwork net = Parse(name == "isolated"   ? test::Isolated(0.35, 0.25, o)
                              : name == "arterial" ? test::Arterial(3, o)
                                                   : test::GridNetwork(50, c.cycle, c.steps));
    const Timings start = StartingTimings(net, c.cycle);
    NetworkModel model(net, c.cycle);
    const double index = model.Evaluate(start);
    for (int shift : {1, 2, 3}) {
      Timings moved = start;
      for (int n = 0; n < static_cast<int>(net.Nodes.size()); ++n)
        for (int k = 0; k < moved.Stages(n); ++k) moved.At(n, k) = (moved.At(n, k) + shift) % c.cycle;
      NetworkModel fresh(net, c.cycle);
      EXPECT_NEAR(fresh.Evaluate(moved), index, 0.001 * index) << name << " at " << c.cycle << " s, shift " << shift;
    }
  }
}

// A link that never sees green (or has no saturation flow) gathers its arrivals for the whole
// period T: a mean queue of q T / 2, every vehicle stopping. Above capacity every vehicle stops
// too. So shutting an approach off rates worse than sharing the green.
TEST(SignalModel, LinkThatCannotLeaveQueuesItsArrivalsOverThePeriod) {
  struct Case {
    const char* what;
    int flow, minutes, secondStage, saturation;  // link 12 runs in stage 2 (5 s lost at its start)
    bool served;
  } cases[] = {{"never green", 500, 60, 5, 1800, false},  {"never green", 2000, 60, 5, 1800, false},
               {"never green", 2000, 15, 4, 1800, false}, {"no saturation flow", 500, 60, 20, 0, false},
               {"oversaturated", 700, 60, 20, 1800, true}};
  for (const Case& c : cases) {
    RunOptions o;
    o.Cycle = 40;
    o.Steps = 20;
    o.Minutes = c.minutes;
    std::vector<std::string> lines = test::Isolated(0.3, c.flow / 1800.0, o);
    lines[3] = Card({12, 1, 0, 1, 40 - c.secondStage, 1});
    lines[5] = Card({31, 12, 1, 2, 5, 1, 0, 0, 0, 0, 0, 200, 0, c.saturation, 0, 0, 1});
    SignalNetwork net = Parse(lines);
    NetworkModel model(net, 40);
    model.Evaluate(GivenTimings(net));
    const LinkResult& r = model.Results()[1];
    EXPECT_DOUBLE_EQ(r.StopPercent, 100.0) << c.what << " " << c.flow;
    if (c.served) continue;
    const double arrivalQueue = c.flow * (c.minutes / 60.0) / 2;
    EXPECT_NEAR(r.UniformDelay + r.RandomDelay, arrivalQueue, 0.1 * arrivalQueue) << c.what << " " << c.flow;
    EXPECT_EQ(r.CapacityPerHour, 0.0);
  }
  // Cycle 40, two approaches of 1000 PCU/h: shutting one off against sharing the green.
  RunOptions o;
  o.Cycle = 40;
  SignalNetwork net = Parse(test::Isolated(1000 / 1800.0, 1000 / 1800.0, o));
  Timings equal = GivenTimings(net), shut = GivenTimings(net);
  equal.At(0, 1) = 20;
  shut.At(0, 1) = 35;  // stage 2 lasts 5 s: its link's start lag and lost time take all of it
  NetworkModel model(net, 40);
  const double shared = model.Evaluate(equal);
  EXPECT_GT(model.Evaluate(shut), shared);
}

TEST(SignalModel, WithoutDispersionAFreeLinkCarriesThePlatoonMovedByItsCruiseTime) {
  // Link 1 discharges a platoon; link 2 (uncontrolled, far above its flow) is 100 m at 36 km/h: 10 s.
  std::vector<std::string> lines = PlatoonSource(500);
  lines.push_back(Card({31, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 100, 0, 99999, 0, 0, 1}));
  lines.push_back(Card({32, 2, 500, 0, 1, 500, 36}));
  SignalNetwork net = Parse(lines);
  NetworkModel model(net, 60);
  model.Evaluate(GivenTimings(net));
  const double* up = model.Out(0);
  const double* in = model.In(1);
  const double* out = model.Out(1);
  for (int t = 0; t < 60; ++t) {
    EXPECT_NEAR(in[t], up[(t + 60 - 10) % 60], 1e-9) << "step " << t;
    EXPECT_NEAR(out[t], in[t], 1e-9) << "step " << t;
  }
  // The platoon is a platoon: link 1 sends nothing in red.
  EXPECT_NEAR(up[40], 0.0, 1e-12);
}

TEST(SignalModel, DispersionKeepsTheCyclesFlowAndFlattensThePlatoon) {
  std::vector<double> platoon(40, 0.0);
  for (int t = 0; t < 10; ++t) platoon[static_cast<size_t>(t)] = 0.5;
  struct Case {
    double alpha, travel, scale;
  } cases[] = {{0.35, 5, 1.0}, {0.35, 20, 0.6}, {0.5, 12.4, 1.0}, {0.25, 60, 0.3}, {0.0, 7, 1.0}};
  for (const Case& c : cases) {
    std::vector<double> out(40, 0.0), work(40, 0.0);
    AddDispersed(platoon.data(), 40, c.travel, c.alpha, c.scale, out.data(), work.data());
    const double total = std::accumulate(out.begin(), out.end(), 0.0);
    EXPECT_NEAR(total, 5.0 * c.scale, 1e-9) << "alpha " << c.alpha << " travel " << c.travel;
    const double peak = *std::max_element(out.begin(), out.end());
    if (c.alpha > 0)
      EXPECT_LT(peak, 0.5 * c.scale);
    else
      EXPECT_NEAR(peak, 0.5 * c.scale, 1e-12);
  }
}

TEST(SignalModel, DispersedProfileFollowsRobertsonsRecurrenceAroundTheCycle) {
  std::vector<double> up{3, 0, 0, 1, 0, 2, 0, 0};
  std::vector<double> out(8, 0.0), work(8, 0.0);
  const double alpha = 0.35, travel = 5;  // T' = round(0.8 * 5) = 4
  AddDispersed(up.data(), 8, travel, alpha, 1.0, out.data(), work.data());
  const double f = 1 / (1 + alpha * 0.8 * travel);
  for (int t = 0; t < 8; ++t) {
    const double expected = f * up[static_cast<size_t>(t)] + (1 - f) * out[static_cast<size_t>((t + 4 - 1 + 8) % 8)];
    EXPECT_NEAR(out[static_cast<size_t>((t + 4) % 8)], expected, 1e-12) << "step " << t;
  }
}

TEST(SignalModel, RandomQueueTendsToItsSteadyStateAndToTheOversaturationQueue) {
  struct Case {
    double x, capacity, hours, expected, tolerance;
  } cases[] = {
      {0.5, 1000, 1000, 0.5 / (2 * 0.5), 0.01},          // long undersaturated period
      {0.8, 1000, 1000, 0.8 / (2 * 0.2), 0.01},
      {1.2, 1000, 10, 1000 * 10 * 0.2 / 2, 5.0},           // oversaturated: Q T (x - 1) / 2
      {1.5, 600, 5, 600 * 5 * 0.5 / 2, 5.0},
  };
  for (const Case& c : cases)
    EXPECT_NEAR(RandomQueue(c.x * c.capacity, c.capacity, c.hours), c.expected, c.tolerance) << c.x;
  EXPECT_LT(RandomQueue(900, 1000, 0.25), RandomQueue(900, 1000, 1.0));  // builds up with time
  EXPECT_EQ(RandomQueue(0.0, 1000, 1.0), 0.0);
}

TEST(SignalModel, PeriodicQueueSendsOnEveryArrivalOfAnUndersaturatedCycle) {
  std::vector<double> arrive{1, 2, 0, 0, 3, 1, 0, 1}, cap{0, 0, 0, 3, 3, 3, 0, 0}, out(8);
  QueueCycle q = PeriodicQueue(arrive.data(), cap.data(), 8, out.data());
  EXPECT_NEAR(std::accumulate(out.begin(), out.end(), 0.0), 8.0, 1e-12);
  EXPECT_NEAR(q.Arrivals, 8.0, 1e-12);
  for (int t = 0; t < 8; ++t) EXPECT_LE(out[static_cast<size_t>(t)], cap[static_cast<size_t>(t)] + 1e-12);
  // Oversaturated: departures stay within the capacity.
  std::vector<double> heavy{4, 4, 4, 4, 4, 4, 4, 4};
  q = PeriodicQueue(heavy.data(), cap.data(), 8, out.data());
  EXPECT_LE(std::accumulate(out.begin(), out.end(), 0.0), 9.0 + 1e-9);
  EXPECT_GT(q.Arrivals, q.Capacity);
}

TEST(SignalModel, GiveWayCapacityComesFromTheGapsInTheOpposingFlow) {
  // Link 2 gives way to link 1, whose platoon runs during the first 20 s of the cycle.
  std::vector<std::string> lines = PlatoonSource(900);
  lines.push_back("   30    2    1    0    0   22    0                       50    0  600    0    0    1");
  lines.push_back(Card({32, 2, 200, 0, 0, 0, 36}));
  SignalNetwork net = Parse(lines);
  ASSERT_TRUE(net.Links[1].GivesWay);
  NetworkModel model(net, 60);
  model.Evaluate(GivenTimings(net));
  const double full = 600.0 / 3600.0;  // PCU per 1 s step with no opposing vehicle
  const double* cap = model.Capacity(1);
  const double* opposing = model.Out(0);
  for (int t = 0; t < 60; ++t) {
    const double expected = full * std::max(0.0, 1.0 - opposing[t] / (1800.0 / 3600.0));
    EXPECT_NEAR(cap[t], expected, 1e-9) << "step " << t;
  }
  EXPECT_NEAR(cap[50], full, 1e-12);  // in link 1's red the give-way link runs freely
  EXPECT_NEAR(cap[2], 0.0, 1e-12);    // a saturated opposing platoon leaves no gap
}

TEST(SignalModel, DoubleCycledNodeRunsItsPatternInBothHalves) {
  RunOptions o;
  o.StartLoss = 0;
  o.EndGain = 0;
  std::vector<std::string> lines{"double", CardOne(o), Card({22, 1, 0, 5, 15, 5}),
                                 Card({31, 1, 1, 1, 0, 2, 0, 0, 0, 0, 0, 100, 0, 1800, 0, 0, 1}),
                                 Card({32, 1, 500, 0, 0, 0, 36})};
  SignalNetwork net = Parse(lines);
  ASSERT_TRUE(net.Nodes[0].Doubled);
  NetworkModel model(net, 60);
  model.Evaluate(GivenTimings(net));
  const double* cap = model.Capacity(0);
  for (int t = 0; t < 60; ++t) {
    const bool green = (t % 30) < 15;
    EXPECT_NEAR(cap[t], green ? 0.5 : 0.0, 1e-12) << "step " << t;
  }
}

TEST(SignalModel, LinksSharingAStopLineShareItsSaturationFlowByTheirFlows) {
  RunOptions o;
  o.StartLoss = 0;
  o.EndGain = 0;
  SignalNetwork net = Parse({"shared", CardOne(o), Card({12, 1, 0, 10, 30, 10}), Card({7, 11, 14, 0, 0, 0}),
                             Card({31, 11, 1, 1, 0, 2, 0, 0, 0, 0, 0, 100, 0, 1800, 0, 0, 1}),
                             Card({31, 14, 1, 1, 0, 2, 0, 0, 0, 0, 0, 100, -9999, 0, 0, 0, 1}),
                             Card({32, 11, 600, 0, 0, 0, 40}), Card({32, 14, 200, 0, 0, 0, 3020})});
  NetworkModel model(net, 60);
  model.Evaluate(GivenTimings(net));
  // Green in the first half of the cycle: 1 s steps at 1350 and 450 PCU/h.
  EXPECT_NEAR(model.Capacity(0)[5], 1350.0 / 3600.0, 1e-12);
  EXPECT_NEAR(model.Capacity(1)[5], 450.0 / 3600.0, 1e-12);
  EXPECT_NEAR(model.Results()[0].DegreeOfSat, model.Results()[1].DegreeOfSat, 1e-9);
  // A bus cruise value holds its speed in hundreds and its dwell in seconds: 30 km/h and 20 s.
  EXPECT_NEAR(model.Results()[1].CruiseSeconds, 100 / (30 / 3.6) + 20, 1e-9);
}

TEST(SignalModel, EquisaturationSplitsGiveTheCriticalLinksEqualSaturation) {
  struct Case {
    double y1, y2;
    int cycle;
  } cases[] = {{0.3, 0.3, 60}, {0.4, 0.2, 60}, {0.5, 0.25, 90}, {0.2, 0.1, 120}};
  for (const Case& c : cases) {
    RunOptions o;
    o.Cycle = c.cycle;
    o.Steps = c.cycle;
    SignalNetwork net = Parse(test::Isolated(c.y1, c.y2, o));
    NetworkModel model(net, c.cycle);
    Timings t = StartingTimings(net, c.cycle);
    model.Evaluate(t);
    // Whole seconds make the two differ by at most about a second of green.
    const double x1 = model.Results()[0].DegreeOfSat, x2 = model.Results()[1].DegreeOfSat;
    EXPECT_NEAR(x1, x2, 0.05 * std::max(x1, x2)) << c.y1 << " " << c.y2 << " at " << c.cycle;
    EXPECT_TRUE(MeetsMinimums(net, t, 0));
  }
}

TEST(SignalModel, QueueBeyondItsLimitAddsItsPenaltyToTheIndex) {
  std::vector<std::string> lines = OneLink(60, 20, 500, 1800);
  SignalNetwork free = Parse(lines);
  lines.push_back(Card({38, 1, 2, 10}));
  SignalNetwork limited = Parse(lines);
  NetworkModel a(free, 60), b(limited, 60);
  a.Evaluate(GivenTimings(free));
  b.Evaluate(GivenTimings(limited));
  const LinkResult& r = a.Results()[0];
  ASSERT_GT(r.MaxQueue, 2.0);
  EXPECT_NEAR(b.Results()[0].Index - r.Index, 10 * (r.MaxQueue - 2.0), 1e-9);
}

TEST(SignalModel, TrialOfOneNodeAgreesWithTheWholeNetworkOnAnArterial) {
  RunOptions o;
  SignalNetwork net = Parse(test::Arterial(3, o));
  NetworkModel model(net, 60);
  Timings t = StartingTimings(net, 60);
  model.Evaluate(t);
  Timings moved = t;
  for (int k = 0; k < 2; ++k) moved.At(1, k) = (moved.At(1, k) + 17) % 60;
  const double trial = model.TrialChange(moved, {1});
  NetworkModel fresh(net, 60);
  EXPECT_NEAR(trial, fresh.Evaluate(moved), 1e-6 * trial);
}

}  // namespace
}  // namespace veltra::signals
