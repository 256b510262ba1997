#include "assign/bush.h"

#include <algorithm>
#include <stdexcept>

namespace veltra::assign {

namespace {
constexpr double kNoPath = -1; // maxDist_ of a node that no used link reaches
}

BushWorkspace::BushWorkspace(const Graph& graph, int32_t noThroughNodes)
    : graph_(graph), noThroughNodes_(noThroughNodes), inBush_(graph.LinkCount(), 0),
      flow_(graph.LinkCount(), 0.0), position_(graph.NodeCount(), -1), inDegree_(graph.NodeCount(), 0),
      minDist_(graph.NodeCount(), 0.0), maxDist_(graph.NodeCount(), 0.0), minPred_(graph.NodeCount(), -1),
      maxPred_(graph.NodeCount(), -1), seen_(graph.NodeCount(), 0) {
    links_.reserve(graph.LinkCount());
    order_.reserve(graph.NodeCount());
    queue_.reserve(graph.NodeCount());
    ready_.reserve(graph.NodeCount());
    stack_.reserve(graph.NodeCount());
    visited_.reserve(graph.NodeCount());
    minSegment_.reserve(graph.NodeCount());
    maxSegment_.reserve(graph.NodeCount());
}

void BushWorkspace::Load(const Bush& bush) {
    origin_ = bush.Origin;
    links_ = bush.Links;
    order_ = bush.Order;
    for (size_t i = 0; i < links_.size(); ++i) {
        inBush_[links_[i]] = 1;
        flow_[links_[i]] = bush.Flow[i];
    }
    for (size_t k = 0; k < order_.size(); ++k) position_[order_[k]] = static_cast<int32_t>(k);
}

void BushWorkspace::Store(Bush& bush) {
    bush.Links.clear();
    bush.Flow.clear();
    for (int32_t link : links_) {
        bush.Links.push_back(link);
        bush.Flow.push_back(flow_[link]);
        inBush_[link] = 0;
        flow_[link] = 0;
    }
    bush.Order = order_;
    for (int32_t node : order_) position_[node] = -1;
    links_.clear();
    order_.clear();
}

int32_t BushWorkspace::Initialise(const Demand& demand, int32_t block, const double* cost, PathScratch& paths,
                                  Bush& bush) {
    bush = Bush();
    bush.Origin = demand.Origins[block];
    ShortestPathTree(graph_, noThroughNodes_, cost, bush.Origin, paths);
    for (int32_t node : paths.Settled) {
        int32_t link = paths.PredLink[node];
        if (link >= 0) bush.Links.push_back(link);
    }
    bush.Flow.assign(bush.Links.size(), 0.0);
    bush.Order = paths.Settled; // settled order is topological for a tree of non-negative costs
    for (size_t i = 0; i < bush.Links.size(); ++i) flow_[bush.Links[i]] = 0;
    int32_t unreachable = LoadTree(graph_, demand, block, paths, flow_.data());
    for (size_t i = 0; i < bush.Links.size(); ++i) {
        bush.Flow[i] = flow_[bush.Links[i]];
        flow_[bush.Links[i]] = 0;
    }
    return unreachable;
}

// Kahn's sort taking, among the nodes whose bush predecessors are all placed, the one nearest
// the origin (minDist_). At equilibrium every remaining bush link runs from a nearer to a farther
// node, so the order is then the order of distance, and a link that shortens a path runs forward
// in it and may join without closing a cycle.
bool BushWorkspace::SortTopologically() {
    for (int32_t node : order_) inDegree_[node] = 0;
    for (int32_t link : links_) ++inDegree_[graph_.Head(link)];
    for (int32_t node : order_) position_[node] = -1;
    const std::vector<int32_t>& outLinks = graph_.OutLinks();
    auto nearerLast = [this](int32_t a, int32_t b) {
        return minDist_[a] != minDist_[b] ? minDist_[a] > minDist_[b] : a > b;
    };
    queue_.clear();   // the placed nodes, in order
    ready_.clear();   // heap of nodes ready to be placed
    ready_.push_back(origin_);
    while (!ready_.empty()) {
        std::pop_heap(ready_.begin(), ready_.end(), nearerLast);
        int32_t node = ready_.back();
        ready_.pop_back();
        position_[node] = static_cast<int32_t>(queue_.size());
        queue_.push_back(node);
        for (int32_t i = graph_.OutBegin(node), end = graph_.OutBegin(node + 1); i < end; ++i) {
            int32_t link = outLinks[i];
            if (!inBush_[link]) continue;
            int32_t head = graph_.Head(link);
            if (--inDegree_[head] == 0) {
                ready_.push_back(head);
                std::push_heap(ready_.begin(), ready_.end(), nearerLast);
            }
        }
    }
    bool acyclic = true;
    for (int32_t link : links_)
        if (position_[graph_.Head(link)] < 0) acyclic = false;
    order_.swap(queue_);
    return acyclic;
}

// Shortest distances from the origin within the bush, in topological order, at cost[link].
void BushWorkspace::MinDistances(const double* cost) {
    const std::vector<int32_t>& inLinks = graph_.InLinks();
    minDist_[origin_] = 0;
    minPred_[origin_] = -1;
    for (size_t k = 1; k < order_.size(); ++k) {
        int32_t node = order_[k];
        double best = kUnreachable;
        int32_t bestLink = -1;
        for (int32_t i = graph_.InBegin(node), end = graph_.InBegin(node + 1); i < end; ++i) {
            int32_t link = inLinks[i];
            if (!inBush_[link]) continue;
            double viaMin = minDist_[graph_.Tail(link)] + cost[link];
            if (viaMin < best) {
                best = viaMin;
                bestLink = link;
            }
        }
        minDist_[node] = best;
        minPred_[node] = bestLink;
    }
}

// Shortest distances over every bush link and longest distances over the links that carry this
// origin's flow, at the live link costs.
void BushWorkspace::MinMaxDistances(const LinkState& state) {
    const std::vector<int32_t>& inLinks = graph_.InLinks();
    minDist_[origin_] = 0;
    maxDist_[origin_] = 0;
    minPred_[origin_] = -1;
    maxPred_[origin_] = -1;
    for (size_t k = 1; k < order_.size(); ++k) {
        int32_t node = order_[k];
        double best = kUnreachable, worst = kNoPath;
        int32_t bestLink = -1, worstLink = -1;
        for (int32_t i = graph_.InBegin(node), end = graph_.InBegin(node + 1); i < end; ++i) {
            int32_t link = inLinks[i];
            if (!inBush_[link]) continue;
            int32_t tail = graph_.Tail(link);
            double c = state.Time[link] + state.FixedCost[link];
            double viaMin = minDist_[tail] + c;
            if (viaMin < best) {
                best = viaMin;
                bestLink = link;
            }
            if (flow_[link] > 0 && maxDist_[tail] != kNoPath) {
                double viaMax = maxDist_[tail] + c;
                if (viaMax > worst) {
                    worst = viaMax;
                    worstLink = link;
                }
            }
        }
        minDist_[node] = best;
        minPred_[node] = bestLink;
        maxDist_[node] = worst;
        maxPred_[node] = worstLink;
    }
}

int32_t BushWorkspace::Improve(Bush& bush, const double* cost) {
    Load(bush);
    // Drop links without flow, except each node's shortest-path link within the bush, so that
    // nodes without trips today stay reachable for tomorrow's shifts.
    // Flow below a ten-trillionth of the origin's trips is rounding dust from earlier shifts: it
    // breaks conservation by nothing that matters, but left in place it would pin a link whose
    // reverse the equilibrium needs.
    double originFlow = 0;
    for (int32_t i = graph_.OutBegin(origin_), end = graph_.OutBegin(origin_ + 1); i < end; ++i)
        originFlow += flow_[graph_.OutLinks()[i]];
    const double dust = 1e-13 * originFlow;
    MinDistances(cost);
    size_t kept = 0;
    for (int32_t link : links_) {
        if (flow_[link] <= dust && minPred_[graph_.Head(link)] != link) {
            inBush_[link] = 0;
            flow_[link] = 0;
        } else {
            links_[kept++] = link;
        }
    }
    links_.resize(kept);
    if (!SortTopologically()) throw std::logic_error("bush of origin " + std::to_string(origin_ + 1) + " has a cycle");

    // A link (i, j) joins when it shortens the path to j without closing a cycle. Running forward
    // in the topological order proves that at once; a link running backward (common where many
    // paths tie, while flow still drains from a link that used to be shortest) joins when no bush
    // path leads from j back to i, and then the order is sorted again. A node outside the bush
    // joins through every link that reaches it from the bush.
    int32_t added = 0;
    bool reordered = false;
    const int32_t linkCount = graph_.LinkCount();
    const int32_t bushNodes = static_cast<int32_t>(order_.size());
    for (int32_t link = 0; link < linkCount; ++link) {
        if (inBush_[link]) continue;
        int32_t tail = graph_.Tail(link), head = graph_.Head(link);
        int32_t tailPosition = position_[tail];
        if (tailPosition < 0 || tailPosition >= bushNodes || head == origin_) continue;
        if (tail < noThroughNodes_ && tail != origin_) continue;
        double viaLink = minDist_[tail] + cost[link];
        if (position_[head] < 0) {
            position_[head] = static_cast<int32_t>(order_.size());
            order_.push_back(head);
            minDist_[head] = viaLink;
        } else {
            // Relative margin: links that only tie are left out, as rounding would make them flicker.
            if (!(viaLink < minDist_[head] - 1e-14 * minDist_[head])) continue;
            bool forward = !reordered && (position_[head] >= bushNodes || position_[head] > tailPosition);
            if (!forward) {
                if (Reaches(head, tail)) continue;
                reordered = true;
            }
            minDist_[head] = std::min(minDist_[head], viaLink);
        }
        inBush_[link] = 1;
        flow_[link] = 0;
        links_.push_back(link);
        ++added;
    }
    // Otherwise links joined only forward and new nodes went to the end: the order is still
    // topological, and the next call sorts it by the distances of that day.
    if (reordered && !SortTopologically())
        throw std::logic_error("bush of origin " + std::to_string(origin_ + 1) + " has a cycle");
    Store(bush);
    return added;
}

bool BushWorkspace::Reaches(int32_t from, int32_t to) {
    const std::vector<int32_t>& outLinks = graph_.OutLinks();
    bool found = false;
    stack_.clear();
    visited_.clear();
    stack_.push_back(from);
    seen_[from] = 1;
    visited_.push_back(from);
    while (!stack_.empty() && !found) {
        int32_t node = stack_.back();
        stack_.pop_back();
        for (int32_t i = graph_.OutBegin(node), end = graph_.OutBegin(node + 1); i < end; ++i) {
            int32_t link = outLinks[i];
            if (!inBush_[link]) continue;
            int32_t head = graph_.Head(link);
            if (head == to) {
                found = true;
                break;
            }
            if (!seen_[head]) {
                seen_[head] = 1;
                visited_.push_back(head);
                stack_.push_back(head);
            }
        }
    }
    for (int32_t node : visited_) seen_[node] = 0;
    return found;
}

void BushWorkspace::ShiftFlows(Bush& bush, const LinkState& state) {
    Load(bush);
    MinMaxDistances(state);
    const std::vector<LinkCost>& costs = *state.Costs;
    double largestExcess = 0;
    for (size_t k = order_.size(); k-- > 1;) {
        int32_t node = order_[k];
        int32_t maxLink = maxPred_[node];
        if (maxLink < 0 || maxLink == minPred_[node]) continue;
        // Walk both paths back to where they part, always stepping the one further down the
        // topological order, so they meet at their last common node.
        minSegment_.clear();
        maxSegment_.clear();
        int32_t onMin = node, onMax = node;
        double minCost = 0, maxCost = 0, slope = 0, movable = kUnreachable;
        do {
            if (position_[onMin] >= position_[onMax]) {
                int32_t link = minPred_[onMin];
                minSegment_.push_back(link);
                minCost += state.Time[link] + state.FixedCost[link];
                slope += state.Slope[link];
                onMin = graph_.Tail(link);
            } else {
                int32_t link = maxPred_[onMax];
                maxSegment_.push_back(link);
                maxCost += state.Time[link] + state.FixedCost[link];
                slope += state.Slope[link];
                movable = std::min(movable, flow_[link]);
                onMax = graph_.Tail(link);
            }
        } while (onMin != onMax);
        double excess = maxCost - minCost;
        if (!(excess > 1e-15 * maxCost) || !(movable > 0)) continue;
        largestExcess = std::max(largestExcess, excess / maxCost);
        double shift = slope > 0 ? std::min(movable, excess / slope) : movable;
        for (int32_t link : maxSegment_) {
            flow_[link] -= shift;
            state.ClassFlow[link] -= shift;
            double total = state.TotalFlow[link] -= shift;
            if (total < 0) total = state.TotalFlow[link] = 0; // rounding of a link emptied by every origin
            state.Time[link] = LinkTime(costs[link], total);
            state.Slope[link] = LinkTimeDerivative(costs[link], total);
        }
        for (int32_t link : minSegment_) {
            flow_[link] += shift;
            state.ClassFlow[link] += shift;
            double total = state.TotalFlow[link] += shift;
            state.Time[link] = LinkTime(costs[link], total);
            state.Slope[link] = LinkTimeDerivative(costs[link], total);
        }
    }
    Store(bush);
    bush.Excess = largestExcess;
}

} // namespace veltra::assign
