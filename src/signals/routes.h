// The heaviest routes through a network of signals: the tree of junction pairs that carries the
// most traffic from one signal to the next (a maximum spanning tree over the flows that links
// of one node feed into links of another), the progression offsets along it, and the groups
// of nodes that hang below each branch of it.
#pragma once

#include <vector>

#include "signals/network.h"
#include "signals/timings.h"

namespace veltra::signals {

// How one node of the tree hangs on its parent: the heaviest feed between the two, from link
// `From` (at node `Upstream`) into link `To`, with the time its platoons take.
struct RouteEdge {
  int Parent = -1;      // -1: a root (a node that does not move, or the start of a part of the network)
  int Upstream = -1;    // node whose link feeds the other's
  int From = -1, To = -1;
  double Seconds = 0.0; // from the feeding link's green start to the platoon's arrival at the stop line
};

struct Routes {
  std::vector<RouteEdge> Edge;  // [node]
  std::vector<int> Order;       // nodes as the tree reached them; a parent before its children
};

Routes HeaviestRoutes(const SignalNetwork& net);

// Moves the optimised nodes along the tree so that each receiving link's green starts when the
// platoon from its parent's feeding link arrives. Coordinated groups move whole; nodes that do
// not move (and groups holding one) stay as they are. Splits are kept.
void ProgressionOffsets(const SignalNetwork& net, const Routes& routes, Timings& t);

// For every branch of the tree, the nodes below it (the branch's node included), as whole
// coordinated groups; branches holding a node that does not move are left out.
std::vector<std::vector<int>> RouteBranches(const SignalNetwork& net, const Routes& routes);

}  // namespace veltra::signals
