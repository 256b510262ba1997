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
    double TargetGap = 1e-8;      // stop as soon as the relative gap is at or below this
    int32_t MaxIterations = 1000; // stop after this many iterations (the initial loading is 0)
    int32_t Threads = 0;          // 0: one per core. Results do not depend on it.
    // Starting threads costs about as much as a few shortest-path trees on a small network: a
    // thread is added only for every this many (link x origin) pairs.
    int64_t WorkPerThread = 200000;
    int32_t InnerPasses = 16;     // Algorithm B: most flow-shift sweeps over the bushes per iteration
};

struct IterationRecord {
    int32_t Iteration = 0;
    double RelativeGap = 0; // (total cost - shortest-path cost) / shortest-path cost
    double Objective = 0;   // Beckmann objective
    double Seconds = 0;     // since Solve started
};

struct AssignmentResult {
    bool Converged = false;  // the target gap was reached
    int32_t Iterations = 0;
    double RelativeGap = 0;
    double Objective = 0;    // sum over links of the integral of time, plus flow-independent costs
    double TotalCost = 0;    // sum over classes and links of class flow times class cost
    double ShortestCost = 0; // sum over classes and OD pairs of trips times shortest class cost
    std::vector<double> Flow;  // [link] all classes plus preloads
    std::vector<double> Time;  // [link]
    std::vector<std::vector<double>> ClassFlow; // [class][link]
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
