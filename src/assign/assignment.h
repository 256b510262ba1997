// Deterministic user equilibrium (Wardrop) of a network's user classes: the solver's settings,
// its result, and the solver object that keeps its state between calls so that an outer loop
// (re-simulate junctions, replace link costs, assign again) restarts from the last solution.
#pragma once

#include "assign/bush.h"
#include "assign/network.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

namespace veltra::assign {

enum class Algorithm { B = 0, FrankWolfe = 1, ConjugateFrankWolfe = 2 };

struct SolverSettings {
    Algorithm Method = Algorithm::B;
    double TargetGap = 1e-8;      // the relative gap must be at or below this
    // Algorithm B also needs every used route within this share of the free-flow cost of its
    // origin-destination pair's shortest route (see AssignmentResult::LargestRelativeExcess).
    double ExcessTolerance = 1e-6;
    int32_t MaxIterations = 1000; // stop after this many iterations (the initial loading is 0)
    int32_t Threads = 0;          // 0: one per core. Results do not depend on it.
    // Starting threads costs about as much as a few shortest-path trees on a small network: a
    // thread is added only for every this many (link x origin) pairs.
    int64_t WorkPerThread = 200000;
    int32_t InnerPasses = 16;     // Algorithm B: most flow-shift sweeps over a bush per iteration
};

// How far one state of the flows is from equilibrium. Total cost: the sum over classes and links
// of class flow times class cost; shortest-path cost: the sum over OD pairs of trips times the
// shortest route's cost at the same link costs.
struct IterationRecord {
    int32_t Iteration = 0;
    double RelativeGap = 0;   // (total cost - shortest-path cost) / shortest-path cost: the headline
    double AverageExcess = 0; // (total cost - shortest-path cost) / trips, in cost units per trip
    // Largest excess of a used route over the shortest route of its OD pair, in cost units, and the
    // largest of these excesses each over the free-flow cost of that shortest route (its cost at
    // zero flow): a cost that congestion makes unavoidable for every route of a pair cannot hide
    // a difference between its routes there. Measured by Algorithm B, which keeps each origin's
    // routes; -1 for the Frank-Wolfe methods, which keep link flows only.
    double LargestExcess = 0;
    double LargestRelativeExcess = 0;
    // (total cost - shortest-path cost) / the free-flow cost of the shortest routes.
    double FreeFlowGap = 0;
    double Objective = 0;     // Beckmann objective
    double Seconds = 0;       // since Solve started
};

// Converged: the relative gap is at or below the target, and also, for Algorithm B, the largest
// relative route excess is at or below ExcessTolerance, or, for the Frank-Wolfe methods, the
// free-flow gap is at or below the target. Either way an unavoidable cost that swamps the gap's
// denominator cannot make an unequal split of trips between routes look converged. The solve
// stops there; it is not called converged while a link's time is held at the ceiling.
struct AssignmentResult {
    bool Converged = false;
    int32_t Iterations = 0;   // the last iteration: the limit, or the first that met the criteria
    double RelativeGap = 0;
    double AverageExcess = 0;
    double LargestExcess = 0;         // -1: not measured (Frank-Wolfe methods)
    double LargestRelativeExcess = 0; // -1: not measured (Frank-Wolfe methods)
    double FreeFlowGap = 0;
    double Objective = 0;    // sum over links of the integral of time, plus flow-independent costs
    double TotalCost = 0;    // sum over classes and links of class flow times class cost
    double ShortestCost = 0; // sum over classes and OD pairs of trips times shortest class cost
    std::vector<double> Flow;  // [link] all classes plus preloads
    std::vector<double> Time;  // [link]
    std::vector<std::vector<double>> ClassFlow; // [class][link]
    // Links whose time is held at kTimeCeiling at these flows: their true time is larger, so
    // the equilibrium through them is only as good as the ceiling allows.
    std::vector<int32_t> LinksAtCeiling;
    std::vector<IterationRecord> Convergence;
};

// Raised when the trips cannot be assigned (a destination no path reaches).
class AssignmentError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Assignment {
public:
    // Keeps a reference to network's graph and demand; link costs and preloads are copied and may
    // be replaced between calls of Solve.
    Assignment(const Network& network, SolverSettings settings);
    ~Assignment();

    void SetSettings(const SolverSettings& settings) { settings_ = settings; }
    void SetLinkCost(int32_t link, const LinkCost& cost);
    void SetLinkCosts(const std::vector<LinkCost>& costs); // one per link
    void SetFixedFlow(const std::vector<double>& fixedFlow);

    // Runs to the target gap or the iteration limit, starting from the state of the previous call
    // (its bushes or flows, re-evaluated at the current link costs). progress, when given, is
    // called once per iteration.
    AssignmentResult Solve(const std::function<void(const IterationRecord&)>& progress = {});

    // The all-or-nothing loading at current times, for every class (one Frank-Wolfe direction):
    // what one iteration's shortest paths and loading cost. Returns the shortest-path cost.
    double AllOrNothing(std::vector<std::vector<double>>& classFlow);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    SolverSettings settings_;
};

} // namespace veltra::assign
