// The assignment network: a dense, 0-based directed graph with forward and backward stars, the
// links' cost functions and generalised-cost attributes, and the demand of each user class.
#pragma once

#include "assign/link_cost.h"

#include <cstdint>
#include <string>
#include <vector>

namespace veltra::assign {

// Nodes 0..NodeCount-1, links 0..LinkCount-1 in the order they were given. Parallel links between
// the same two nodes stay separate links.
class Graph {
public:
    Graph() = default;
    // tails[a], heads[a]: end nodes of link a. Throws std::invalid_argument on a node out of range.
    Graph(int32_t nodeCount, std::vector<int32_t> tails, std::vector<int32_t> heads);

    int32_t NodeCount() const { return nodeCount_; }
    int32_t LinkCount() const { return static_cast<int32_t>(tail_.size()); }
    int32_t Tail(int32_t link) const { return tail_[link]; }
    int32_t Head(int32_t link) const { return head_[link]; }

    // Links leaving node n: OutLinks()[OutBegin(n) .. OutBegin(n + 1)); likewise entering.
    int32_t OutBegin(int32_t node) const { return outStart_[node]; }
    int32_t InBegin(int32_t node) const { return inStart_[node]; }
    const std::vector<int32_t>& OutLinks() const { return outLinks_; }
    const std::vector<int32_t>& OutHeads() const { return outHeads_; } // [i] Head(OutLinks()[i])
    const std::vector<int32_t>& InLinks() const { return inLinks_; }

private:
    int32_t nodeCount_ = 0;
    std::vector<int32_t> tail_, head_;       // [link]
    std::vector<int32_t> outStart_, inStart_; // [node], NodeCount + 1 entries
    std::vector<int32_t> outLinks_, inLinks_; // links grouped by tail / by head, each group in link order
    std::vector<int32_t> outHeads_;
};

// Trips of one user class, grouped by origin: for origin block k, node Origins[k] sends
// Trips[i] to node Destinations[i] for i in [Start[k], Start[k + 1]). Only positive trips between
// different nodes are kept.
struct Demand {
    std::vector<int32_t> Origins;      // [block] origin node
    std::vector<int32_t> Start;        // [block] first entry; Origins.size() + 1 entries
    std::vector<int32_t> Destinations; // [entry] destination node
    std::vector<double> Trips;         // [entry]

    int32_t OriginCount() const { return static_cast<int32_t>(Origins.size()); }
    double Total() const;
};

// Builds a Demand from (origin, destination, trips) rows in any order; rows of the same pair add up.
class DemandBuilder {
public:
    void Add(int32_t origin, int32_t destination, double trips);
    Demand Build(); // sorts the rows it was given

private:
    struct Row { int32_t Origin, Destination; double Trips; };
    std::vector<Row> rows_;
};

// A user class: its trips and how it values toll and distance against time. All classes share the
// links' times; each has its own generalised cost = time + TollWeight * toll + DistanceWeight * length.
struct UserClass {
    std::string Name;
    Demand Trips;
    double TollWeight = 0;
    double DistanceWeight = 0;
};

struct Network {
    Graph Links;
    // Nodes 0..NoThroughNodes-1 are zone centroids: paths may start or end there but never pass
    // through (the TNTP "first thru node" minus one).
    int32_t NoThroughNodes = 0;
    std::vector<LinkCost> Costs;   // [link] time as a function of total flow
    std::vector<double> Toll;      // [link]
    std::vector<double> Length;    // [link]
    std::vector<double> FixedFlow; // [link] preloaded flow (e.g. buses); empty = none
    std::vector<UserClass> Classes;
    // [node] how messages name a node (its number in the user's files); empty: index + 1.
    std::vector<std::string> NodeNames;

    std::string NodeName(int32_t node) const;
};

// Generalised cost part that does not depend on flow, for class c: [link].
std::vector<double> ClassFixedCost(const Network& network, const UserClass& userClass);

} // namespace veltra::assign
