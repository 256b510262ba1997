#include "assign/bush.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace veltra::assign {

namespace {

constexpr double kNoPath = -1; // maxDist_ of a node that no used link reaches

} // namespace

BushWorkspace::BushWorkspace(const Graph& graph, int32_t noThroughNodes)
    : graph_(graph), noThroughNodes_(noThroughNodes), labels_(graph.NodeCount()), position_(graph.NodeCount(), -1),
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

double BushDust(const Demand& demand, int32_t block) {
    // A ten-trillionth of the origin's trips: rounding left by earlier shifts, which breaks
    // conservation by nothing that matters but, left in place, would pin a link whose reverse the
    // equilibrium needs.
    double total = 0;
    for (int32_t i = demand.Start[block]; i < demand.Start[block + 1]; ++i) total += demand.Trips[i];
    return 1e-13 * total;
}

void MarkUsed(Bush& bush, double dust) {
    bush.Used.assign((bush.Flow.size() + 63) / 64, 0);
    for (size_t i = 0; i < bush.Flow.size(); ++i)
        if (bush.Flow[i] > dust) bush.Used[i / 64] |= uint64_t{1} << (i % 64);
}

// The used links (kept_, indices into the bush's links, in its order), without those left
// hanging from a node that no used link reaches. Marks the nodes they reach (usedMark_).
// Before the marks of one Plan or Apply: after some two billion stamps every mark is cleared,
// so that no old one can equal a new stamp.
void BushWorkspace::RenewStamps() {
    if (stamp_ < std::numeric_limits<int32_t>::max() - 1000) return;
    for (std::vector<int32_t>* marks : {&usedMark_, &neededMark_, &acceptMark_, &linkMark_})
        std::fill(marks->begin(), marks->end(), 0);
    stamp_ = 0;
}

void BushWorkspace::KeepUsed(const Bush& bush, int32_t origin) {
    kept_.clear();
    for (int32_t i = 0; i < static_cast<int32_t>(bush.Links.size()); ++i)
        if (bush.IsUsed(i)) kept_.push_back(i);
    for (;;) {
        ++stamp_;
        usedMark_[origin] = stamp_;
        for (int32_t i : kept_) usedMark_[graph_.Head(bush.Links[i])] = stamp_;
        size_t count = 0;
        for (int32_t i : kept_)
            if (usedMark_[graph_.Tail(bush.Links[i])] == stamp_) kept_[count++] = i;
        if (count == kept_.size()) break;
        kept_.resize(count);
    }
}

// Kahn's sort of the used nodes that always takes, among the nodes whose used predecessors are
// all placed, the one settled first by the shortest-path tree (rank_). Where the used links run
// forward in distance, as they do near equilibrium, the order is the tree's own, so the tree's
// links fit into it and join the bush.
void BushWorkspace::OrderUsedNodes(const Bush& bush, int32_t origin) {
    auto keptLinks = [&](auto&& use) {
        for (int32_t i : kept_) use(bush.Links[i]);
    };
    // The used links of each node grouped by tail, counted into first_/last_ of the tails.
    order_.clear();
    order_.push_back(origin);
    first_[origin] = last_[origin] = 0; // in-degree of the origin is nil
    keptLinks([&](int32_t link) {
        int32_t head = graph_.Head(link);
        if (order_.back() != head && neededMark_[head] != stamp_) {
            neededMark_[head] = stamp_; // reused here as "counted"
            order_.push_back(head);
            first_[head] = last_[head] = 0;
        }
    });
    for (int32_t node : order_) position_[node] = 0; // out-degree while counting
    keptLinks([&](int32_t link) {
        ++position_[graph_.Tail(link)];
        ++first_[graph_.Head(link)]; // in-degree
    });
    // Out-link lists: outStart_ by node slot (the node's index in order_, kept in last_).
    outStart_.assign(order_.size() + 1, 0);
    for (size_t k = 0; k < order_.size(); ++k) {
        last_[order_[k]] = static_cast<int32_t>(k);
        outStart_[k + 1] = outStart_[k] + position_[order_[k]];
    }
    outLinks_.resize(kept_.size());
    std::vector<int32_t>& fill = stack_;
    fill.assign(outStart_.begin(), outStart_.end() - 1);
    keptLinks([&](int32_t link) { outLinks_[fill[last_[graph_.Tail(link)]]++] = link; });

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

int32_t BushWorkspace::Plan(const Demand& demand, int32_t block, const double* cost, const double* freeCost,
                            const PathScratch& paths, Bush& bush, RouteExcess& excess) {
    RenewStamps();
    const int32_t origin = demand.Origins[block];
    KeepUsed(bush, origin);
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
    for (size_t k = 0; k < kept_.size();) {
        int32_t head = graph_.Head(bush.Links[kept_[k]]);
        double worst = -kUnreachable;
        for (; k < kept_.size() && graph_.Head(bush.Links[kept_[k]]) == head; ++k) {
            int32_t link = bush.Links[kept_[k]], tail = graph_.Tail(link);
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
    for (int32_t i : kept_) linkMark_[bush.Links[i]] = stamp_;
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
    for (size_t k = 0; k < kept_.size();) {
        int32_t head = graph_.Head(bush.Links[kept_[k]]);
        first_[head] = static_cast<int32_t>(k);
        while (k < kept_.size() && graph_.Head(bush.Links[kept_[k]]) == head) ++k;
        last_[head] = static_cast<int32_t>(k);
    }
    std::sort(treeOnly_.begin(), treeOnly_.end(), [this](int32_t a, int32_t b) {
        int32_t pa = position_[anchor_[a]], pb = position_[anchor_[b]];
        return pa != pb ? pa < pb : rank_[a] < rank_[b];
    });
    // Written to the bush's plan, not to its links: the flows may be shifting on this bush's
    // links meanwhile (the iteration's further sweeps), and Apply joins the two.
    bush.Plan.clear();
    auto emit = [&](int32_t node, bool used) {
        if (used)
            for (int32_t k = first_[node]; k < last_[node]; ++k) bush.Plan.push_back(bush.Links[kept_[k]]);
        if (acceptMark_[node] == stamp_) bush.Plan.push_back(paths.PredLink[node]);
    };
    size_t next = 0;
    for (size_t k = 0; k < order_.size(); ++k) {
        if (k > 0) emit(order_[k], true);
        for (; next < treeOnly_.size() && position_[anchor_[treeOnly_[next]]] == static_cast<int32_t>(k); ++next)
            emit(treeOnly_[next], false);
    }
    return added;
}

namespace {

// Bushes shrink as the equilibrium settles: room far beyond what is needed is given back.
template <typename T>
void Replace(std::vector<T>& target, const std::vector<T>& source) {
    if (target.capacity() > source.size() + source.size() / 4 + 16) {
        std::vector<T> fresh(source.begin(), source.end());
        target.swap(fresh);
    } else {
        target.assign(source.begin(), source.end());
    }
}

} // namespace

// The links grouped by head in a topological order of their nodes (Kahn's sort from the origin)
// into newLinks_; false when they close a cycle or hang from a node no link reaches.
bool BushWorkspace::SortGroups(const std::vector<int32_t>& links, int32_t origin) {
    ++stamp_;
    order_.clear();
    auto slot = [&](int32_t node) {
        if (acceptMark_[node] != stamp_) {
            acceptMark_[node] = stamp_;
            position_[node] = static_cast<int32_t>(order_.size());
            order_.push_back(node);
        }
        return position_[node];
    };
    slot(origin);
    for (int32_t link : links) slot(graph_.Head(link));
    const size_t nodes = order_.size();
    for (int32_t link : links)
        if (acceptMark_[graph_.Tail(link)] != stamp_) return false;
    // Entering and leaving links of each node, by slot.
    inStart_.assign(nodes + 1, 0);
    outStart_.assign(nodes + 1, 0);
    for (int32_t link : links) {
        ++inStart_[position_[graph_.Head(link)] + 1];
        ++outStart_[position_[graph_.Tail(link)] + 1];
    }
    for (size_t k = 0; k < nodes; ++k) {
        inStart_[k + 1] += inStart_[k];
        outStart_[k + 1] += outStart_[k];
    }
    inLinks_.resize(links.size());
    outLinks_.resize(links.size());
    std::vector<int32_t>& inFill = heap_;
    std::vector<int32_t>& outFill = visited_;
    inFill.assign(inStart_.begin(), inStart_.end() - 1);
    outFill.assign(outStart_.begin(), outStart_.end() - 1);
    for (int32_t link : links) {
        inLinks_[inFill[position_[graph_.Head(link)]]++] = link;
        outLinks_[outFill[position_[graph_.Tail(link)]]++] = link;
    }
    // In-degrees count down in inFill; the queue is needed_.
    for (size_t k = 0; k < nodes; ++k) inFill[k] = inStart_[k + 1] - inStart_[k];
    needed_.clear();
    needed_.push_back(origin);
    newLinks_.clear();
    for (size_t q = 0; q < needed_.size(); ++q) {
        int32_t k = position_[needed_[q]];
        for (int32_t i = inStart_[k]; i < inStart_[k + 1]; ++i) newLinks_.push_back(inLinks_[i]);
        for (int32_t i = outStart_[k]; i < outStart_[k + 1]; ++i) {
            int32_t head = graph_.Head(outLinks_[i]);
            if (--inFill[position_[head]] == 0) needed_.push_back(head);
        }
    }
    return needed_.size() == nodes;
}

bool BushWorkspace::Apply(Bush& bush, int32_t origin, double dust) {
    RenewStamps();
    for (size_t i = 0; i < bush.Links.size(); ++i) linkFlow_[bush.Links[i]] = bush.Flow[i];
    const int32_t planned = ++stamp_;
    for (int32_t link : bush.Plan) linkMark_[link] = planned;
    // A link the plan dropped as unused may have taken flow since, from the sweeps that ran
    // beside the plan: it stays.
    std::vector<int32_t>& late = stack_;
    late.clear();
    for (size_t i = 0; i < bush.Links.size(); ++i)
        if (bush.Flow[i] > dust && linkMark_[bush.Links[i]] != planned) late.push_back(bush.Links[i]);
    bool applied = true;
    if (late.empty()) {
        newLinks_ = bush.Plan;
    } else {
        // The plan's order may not hold the late links: sort the nodes again.
        late.insert(late.begin(), bush.Plan.begin(), bush.Plan.end());
        if (!SortGroups(late, origin)) {
            // A new tree link closes a cycle with a late one: the bush keeps its own links, those
            // with flow or planned, and waits for the next plan to add the tree's.
            const int32_t current = ++stamp_;
            for (int32_t link : bush.Links) linkMark_[link] = current;
            std::vector<int32_t>& kept = treeOnly_;
            kept.clear();
            for (int32_t link : late)
                if (linkMark_[link] == current) kept.push_back(link);
            applied = SortGroups(kept, origin);
            if (!applied) newLinks_ = bush.Links; // cannot happen: the bush's own links are acyclic
        }
    }
    newFlow_.clear();
    for (int32_t link : newLinks_) newFlow_.push_back(linkFlow_[link]);
    for (int32_t link : bush.Links) linkFlow_[link] = 0;
    Replace(bush.Links, newLinks_);
    Replace(bush.Flow, newFlow_);
    std::vector<int32_t>().swap(bush.Plan);
    return applied;
}

// Shortest distances over every bush link and longest distances over the links that carry this
// origin's flow, at the live link costs, in one pass over the bush's groups.
template <bool WithFixedCost>
void BushWorkspace::Labels(const Bush& bush, int32_t origin, const LinkState& state) {
    order_.clear();
    order_.push_back(origin);
    labels_[origin] = {0, 0, -1, -1, 0};
    const int32_t* links = bush.Links.data();
    const double* flows = bush.Flow.data();
    const int32_t count = static_cast<int32_t>(bush.Links.size());
    for (int32_t i = 0; i < count;) {
        int32_t head = graph_.Head(links[i]);
        Label label{kUnreachable, kNoPath, -1, -1, static_cast<int32_t>(order_.size())};
        order_.push_back(head);
        for (; i < count && graph_.Head(links[i]) == head; ++i) {
            int32_t link = links[i];
            const Label& from = labels_[graph_.Tail(link)];
            double c = state.Time[link];
            if (WithFixedCost) c += state.FixedCost[link];
            double viaMin = from.Min + c;
            if (viaMin < label.Min) {
                label.Min = viaMin;
                label.MinPred = i;
            }
            if (flows[i] > 0 && from.Max != kNoPath) {
                double viaMax = from.Max + c;
                if (viaMax > label.Max) {
                    label.Max = viaMax;
                    label.MaxPred = i;
                }
            }
        }
        labels_[head] = label;
    }
}

void BushWorkspace::ShiftFlows(Bush& bush, int32_t origin, const LinkState& state) {
    if (state.FixedCost) Labels<true>(bush, origin, state);
    else Labels<false>(bush, origin, state);
    auto cost = [&state](int32_t link) { return state.FixedCost ? state.Time[link] + state.FixedCost[link] : state.Time[link]; };
    double largestExcess = 0;
    const std::vector<LinkCost>& costs = *state.Costs;
    for (size_t k = order_.size(); k-- > 1;) {
        int32_t node = order_[k];
        int32_t maxSlot = labels_[node].MaxPred;
        if (maxSlot < 0 || maxSlot == labels_[node].MinPred) continue;
        // Walk both paths back to where they part, always stepping the one further down the
        // topological order, so they meet at their last common node.
        minSegment_.clear();
        maxSegment_.clear();
        int32_t onMin = node, onMax = node;
        double minCost = 0, maxCost = 0, slope = 0, movable = kUnreachable;
        bool blocked = false; // a link of the longer path is held at the ceiling
        do {
            if (labels_[onMin].Position >= labels_[onMax].Position) {
                int32_t slot = labels_[onMin].MinPred;
                int32_t link = bush.Links[slot];
                minSegment_.push_back(slot);
                minCost += cost(link);
                slope += state.Slope[link];
                onMin = graph_.Tail(link);
            } else {
                int32_t slot = labels_[onMax].MaxPred;
                int32_t link = bush.Links[slot];
                maxSegment_.push_back(slot);
                maxCost += cost(link);
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
            LinkTimeAndSlope(costs[link], total, state.Time[link], state.Slope[link]);
        }
        for (int32_t slot : minSegment_) {
            int32_t link = bush.Links[slot];
            bush.Flow[slot] += shift;
            state.ClassFlow[link] += shift;
            double total = state.TotalFlow[link] += shift;
            LinkTimeAndSlope(costs[link], total, state.Time[link], state.Slope[link]);
        }
    }
    bush.Excess = largestExcess;
}

} // namespace veltra::assign
