// One optimisation and one cycle table of a grid of signalised junctions, six links a junction
// (50 junctions: 300 links), at growing sizes.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "grid_network.h"
#include "signals/cycle_table.h"
#include "signals/engine.h"
#include "signals/model.h"

namespace {

using namespace veltra::signals;

SignalNetwork Network(int junctions, benchmark::State& state) {
  ReadReport report;
  SignalNetwork net = ReadDataFile(veltra::signals::test::GridNetwork(junctions), "grid.dat", report);
  if (!report.Ok()) state.SkipWithError(report.Errors.front().c_str());
  if (!report.Warnings.empty()) state.SkipWithError(report.Warnings.front().c_str());
  return net;
}

void BM_Optimisation(benchmark::State& state) {
  const SignalNetwork net = Network(static_cast<int>(state.range(0)), state);
  for (auto _ : state) {
    NetworkModel model(net, net.Run.Cycle);
    RunOutcome outcome = OptimiseTimings(net, model);
    benchmark::DoNotOptimize(outcome.FinalIndex);
  }
  state.counters["links"] = static_cast<double>(net.Links.size());
}
BENCHMARK(BM_Optimisation)->Arg(10)->Arg(25)->Arg(50)->Arg(100)->Arg(200)->Unit(benchmark::kMillisecond);

void BM_CycleTable(benchmark::State& state) {
  const SignalNetwork net = Network(static_cast<int>(state.range(0)), state);
  for (auto _ : state) {
    CycleTable table = BuildCycleTable(net);
    benchmark::DoNotOptimize(table.SingleTotal);
  }
  state.counters["links"] = static_cast<double>(net.Links.size());
}
BENCHMARK(BM_CycleTable)->Arg(10)->Arg(25)->Arg(50)->Arg(100)->Arg(200)->Unit(benchmark::kMillisecond);

void BM_WholeNetworkEvaluation(benchmark::State& state) {
  const SignalNetwork net = Network(static_cast<int>(state.range(0)), state);
  NetworkModel model(net, net.Run.Cycle);
  const Timings t = StartingTimings(net, net.Run.Cycle);
  for (auto _ : state) benchmark::DoNotOptimize(model.Evaluate(t));
  state.counters["links"] = static_cast<double>(net.Links.size());
}
BENCHMARK(BM_WholeNetworkEvaluation)->Arg(50)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
