// For each published network: the time of one all-or-nothing assignment (shortest paths from
// every origin and loading), and the time Algorithm B takes to reach relative gaps 1e-4, 1e-6 and
// 1e-8, as multiples of it; Frank-Wolfe and its conjugate version for comparison. Peak memory is
// the process's resident peak after the run.
#include "assign/assignment.h"
#include "assign/tntp.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <map>
#include <memory>
#include <string>

using namespace veltra::assign;

namespace {

struct Published {
    const char* Folder;
    const char* Name;
    double TollWeight, DistanceWeight;
};

const Published kNetworks[] = {
    {"siouxfalls", "SiouxFalls", 0, 0},
    {"anaheim", "Anaheim", 0, 0},
    {"chicagosketch", "ChicagoSketch", 0.02, 0.04},
};

const Network* Load(int index) {
    static std::map<int, std::unique_ptr<Network>> cache;
    auto found = cache.find(index);
    if (found != cache.end()) return found->second.get();
    const Published& p = kNetworks[index];
    std::string base = std::string(VELTRA_SHARED_DATA) + "/" + p.Folder + "/" + p.Name + "_";
    std::unique_ptr<Network> net;
    if (std::ifstream(base + "trips.tntp")) {
        TntpNetwork tntp = ReadTntpNetwork(base + "net.tntp");
        net = std::make_unique<Network>(
            BuildNetwork(tntp, ReadTntpTrips(base + "trips.tntp", tntp.Zones), p.TollWeight, p.DistanceWeight));
    }
    return (cache[index] = std::move(net)).get();
}

double PeakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

// CPU time of the calling thread: on one thread, the work done whatever else runs on the machine.
double ThreadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + 1e-9 * t.tv_nsec;
}

double WallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Best of several all-or-nothing loadings at free-flow times, in seconds of the given clock.
double AllOrNothingSeconds(const Network& net, int32_t threads, double (*clock)()) {
    SolverSettings settings;
    settings.Threads = threads;
    Assignment assignment(net, settings);
    std::vector<std::vector<double>> flows;
    double best = 1e30;
    for (int i = 0; i < 7; ++i) {
        double start = clock();
        assignment.AllOrNothing(flows);
        best = std::min(best, clock() - start);
    }
    return best;
}

void AllOrNothing(benchmark::State& state) {
    const Network* net = Load(static_cast<int>(state.range(0)));
    if (!net) return state.SkipWithError("network files not found");
    Assignment assignment(*net, SolverSettings());
    std::vector<std::vector<double>> flows;
    for (auto _ : state) benchmark::DoNotOptimize(assignment.AllOrNothing(flows));
    state.SetLabel(kNetworks[state.range(0)].Name);
}

// One solve to 1e-8 (or to the iteration limit for the Frank-Wolfe methods); counters give the
// time at which each gap was first reached, in all-or-nothing times (0 when not reached).
void Equilibrium(benchmark::State& state) {
    int index = static_cast<int>(state.range(0));
    const Network* net = Load(index);
    if (!net) return state.SkipWithError("network files not found");
    Algorithm method = static_cast<Algorithm>(state.range(1));
    int32_t threads = static_cast<int32_t>(state.range(3)); // 0: one per core
    double aon = AllOrNothingSeconds(*net, threads, WallSeconds);
    // On one thread the CPU clock also gives the multiples free of other load on the machine.
    double aonCpu = threads == 1 ? AllOrNothingSeconds(*net, 1, ThreadSeconds) : 0;
    std::vector<double> cpuAt; // [iteration] thread CPU seconds since the solve started
    AssignmentResult result;
    for (auto _ : state) {
        SolverSettings settings;
        settings.Method = method;
        settings.Threads = threads;
        settings.TargetGap = 1e-8;
        settings.MaxIterations = method == Algorithm::B ? 500 : static_cast<int32_t>(state.range(2));
        Assignment assignment(*net, settings);
        cpuAt.clear();
        double cpuStart = ThreadSeconds();
        result = assignment.Solve([&](const IterationRecord&) { cpuAt.push_back(ThreadSeconds() - cpuStart); });
    }
    for (double gap : {1e-4, 1e-6, 1e-8}) {
        double seconds = 0, cpuSeconds = 0;
        for (size_t k = 0; k < result.Convergence.size(); ++k)
            if (result.Convergence[k].RelativeGap <= gap) {
                seconds = result.Convergence[k].Seconds;
                cpuSeconds = cpuAt[k];
                break;
            }
        char name[32];
        if (aonCpu > 0) {
            std::snprintf(name, sizeof name, "cpuAON@%.0e", gap);
            state.counters[name] = cpuSeconds / aonCpu;
        }
        std::snprintf(name, sizeof name, "xAON@%.0e", gap);
        state.counters[name] = seconds / aon;
        std::snprintf(name, sizeof name, "s@%.0e", gap);
        state.counters[name] = seconds;
    }
    state.counters["aon_ms"] = aon * 1e3;
    if (aonCpu > 0) state.counters["aon_cpu_ms"] = aonCpu * 1e3;
    state.counters["iterations"] = result.Iterations;
    state.counters["final_gap"] = result.RelativeGap;
    state.counters["peak_MB"] = PeakMegabytes();
    state.SetLabel(std::string(kNetworks[index].Name) +
                   (method == Algorithm::B ? " B" : method == Algorithm::FrankWolfe ? " FW" : " CFW") +
                   (threads == 1 ? " 1 thread" : ""));
}

} // namespace

BENCHMARK(AllOrNothing)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(Equilibrium)
    // network, algorithm, iteration limit of the Frank-Wolfe methods, threads
    ->Args({0, int(Algorithm::B), 0, 0})
    ->Args({0, int(Algorithm::B), 0, 1})
    ->Args({1, int(Algorithm::B), 0, 0})
    ->Args({1, int(Algorithm::B), 0, 1})
    ->Args({2, int(Algorithm::B), 0, 0})
    ->Args({2, int(Algorithm::B), 0, 1})
    ->Args({2, int(Algorithm::FrankWolfe), 300, 0})
    ->Args({2, int(Algorithm::ConjugateFrankWolfe), 300, 0})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
