#include "assign/shortest_path.h"

namespace veltra::assign {

PathScratch::PathScratch(int32_t nodeCount)
    : Distance(nodeCount, kUnreachable), PredLink(nodeCount, -1), NodeLoad(nodeCount, 0.0),
      HeapIndex(nodeCount, -1), TargetMark(nodeCount, 0), Along(nodeCount, 0.0) {
    Settled.reserve(nodeCount);
    Heap.reserve(nodeCount);
}

namespace {

void SiftUp(PathScratch& s, int32_t position, PathScratch::HeapEntry entry) {
    while (position > 0) {
        int32_t parent = (position - 1) / 2;
        if (s.Heap[parent].Key <= entry.Key) break;
        s.Heap[position] = s.Heap[parent];
        s.HeapIndex[s.Heap[position].Node] = position;
        position = parent;
    }
    s.Heap[position] = entry;
    s.HeapIndex[entry.Node] = position;
}

int32_t PopMin(PathScratch& s) {
    int32_t top = s.Heap[0].Node;
    s.HeapIndex[top] = -1;
    PathScratch::HeapEntry last = s.Heap.back();
    s.Heap.pop_back();
    int32_t size = static_cast<int32_t>(s.Heap.size());
    if (size == 0) return top;
    int32_t position = 0;
    for (;;) {
        int32_t child = 2 * position + 1;
        if (child >= size) break;
        if (child + 1 < size && s.Heap[child + 1].Key < s.Heap[child].Key) ++child;
        if (s.Heap[child].Key >= last.Key) break;
        s.Heap[position] = s.Heap[child];
        s.HeapIndex[s.Heap[position].Node] = position;
        position = child;
    }
    s.Heap[position] = last;
    s.HeapIndex[last.Node] = position;
    return top;
}

} // namespace

void OutOrderCosts(const Graph& graph, const double* cost, double* outCost) {
    const std::vector<int32_t>& outLinks = graph.OutLinks();
    for (size_t i = 0; i < outLinks.size(); ++i) outCost[i] = cost[outLinks[i]];
}

void ShortestPathTree(const Graph& graph, int32_t noThroughNodes, const double* outCost, int32_t origin,
                      PathScratch& s) {
    // Reset only what the previous tree touched.
    for (int32_t node : s.Settled) {
        s.Distance[node] = kUnreachable;
        s.PredLink[node] = -1;
    }
    for (const PathScratch::HeapEntry& entry : s.Heap) {
        s.Distance[entry.Node] = kUnreachable;
        s.PredLink[entry.Node] = -1;
        s.HeapIndex[entry.Node] = -1;
    }
    s.Settled.clear();
    s.Heap.clear();
    int32_t waiting = 0; // targets not settled yet
    if (!s.Targets.empty()) {
        ++s.TargetStamp;
        for (int32_t node : s.Targets)
            if (s.TargetMark[node] != s.TargetStamp) {
                s.TargetMark[node] = s.TargetStamp;
                ++waiting;
            }
        s.Targets.clear();
    }
    const bool early = waiting > 0;

    const int32_t* outHeads = graph.OutHeads().data();
    s.Distance[origin] = 0;
    s.Heap.push_back({0.0, origin});
    s.HeapIndex[origin] = 0;
    while (!s.Heap.empty()) {
        int32_t node = PopMin(s);
        s.Settled.push_back(node);
        if (early && s.TargetMark[node] == s.TargetStamp && --waiting == 0) break;
        if (node < noThroughNodes && node != origin) continue;
        double base = s.Distance[node];
        for (int32_t i = graph.OutBegin(node), end = graph.OutBegin(node + 1); i < end; ++i) {
            int32_t head = outHeads[i];
            double candidate = base + outCost[i];
            if (candidate < s.Distance[head]) {
                int32_t position = s.HeapIndex[head];
                if (position < 0) {
                    if (s.Distance[head] != kUnreachable) continue; // already settled
                    position = static_cast<int32_t>(s.Heap.size());
                    s.Heap.push_back({candidate, head});
                }
                s.Distance[head] = candidate;
                s.PredLink[head] = graph.OutLinks()[i];
                SiftUp(s, position, {candidate, head});
            }
        }
    }
}

double BlockShortestCost(const Demand& demand, int32_t block, const PathScratch& scratch) {
    double total = 0;
    for (int32_t i = demand.Start[block]; i < demand.Start[block + 1]; ++i) {
        double distance = scratch.Distance[demand.Destinations[i]];
        if (distance == kUnreachable) return kUnreachable;
        total += demand.Trips[i] * distance;
    }
    return total;
}

double BlockFreeFlowCost(const Graph& graph, const Demand& demand, int32_t block, const double* freeCost,
                         PathScratch& s) {
    for (int32_t node : s.Settled) {
        int32_t link = s.PredLink[node];
        s.Along[node] = link < 0 ? 0.0 : s.Along[graph.Tail(link)] + freeCost[link];
    }
    double total = 0;
    for (int32_t i = demand.Start[block]; i < demand.Start[block + 1]; ++i) total += demand.Trips[i] * s.Along[demand.Destinations[i]];
    return total;
}

int32_t LoadTree(const Graph& graph, const Demand& demand, int32_t block, PathScratch& s, double* linkFlow) {
    for (int32_t i = demand.Start[block]; i < demand.Start[block + 1]; ++i) {
        int32_t destination = demand.Destinations[i];
        if (s.Distance[destination] == kUnreachable) return destination;
        s.NodeLoad[destination] += demand.Trips[i];
    }
    // Settled order is a topological order of the tree: push each node's load to its parent.
    for (size_t k = s.Settled.size(); k-- > 1;) {
        int32_t node = s.Settled[k];
        double load = s.NodeLoad[node];
        if (load == 0) continue;
        s.NodeLoad[node] = 0;
        int32_t link = s.PredLink[node];
        linkFlow[link] += load;
        s.NodeLoad[graph.Tail(link)] += load;
    }
    s.NodeLoad[s.Settled[0]] = 0;
    return -1;
}

} // namespace veltra::assign
