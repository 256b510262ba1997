// Origin-based equilibrium after Dial's Algorithm B: each origin's flow lives on an acyclic
// sub-network (its bush); flow is moved, by Newton steps, from the longest used path to the
// shortest path between a node and the point where the two paths part.
//
// A bush is kept compact: only the links that carry the origin's flow, plus the links of the
// shortest-path tree that lead to its used nodes and destinations, grouped by head node with the
// groups in topological order. A flow-shift sweep reads it in place, front to back for the labels
// and back to front for the shifts, without copying it anywhere.
#pragma once

#include "assign/link_cost.h"
#include "assign/network.h"
#include "assign/shortest_path.h"

#include <cstdint>
#include <vector>

namespace veltra::assign {

// The lasting state of one origin of one class: kept between iterations and between Solve calls
// (the warm start of the next outer loop).
struct Bush {
    std::vector<int32_t> Links; // grouped by head node, the groups in topological order
    std::vector<double> Flow;   // [i] this origin's flow on Links[i]
    double Excess = 0;          // largest (longest - shortest) / longest segment cost at the last sweep
    // Bit i: Links[i] carried flow in the state being measured (MarkUsed). The measure and the
    // plan read these, not the flows, which the sweeps may be changing meanwhile.
    std::vector<uint64_t> Used;
    std::vector<int32_t> Plan;  // the links of the renewed bush, from Plan until Apply

    bool IsUsed(size_t i) const { return (Used[i / 64] >> (i % 64)) & 1; }
};

// Flow of the block's origin at or below which a link counts as unused.
double BushDust(const Demand& demand, int32_t block);

// Records which links carry flow above dust, for Plan.
void MarkUsed(Bush& bush, double dust);

// What a flow shift needs to read and update of the whole network: the link times, their slopes,
// the total and class flows and the cost functions to re-evaluate.
struct LinkState {
    const std::vector<LinkCost>* Costs = nullptr; // [link]
    const double* FixedCost = nullptr;             // [link] this class's flow-independent cost; null: none
    double* Time = nullptr;                        // [link]
    double* Slope = nullptr;                       // [link] dTime/dFlow
    double* TotalFlow = nullptr;                   // [link] all classes plus preloads
    double* ClassFlow = nullptr;                   // [link] this class
};

// How far one origin's used routes are from its shortest routes, measured at one set of costs.
struct RouteExcess {
    double Largest = 0;         // largest excess of a used route over its destination's shortest route
    double LargestRelative = 0; // the same, each over the free-flow cost of that shortest route
    double FreeFlowCost = 0;    // sum over destinations of trips times the free-flow cost of the shortest route
};

// Scratch space for working on one bush at a time, sized to the network once: node and link
// arrays that a bush writes before it reads, so nothing needs clearing between bushes.
class BushWorkspace {
public:
    BushWorkspace(const Graph& graph, int32_t noThroughNodes);

    // A new bush: the shortest-path tree at the costs outCost (in the graph's OutLinks order)
    // carrying all of the block's trips. Returns the first unreachable destination with trips, or -1.
    int32_t Initialise(const Demand& demand, int32_t block, const double* outCost, PathScratch& paths, Bush& bush);

    // With paths holding the shortest-path tree from the bush's origin at cost[link]: measures how
    // far the routes used in the marked state (bush.Used) are from the shortest ones (freeCost[link]:
    // the cost at zero flow), and plans the renewed bush: the used links, and the tree's links
    // towards every used node and destination unless one would close a cycle. Reads only the
    // bush's links and marks, writes only its plan. Returns the links the plan adds.
    int32_t Plan(const Demand& demand, int32_t block, const double* cost, const double* freeCost,
                 const PathScratch& paths, Bush& bush, RouteExcess& excess);

    // Puts the plan in place with the flows the bush has now. A link the plan dropped that has
    // taken flow above dust since stays, and the nodes are sorted again; should one of the plan's
    // new tree links then close a cycle, the new links wait for the next plan. Returns whether
    // the whole plan was applied.
    bool Apply(Bush& bush, int32_t origin, double dust);

    // Newton flow shifts over every node of the bush, with live link times. Sets bush.Excess.
    void ShiftFlows(Bush& bush, int32_t origin, const LinkState& state);

private:
    void RenewStamps();
    void KeepUsed(const Bush& bush, int32_t origin);
    bool SortGroups(const std::vector<int32_t>& links, int32_t origin);
    void OrderUsedNodes(const Bush& bush, int32_t origin);
    template <bool WithFixedCost>
    void Labels(const Bush& bush, int32_t origin, const LinkState& state);

    const Graph& graph_;
    int32_t noThroughNodes_;
    int32_t stamp_ = 0; // marks equal to it are this call's; older ones are stale
    // What a sweep knows of a node, side by side: the shortest and longest (used) distance from
    // the origin, the bush link each comes by (index into the bush's links; -1 at the origin or
    // when no used link enters) and the node's index in order_.
    struct Label {
        double Min, Max;
        int32_t MinPred, MaxPred, Position;
    };
    // Node arrays [node]
    std::vector<Label> labels_;
    std::vector<int32_t> position_;          // index in order_ while preparing
    std::vector<int32_t> usedMark_, neededMark_, acceptMark_;
    std::vector<int32_t> first_, last_;      // a node's group of entering links in the bush
    std::vector<int32_t> anchor_, rank_;     // along the shortest-path tree
    std::vector<double> routeExcess_, treeResidue_, treeFree_;
    // Link arrays [link]
    std::vector<int32_t> linkMark_;
    std::vector<double> linkFlow_;
    // Lists
    std::vector<int32_t> order_;             // bush nodes in topological order, the origin first
    std::vector<int32_t> kept_, inStart_, inLinks_, outStart_, outLinks_, heap_, stack_, visited_, needed_, treeOnly_;
    std::vector<int32_t> newLinks_;
    std::vector<double> newFlow_;
    std::vector<int32_t> minSegment_, maxSegment_;
};

} // namespace veltra::assign
