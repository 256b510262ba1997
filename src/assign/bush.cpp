#include "assign/bush.h"

#include <algorithm>
#include <stdexcept>

namespace veltra::assign {

namespace {

constexpr double kNoPath = -1; // maxDist_ of a node that no used link reaches

// Flow below a ten-trillionth of the origin's trips is rounding dust from earlier shifts: it
// breaks conservation by nothing that matters, but left in place it would pin a link whose
// reverse the equilibrium needs.
constexpr double kDustShare = 1e-13;

double BlockTrips(const Demand& demand, int32_t block) {
    double total = 0;
    for (int32_t i = demand.Start[block]; i < demand.Start[block + 1]; ++i) total += demand.Trips[i];
    return total;
}

} // namespace

BushWorkspace::BushWorkspace(const Graph& graph, int32_t noThroughNodes)
    : graph_(graph), noThroughNodes_(noThroughNodes), minDist_(graph.NodeCount(), 0.0), maxDist_(graph.NodeCount(), 0.0),
      minPred_(graph.NodeCount(), -1), maxPred_(graph.NodeCount(), -1), position_(graph.NodeCount(), -1),
      usedMark_(graph.NodeCount(), 0), neededMark_(graph.NodeCount(), 0), acceptMark_(graph.NodeCount(), 0),
      first_(graph.NodeCount(), 0),
      last_(graph.NodeCount(), 0), anchor_(graph.NodeCount(), -1), rank_(graph.NodeCount(), 0),
      routeExcess_(graph.NodeCount(), 0.0), treeResidue_(graph.NodeCount(), 0.0), treeFree_(graph.NodeCount(), 0.0),
      linkMark_(graph.LinkCount(), 0), linkFlow_(graph.LinkCount(), 0.0) {
    order_.reserve(graph.NodeCount());
}

int32_t BushWorkspace::Initialise(const Demand& demand, int32_t block, const double* outCost, PathScratch& paths,
                                  Bush& bush) {
    bush = Bush();
    for (int32_t i = demand.Start[block]; i < demand.Start[block + 1]; ++i) paths.Targets.push_back(demand.Destinations[i]);
    ShortestPathTree(graph_, noThroughNodes_, outCost, demand.Origins[block], paths);
    int32_t unreachable = LoadTree(graph_, demand, block, paths, linkFlow_.data());
    // The tree's links that carry trips, in the order their heads were settled: topological,
    // one link per head.
    for (int32_t node : paths.Settled) {
        int32_t link = paths.PredLink[node];
        if (link < 0 || linkFlow_[link] == 0) continue;
        bush.Links.push_back(link);
        bush.Flow.push_back(linkFlow_[link]);
        linkFlow_[link] = 0;
    }
    return unreachable;
}

// Drops the links whose flow is dust, and those left hanging from a node that no longer receives
// flow, keeping the rest in their order. Marks the nodes that used links reach (usedMark_).
void BushWorkspace::DropUnused(Bush& bush, int32_t origin, double dust) {
    size_t kept = 0;
    for (size_t i = 0; i < bush.Links.size(); ++i) {
        if (bush.Flow[i] <= dust) continue;
        bush.Links[kept] = bush.Links[i];
        bush.Flow[kept++] = bush.Flow[i];
    }
    bush.Links.resize(kept);
    bush.Flow.resize(kept);
    for (;;) {
        ++stamp_;
        usedMark_[origin] = stamp_;
        for (int32_t link : bush.Links) usedMark_[graph_.Head(link)] = stamp_;
        kept = 0;
        for (size_t i = 0; i < bush.Links.size(); ++i) {
            if (usedMark_[graph_.Tail(bush.Links[i])] != stamp_) continue;
            bush.Links[kept] = bush.Links[i];
            bush.Flow[kept++] = bush.Flow[i];
        }
        if (kept == bush.Links.size()) break;
        bush.Links.resize(kept);
        bush.Flow.resize(kept);
    }
}

// Kahn's sort of the used nodes that always takes, among the nodes whose used predecessors are
// all placed, the one settled first by the shortest-path tree (rank_). Where the used links run
// forward in distance, as they do near equilibrium, the order is the tree's own, so the tree's
// links fit into it and join the bush.
void BushWorkspace::OrderUsedNodes(const Bush& bush, int32_t origin) {
    // The used links of each node grouped by tail, counted into first_/last_ of the tails.
    order_.clear();
    order_.push_back(origin);
    first_[origin] = last_[origin] = 0; // in-degree of the origin is nil
    for (int32_t link : bush.Links) {
        int32_t head = graph_.Head(link);
        if (order_.back() != head && neededMark_[head] != stamp_) {
            neededMark_[head] = stamp_; // reused here as "counted"
            order_.push_back(head);
            first_[head] = last_[head] = 0;
        }
    }
    for (int32_t node : order_) position_[node] = 0; // out-degree while counting
    for (int32_t link : bush.Links) {
        ++position_[graph_.Tail(link)];
        ++first_[graph_.Head(link)]; // in-degree
    }
    // Out-link lists: outStart_ by node slot (the node's index in order_, kept in last_).
    outStart_.assign(order_.size() + 1, 0);
    for (size_t k = 0; k < order_.size(); ++k) {
        last_[order_[k]] = static_cast<int32_t>(k);
        outStart_[k + 1] = outStart_[k] + position_[order_[k]];
    }
    outLinks_.resize(bush.Links.size());
    std::vector<int32_t>& fill = stack_;
    fill.assign(outStart_.begin(), outStart_.end() - 1);
    for (int32_t link : bush.Links) outLinks_[fill[last_[graph_.Tail(link)]]++] = link;

    auto later = [this](int32_t a, int32_t b) { return rank_[a] > rank_[b]; };
    heap_.clear();
    heap_.push_back(origin);
    size_t placed = 0;
    std::vector<int32_t>& sorted = visited_;
    sorted.clear();
    while (!heap_.empty()) {
        std::pop_heap(heap_.begin(), heap_.end(), later);
        int32_t node = heap_.back();
        heap_.pop_back();
        position_[node] = static_cast<int32_t>(placed++);
        sorted.push_back(node);
        int32_t slot = last_[node];
        for (int32_t i = outStart_[slot]; i < outStart_[slot + 1]; ++i) {
            int32_t head = graph_.Head(outLinks_[i]);
            if (--first_[head] == 0) {
                heap_.push_back(head);
                std::push_heap(heap_.begin(), heap_.end(), later);
            }
        }
    }
    if (sorted.size() != order_.size()) throw std::logic_error("bush of origin " + std::to_string(origin + 1) + " has a cycle");
    order_.swap(sorted);
}

int32_t BushWorkspace::Prepare(const Demand& demand, int32_t block, const double* cost, const double* freeCost,
                               const PathScratch& paths, Bush& bush, RouteExcess& excess) {
    const int32_t origin = demand.Origins[block];
    DropUnused(bush, origin, kDustShare * BlockTrips(demand, block));
    const int32_t usedStamp = stamp_;

    // Along the tree, in the order it was settled: each node's rank, its nearest ancestor that the
    // origin's flow reaches (its anchor), and the sums along its shortest route of the free-flow
    // costs and of the reduced costs (rounding residues of the distances, nearly 0).
    const std::vector<double>& d = paths.Distance;
    for (size_t k = 0; k < paths.Settled.size(); ++k) {
        int32_t node = paths.Settled[k];
        rank_[node] = static_cast<int32_t>(k);
        int32_t link = paths.PredLink[node];
        if (link < 0) {
            anchor_[node] = node;
            treeResidue_[node] = treeFree_[node] = 0;
            continue;
        }
        int32_t tail = graph_.Tail(link);
        anchor_[node] = usedMark_[node] == usedStamp ? node : anchor_[tail];
        treeResidue_[node] = treeResidue_[tail] + ((d[tail] - d[node]) + cost[link]);
        treeFree_[node] = treeFree_[tail] + freeCost[link];
    }
    ++stamp_; // a fresh stamp for "counted" and then "needed"
    OrderUsedNodes(bush, origin);

    // The largest excess of a used route over the shortest route to each node: the largest sum of
    // reduced costs d[tail] - d[head] + cost along used links. The distances cancel along a route,
    // so the sum is the route's cost minus the tree's, without the rounding of two large totals.
    // -inf marks a node that no used link reaches.
    routeExcess_[origin] = 0;
    for (size_t i = 0; i < bush.Links.size();) {
        int32_t head = graph_.Head(bush.Links[i]);
        double worst = -kUnreachable;
        for (; i < bush.Links.size() && graph_.Head(bush.Links[i]) == head; ++i) {
            if (!(bush.Flow[i] > 0)) continue;
            int32_t link = bush.Links[i], tail = graph_.Tail(link);
            worst = std::max(worst, routeExcess_[tail] + ((d[tail] - d[head]) + cost[link]));
        }
        routeExcess_[head] = worst;
    }
    excess = RouteExcess();
    for (int32_t i = demand.Start[block]; i < demand.Start[block + 1]; ++i) {
        int32_t destination = demand.Destinations[i];
        excess.FreeFlowCost += demand.Trips[i] * treeFree_[destination];
        if (usedMark_[destination] != usedStamp || routeExcess_[destination] == -kUnreachable) continue;
        double over = std::max(0.0, routeExcess_[destination] - treeResidue_[destination]);
        // Measured against the shortest route's free-flow cost, so that a cost congestion makes
        // unavoidable (a saturated connector every route shares) cannot make the excess look small.
        double scale = treeFree_[destination] > 0 ? treeFree_[destination] : d[destination];
        double relative = scale > 0 ? over / scale : over > 0 ? kTimeCeiling : 0;
        excess.Largest = std::max(excess.Largest, over);
        excess.LargestRelative = std::max(excess.LargestRelative, relative);
    }


    // The tree's links towards every used node and every destination.
    needed_.clear();
    auto need = [&](int32_t node) {
        while (node != origin && neededMark_[node] != stamp_) {
            neededMark_[node] = stamp_;
            needed_.push_back(node);
            node = graph_.Tail(paths.PredLink[node]);
        }
    };
    ++stamp_;
    for (int32_t node : order_) need(node);
    for (int32_t i = demand.Start[block]; i < demand.Start[block + 1]; ++i) need(demand.Destinations[i]);
    for (int32_t link : bush.Links) linkMark_[link] = stamp_;
    // A tree link into a node the flow does not reach always fits. Into a used node it fits when
    // its anchor comes earlier in the used order; otherwise a used route may lead from the node
    // back to the anchor, and the link waits until that route has emptied.
    int32_t added = 0;
    treeOnly_.clear();
    for (int32_t node : needed_) {
        int32_t link = paths.PredLink[node];
        if (linkMark_[link] == stamp_) {
            acceptMark_[node] = 0;
            continue;
        }
        bool used = usedMark_[node] == usedStamp;
        bool fits = !used || position_[anchor_[graph_.Tail(link)]] < position_[node];
        acceptMark_[node] = fits ? stamp_ : 0;
        if (!fits) continue;
        ++added;
        if (!used) treeOnly_.push_back(node);
    }

    // The new bush: the used nodes in their order, each followed by the tree-only nodes anchored
    // at it in the order the tree settled them; each node's entering links as one group.
    for (size_t i = 0; i < bush.Links.size();) {
        int32_t head = graph_.Head(bush.Links[i]);
        first_[head] = static_cast<int32_t>(i);
        while (i < bush.Links.size() && graph_.Head(bush.Links[i]) == head) ++i;
        last_[head] = static_cast<int32_t>(i);
    }
    std::sort(treeOnly_.begin(), treeOnly_.end(), [this](int32_t a, int32_t b) {
        int32_t pa = position_[anchor_[a]], pb = position_[anchor_[b]];
        return pa != pb ? pa < pb : rank_[a] < rank_[b];
    });
    newLinks_.clear();
    newFlow_.clear();
    auto emit = [&](int32_t node, bool used) {
        if (used)
            for (int32_t i = first_[node]; i < last_[node]; ++i) {
                newLinks_.push_back(bush.Links[i]);
                newFlow_.push_back(bush.Flow[i]);
            }
        if (acceptMark_[node] == stamp_) {
            newLinks_.push_back(paths.PredLink[node]);
            newFlow_.push_back(0.0);
        }
    };
    size_t next = 0;
    for (size_t k = 0; k < order_.size(); ++k) {
        if (k > 0) emit(order_[k], true);
        for (; next < treeOnly_.size() && position_[anchor_[treeOnly_[next]]] == static_cast<int32_t>(k); ++next)
            emit(treeOnly_[next], false);
    }
    // Bushes shrink as the equilibrium settles: give back room that is far more than needed.
    auto keep = [](auto& target, const auto& source) {
        if (target.capacity() > source.size() + source.size() / 4 + 16) {
            std::decay_t<decltype(target)> fresh(source.begin(), source.end());
            target.swap(fresh);
        } else {
            target.assign(source.begin(), source.end());
        }
    };
    keep(bush.Links, newLinks_);
    keep(bush.Flow, newFlow_);
    return added;
}

// Shortest distances over every bush link and longest distances over the links that carry this
// origin's flow, at the live link costs, in one pass over the bush's groups.
void BushWorkspace::Labels(const Bush& bush, int32_t origin, const LinkState& state) {
    order_.clear();
    order_.push_back(origin);
    position_[origin] = 0;
    minDist_[origin] = maxDist_[origin] = 0;
    minPred_[origin] = maxPred_[origin] = -1;
    const int32_t count = static_cast<int32_t>(bush.Links.size());
    for (int32_t i = 0; i < count;) {
        int32_t head = graph_.Head(bush.Links[i]);
        position_[head] = static_cast<int32_t>(order_.size());
        order_.push_back(head);
        double best = kUnreachable, worst = kNoPath;
        int32_t bestLink = -1, worstLink = -1;
        for (; i < count && graph_.Head(bush.Links[i]) == head; ++i) {
            int32_t link = bush.Links[i];
            int32_t tail = graph_.Tail(link);
            double c = state.Time[link] + state.FixedCost[link];
            double viaMin = minDist_[tail] + c;
            if (viaMin < best) {
                best = viaMin;
                bestLink = i;
            }
            if (bush.Flow[i] > 0 && maxDist_[tail] != kNoPath) {
                double viaMax = maxDist_[tail] + c;
                if (viaMax > worst) {
                    worst = viaMax;
                    worstLink = i;
                }
            }
        }
        minDist_[head] = best;
        minPred_[head] = bestLink;
        maxDist_[head] = worst;
        maxPred_[head] = worstLink;
    }
}

void BushWorkspace::ShiftFlows(Bush& bush, int32_t origin, const LinkState& state) {
    Labels(bush, origin, state);
    double largestExcess = 0;
    const std::vector<LinkCost>& costs = *state.Costs;
    for (size_t k = order_.size(); k-- > 1;) {
        int32_t node = order_[k];
        int32_t maxSlot = maxPred_[node];
        if (maxSlot < 0 || maxSlot == minPred_[node]) continue;
        // Walk both paths back to where they part, always stepping the one further down the
        // topological order, so they meet at their last common node.
        minSegment_.clear();
        maxSegment_.clear();
        int32_t onMin = node, onMax = node;
        double minCost = 0, maxCost = 0, slope = 0, movable = kUnreachable;
        bool blocked = false; // a link of the longer path is held at the ceiling
        do {
            if (position_[onMin] >= position_[onMax]) {
                int32_t slot = minPred_[onMin];
                int32_t link = bush.Links[slot];
                minSegment_.push_back(slot);
                minCost += state.Time[link] + state.FixedCost[link];
                slope += state.Slope[link];
                onMin = graph_.Tail(link);
            } else {
                int32_t slot = maxPred_[onMax];
                int32_t link = bush.Links[slot];
                maxSegment_.push_back(slot);
                maxCost += state.Time[link] + state.FixedCost[link];
                slope += state.Slope[link];
                movable = std::min(movable, bush.Flow[slot]);
                blocked = blocked || state.Time[link] >= kTimeCeiling;
                onMax = graph_.Tail(link);
            }
        } while (onMin != onMax);
        double excess = maxCost - minCost;
        if (!(excess > 1e-15 * maxCost) || !(movable > 0)) continue;
        largestExcess = std::max(largestExcess, excess / maxCost);
        // A link at the ceiling costs more than its time says, and its slope says nothing: the
        // Newton step would move next to nothing, so all the flow the longer path can give goes.
        double shift = slope > 0 && !blocked ? std::min(movable, excess / slope) : movable;
        for (int32_t slot : maxSegment_) {
            int32_t link = bush.Links[slot];
            bush.Flow[slot] -= shift;
            state.ClassFlow[link] -= shift;
            double total = state.TotalFlow[link] -= shift;
            if (total < 0) total = state.TotalFlow[link] = 0; // rounding of a link emptied by every origin
            state.Time[link] = LinkTime(costs[link], total);
            state.Slope[link] = LinkTimeDerivative(costs[link], total);
        }
        for (int32_t slot : minSegment_) {
            int32_t link = bush.Links[slot];
            bush.Flow[slot] += shift;
            state.ClassFlow[link] += shift;
            double total = state.TotalFlow[link] += shift;
            state.Time[link] = LinkTime(costs[link], total);
            state.Slope[link] = LinkTimeDerivative(costs[link], total);
        }
    }
    bush.Excess = largestExcess;
}

} // namespace veltra::assign
