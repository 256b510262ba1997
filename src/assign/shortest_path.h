// Shortest-path trees from one origin and all-or-nothing loading of that origin's trips: the
// measuring stick of the relative gap and the direction of Frank-Wolfe.
#pragma once

#include "assign/network.h"

#include <cstdint>
#include <limits>
#include <vector>

namespace veltra::assign {

constexpr double kUnreachable = std::numeric_limits<double>::infinity();

// Scratch of one tree, sized to the graph once and reused for every origin.
struct PathScratch {
    std::vector<double> Distance;   // [node] cost from the origin; kUnreachable if not reached
    std::vector<int32_t> PredLink;  // [node] last link of the shortest path; -1 at the origin
    std::vector<int32_t> Settled;   // nodes in the order they were settled (non-decreasing distance)
    std::vector<double> NodeLoad;   // [node] trips passing the node while loading the tree
    struct HeapEntry {
        double Key;
        int32_t Node;
    };
    std::vector<HeapEntry> Heap;    // binary heap by Distance, the key kept beside the node
    std::vector<int32_t> HeapIndex; // [node] position in Heap, -1 when absent
    // The nodes the next tree must settle before it may stop; empty: every node it can reach.
    // Filled by the caller, emptied by ShortestPathTree.
    std::vector<int32_t> Targets;
    std::vector<int32_t> TargetMark; // [node]
    int32_t TargetStamp = 0;
    std::vector<double> Along;      // [node] a sum along each node's tree route, for the callers' measures

    explicit PathScratch(int32_t nodeCount = 0);
};

// Dijkstra from origin over links with costs >= 0, given in the order of graph.OutLinks()
// (outCost[i] is the cost of link OutLinks()[i]), so that a node's links are read side by side. Nodes below noThroughNodes other than the
// origin are reached but not expanded, so no path passes through a zone. With scratch.Targets
// given, stops as soon as all of them are settled: nodes settled by then have their final
// distance and tree link, the others are to be taken as unreached.
void ShortestPathTree(const Graph& graph, int32_t noThroughNodes, const double* outCost, int32_t origin,
                      PathScratch& scratch);

// The costs of cost[link] in the order of graph.OutLinks(), for ShortestPathTree.
void OutOrderCosts(const Graph& graph, const double* cost, double* outCost);

// Sum of trips times shortest cost for demand block `block`; kUnreachable when a destination with
// trips was not reached.
double BlockShortestCost(const Demand& demand, int32_t block, const PathScratch& scratch);

// Sum of trips times the cost at zero flow (freeCost[link]) of each destination's tree route.
double BlockFreeFlowCost(const Graph& graph, const Demand& demand, int32_t block, const double* freeCost,
                         PathScratch& scratch);

// Adds the trips of block `block` along the tree in scratch to linkFlow[link]. Returns the first
// unreachable destination with trips, or -1.
int32_t LoadTree(const Graph& graph, const Demand& demand, int32_t block, PathScratch& scratch, double* linkFlow);

} // namespace veltra::assign
