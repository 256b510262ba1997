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

// Algorithm B: after its first sweep in an iteration, a bush gets further sweeps while its
// largest relative excess is at least this share of the last relative gap, but never a higher
// bar than kSkipCap, so that a gap far above 1 (a link near the ceiling) does not switch the
// extra sweeps off just when they are needed.
constexpr double kSkipShare = 0.03;
constexpr double kSkipCap = 1e-3;

// Algorithm B: the sweeps of an iteration that run before its state is measured; the others run
// beside the measure (and the next plans), on this thread while the others build trees. More
// before the measure make each measured state better settled; fewer leave less work alone on
// one thread.
constexpr int32_t kSweepsBeforeMeasure = 4;

struct Job {
    int32_t Class, Block;
};

struct Measures {
    double TotalCost = 0, ShortestCost = 0, Objective = 0, Trips = 0, FreeFlowCost = 0;
    double LargestExcess = -1, LargestRelativeExcess = -1;

    double Gap() const { return Share(ShortestCost); }
    double FreeFlowGap() const { return Share(FreeFlowCost); }
    double AverageExcess() const { return Trips > 0 ? std::max(0.0, TotalCost - ShortestCost) / Trips : 0.0; }
    // (total - shortest) / base; 0 without trips. Rounding may make the difference a little negative.
    double Share(double base) const {
        double excess = std::max(0.0, TotalCost - ShortestCost);
        if (base > 0) return excess / base;
        return excess > 0 ? kTimeCeiling : 0.0;
    }
};

} // namespace

struct Assignment::Impl {
    const Network& net;
    int32_t links;
    std::vector<Job> jobs;                        // every (class, origin block)
    std::vector<LinkCost> costs;                  // [link]
    std::vector<double> fixedFlow;                // [link]
    std::vector<std::vector<double>> fixedCost;   // [class][link]
    std::vector<uint8_t> hasFixedCost;            // [class] some link has a flow-independent cost
    std::vector<std::vector<double>> classCost;   // [class][link] time + fixed cost, snapshot
    std::vector<std::vector<double>> classOutCost; // [class][i] the same in the order of the graph's OutLinks
    std::vector<std::vector<double>> freeCost;    // [class][link] class cost at zero flow
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
    std::vector<double> shortestByJob, freeFlowByJob; // [job]
    std::vector<RouteExcess> excessByJob;         // [job]
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
            hasFixedCost.push_back(std::any_of(fixedCost.back().begin(), fixedCost.back().end(), [](double f) { return f != 0; }));
            for (int32_t b = 0; b < network.Classes[c].Trips.OriginCount(); ++b) jobs.push_back({c, b});
        }
        classCost.assign(classes, std::vector<double>(links, 0.0));
        classOutCost.assign(classes, std::vector<double>(links, 0.0));
        freeCost.assign(classes, std::vector<double>(links, 0.0));
        classFlow.assign(classes, std::vector<double>(links, 0.0));
        flow = fixedFlow;
        time.assign(links, 0.0);
        slope.assign(links, 0.0);
        UpdateTimes();
        shortestByJob.assign(jobs.size(), 0.0);
        freeFlowByJob.assign(jobs.size(), 0.0);
        excessByJob.assign(jobs.size(), RouteExcess());
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
        for (int32_t a = 0; a < links; ++a) LinkTimeAndSlope(costs[a], flow[a], time[a], slope[a]);
    }

    void RefreshClassCosts() {
        for (size_t c = 0; c < classCost.size(); ++c) {
            for (int32_t a = 0; a < links; ++a) classCost[c][a] = time[a] + fixedCost[c][a];
            OutOrderCosts(net.Links, classCost[c].data(), classOutCost[c].data());
        }
    }

    // The scale of the route excess: costs at zero flow, again whenever the cost functions may
    // have changed.
    void RefreshFreeCosts() {
        for (size_t c = 0; c < freeCost.size(); ++c)
            for (int32_t a = 0; a < links; ++a) freeCost[c][a] = LinkTime(costs[a], 0.0) + fixedCost[c][a];
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

    // A sweep skips adding the flow-independent costs of a class that has none.
    const double* FixedCostOf(int32_t userClass) const {
        return hasFixedCost[userClass] ? fixedCost[userClass].data() : nullptr;
    }

    int32_t Origin(const Job& job) const { return net.Classes[job.Class].Trips.Origins[job.Block]; }

    [[noreturn]] void Unreachable(const Job& job, int32_t destination) const {
        const UserClass& uc = net.Classes[job.Class];
        throw AssignmentError("no path from node " + net.NodeName(Origin(job)) + " to node " + net.NodeName(destination) +
                              " for the trips of class " + (uc.Name.empty() ? std::to_string(job.Class + 1) : uc.Name));
    }

    // Throws for the first destination of the job that the tree in paths does not reach.
    void CheckReached(const Job& job, const PathScratch& paths) const {
        const Demand& demand = net.Classes[job.Class].Trips;
        for (int32_t i = demand.Start[job.Block]; i < demand.Start[job.Block + 1]; ++i)
            if (paths.Distance[demand.Destinations[i]] == kUnreachable) Unreachable(job, demand.Destinations[i]);
    }

    static void AddDestinations(const Demand& demand, int32_t block, PathScratch& paths) {
        for (int32_t i = demand.Start[block]; i < demand.Start[block + 1]; ++i) paths.Targets.push_back(demand.Destinations[i]);
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
                AddDestinations(demand, job.Block, paths);
                ShortestPathTree(g, net.NoThroughNodes, classOutCost[job.Class].data(), demand.Origins[job.Block], paths);
                shortestByJob[first + slot] = BlockShortestCost(demand, job.Block, paths);
                int32_t unreachable = LoadTree(g, demand, job.Block, paths, waveFlow[slot].data());
                if (unreachable >= 0) Unreachable(job, unreachable);
                freeFlowByJob[first + slot] = BlockFreeFlowCost(g, demand, job.Block, freeCost[job.Class].data(), paths);
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

    // Total cost, objective and trips at the current flows; the shortest-path figures are the
    // caller's.
    Measures MeasureFlows() const {
        Measures m;
        for (int32_t a = 0; a < links; ++a) m.Objective += LinkTimeIntegral(costs[a], flow[a]);
        for (size_t c = 0; c < classFlow.size(); ++c) {
            for (int32_t a = 0; a < links; ++a) {
                m.TotalCost += classFlow[c][a] * (time[a] + fixedCost[c][a]);
                m.Objective += classFlow[c][a] * fixedCost[c][a];
            }
            m.Trips += net.Classes[c].Trips.Total();
        }
        return m;
    }

    void AddJobFigures(Measures& m, bool routes) const {
        m.ShortestCost = m.FreeFlowCost = 0;
        if (routes) m.LargestExcess = m.LargestRelativeExcess = 0;
        for (size_t j = 0; j < jobs.size(); ++j) {
            m.ShortestCost += shortestByJob[j];
            m.FreeFlowCost += routes ? excessByJob[j].FreeFlowCost : freeFlowByJob[j];
            if (!routes) continue;
            m.LargestExcess = std::max(m.LargestExcess, excessByJob[j].Largest);
            m.LargestRelativeExcess = std::max(m.LargestRelativeExcess, excessByJob[j].LargestRelative);
        }
    }

    void InitialiseBushes(int32_t threads) {
        RefreshClassCosts();
        bushes.assign(jobs.size(), Bush());
        ParallelFor(static_cast<int32_t>(jobs.size()), threads, [&](int32_t j, int32_t worker) {
            const Job& job = jobs[j];
            int32_t unreachable = workspaces[worker]->Initialise(net.Classes[job.Class].Trips, job.Block,
                                                                  classOutCost[job.Class].data(), workerPaths[worker],
                                                                  bushes[j]);
            if (unreachable >= 0) Unreachable(job, unreachable);
        });
        bushesReady = true;
    }

    LinkState LiveState() {
        LinkState state;
        state.Costs = &costs;
        state.Time = time.data();
        state.Slope = slope.data();
        state.TotalFlow = flow.data();
        return state;
    }

    void Sweep(BushWorkspace& workspace, LinkState& state, size_t j) {
        const Job& job = jobs[j];
        state.FixedCost = FixedCostOf(job.Class);
        state.ClassFlow = classFlow[job.Class].data();
        workspace.ShiftFlows(bushes[j], Origin(job), state);
    }

    // Algorithm B's measure of the current state, and the plans of the next bushes, for every
    // origin on the worker threads: the shortest-path tree at the snapshot of the class costs
    // gives the relative gap and the route excess and then the tree's links that join the bush.
    // These read only the snapshot and each bush's links and marks of use, so meanwhile this
    // thread runs sweeps, the further sweeps of the iteration that led to this state; their
    // effect is measured at the next state.
    void MeasureAndPlan(int32_t threads, const std::function<void()>& sweeps) {
        const Graph& g = net.Links;
        for (size_t j = 0; j < jobs.size(); ++j) MarkUsed(bushes[j], BushDust(net.Classes[jobs[j].Class].Trips, jobs[j].Block));
        RunBeside(static_cast<int32_t>(jobs.size()), threads, sweeps, [&](int32_t j, int32_t worker) {
            const Job& job = jobs[j];
            const Demand& demand = net.Classes[job.Class].Trips;
            PathScratch& paths = workerPaths[worker];
            // The tree is needed as far as the destinations and the nodes of the bush.
            AddDestinations(demand, job.Block, paths);
            for (int32_t link : bushes[j].Links) paths.Targets.push_back(g.Head(link));
            ShortestPathTree(g, net.NoThroughNodes, classOutCost[job.Class].data(), demand.Origins[job.Block], paths);
            shortestByJob[j] = BlockShortestCost(demand, job.Block, paths);
            if (shortestByJob[j] == kUnreachable) CheckReached(job, paths);
            workspaces[worker]->Plan(demand, job.Block, classCost[job.Class].data(), freeCost[job.Class].data(), paths,
                                     bushes[j], excessByJob[j]);
        });
    }

    void ApplyPlans(int32_t threads) {
        ParallelFor(static_cast<int32_t>(jobs.size()), threads, [&](int32_t j, int32_t worker) {
            workspaces[worker]->Apply(bushes[j], Origin(jobs[j]), BushDust(net.Classes[jobs[j].Class].Trips, jobs[j].Block));
        });
    }

    // The first sweep of an iteration over each bush in origin order: flow shifts see each
    // other's effect on link times at once (Gauss-Seidel over origins), which is what makes them
    // converge fast.
    void FirstSweep() {
        LinkState state = LiveState();
        for (size_t j = 0; j < jobs.size(); ++j) Sweep(*workspaces[0], state, j);
    }

    // Further sweeps, over all bushes in turn, only for those still far from their own
    // equilibrium: the others' shifts would be below what the gap can show.
    void ExtraSweeps(int32_t firstPass, int32_t innerPasses, double skipBelow) {
        LinkState state = LiveState();
        for (int32_t pass = firstPass; pass < innerPasses; ++pass)
            for (size_t j = 0; j < jobs.size(); ++j)
                if (bushes[j].Excess >= skipBelow) Sweep(*workspaces[0], state, j);
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
    impl_->RefreshFreeCosts();
    return impl_->LoadAllOrNothing(threads, classFlow);
}

AssignmentResult Assignment::Solve(const std::function<void(const IterationRecord&)>& progress) {
    using Clock = std::chrono::steady_clock;
    Clock::time_point start = Clock::now();
    Impl& s = *impl_;
    int32_t threads = impl_->UsefulThreads(settings_);
    s.EnsureScratch(threads);
    s.RefreshFreeCosts();
    const bool routes = settings_.Method == Algorithm::B;
    AssignmentResult result;
    Measures m;
    auto record = [&](int32_t iteration) {
        IterationRecord r;
        r.Iteration = iteration;
        r.RelativeGap = m.Gap();
        r.AverageExcess = m.AverageExcess();
        r.LargestExcess = m.LargestExcess;
        r.LargestRelativeExcess = m.LargestRelativeExcess;
        r.FreeFlowGap = m.FreeFlowGap();
        r.Objective = m.Objective;
        r.Seconds = std::chrono::duration<double>(Clock::now() - start).count();
        result.Convergence.push_back(r);
        result.Iterations = iteration;
        if (progress) progress(r);
    };
    auto converged = [&] {
        if (!(m.Gap() <= settings_.TargetGap)) return false;
        if (routes) return m.LargestRelativeExcess <= settings_.ExcessTolerance;
        return m.FreeFlowGap() <= settings_.TargetGap;
    };

    if (routes) {
        if (!s.bushesReady) s.InitialiseBushes(threads);
        s.TotalsFromBushes();
        // Each state is measured after the first kSweepsBeforeMeasure sweeps of an iteration, while
        // the iteration's other sweeps run beside the measure; the initial loading has none.
        bool sweepsDue = false;
        double lastGap = kTimeCeiling;
        for (int32_t iteration = 0;; ++iteration) {
            s.RefreshClassCosts();
            m = s.MeasureFlows();
            // The measured state, kept for the result: the sweeps move on from it meanwhile.
            std::vector<double> measuredFlow = s.flow, measuredTime = s.time;
            std::vector<std::vector<double>> measuredClassFlow = s.classFlow;
            double skipBelow = std::min(kSkipShare * lastGap, kSkipCap);
            s.MeasureAndPlan(threads, [&] {
                if (sweepsDue) s.ExtraSweeps(kSweepsBeforeMeasure, settings_.InnerPasses, skipBelow);
            });
            s.AddJobFigures(m, true);
            record(iteration);
            if (converged() || iteration >= settings_.MaxIterations) {
                s.ApplyPlans(threads); // the bushes go on from the plans at the next call
                s.flow.swap(measuredFlow);
                s.time.swap(measuredTime);
                s.classFlow.swap(measuredClassFlow);
                break;
            }
            lastGap = m.Gap();
            s.ApplyPlans(threads);
            s.FirstSweep();
            s.ExtraSweeps(1, kSweepsBeforeMeasure, std::min(kSkipShare * lastGap, kSkipCap));
            sweepsDue = true;
            s.TotalsFromBushes();
        }
        result.Flow = s.flow;
        result.Time = s.time;
        result.ClassFlow = s.classFlow;
        // The live state continues from the bushes, which may be ahead of the measured flows.
        s.TotalsFromBushes();
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
            s.LoadAllOrNothing(threads, s.target);
            m = s.MeasureFlows();
            s.AddJobFigures(m, false);
            record(iteration);
            if (converged() || iteration >= settings_.MaxIterations) break;
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
        result.Flow = s.flow;
        result.Time = s.time;
        result.ClassFlow = s.classFlow;
    }

    for (int32_t a = 0; a < s.links; ++a)
        if (AtTimeCeiling(s.costs[a], result.Flow[a])) result.LinksAtCeiling.push_back(a);
    // Beside a time held at the ceiling the others vanish in the sums: the figures cannot tell
    // routes apart there, so such a state is never called converged.
    result.Converged = converged() && result.LinksAtCeiling.empty();
    result.RelativeGap = m.Gap();
    result.AverageExcess = m.AverageExcess();
    result.LargestExcess = m.LargestExcess;
    result.LargestRelativeExcess = m.LargestRelativeExcess;
    result.FreeFlowGap = m.FreeFlowGap();
    result.Objective = m.Objective;
    result.TotalCost = m.TotalCost;
    result.ShortestCost = m.ShortestCost;
    return result;
}

} // namespace veltra::assign
