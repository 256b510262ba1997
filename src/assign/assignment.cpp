#include "assign/assignment.h"

#include "assign/parallel.h"
#include "assign/shortest_path.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <string>

namespace veltra::assign {

namespace {

// Origins loaded together in one all-or-nothing wave, each into its own buffer, the buffers then
// added in origin order: a constant, so that the summation order never follows the thread count.
constexpr int32_t kWaveSize = 16;

// Extra flow-shift sweeps of an iteration skip bushes whose largest relative excess is below this
// share of the last relative gap.
constexpr double kSkipShare = 0.03;

struct Job {
    int32_t Class, Block;
};

struct Measures {
    double TotalCost = 0, ShortestCost = 0, Objective = 0, Gap = 0;
};

} // namespace

struct Assignment::Impl {
    const Network& net;
    int32_t links;
    std::vector<Job> jobs;                        // every (class, origin block)
    std::vector<LinkCost> costs;                  // [link]
    std::vector<double> fixedFlow;                // [link]
    std::vector<std::vector<double>> fixedCost;   // [class][link]
    std::vector<std::vector<double>> classCost;   // [class][link] time + fixed cost, snapshot
    std::vector<double> flow, time, slope;        // [link]
    std::vector<std::vector<double>> classFlow;   // [class][link]

    // Algorithm B: one bush per job, kept between calls.
    std::vector<Bush> bushes;                     // [job]
    bool bushesReady = false;
    // Frank-Wolfe: the current class flows are the state; the conjugate version also keeps the
    // previous target point.
    bool flowsReady = false;
    std::vector<std::vector<double>> target;      // [class][link] all-or-nothing flows
    std::vector<std::vector<double>> previousTarget;
    bool hasPreviousTarget = false;

    // Scratch
    std::vector<double> shortestByJob;            // [job]
    std::vector<PathScratch> workerPaths;         // [worker]
    std::vector<std::unique_ptr<BushWorkspace>> workspaces; // [worker]
    std::vector<PathScratch> wavePaths;           // [wave slot]
    std::vector<std::vector<double>> waveFlow;    // [wave slot][link]
    std::vector<double> direction;                // [link] total of the class directions

    explicit Impl(const Network& network) : net(network), links(network.Links.LinkCount()) {
        if (static_cast<int32_t>(network.Costs.size()) != links)
            throw std::invalid_argument("network: one cost function per link is needed");
        costs = network.Costs;
        fixedFlow = network.FixedFlow;
        fixedFlow.resize(links, 0.0);
        int32_t classes = static_cast<int32_t>(network.Classes.size());
        for (int32_t c = 0; c < classes; ++c) {
            fixedCost.push_back(ClassFixedCost(network, network.Classes[c]));
            for (int32_t b = 0; b < network.Classes[c].Trips.OriginCount(); ++b) jobs.push_back({c, b});
        }
        classCost.assign(classes, std::vector<double>(links, 0.0));
        classFlow.assign(classes, std::vector<double>(links, 0.0));
        flow = fixedFlow;
        time.assign(links, 0.0);
        slope.assign(links, 0.0);
        UpdateTimes();
        shortestByJob.assign(jobs.size(), 0.0);
    }

    int32_t UsefulThreads(const SolverSettings& settings) const {
        int64_t work = static_cast<int64_t>(links) * static_cast<int64_t>(jobs.size());
        int64_t useful = work / std::max<int64_t>(1, settings.WorkPerThread);
        return static_cast<int32_t>(std::max<int64_t>(1, std::min<int64_t>(ThreadCount(settings.Threads), useful)));
    }

    void EnsureScratch(int32_t threads) {
        const Graph& g = net.Links;
        while (static_cast<int32_t>(workerPaths.size()) < threads) workerPaths.emplace_back(g.NodeCount());
        while (static_cast<int32_t>(workspaces.size()) < threads)
            workspaces.push_back(std::make_unique<BushWorkspace>(g, net.NoThroughNodes));
    }

    void UpdateTimes() {
        for (int32_t a = 0; a < links; ++a) {
            time[a] = LinkTime(costs[a], flow[a]);
            slope[a] = LinkTimeDerivative(costs[a], flow[a]);
        }
    }

    void RefreshClassCosts() {
        for (size_t c = 0; c < classCost.size(); ++c)
            for (int32_t a = 0; a < links; ++a) classCost[c][a] = time[a] + fixedCost[c][a];
    }

    void FlowFromClasses() {
        flow = fixedFlow;
        for (const std::vector<double>& cf : classFlow)
            for (int32_t a = 0; a < links; ++a) flow[a] += cf[a];
    }

    // Link flows summed again from the bushes, in job order: removes the rounding drift of many
    // small shifts and keeps the totals independent of how the work was shared.
    void TotalsFromBushes() {
        for (std::vector<double>& cf : classFlow) std::fill(cf.begin(), cf.end(), 0.0);
        for (size_t j = 0; j < jobs.size(); ++j) {
            std::vector<double>& cf = classFlow[jobs[j].Class];
            const Bush& bush = bushes[j];
            for (size_t i = 0; i < bush.Links.size(); ++i) cf[bush.Links[i]] += bush.Flow[i];
        }
        FlowFromClasses();
        UpdateTimes();
    }

    [[noreturn]] void Unreachable(const Job& job, int32_t destination) const {
        const UserClass& uc = net.Classes[job.Class];
        throw AssignmentError("no path from node " + std::to_string(uc.Trips.Origins[job.Block] + 1) + " to node " +
                              std::to_string(destination + 1) + " for the trips of class " +
                              (uc.Name.empty() ? std::to_string(job.Class + 1) : uc.Name));
    }

    // Shortest-path cost of all trips at the current class costs (one tree per job, in parallel).
    double ShortestCost(int32_t threads) {
        const Graph& g = net.Links;
        ParallelFor(static_cast<int32_t>(jobs.size()), threads, [&](int32_t j, int32_t worker) {
            const Job& job = jobs[j];
            const Demand& demand = net.Classes[job.Class].Trips;
            PathScratch& paths = workerPaths[worker];
            ShortestPathTree(g, net.NoThroughNodes, classCost[job.Class].data(), demand.Origins[job.Block], paths);
            shortestByJob[j] = BlockShortestCost(demand, job.Block, paths);
        });
        double total = 0;
        for (size_t j = 0; j < jobs.size(); ++j) {
            if (shortestByJob[j] == kUnreachable) {
                const Demand& demand = net.Classes[jobs[j].Class].Trips;
                ShortestPathTree(g, net.NoThroughNodes, classCost[jobs[j].Class].data(),
                                 demand.Origins[jobs[j].Block], workerPaths[0]);
                for (int32_t i = demand.Start[jobs[j].Block]; i < demand.Start[jobs[j].Block + 1]; ++i)
                    if (workerPaths[0].Distance[demand.Destinations[i]] == kUnreachable)
                        Unreachable(jobs[j], demand.Destinations[i]);
            }
            total += shortestByJob[j];
        }
        return total;
    }

    // All-or-nothing flows of every class at the current class costs into out[class][link].
    double LoadAllOrNothing(int32_t threads, std::vector<std::vector<double>>& out) {
        const Graph& g = net.Links;
        out.assign(classCost.size(), std::vector<double>(links, 0.0));
        while (wavePaths.size() < static_cast<size_t>(kWaveSize)) wavePaths.emplace_back(g.NodeCount());
        waveFlow.resize(kWaveSize);
        for (std::vector<double>& buffer : waveFlow) buffer.resize(links, 0.0);
        double total = 0;
        int32_t jobCount = static_cast<int32_t>(jobs.size());
        for (int32_t first = 0; first < jobCount; first += kWaveSize) {
            int32_t count = std::min(kWaveSize, jobCount - first);
            ParallelFor(count, threads, [&](int32_t slot, int32_t) {
                const Job& job = jobs[first + slot];
                const Demand& demand = net.Classes[job.Class].Trips;
                PathScratch& paths = wavePaths[slot];
                ShortestPathTree(g, net.NoThroughNodes, classCost[job.Class].data(), demand.Origins[job.Block], paths);
                shortestByJob[first + slot] = BlockShortestCost(demand, job.Block, paths);
                int32_t unreachable = LoadTree(g, demand, job.Block, paths, waveFlow[slot].data());
                if (unreachable >= 0) Unreachable(job, unreachable);
            });
            for (int32_t slot = 0; slot < count; ++slot) {
                std::vector<double>& target = out[jobs[first + slot].Class];
                const PathScratch& paths = wavePaths[slot];
                for (int32_t node : paths.Settled) {
                    int32_t link = paths.PredLink[node];
                    if (link < 0) continue;
                    target[link] += waveFlow[slot][link];
                    waveFlow[slot][link] = 0;
                }
                total += shortestByJob[first + slot];
            }
        }
        return total;
    }

    Measures Measure(double shortestCost) const {
        Measures m;
        m.ShortestCost = shortestCost;
        for (int32_t a = 0; a < links; ++a) m.Objective += LinkTimeIntegral(costs[a], flow[a]);
        for (size_t c = 0; c < classFlow.size(); ++c) {
            for (int32_t a = 0; a < links; ++a) {
                m.TotalCost += classFlow[c][a] * (time[a] + fixedCost[c][a]);
                m.Objective += classFlow[c][a] * fixedCost[c][a];
            }
        }
        m.Gap = shortestCost > 0 ? (m.TotalCost - shortestCost) / shortestCost : 0.0;
        return m;
    }

    void InitialiseBushes(int32_t threads) {
        RefreshClassCosts();
        bushes.assign(jobs.size(), Bush());
        ParallelFor(static_cast<int32_t>(jobs.size()), threads, [&](int32_t j, int32_t worker) {
            const Job& job = jobs[j];
            int32_t unreachable = workspaces[worker]->Initialise(net.Classes[job.Class].Trips, job.Block,
                                                                  classCost[job.Class].data(), workerPaths[worker],
                                                                  bushes[j]);
            if (unreachable >= 0) Unreachable(job, unreachable);
        });
        bushesReady = true;
    }

    void IterateB(int32_t threads, int32_t innerPasses, double skipBelow) {
        RefreshClassCosts();
        BushWorkspace& workspace = *workspaces[0];
        LinkState state;
        state.Costs = &costs;
        state.Time = time.data();
        state.Slope = slope.data();
        state.TotalFlow = flow.data();
        auto shift = [&](int32_t j) {
            state.FixedCost = fixedCost[jobs[j].Class].data();
            state.ClassFlow = classFlow[jobs[j].Class].data();
            workspace.ShiftFlows(bushes[j], state);
        };
        // New links are chosen for every bush against the same costs (the snapshot at the start
        // of the iteration), so on all threads; flow shifts see each other's effect on link times
        // at once (Gauss-Seidel over origins), which is what makes them converge fast, so they
        // run on this thread in origin order, each bush as soon as its links are chosen.
        int32_t count = static_cast<int32_t>(jobs.size());
        ProduceInOrder(count, threads,
                       [&](int32_t j, int32_t worker) { workspaces[worker]->Improve(bushes[j], classCost[jobs[j].Class].data()); },
                       shift);
        for (int32_t pass = 1; pass < innerPasses; ++pass) {
            for (int32_t j = 0; j < count; ++j) {
                // After the first sweep, only bushes still far from their own equilibrium are
                // worth another: the others' shifts would be below what the gap can show.
                if (bushes[j].Excess >= skipBelow) shift(j);
            }
        }
        TotalsFromBushes();
    }

    // Step length in [0, 1] along direction (per class) minimising the objective, by bisection on
    // its derivative.
    double LineSearch(const std::vector<std::vector<double>>& classDirection) {
        direction.assign(links, 0.0);
        double fixedSlope = 0;
        for (size_t c = 0; c < classDirection.size(); ++c) {
            for (int32_t a = 0; a < links; ++a) {
                direction[a] += classDirection[c][a];
                fixedSlope += fixedCost[c][a] * classDirection[c][a];
            }
        }
        auto derivative = [&](double step) {
            double sum = fixedSlope;
            for (int32_t a = 0; a < links; ++a)
                if (direction[a] != 0) sum += LinkTime(costs[a], std::max(0.0, flow[a] + step * direction[a])) * direction[a];
            return sum;
        };
        if (derivative(1.0) <= 0) return 1.0;
        double low = 0, high = 1;
        for (int32_t i = 0; i < 60; ++i) {
            double mid = 0.5 * (low + high);
            if (derivative(mid) > 0) high = mid; else low = mid;
        }
        return 0.5 * (low + high);
    }

    // Conjugate Frank-Wolfe (Mitradjieva and Lindberg, 2013): the new target mixes the previous
    // target and the all-or-nothing point so that the step is conjugate to the last one with
    // respect to the diagonal Hessian of the link times.
    void ConjugateTarget() {
        if (!hasPreviousTarget) return;
        double numerator = 0, denominator = 0;
        for (int32_t a = 0; a < links; ++a) {
            if (slope[a] == 0) continue;
            double sx = 0, yx = 0, ys = 0;
            for (size_t c = 0; c < classFlow.size(); ++c) {
                sx += previousTarget[c][a] - classFlow[c][a];
                yx += target[c][a] - classFlow[c][a];
                ys += target[c][a] - previousTarget[c][a];
            }
            numerator += slope[a] * sx * yx;
            denominator += slope[a] * sx * ys;
        }
        double alpha = 0;
        if (denominator != 0) alpha = std::clamp(numerator / denominator, 0.0, 0.99);
        if (!std::isfinite(alpha)) alpha = 0;
        for (size_t c = 0; c < target.size(); ++c)
            for (int32_t a = 0; a < links; ++a)
                target[c][a] = alpha * previousTarget[c][a] + (1 - alpha) * target[c][a];
    }
};

Assignment::Assignment(const Network& network, SolverSettings settings)
    : impl_(std::make_unique<Impl>(network)), settings_(settings) {}

Assignment::~Assignment() = default;

void Assignment::SetLinkCost(int32_t link, const LinkCost& cost) {
    impl_->costs.at(link) = cost;
}

void Assignment::SetLinkCosts(const std::vector<LinkCost>& costs) {
    if (static_cast<int32_t>(costs.size()) != impl_->links) throw std::invalid_argument("one cost function per link is needed");
    impl_->costs = costs;
}

void Assignment::SetFixedFlow(const std::vector<double>& fixedFlow) {
    impl_->fixedFlow = fixedFlow;
    impl_->fixedFlow.resize(impl_->links, 0.0);
    impl_->FlowFromClasses();
    impl_->UpdateTimes();
}

double Assignment::AllOrNothing(std::vector<std::vector<double>>& classFlow) {
    int32_t threads = impl_->UsefulThreads(settings_);
    impl_->EnsureScratch(threads);
    impl_->RefreshClassCosts();
    return impl_->LoadAllOrNothing(threads, classFlow);
}

AssignmentResult Assignment::Solve(const std::function<void(const IterationRecord&)>& progress) {
    using Clock = std::chrono::steady_clock;
    Clock::time_point start = Clock::now();
    Impl& s = *impl_;
    int32_t threads = impl_->UsefulThreads(settings_);
    s.EnsureScratch(threads);
    AssignmentResult result;
    Measures m;
    auto record = [&](int32_t iteration) {
        IterationRecord r;
        r.Iteration = iteration;
        r.RelativeGap = m.Gap;
        r.Objective = m.Objective;
        r.Seconds = std::chrono::duration<double>(Clock::now() - start).count();
        result.Convergence.push_back(r);
        result.Iterations = iteration;
        if (progress) progress(r);
    };

    if (settings_.Method == Algorithm::B) {
        if (!s.bushesReady) s.InitialiseBushes(threads);
        s.TotalsFromBushes();
        s.RefreshClassCosts();
        m = s.Measure(s.ShortestCost(threads));
        record(0);
        for (int32_t iteration = 1; iteration <= settings_.MaxIterations && !(m.Gap <= settings_.TargetGap); ++iteration) {
            s.IterateB(threads, settings_.InnerPasses, kSkipShare * m.Gap);
            s.RefreshClassCosts();
            m = s.Measure(s.ShortestCost(threads));
            record(iteration);
        }
    } else {
        if (!s.flowsReady) {
            s.RefreshClassCosts();
            s.LoadAllOrNothing(threads, s.classFlow);
            s.flowsReady = true;
            s.hasPreviousTarget = false;
        }
        s.FlowFromClasses();
        s.UpdateTimes();
        for (int32_t iteration = 0;; ++iteration) {
            s.RefreshClassCosts();
            m = s.Measure(s.LoadAllOrNothing(threads, s.target));
            record(iteration);
            if (m.Gap <= settings_.TargetGap || iteration >= settings_.MaxIterations) break;
            if (settings_.Method == Algorithm::ConjugateFrankWolfe) s.ConjugateTarget();
            std::vector<std::vector<double>> classDirection(s.classFlow.size(), std::vector<double>(s.links));
            for (size_t c = 0; c < s.classFlow.size(); ++c)
                for (int32_t a = 0; a < s.links; ++a) classDirection[c][a] = s.target[c][a] - s.classFlow[c][a];
            double step = s.LineSearch(classDirection);
            for (size_t c = 0; c < s.classFlow.size(); ++c)
                for (int32_t a = 0; a < s.links; ++a)
                    s.classFlow[c][a] = std::max(0.0, s.classFlow[c][a] + step * classDirection[c][a]);
            s.FlowFromClasses();
            s.UpdateTimes();
            s.previousTarget = s.target;
            s.hasPreviousTarget = settings_.Method == Algorithm::ConjugateFrankWolfe && step < 1.0;
        }
    }

    result.Converged = m.Gap <= settings_.TargetGap;
    result.RelativeGap = m.Gap;
    result.Objective = m.Objective;
    result.TotalCost = m.TotalCost;
    result.ShortestCost = m.ShortestCost;
    result.Flow = s.flow;
    result.Time = s.time;
    result.ClassFlow = s.classFlow;
    return result;
}

} // namespace veltra::assign
