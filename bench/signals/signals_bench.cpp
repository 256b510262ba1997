// One optimisation and one cycle table of a grid of signalised junctions, six links a junction
// (50 junctions: 300 links), at growing sizes.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "signals/cycle_table.h"
#include "signals/engine.h"
#include "signals/model.h"
#include "util/text.h"

namespace {

using namespace veltra::signals;

std::string Card(std::initializer_list<int> fields) {
  std::string line;
  for (int f : fields) line += veltra::Printf("%5d", f);
  return line;
}

// Junctions on a grid ten wide, 300 m apart. At each: eastbound and westbound through links
// and an eastbound left turn (stage 1), northbound and southbound through links and a
// northbound left turn (stage 2); through links are fed by the neighbour's link of the same
// direction and by the crossing left turn, so platoons run along rows and columns and loops form.
std::vector<std::string> Grid(int junctions) {
  const int width = 10;
  std::vector<std::string> lines{"grid", Card({1, 90, 45, 60, 2, 2, 1, 0, 0, 0, 1, 2, 1, 0, 930, 170})};
  std::string two = veltra::Printf("%5d", 2);
  for (int j = 1; j <= junctions; ++j) {
    two += veltra::Printf("%5d", j);
    if (j % 15 == 0 || j == junctions) {
      lines.push_back(two);
      two = veltra::Printf("%5d", 2);
    }
  }
  for (int j = 1; j <= junctions; ++j) lines.push_back(Card({12, j, 0, 12, 45, 12}));
  auto link = [](int j, int k) { return 10 * j + k; };
  for (int j = 1; j <= junctions; ++j)
    for (int k = 1; k <= 6; ++k) {
      const int stage = k <= 3 ? 1 : 2;
      lines.push_back(Card({31, link(j, k), j, stage, 5, 3 - stage, 0, 0, 0, 0, 0, 300, 0, k == 3 || k == 6 ? 1700 : 3600,
                            0, 0, k == 3 || k == 6 ? 1 : 2}));
    }
  for (int j = 1; j <= junctions; ++j) {
    const int col = (j - 1) % width, row = (j - 1) / width;
    const int west = col > 0 ? j - 1 : 0, east = col + 1 < width && j < junctions ? j + 1 : 0;
    const int south = row > 0 ? j - width : 0, north = j + width <= junctions ? j + width : 0;
    auto flow = [&](int k, int from, int through, int turn) {
      if (from == 0) return Card({32, link(j, k), 700, 0, 0, 0, 40});
      return Card({32, link(j, k), 700, 0, link(from, through), 500, 40, link(from, turn), 120, 40});
    };
    lines.push_back(flow(1, west, 1, 6));   // eastbound from the west neighbour
    lines.push_back(Card({32, link(j, 3), 150, 0, 0, 0, 40}));
    lines.push_back(flow(2, east, 2, 3));   // westbound from the east neighbour
    lines.push_back(flow(4, south, 4, 3));  // northbound from the south neighbour
    lines.push_back(Card({32, link(j, 6), 150, 0, 0, 0, 40}));
    lines.push_back(flow(5, north, 5, 6));  // southbound from the north neighbour
  }
  return lines;
}

SignalNetwork Network(int junctions, benchmark::State& state) {
  ReadReport report;
  SignalNetwork net = ReadDataFile(Grid(junctions), "grid.dat", report);
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
