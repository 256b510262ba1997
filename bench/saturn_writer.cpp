// Writing the SATURN network file of a large network: 5000 junctions with four arms each,
// 1000 of them signalised, and 15000 lines of other sections around them.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "saturn/network_writer.h"
#include "util/text.h"

namespace {

using namespace veltra;

void BuildNetwork(SaturnVars& sat) {
  sat.Clear();
  sat.NetworkLines = {"&OPTIONS &END", "red grande", "&PARAM &END", "11111", "99999", "33333"};
  for (int k = 0; k < 15000; ++k) sat.NetworkLines.push_back(Printf("%5d%5d    1   30  500", 10000 + k, 20000 + k));
  sat.NetworkLines.push_back("99999");
  for (int n = 1; n <= 5000; ++n) {
    TNodo node;
    node.Number = n;
    node.NodeClass = n % 5 == 0 ? 2 : 1;
    node.JunctionType = n % 5 == 0 ? 3 : 1;
    node.ArmCount = 4;
    for (size_t a = 1; a <= 4; ++a) {
      TConector& arm = node.Arms[a];
      arm.ANode = 10000 + n * 4 + static_cast<int>(a);
      arm.LaneText = "2";
      arm.Lanes = 2;
      arm.Time = 12;
      arm.Length = 200;
      for (size_t j = 1; j <= 3; ++j) {
        arm.Slots[j].TurnValue = 1;
        arm.Slots[j].FirstLane = 1;
        arm.Slots[j].LastLane = 2;
      }
    }
    if (node.JunctionType == 3) {
      TPlanSemaforo plan;
      plan.StageCount = 2;
      plan.CycleTime = 90;
      for (size_t s = 1; s <= 2; ++s) {
        plan.Stages[s].GreenTime = 35;
        plan.Stages[s].Intergreen = 5;
        plan.Stages[s].EntryCount = 4;
      }
      sat.SignalPlans.push_back(plan);
      node.SignalPlan = static_cast<int32_t>(sat.SignalPlans.size() - 1);
    }
    sat.Nodes.push_back(node);
  }
}

void BM_WriteSaturnNetwork(benchmark::State& state) {
  SaturnVars sat;
  BuildNetwork(sat);
  std::vector<int32_t> cicloRed(101, 90);
  const std::string path = "bench_saturn_writer.dat";
  for (auto _ : state) {
    TextWriter out(path);
    WriteSaturnNetwork(sat, cicloRed, out);
    out.Close();
  }
  std::remove(path.c_str());
}
BENCHMARK(BM_WriteSaturnNetwork)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
