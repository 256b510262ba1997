// Algorithm B on the published networks and on a generated city at Berlin Center's size (13,000
// nodes, 28,000 links, 865 zones): CPU seconds and iterations to relative gaps 1e-4, 1e-6 and
// 1e-8 on one thread, wall seconds (and the calling thread's CPU seconds) to the same gaps on two
// threads, and the process's peak resident memory. Run one network per process (--benchmark_filter=Equilibrium/<network>/) so
// that the peak is that network's own. Frank-Wolfe and its conjugate version for comparison, and
// the time of one all-or-nothing assignment, the floor of any iteration.
#include "assign/assignment.h"
#include "assign/tntp.h"
#include "support/city/city_network.h"

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

// The last entry is the generated city.
const Published kNetworks[] = {
    {"siouxfalls", "SiouxFalls", 0, 0},
    {"anaheim", "Anaheim", 0, 0},
    {"chicagosketch", "ChicagoSketch", 0.02, 0.04},
    {"", "City", 0, 0},
};
constexpr int kCity = 3;

const Network* Load(int index) {
    static std::map<int, std::unique_ptr<Network>> cache;
    auto found = cache.find(index);
    if (found != cache.end()) return found->second.get();
    std::unique_ptr<Network> net;
    if (index == kCity) {
        net = std::make_unique<Network>(bench::GenerateCity(bench::CityShape()).Net);
    } else {
        const Published& p = kNetworks[index];
        std::string base = std::string(VELTRA_SHARED_DATA) + "/" + p.Folder + "/" + p.Name + "_";
        if (std::ifstream(base + "trips.tntp")) {
            TntpNetwork tntp = ReadTntpNetwork(base + "net.tntp");
            net = std::make_unique<Network>(
                BuildNetwork(tntp, ReadTntpTrips(base + "trips.tntp", tntp.Zones), p.TollWeight, p.DistanceWeight));
        }
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

void AllOrNothing(benchmark::State& state) {
    const Network* net = Load(static_cast<int>(state.range(0)));
    if (!net) return state.SkipWithError("network files not found");
    SolverSettings settings;
    settings.Threads = 1;
    Assignment assignment(*net, settings);
    std::vector<std::vector<double>> flows;
    double cpu = 0;
    for (auto _ : state) {
        double start = ThreadSeconds();
        benchmark::DoNotOptimize(assignment.AllOrNothing(flows));
        cpu += ThreadSeconds() - start;
    }
    state.counters["cpu_s"] = cpu / static_cast<double>(state.iterations());
    state.SetLabel(kNetworks[state.range(0)].Name);
}

// One solve to 1e-8 (or to the iteration limit for the Frank-Wolfe methods). On one thread the
// counters give CPU seconds (this thread's clock, which is all the solver's work) to each gap;
// on more, wall seconds. Iterations to each gap and the process's peak memory beside them.
void Equilibrium(benchmark::State& state) {
    int index = static_cast<int>(state.range(0));
    const Network* net = Load(index);
    if (!net) return state.SkipWithError("network files not found");
    Algorithm method = static_cast<Algorithm>(state.range(1));
    int32_t threads = static_cast<int32_t>(state.range(3));
    std::vector<double> cpuAt, wallAt; // [iteration] since the solve started
    AssignmentResult result;
    for (auto _ : state) {
        SolverSettings settings;
        settings.Method = method;
        settings.Threads = threads;
        settings.WorkPerThread = 1; // every requested thread takes part
        settings.TargetGap = 1e-8;
        settings.ExcessTolerance = 1; // the benchmark times the gap alone, as other solvers stop on it
        settings.MaxIterations = method == Algorithm::B ? 500 : static_cast<int32_t>(state.range(2));
        Assignment assignment(*net, settings);
        cpuAt.clear();
        wallAt.clear();
        double cpuStart = ThreadSeconds(), wallStart = WallSeconds();
        result = assignment.Solve([&](const IterationRecord&) {
            cpuAt.push_back(ThreadSeconds() - cpuStart);
            wallAt.push_back(WallSeconds() - wallStart);
        });
    }
    for (double gap : {1e-4, 1e-6, 1e-8}) {
        double seconds = 0;
        int32_t iterations = -1;
        for (size_t k = 0; k < result.Convergence.size(); ++k)
            if (result.Convergence[k].RelativeGap <= gap) {
                seconds = threads == 1 ? cpuAt[k] : wallAt[k];
                iterations = result.Convergence[k].Iteration;
                break;
            }
        char name[32];
        std::snprintf(name, sizeof name, threads == 1 ? "cpu_s@%.0e" : "wall_s@%.0e", gap);
        state.counters[name] = seconds;
        if (threads > 1 && iterations >= 0) {
            // The calling thread's CPU time: the critical path (it shifts flows and, while it waits,
            // builds trees itself), free of the other load of a shared machine.
            std::snprintf(name, sizeof name, "main_cpu_s@%.0e", gap);
            state.counters[name] = cpuAt[iterations];
        }
        std::snprintf(name, sizeof name, "it@%.0e", gap);
        state.counters[name] = iterations;
    }
    state.counters["final_gap"] = result.RelativeGap;
    state.counters["peak_MB"] = PeakMegabytes();
    state.SetLabel(std::string(kNetworks[index].Name) +
                   (method == Algorithm::B ? " B" : method == Algorithm::FrankWolfe ? " FW" : " CFW") + ", " +
                   std::to_string(threads) + (threads == 1 ? " thread" : " threads"));
}

} // namespace

BENCHMARK(AllOrNothing)->DenseRange(0, kCity)->Unit(benchmark::kMillisecond);
BENCHMARK(Equilibrium)
    // network, algorithm, iteration limit of the Frank-Wolfe methods, threads
    ->ArgNames({"network", "algorithm", "limit", "threads"})
    ->Args({0, int(Algorithm::B), 0, 1})
    ->Args({1, int(Algorithm::B), 0, 1})
    ->Args({1, int(Algorithm::B), 0, 2})
    ->Args({2, int(Algorithm::B), 0, 1})
    ->Args({2, int(Algorithm::B), 0, 2})
    ->Args({kCity, int(Algorithm::B), 0, 1})
    ->Args({kCity, int(Algorithm::B), 0, 2})
    ->Args({2, int(Algorithm::FrankWolfe), 300, 1})
    ->Args({2, int(Algorithm::ConjugateFrankWolfe), 300, 1})
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

BENCHMARK_MAIN();
