#include "saturn/bus_routes.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <set>

#include "model/tables.h"
#include "util/conversions.h"
#include "util/text.h"

namespace veltra {

namespace {

constexpr int kMaxRouteNumber = 99999;

// A node number written in free format: any width, but a number within the integers (1E39
// would be held at the integer limits and taken for a node number, "1O5" read as 0).
int32_t FreeNodeNumber(const std::string& word) {
  if (ForeignCharacter(word) != 0) throw FieldRangeError(Printf("valor \"%s\" no es un numero", word.c_str()));
  const double value = TextToReal(word);
  if (!(std::fabs(value) < 2147483648.0)) throw FieldRangeError(Printf("valor \"%s\" fuera de rango", word.c_str()));
  return TextToInt(word);
}

// The node numbers of a route as the file lists them: free format (EZBUS) from column 16 of
// as many lines as it takes, or fixed fields of W columns from column 16, 13 to a line (6 with DUTCH).
std::vector<int32_t> ReadRouteNodes(NetworkReader& reader, int32_t count) {
  std::vector<int32_t> numbers;
  if (count <= 0) return numbers;
  std::string line = reader.Current();
  if (reader.sat.Param.EZBUS) {
    while (true) {
      for (const std::string& word : SplitBlanks(Field(line, 16, 80))) {
        if (static_cast<int32_t>(numbers.size()) == count) break;
        numbers.push_back(FreeNodeNumber(word));
      }
      if (static_cast<int32_t>(numbers.size()) >= count) break;
      line = reader.NextCard("los nodos de la linea de bus");
    }
    return numbers;
  }
  const int W = reader.Width();
  const int perLine = reader.sat.Param.DUTCH ? 6 : 13;
  int place = 0;
  for (int32_t i = 1; i <= count; ++i) {
    if (place == perLine) {
      line = reader.NextCard("los nodos de la linea de bus");
      place = 0;
    }
    const int first = 16 + W * place;
    numbers.push_back(IntAt(line, first, first + W - 1));
    ++place;
  }
  return numbers;
}

// The node as a route pair or triple uses it: inserted nodes are stored negated.
int32_t RouteNode(const TLinea& route, size_t i) {
  const bool inserted = i < route.Inserted.size() && route.Inserted[i];
  return inserted ? -route.Nodes[i] : route.Nodes[i];
}

struct BusSelection {
  std::vector<uint8_t> Routes = std::vector<uint8_t>(kMaxRouteNumber + 1, 0);
  std::set<int32_t> Groups;
  bool Selects(const TLinea& route) const {
    if (Groups.count(route.RouteGroup)) return true;
    return route.RouteNumber >= 0 && route.RouteNumber <= kMaxRouteNumber && Routes[static_cast<size_t>(route.RouteNumber)];
  }
};

// Items separated by ",": "(g)" a route group, "a-b" routes a to b, or one route number.
BusSelection ParseSelection(const std::string& text) {
  BusSelection selection;
  for (const std::string& raw : Split(text, ',')) {
    const std::string item = Trim(raw);
    if (item.empty()) continue;
    if (item.size() >= 2 && item.front() == '(' && item.back() == ')') {
      selection.Groups.insert(TextToInt(item.substr(1, 1)));
      continue;
    }
    const size_t dash = item.find('-', 1);
    int32_t first = TextToInt(item.substr(0, dash));
    int32_t last = dash == std::string::npos ? first : TextToInt(item.substr(dash + 1));
    first = std::max(first, 0);
    last = std::min(last, kMaxRouteNumber);
    for (int32_t n = first; n <= last; ++n) selection.Routes[static_cast<size_t>(n)] = 1;
  }
  return selection;
}

}  // namespace

void ReadBusRoute(NetworkReader& reader, int group) {
  SaturnVars& sat = reader.sat;
  const std::string header = reader.Current();
  const size_t position = reader.Position();
  if (sat.Network.BusLineCount >= sat.Capacity().BusLines)
    reader.LimitExceeded(position, "lineas de bus", sat.Capacity().BusLines);

  TLinea route;
  if (std::isdigit(static_cast<unsigned char>(Column(header, 5)))) {
    route.RouteNumber = IntAt(header, 1, 5);
    route.Suffix = " ";
  } else {
    route.RouteNumber = IntAt(header, 1, 4);
    route.Suffix = Field(header, 5, 5);
  }
  route.RouteGroup = group;
  // A frequency beyond its columns' digits would carry a bus flow no link can take into the
  // saturation-flow sharing and the data files; it stops the reading like any numeric field.
  route.Frequency = IntAt(header, 6, 10);
  const int32_t count = IntAt(header, 11, 15);
  const TLinea& previous = sat.BusLines.back();
  if (count == 0)
    reader.log.Line(Printf("Línea %d sin nodos\rUltima línea leída: %s", route.RouteNumber,
                               sat.Network.BusLineCount > 0 ? Printf("%d", previous.RouteNumber).c_str() : ""));
  if (count > kMaxRouteNodes) reader.LimitExceeded(position, "nodos en una linea de bus", kMaxRouteNodes);

  std::vector<int32_t> kept;
  for (int32_t number : ReadRouteNodes(reader, count))
    if (sat.FindNode(number) != 0) kept.push_back(number);

  auto append = [&](int32_t number, bool inserted) {
    if (route.NodeCount >= kMaxRouteNodes) reader.LimitExceeded(position, "nodos en una linea de bus", kMaxRouteNodes);
    route.Nodes.push_back(inserted ? -number : number);
    route.Inserted.push_back(inserted ? 1 : 0);
    ++route.NodeCount;
  };
  for (size_t i = 0; i < kept.size(); ++i) {
    append(kept[i], false);
    if (!sat.Param.FOZZY || i + 1 == kept.size()) continue;
    // A gap between consecutive nodes is closed by the shortest path; its inner nodes are
    // stored negated to tell them from the nodes the file lists.
    if (sat.FindLink(kept[i], kept[i + 1]) != 0) continue;
    std::vector<int32_t> path = ShortestPath(sat, sat.FindNode(kept[i]), sat.FindNode(kept[i + 1]));
    for (size_t k = 1; k + 1 < path.size(); ++k) append(At(sat.Nodes, path[k]).Number, true);
  }
  sat.BusLines.push_back(std::move(route));
  sat.Network.BusLineCount = static_cast<int32_t>(sat.BusLines.size()) - 1;
}

std::vector<int32_t> ShortestPath(const SaturnVars& sat, int32_t from, int32_t to) {
  std::vector<int32_t> path;
  const int32_t nodeCount = static_cast<int32_t>(sat.Nodes.size()) - 1;
  if (from < 1 || to < 1 || from > nodeCount || to > nodeCount || from == to) return path;
  if (sat.FirstLinkOfNode.size() < static_cast<size_t>(nodeCount) + 2) return path;

  std::vector<float> distance(static_cast<size_t>(nodeCount) + 1, 1e10f);
  std::vector<int32_t> predecessor(static_cast<size_t>(nodeCount) + 1, -1);
  std::vector<uint8_t> settled(static_cast<size_t>(nodeCount) + 1, 0);
  // The queue orders by the text of (distance, position): the nearest node first and, at
  // equal distance, the lower position.
  auto entry = [&](int32_t node) { return Printf("%20.5f%4d", distance[static_cast<size_t>(node)], node); };
  std::set<std::string> queue;
  distance[static_cast<size_t>(from)] = 0;
  predecessor[static_cast<size_t>(from)] = 0;
  queue.insert(entry(from));
  while (!queue.empty()) {
    const std::string first = *queue.begin();
    queue.erase(queue.begin());
    const int32_t u = TextToInt(first.substr(20));
    if (u < 1 || u > nodeCount) continue;
    settled[static_cast<size_t>(u)] = 1;
    // Once the end node is settled its path is final.
    if (u == to) break;
    const int32_t end = sat.FirstLinkOfNode[static_cast<size_t>(u) + 1];
    for (int32_t l = At(sat.FirstLinkOfNode, u); l < end; ++l) {
      const Tardat& link = At(sat.Links, l);
      const int32_t v = link.BIndex;
      if (link.AIndex != u || v < 1 || v > nodeCount || settled[static_cast<size_t>(v)]) continue;
      const float d = distance[static_cast<size_t>(u)] + static_cast<float>(link.Length);
      if (d < distance[static_cast<size_t>(v)]) {
        if (predecessor[static_cast<size_t>(v)] != -1) queue.erase(entry(v));
        distance[static_cast<size_t>(v)] = d;
        predecessor[static_cast<size_t>(v)] = u;
        queue.insert(entry(v));
      }
    }
  }
  if (predecessor[static_cast<size_t>(to)] == -1) return path;
  for (int32_t n = to; n != 0; n = predecessor[static_cast<size_t>(n)]) {
    path.push_back(n);
    if (path.size() > static_cast<size_t>(nodeCount)) return {};
  }
  std::reverse(path.begin(), path.end());
  return path;
}

void AddBusFlows(SaturnVars& sat, const std::string& selectionText) {
  // One entry per link and per turn of the network read, every one 0 until a route passes.
  sat.SelectedBusLink.assign(static_cast<size_t>(std::max(sat.Network.LinkCount, 0)) + 1, 0.0f);
  sat.OtherBusLink.assign(sat.SelectedBusLink.size(), 0.0f);
  sat.SelectedBusTurn.assign(static_cast<size_t>(std::max(sat.Network.TurnCount, 0)) + 1, 0.0f);
  sat.OtherBusTurn.assign(sat.SelectedBusTurn.size(), 0.0f);
  const BusSelection selection = ParseSelection(selectionText);
  for (int32_t b = 1; b <= sat.Network.BusLineCount; ++b) {
    const TLinea& route = sat.BusLines[static_cast<size_t>(b)];
    const bool selected = selection.Selects(route);
    const double factor = route.RouteGroup >= 1 && route.RouteGroup <= 9 ? sat.Param.BUSPCU[static_cast<size_t>(route.RouteGroup)] : 0.0;
    const float pcu = static_cast<float>(RoundEven(route.Frequency * factor * 100.0) / 100.0);
    std::vector<float>& links = selected ? sat.SelectedBusLink : sat.OtherBusLink;
    std::vector<float>& turns = selected ? sat.SelectedBusTurn : sat.OtherBusTurn;
    // Nodes the path completion inserted carry the bus like the listed ones: the bus runs
    // along the completed path.
    const size_t count = static_cast<size_t>(route.NodeCount);
    for (size_t i = 1; i < count; ++i) {
      const int32_t l = sat.FindLink(RouteNode(route, i), RouteNode(route, i + 1));
      if (l > 0 && static_cast<size_t>(l) < links.size()) links[static_cast<size_t>(l)] += pcu;
      if (i + 2 > count) continue;
      const int32_t t = sat.FindTurn(RouteNode(route, i), RouteNode(route, i + 1), RouteNode(route, i + 2));
      if (t > 0 && static_cast<size_t>(t) < turns.size()) turns[static_cast<size_t>(t)] += pcu;
    }
  }
}

}  // namespace veltra
