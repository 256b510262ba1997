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
    std::vector<int32_t> Heap;      // binary heap of nodes by Distance
    std::vector<int32_t> HeapIndex; // [node] position in Heap, -1 when absent

    explicit PathScratch(int32_t nodeCount = 0);
};

// Dijkstra from origin over links with cost[link] >= 0. Nodes below noThroughNodes other than the
// origin are reached but not expanded, so no path passes through a zone.
void ShortestPathTree(const Graph& graph, int32_t noThroughNodes, const double* cost, int32_t origin,
                      PathScratch& scratch);

// Sum of trips times shortest cost for demand block `block`; kUnreachable when a destination with
// trips was not reached.
double BlockShortestCost(const Demand& demand, int32_t block, const PathScratch& scratch);

// Adds the trips of block `block` along the tree in scratch to linkFlow[link]. Returns the first
// unreachable destination with trips, or -1.
int32_t LoadTree(const Graph& graph, const Demand& demand, int32_t block, PathScratch& scratch, double* linkFlow);

} // namespace veltra::assign
