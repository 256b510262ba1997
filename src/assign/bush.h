// Origin-based equilibrium after Dial's Algorithm B: each origin's flow lives on an acyclic
// sub-network (its bush); flow is moved, by Newton steps, from the longest used path to the
// shortest path between a node and the point where the two paths part.
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
    int32_t Origin = -1;
    std::vector<int32_t> Links; // bush links, any order
    std::vector<double> Flow;   // [i] this origin's flow on Links[i]
    std::vector<int32_t> Order; // bush nodes in topological order, Order[0] == Origin
    double Excess = 0;          // largest (longest - shortest) / longest path cost at the last sweep
};

// What a flow shift needs to read and update of the whole network: the link times, their slopes,
// the total and class flows and the cost functions to re-evaluate.
struct LinkState {
    const std::vector<LinkCost>* Costs = nullptr; // [link]
    const double* FixedCost = nullptr;             // [link] this class's flow-independent cost
    double* Time = nullptr;                        // [link]
    double* Slope = nullptr;                       // [link] dTime/dFlow
    double* TotalFlow = nullptr;                   // [link] all classes plus preloads
    double* ClassFlow = nullptr;                   // [link] this class
};

// Scratch space for working on one bush at a time, sized to the network once. Dense arrays are
// filled from a Bush by Load and emptied by Store, touching only the bush's own links and nodes.
class BushWorkspace {
public:
    BushWorkspace(const Graph& graph, int32_t noThroughNodes);

    // A new bush: the shortest-path tree at cost[link] carrying all of the block's trips.
    // Returns the first unreachable destination with trips, or -1.
    int32_t Initialise(const Demand& demand, int32_t block, const double* cost, PathScratch& paths, Bush& bush);

    // Drops links without flow (keeping every node reachable) and adds the links that shorten
    // the bush's shortest paths at cost[link] without closing a cycle. Returns the links added.
    int32_t Improve(Bush& bush, const double* cost);

    // Newton flow shifts over every node of the bush, with live link times. Sets bush.Excess.
    void ShiftFlows(Bush& bush, const LinkState& state);

private:
    void Load(const Bush& bush);
    void Store(Bush& bush);
    bool SortTopologically();
    bool Reaches(int32_t from, int32_t to); // a bush path leads from one node to the other
    void MinDistances(const double* cost);
    void MinMaxDistances(const LinkState& state);

    const Graph& graph_;
    int32_t noThroughNodes_;
    int32_t origin_ = -1;
    // Link arrays [link]
    std::vector<uint8_t> inBush_;
    std::vector<double> flow_;
    // Node arrays [node]
    std::vector<int32_t> position_;   // index in order_, -1 outside the bush
    std::vector<int32_t> inDegree_;   // bush links entering the node
    std::vector<double> minDist_, maxDist_;
    std::vector<int32_t> minPred_, maxPred_; // link, -1 at the origin or when no used link enters
    std::vector<uint8_t> seen_;       // marks of Reaches
    // Lists
    std::vector<int32_t> links_;   // bush links
    std::vector<int32_t> order_;   // topological order
    std::vector<int32_t> queue_;   // for the topological sort
    std::vector<int32_t> ready_;   // heap of the topological sort
    std::vector<int32_t> minSegment_, maxSegment_;
    std::vector<int32_t> stack_, visited_; // of Reaches
};

} // namespace veltra::assign
