// Small junction networks through the whole engine: a signal whose turn delays are checked
// against the formulas worked by hand, and whose greens steer traffic between two routes;
// a priority junction whose give-way turn loses capacity as the major flow grows.
#include <cmath>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "satprog/engine_network.h"
#include "satprog/network_file.h"
#include "satprog/simulation_assignment.h"
#include "util/text.h"

namespace veltra::satprog {
namespace {

namespace fs = std::filesystem;

std::string WriteNetwork(const std::string& name, const std::vector<std::string>& lines) {
  const fs::path dir = fs::temp_directory_path() / "veltra_satprog_tests";
  fs::create_directories(dir);
  const std::string path = (dir / name).string();
  // Binary: the lines end in CR LF as written, on every system.
  std::ofstream out(path, std::ios::binary);
  for (const std::string& line : lines) out << line << "\r\n";
  return path;
}

std::string Arm(int aNode, int lanes, int time, int length, const std::vector<std::pair<int, std::string>>& slots) {
  std::string card = Printf("%5s%5d%1s%4d%5d%5d", "", aNode, "", lanes, time, length);
  for (const auto& [flow, code] : slots) card += Printf("%5d%2s%1d%2d", flow, code.c_str(), flow ? 1 : 0, flow ? 1 : 0);
  return card;
}

std::string Buffer(int a, int b, int time, int capacity = 0) {
  return Printf("%5d%5d%5d%5d%5d%5s%5d", a, b, time, time, capacity, "", 100);
}

const std::vector<std::string> kHead = {"&OPTIONS", " &END", "JUNCTION TEST", "&PARAM", "  NOMADS = 1", " &END"};

// Signal 100, cycle 60, approach from 10 (zone 1). Stage 1 serves 10 -> 20, stage 2
// 10 -> 30; 20 and 30 both lead to 40 (zone 2) over buffer links of equal time.
std::string SignalNetwork(int green1, int green2) {
  std::vector<std::string> lines = kHead;
  lines.push_back("11111");
  lines.push_back(Printf("%5d%5d%5d%5d%5d%5d", 100, 3, 3, 2, 0, 60));
  lines.push_back(Arm(10, 1, 10, 100, {{1800, ""}, {1800, ""}}));
  lines.push_back(Arm(20, 0, 0, 0, {}));
  lines.push_back(Arm(30, 0, 0, 0, {}));
  lines.push_back(Printf("%10s%5d%5d%5d%5d%5d", "", green1, 5, 2, 10, 20));
  lines.push_back(Printf("%10s%5d%5d%5d%5d%5d", "", green2, 5, 2, 10, 30));
  lines.push_back("99999");
  lines.push_back("33333");
  for (auto [a, b] : {std::pair{100, 20}, {100, 30}, {20, 40}, {30, 40}}) lines.push_back(Buffer(a, b, 30));
  lines.push_back("C   1   10    0");
  lines.push_back("C   2   40    0");
  lines.push_back("99999");
  return WriteNetwork(Printf("signal_%d_%d.dat", green1, green2), lines);
}

struct Solved {
  SaturnVars Sat;
  EngineNetwork Network;
  SimulationAssignmentResult Result;
  double TurnFlow(int a, int j, int c) const {
    const int32_t t = Sat.FindTurn(a, j, c);
    return t > 0 ? Network.TurnFlow(Result.Assignment, t) : -1;
  }
  double TurnTime(int a, int j, int c) const {
    const int32_t t = Sat.FindTurn(a, j, c);
    return Network.TurnTime(Result.Assignment, t);
  }
  const TurnDelayCurve& Curve(int a, int j, int c) const {
    return Network.Delays[static_cast<size_t>(Sat.FindTurn(a, j, c))]->Curve;
  }
};

std::unique_ptr<Solved> Solve(const std::string& path, const std::vector<std::tuple<int, int, double>>& trips) {
  auto s = std::make_unique<Solved>();
  const NetworkRead read = ReadNetworkFile(path, s->Sat);
  EXPECT_TRUE(read.Ok) << (read.Errors.empty() ? "" : read.Errors[0]);
  LoopSettings settings;
  settings.Gap = 1e-9;
  s->Network = BuildEngineNetwork(s->Sat, settings.Junctions);
  assign::DemandBuilder demand;
  for (const auto& [o, d, n] : trips) demand.Add(s->Sat.FindZone(o) - 1, s->Sat.FindZone(d) - 1, n);
  assign::UserClass userClass;
  userClass.Trips = demand.Build();
  s->Network.Net.Classes.push_back(std::move(userClass));
  s->Result = AssignAndSimulate(s->Network, settings);
  return s;
}

TEST(JunctionNetworks, SignalTurnDelaysAreTheFormulasWorkedByHand) {
  // Equal greens of 25 s: the two turns share 600 pcu/h equally, 300 each, capacity 750.
  const auto s = Solve(SignalNetwork(25, 25), {{1, 2, 600}});
  EXPECT_NEAR(s->TurnFlow(10, 100, 20), 300, 0.01);
  EXPECT_NEAR(s->TurnFlow(10, 100, 30), 300, 0.01);
  EXPECT_NEAR(s->Curve(10, 100, 20).Capacity, 750, 1e-9);
  EXPECT_NEAR(s->TurnTime(10, 100, 20), 13.847637, 1e-3);  // see the junction model's test
  EXPECT_TRUE(s->Result.Converged);
}

TEST(JunctionNetworks, MoreGreenForAStageMovesFlowOntoTheTurnsItServes) {
  double last = -100;
  for (int green1 : {15, 25, 35}) {
    const auto s = Solve(SignalNetwork(green1, 50 - green1), {{1, 2, 900}});
    const double served = s->TurnFlow(10, 100, 20);
    EXPECT_NEAR(served + s->TurnFlow(10, 100, 30), 900, 0.01);
    EXPECT_GT(served, last + 50) << "green " << green1;
    // At equilibrium both routes take the same time.
    EXPECT_NEAR(s->TurnTime(10, 100, 20), s->TurnTime(10, 100, 30), 1e-3);
    last = served;
  }
}

// Priority junction 200: the major road 10 -> 200 -> 20, the side road from 30 merges ("G")
// into 20. The side road's traffic (zone 3) may also take the longer way 30 -> 50 -> 20.
std::string PriorityNetwork(bool signalised = false) {
  std::vector<std::string> lines = kHead;
  lines.push_back("11111");
  // With signals: stage 1 (30 s of a 60 s cycle) runs the major road and the side road
  // together, the side road still giving way; stage 2 runs the major road alone.
  lines.push_back(signalised ? Printf("%5d%5d%5d%5d%5d%5d", 200, 3, 3, 2, 0, 60) : Printf("%5d%5d%5d", 200, 3, 1));
  lines.push_back(Arm(10, 1, 10, 100, {{1800, ""}, {0, ""}}));
  lines.push_back(Arm(20, 0, 0, 0, {}));
  lines.push_back(Arm(30, 1, 10, 100, {{0, ""}, {1800, "G"}}));
  if (signalised) {
    lines.push_back(Printf("%10s%5d%5d%5d%5d%5d%5d%5d", "", 30, 5, 4, 10, 20, 30, 20));
    lines.push_back(Printf("%10s%5d%5d%5d%5d%5d", "", 20, 5, 2, 10, 20));
  }
  lines.push_back("99999");
  lines.push_back("33333");
  lines.push_back(Buffer(200, 20, 10));
  lines.push_back(Buffer(30, 50, 30));
  lines.push_back(Buffer(50, 20, 30));
  lines.push_back("C   1   10    0");
  lines.push_back("C   2   20    0");
  lines.push_back("C   3   30    0");
  lines.push_back("99999");
  return WriteNetwork(signalised ? "priority_signal.dat" : "priority.dat", lines);
}

TEST(JunctionNetworks, GiveWayCapacityFallsAsTheMajorFlowRisesAndTheLoopConverges) {
  double lastCapacity = 1e9, lastSideFlow = 1e9;
  for (double major : {0.0, 400.0, 800.0, 1200.0}) {
    std::vector<std::tuple<int, int, double>> trips = {{3, 2, 500}};
    if (major > 0) trips.push_back({1, 2, major});
    const auto s = Solve(PriorityNetwork(), trips);
    const double capacity = s->Curve(30, 200, 20).Capacity;
    const double sideFlow = s->TurnFlow(30, 200, 20);
    EXPECT_LT(capacity, lastCapacity) << "major " << major;
    EXPECT_LE(sideFlow, lastSideFlow + 1e-6) << "major " << major;
    EXPECT_TRUE(s->Result.Converged) << "major " << major;
    // The capacity the listing reports is the one the last simulation gave the major flow
    // that was assigned before it.
    EXPECT_NEAR(capacity, GiveWayCapacity(1800, s->TurnFlow(10, 200, 20), GapAcceptance().MergingGap),
                0.01 * capacity + 1);
    lastCapacity = capacity;
    lastSideFlow = sideFlow;
  }
  EXPECT_NEAR(GiveWayCapacity(1800, 0, 4), 1800, 1e-9);
}

TEST(JunctionNetworks, AtASignalATurnThatGivesWaySeesTheMajorFlowWithinItsGreen) {
  const auto s = Solve(PriorityNetwork(true), {{1, 2, 600}, {3, 2, 300}});
  ASSERT_TRUE(s->Result.Converged);
  // The side road runs in stage 1 only: 30 s of green of the 60 s cycle.
  const double g = 30.0 / 60;
  const double major = s->TurnFlow(10, 200, 20);
  EXPECT_NEAR(s->Curve(30, 200, 20).GreenRatio, g, 1e-12);
  EXPECT_NEAR(s->Curve(30, 200, 20).Capacity, g * GiveWayCapacity(1800, major / g, GapAcceptance().MergingGap),
              0.01 * s->Curve(30, 200, 20).Capacity);
  // The major road runs in every stage, so the whole cycle, and gives way to nothing.
  EXPECT_NEAR(s->Curve(10, 200, 20).Capacity, 1800, 1e-9);
}

}  // namespace
}  // namespace veltra::satprog
