#include "assign/shortest_path.h"

namespace veltra::assign {

PathScratch::PathScratch(int32_t nodeCount)
    : Distance(nodeCount, kUnreachable), PredLink(nodeCount, -1), NodeLoad(nodeCount, 0.0),
      HeapIndex(nodeCount, -1) {
    Settled.reserve(nodeCount);
    Heap.reserve(nodeCount);
}

namespace {

void SiftUp(PathScratch& s, int32_t position) {
    int32_t node = s.Heap[position];
    double key = s.Distance[node];
    while (position > 0) {
        int32_t parent = (position - 1) / 2;
        int32_t parentNode = s.Heap[parent];
        if (s.Distance[parentNode] <= key) break;
        s.Heap[position] = parentNode;
        s.HeapIndex[parentNode] = position;
        position = parent;
    }
    s.Heap[position] = node;
    s.HeapIndex[node] = position;
}

int32_t PopMin(PathScratch& s) {
    int32_t top = s.Heap[0];
    s.HeapIndex[top] = -1;
    int32_t last = s.Heap.back();
    s.Heap.pop_back();
    int32_t size = static_cast<int32_t>(s.Heap.size());
    if (size == 0) return top;
    double key = s.Distance[last];
    int32_t position = 0;
    for (;;) {
        int32_t child = 2 * position + 1;
        if (child >= size) break;
        if (child + 1 < size && s.Distance[s.Heap[child + 1]] < s.Distance[s.Heap[child]]) ++child;
        if (s.Distance[s.Heap[child]] >= key) break;
        s.Heap[position] = s.Heap[child];
        s.HeapIndex[s.Heap[position]] = position;
        position = child;
    }
    s.Heap[position] = last;
    s.HeapIndex[last] = position;
    return top;
}

} // namespace

void ShortestPathTree(const Graph& graph, int32_t noThroughNodes, const double* cost, int32_t origin,
                      PathScratch& s) {
    // Reset only what the previous tree touched.
    for (int32_t node : s.Settled) {
        s.Distance[node] = kUnreachable;
        s.PredLink[node] = -1;
    }
    for (int32_t node : s.Heap) {
        s.Distance[node] = kUnreachable;
        s.PredLink[node] = -1;
        s.HeapIndex[node] = -1;
    }
    s.Settled.clear();
    s.Heap.clear();

    const std::vector<int32_t>& outLinks = graph.OutLinks();
    s.Distance[origin] = 0;
    s.Heap.push_back(origin);
    s.HeapIndex[origin] = 0;
    while (!s.Heap.empty()) {
        int32_t node = PopMin(s);
        s.Settled.push_back(node);
        if (node < noThroughNodes && node != origin) continue;
        double base = s.Distance[node];
        for (int32_t i = graph.OutBegin(node), end = graph.OutBegin(node + 1); i < end; ++i) {
            int32_t link = outLinks[i];
            int32_t head = graph.Head(link);
            double candidate = base + cost[link];
            if (candidate < s.Distance[head]) {
                bool inHeap = s.HeapIndex[head] >= 0;
                if (!inHeap && s.Distance[head] != kUnreachable) continue; // already settled
                s.Distance[head] = candidate;
                s.PredLink[head] = link;
                if (!inHeap) {
                    s.Heap.push_back(head);
                    s.HeapIndex[head] = static_cast<int32_t>(s.Heap.size()) - 1;
                }
                SiftUp(s, s.HeapIndex[head]);
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
