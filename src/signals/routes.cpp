#include "signals/routes.h"

#include <algorithm>
#include <cmath>
#include <queue>
#include <tuple>

#include "signals/model.h"

namespace veltra::signals {

namespace {

// Platoons of a dispersed stream reach the next stop line after beta (0.8) of the cruise time.
constexpr double kPlatoonHead = 0.8;

// A link of node Upstream feeding a link of another node.
struct Feed {
  int Low = 0, High = 0;  // the two nodes, the lower index first
  double Flow = 0.0;
  int Upstream = 0, From = 0, To = 0;
  double Seconds = 0.0;
};

// [group] its nodes.
std::vector<std::vector<int>> GroupMembers(const SignalNetwork& net) {
  std::vector<std::vector<int>> members(static_cast<size_t>(net.GroupCount));
  for (size_t n = 0; n < net.Nodes.size(); ++n)
    if (net.Nodes[n].Group >= 0) members[static_cast<size_t>(net.Nodes[n].Group)].push_back(static_cast<int>(n));
  return members;
}

// The nodes sharing a group with n (n alone when it has none).
std::vector<int> GroupOf(const SignalNetwork& net, const std::vector<std::vector<int>>& groupMembers, int n) {
  const int g = net.Nodes[static_cast<size_t>(n)].Group;
  return g < 0 ? std::vector<int>{n} : groupMembers[static_cast<size_t>(g)];
}

}  // namespace

Routes HeaviestRoutes(const SignalNetwork& net) {
  const size_t nodes = net.Nodes.size();
  Routes routes;
  routes.Edge.assign(nodes, RouteEdge());
  const std::vector<bool> movable = MovableNodes(net);
  const std::vector<std::vector<int>> groupMembers = GroupMembers(net);

  std::vector<Feed> feeds;
  for (size_t l = 0; l < net.Links.size(); ++l) {
    const SignalLink& to = net.Links[l];
    if (to.Node < 0 || to.PeriodCount == 0) continue;
    for (int h = 0; h < to.SourceCount; ++h) {
      const Source& s = to.Sources[static_cast<size_t>(h)];
      const SignalLink& from = net.Links[static_cast<size_t>(s.Link)];
      if (from.Node < 0 || from.Node == to.Node || from.PeriodCount == 0 || s.Flow <= 0) continue;
      const double cruise = CruiseSeconds(net.Run, s.Cruise, to.Length) * (net.Run.Dispersion > 0 ? kPlatoonHead : 1.0);
      feeds.push_back({std::min(from.Node, to.Node), std::max(from.Node, to.Node), s.Flow, from.Node, s.Link,
                       static_cast<int>(l), cruise});
    }
  }
  // One pair per two nodes: the flow both ways, timed by its heaviest feed (the first after sorting).
  std::sort(feeds.begin(), feeds.end(), [](const Feed& a, const Feed& b) {
    return std::tie(a.Low, a.High, b.Flow, a.From, a.To) < std::tie(b.Low, b.High, a.Flow, b.From, b.To);
  });
  struct Pair {
    Feed Heaviest;
    double Flow = 0.0;
  };
  std::vector<Pair> pairs;
  for (const Feed& f : feeds) {
    if (pairs.empty() || pairs.back().Heaviest.Low != f.Low || pairs.back().Heaviest.High != f.High)
      pairs.push_back({f, 0.0});
    pairs.back().Flow += f.Flow;
  }
  std::vector<int> first(nodes + 1, 0), adjacent;
  for (const Pair& p : pairs) {
    ++first[static_cast<size_t>(p.Heaviest.Low) + 1];
    ++first[static_cast<size_t>(p.Heaviest.High) + 1];
  }
  for (size_t n = 0; n < nodes; ++n) first[n + 1] += first[n];
  adjacent.assign(static_cast<size_t>(first.back()), 0);
  std::vector<int> fill(first.begin(), first.end() - 1);
  std::vector<double> through(nodes, 0.0);  // flow a node exchanges with its neighbours
  for (size_t i = 0; i < pairs.size(); ++i)
    for (int n : {pairs[i].Heaviest.Low, pairs[i].Heaviest.High}) {
      adjacent[static_cast<size_t>(fill[static_cast<size_t>(n)]++)] = static_cast<int>(i);
      through[static_cast<size_t>(n)] += pairs[i].Flow;
    }

  // Prim's tree on the heaviest pairs, from the nodes that do not move, then from the busiest
  // node left. Ties go to the pair found first, so the tree is the same on every run.
  std::vector<bool> placed(nodes, false);
  using Candidate = std::pair<double, int>;  // flow, -pair
  std::priority_queue<Candidate> queue;
  auto place = [&](int n, const RouteEdge& edge) {
    for (int m : GroupOf(net, groupMembers, n)) {
      if (placed[static_cast<size_t>(m)]) continue;
      placed[static_cast<size_t>(m)] = true;
      RouteEdge e;
      if (m == n) e = edge;
      else e.Parent = n;  // a coordinated node hangs on the member that joined the tree
      routes.Edge[static_cast<size_t>(m)] = e;
      routes.Order.push_back(m);
      for (int k = first[static_cast<size_t>(m)]; k < first[static_cast<size_t>(m) + 1]; ++k) {
        const int pi = adjacent[static_cast<size_t>(k)];
        queue.push({pairs[static_cast<size_t>(pi)].Flow, -pi});
      }
    }
  };
  for (size_t n = 0; n < nodes; ++n)
    if (!movable[n]) place(static_cast<int>(n), RouteEdge());
  for (;;) {
    while (!queue.empty()) {
      const Pair& p = pairs[static_cast<size_t>(-queue.top().second)];
      queue.pop();
      const int a = p.Heaviest.Low, b = p.Heaviest.High;
      if (placed[static_cast<size_t>(a)] && placed[static_cast<size_t>(b)]) continue;
      const int joining = placed[static_cast<size_t>(a)] ? b : a;
      RouteEdge e;
      e.Parent = joining == a ? b : a;
      e.Upstream = p.Heaviest.Upstream;
      e.From = p.Heaviest.From;
      e.To = p.Heaviest.To;
      e.Seconds = p.Heaviest.Seconds;
      place(joining, e);
    }
    int root = -1;
    for (size_t n = 0; n < nodes; ++n)
      if (!placed[n] && (root < 0 || through[n] > through[static_cast<size_t>(root)])) root = static_cast<int>(n);
    if (root < 0) break;
    place(root, RouteEdge());
  }
  return routes;
}

void ProgressionOffsets(const SignalNetwork& net, const Routes& routes, Timings& t) {
  const std::vector<bool> movable = MovableNodes(net);
  const std::vector<std::vector<int>> groupMembers = GroupMembers(net);
  for (int n : routes.Order) {
    const RouteEdge& e = routes.Edge[static_cast<size_t>(n)];
    if (e.Parent < 0 || e.From < 0 || !movable[static_cast<size_t>(n)]) continue;
    const int from = GreenStart(net, t, e.From), to = GreenStart(net, t, e.To);
    // The receiving link's green starts as the platoon that the feeding link's green set off arrives.
    const double delta = e.Upstream == e.Parent ? from + e.Seconds - to : to - e.Seconds - from;
    const int d = static_cast<int>(std::lround(delta));
    for (int m : GroupOf(net, groupMembers, n)) ShiftNode(net, t, m, d);
  }
}

std::vector<std::vector<int>> RouteBranches(const SignalNetwork& net, const Routes& routes) {
  const size_t nodes = net.Nodes.size();
  const std::vector<bool> movable = MovableNodes(net);
  std::vector<int> childFirst(nodes + 1, 0), children;
  for (size_t n = 0; n < nodes; ++n)
    if (routes.Edge[n].Parent >= 0) ++childFirst[static_cast<size_t>(routes.Edge[n].Parent) + 1];
  for (size_t n = 0; n < nodes; ++n) childFirst[n + 1] += childFirst[n];
  children.assign(static_cast<size_t>(childFirst.back()), 0);
  std::vector<int> fill(childFirst.begin(), childFirst.end() - 1);
  for (int n : routes.Order)  // children in the order the tree reached them
    if (routes.Edge[static_cast<size_t>(n)].Parent >= 0)
      children[static_cast<size_t>(fill[static_cast<size_t>(routes.Edge[static_cast<size_t>(n)].Parent)]++)] = n;

  const std::vector<std::vector<int>> groupMembers = GroupMembers(net);
  std::vector<std::vector<int>> branches;
  std::vector<int> stack;
  std::vector<int> inBranch(nodes, -1);  // == the branch's stamp when the node is in it
  int stamp = 0;
  for (int top : routes.Order) {
    const RouteEdge& e = routes.Edge[static_cast<size_t>(top)];
    if (e.Parent < 0 || e.From < 0) continue;  // roots, and coordinated nodes that hang on their group
    ++stamp;
    std::vector<int> branch;
    bool moves = true;
    stack.assign(1, top);
    while (!stack.empty() && moves) {
      const int n = stack.back();
      stack.pop_back();
      moves = movable[static_cast<size_t>(n)];
      branch.push_back(n);
      inBranch[static_cast<size_t>(n)] = stamp;
      for (int k = childFirst[static_cast<size_t>(n)]; k < childFirst[static_cast<size_t>(n) + 1]; ++k)
        stack.push_back(children[static_cast<size_t>(k)]);
    }
    // A group moves whole: its members below another branch come along.
    for (size_t i = 0; i < branch.size() && moves; ++i) {
      const int g = net.Nodes[static_cast<size_t>(branch[i])].Group;
      if (g < 0) continue;
      for (int m : groupMembers[static_cast<size_t>(g)])
        if (inBranch[static_cast<size_t>(m)] != stamp) {
          inBranch[static_cast<size_t>(m)] = stamp;
          branch.push_back(m);
        }
    }
    if (moves) branches.push_back(std::move(branch));
  }
  return branches;
}

}  // namespace veltra::signals
