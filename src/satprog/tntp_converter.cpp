#include "satprog/tntp_converter.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <sstream>

#include "model/saturn_vars.h"
#include "util/text.h"

namespace veltra::satprog {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kEarthRadius = 6371000.0;  // mean radius, m
constexpr int32_t kMaxLanes = 9;            // the lanes an arm card holds
// The coordinates' "F15.4" fields: a sign, nine digits, the point and four decimals.
constexpr double kMaxCoordinate = 999999999.0;

int32_t Round(double value) { return static_cast<int32_t>(std::lround(value)); }

// `value` rounded, when the field holds it; otherwise the conversion stops, naming the value,
// rather than writing a different one (a free time of 1e300 min is not a free road).
int32_t Fit(double value, int32_t low, int32_t high, const std::string& what) {
  if (!std::isfinite(value) || value < low - 0.5 || value >= high + 0.5)
    throw ConversionError{Printf("%s: %.6g does not fit its field of the network file (%d to %d)", what.c_str(), value, low, high)};
  return Round(value);
}

struct Junction {
  int32_t Node = 0;
  std::vector<int32_t> Arms;  // neighbour nodes in order around the node
  std::vector<int32_t> In;    // [arm] index in links of arm -> node, -1 none
  std::vector<int32_t> Out;   // [arm] index in links of node -> arm, -1 none
  bool Signalised = false;
  bool Simulated = false;     // has a junction card (at most 8 arms)
  // A priority junction's major road: the positions of its two approaches of largest capacity,
  // -1 when it has fewer than two approaches.
  int Major[2] = {-1, -1};
};

class Converter {
 public:
  Converter(const TntpNet& net, const ConversionSettings& settings) : net_(net), settings_(settings) {}
  Conversion Run();

 private:
  bool HasXY(int32_t node) const { return xy_.count(node) > 0; }
  // Bearing from the node to a neighbour, clockwise from north, in degrees 0..360.
  double Bearing(int32_t from, int32_t to) const;
  int32_t Lanes(const TntpLink& link);
  void Coordinates();
  void ParallelLinks();
  void Header();
  void BuildJunctions();
  void MajorRoad(Junction& j, bool located);
  void JunctionSection();
  void WriteJunction(const Junction& j);
  void BufferSection();
  void CoordinateSection();
  void NodeList();

  const TntpNet& net_;
  const ConversionSettings& settings_;
  Conversion out_;
  std::vector<TntpLink> links_;  // the links written: parallel ones merged or split
  int width_ = 5;
  std::map<int32_t, std::pair<double, double>> xy_;
  std::map<int32_t, Junction> junctions_;
  std::vector<std::string> wideArms_;  // the first few arms whose capacity needs more lanes than a card holds
  int32_t wideArmCount_ = 0;
};

double Converter::Bearing(int32_t from, int32_t to) const {
  const auto& a = xy_.at(from);
  const auto& b = xy_.at(to);
  double degrees = std::atan2(b.first - a.first, b.second - a.second) * 180 / kPi;
  if (degrees < 0) degrees += 360;
  return degrees;
}

// The lanes of an arm from its capacity; an arm card holds at most kMaxLanes, and the arms that
// would need more are named together after the junction section.
int32_t Converter::Lanes(const TntpLink& link) {
  if (!std::isfinite(link.Capacity) || !(link.Capacity > 0))
    throw ConversionError{Printf("link %d-%d: capacity %.6g veh/h: an arm needs a positive capacity", link.From, link.To,
                                 link.Capacity)};
  const double lanes = link.Capacity / settings_.LaneSaturationFlow;
  if (lanes < kMaxLanes + 0.5) return std::max(1, Round(lanes));
  if (wideArms_.size() < 10) wideArms_.push_back(Printf("%d-%d (%.6g veh/h)", link.From, link.To, link.Capacity));
  ++wideArmCount_;
  return kMaxLanes;
}

// The node file's coordinates in metres, in xy_.
void Converter::Coordinates() {
  if (net_.Nodes.empty()) return;
  double minX = net_.Nodes[0].X, maxX = minX, minY = net_.Nodes[0].Y, maxY = minY;
  const TntpNode* outside = nullptr;  // the first node that cannot be longitude and latitude
  for (const TntpNode& node : net_.Nodes) {
    minX = std::min(minX, node.X);
    maxX = std::max(maxX, node.X);
    minY = std::min(minY, node.Y);
    maxY = std::max(maxY, node.Y);
    if (outside == nullptr && (std::fabs(node.X) > 180 || std::fabs(node.Y) > 90)) outside = &node;
  }
  CoordinateUnit unit = settings_.Coordinates;
  if (unit == CoordinateUnit::Detected) unit = outside == nullptr ? CoordinateUnit::Degrees : CoordinateUnit::Metres;
  if (unit == CoordinateUnit::Degrees && outside != nullptr)
    throw ConversionError{Printf("node %d: x %.6g, y %.6g is not a longitude and latitude (--coordinates degrees)",
                                 outside->Number, outside->X, outside->Y)};
  const double lon0 = (minX + maxX) / 2, lat0 = (minY + maxY) / 2;
  const double radians = kPi / 180;
  if (unit == CoordinateUnit::Degrees && settings_.Coordinates == CoordinateUnit::Detected)
    out_.Notes.push_back(Printf("coordinates taken as longitude and latitude (every x within +-180, every y within +-90) and "
                                "projected to metres about %.6f, %.6f; --coordinates metres keeps them as they are",
                                lon0, lat0));
  for (const TntpNode& node : net_.Nodes) {
    double x = node.X, y = node.Y;
    if (unit == CoordinateUnit::Degrees) {
      // Equirectangular about the centre: true distances near it, within a fraction of a per
      // cent across a city.
      x = kEarthRadius * (node.X - lon0) * radians * std::cos(lat0 * radians);
      y = kEarthRadius * (node.Y - lat0) * radians;
    } else if (unit == CoordinateUnit::Feet) {
      x *= 0.3048;
      y *= 0.3048;
    }
    if (std::fabs(x) > kMaxCoordinate || std::fabs(y) > kMaxCoordinate)
      throw ConversionError{Printf("node %d: coordinates %.6g, %.6g m do not fit their fields of the network file (at most "
                                   "%.0f m either way)",
                                   node.Number, x, y, kMaxCoordinate)};
    xy_[node.Number] = {x, y};
  }
}

// The network file names a link by its two nodes, so a second link between the same nodes in
// the same direction cannot be written as it stands. A buffer network keeps it, and the
// equilibrium with it, as a link to a node of its own and a link of no time on from there; a
// junction network folds it into the first one's arm, whose capacity becomes the sum.
void Converter::ParallelLinks() {
  out_.LinksRead = static_cast<int32_t>(net_.Links.size());
  int32_t nextNode = net_.Zones;
  for (const TntpLink& link : net_.Links) nextNode = std::max({nextNode, link.From, link.To});
  for (const auto& entry : xy_) nextNode = std::max(nextNode, entry.first);
  ++nextNode;
  std::map<std::pair<int32_t, int32_t>, size_t> first;
  for (const TntpLink& link : net_.Links) {
    if (link.From == link.To) {
      // Never on a route between two places; a junction has no arm from itself.
      ++out_.LoopsDropped;
      out_.Warnings.push_back(Printf("link %d-%d leads from a node to itself: left out", link.From, link.To));
      continue;
    }
    const auto [it, inserted] = first.emplace(std::make_pair(link.From, link.To), links_.size());
    if (inserted) {
      links_.push_back(link);
      continue;
    }
    if (settings_.Mode == ConversionMode::Signals) {
      TntpLink& kept = links_[it->second];
      kept.Capacity += link.Capacity;
      ++out_.ParallelMerged;
      out_.Warnings.push_back(Printf("link %d-%d: a parallel link of capacity %.6g veh/h merged into the first one, whose "
                                     "capacity becomes %.6g veh/h; its free-flow time, length and curve are the first one's",
                                     link.From, link.To, link.Capacity, kept.Capacity));
      continue;
    }
    const int32_t node = nextNode++;
    TntpLink in = link;
    in.To = node;
    TntpLink on = link;
    on.From = node;
    on.Length = 0;
    on.FreeTime = 0;
    on.B = 0;
    links_.push_back(in);
    links_.push_back(on);
    if (HasXY(link.From) && HasXY(link.To))
      xy_[node] = {(xy_[link.From].first + xy_[link.To].first) / 2, (xy_[link.From].second + xy_[link.To].second) / 2};
    ++out_.ParallelSplit;
    out_.Warnings.push_back(Printf("link %d-%d: a parallel link written as %d-%d-%d through node %d, added for it", link.From,
                                   link.To, link.From, node, link.To, node));
  }
  out_.LinksWritten = static_cast<int32_t>(links_.size());
}

void Converter::Header() {
  int32_t maxNode = 0;
  for (const TntpLink& link : links_) maxNode = std::max({maxNode, link.From, link.To});
  if (net_.Zones > 9999) throw ConversionError{Printf("%d zones: the network file numbers zones with 4 digits", net_.Zones)};
  if (settings_.Mode == ConversionMode::Signals && maxNode > 99999)
    throw ConversionError{Printf("node %d: junction cards number nodes with 5 digits", maxNode)};
  for (const auto& entry : xy_) maxNode = std::max(maxNode, entry.first);
  width_ = maxNode > 9999 ? 10 : 5;
  if (net_.FirstThruNode > 1)
    out_.Warnings.push_back(Printf("nodes 1 to %d (the TNTP zone nodes that carry no through traffic) are ordinary nodes "
                                   "of the converted network",
                                   net_.FirstThruNode - 1));
  std::vector<std::string>& d = out_.DataFile;
  d.push_back("* Converted from TNTP files by veltra-tntp.");
  d.push_back("&OPTIONS");
  d.push_back(" &END");
  d.push_back(settings_.Title);
  d.push_back("&PARAM");
  std::string param = "  NOMADS = 1";
  if (width_ == 10) param += ", DUTCH = T";
  if (!xy_.empty()) param += ", XYFORM = '2F15.4'";
  d.push_back(param);
  d.push_back(" &END");
}

void Converter::BuildJunctions() {
  std::map<int32_t, std::set<int32_t>> neighbours;
  for (size_t i = 0; i < links_.size(); ++i) {
    const TntpLink& link = links_[i];
    if (link.From == link.To) continue;
    neighbours[link.From].insert(link.To);
    neighbours[link.To].insert(link.From);
  }
  std::map<std::pair<int32_t, int32_t>, int32_t> linkOf;
  for (size_t i = 0; i < links_.size(); ++i)
    linkOf.emplace(std::make_pair(links_[i].From, links_[i].To), static_cast<int32_t>(i));
  for (const auto& entry : neighbours) {
    // A plain name, not a structured binding: lambdas below capture it.
    const int32_t node = entry.first;
    const auto& set = entry.second;
    Junction j;
    j.Node = node;
    j.Arms.assign(set.begin(), set.end());
    const bool located = HasXY(node) && std::all_of(j.Arms.begin(), j.Arms.end(), [&](int32_t a) { return HasXY(a); });
    if (located)
      std::stable_sort(j.Arms.begin(), j.Arms.end(), [&](int32_t a, int32_t b) { return Bearing(node, a) < Bearing(node, b); });
    int approaches = 0;
    for (int32_t arm : j.Arms) {
      auto in = linkOf.find({arm, node});
      auto out = linkOf.find({node, arm});
      j.In.push_back(in == linkOf.end() ? -1 : in->second);
      j.Out.push_back(out == linkOf.end() ? -1 : out->second);
      if (in != linkOf.end()) ++approaches;
    }
    j.Simulated = j.Arms.size() <= static_cast<size_t>(kMaxArms);
    if (!j.Simulated)
      out_.Warnings.push_back(Printf("node %d has %d arms, more than a junction card holds: its links are buffer links", node,
                                     static_cast<int>(j.Arms.size())));
    j.Signalised = j.Simulated && located && j.Arms.size() >= 3 && approaches >= 2;
    if (j.Simulated && !j.Signalised) MajorRoad(j, located);
    if (j.Simulated) (j.Signalised ? out_.Signals : out_.PriorityJunctions)++;
    junctions_.emplace(node, std::move(j));
  }
}

// The major road of a priority junction: its two approaches of largest capacity. Without
// coordinates the arms are put round the junction so that the major road runs straight through
// it, the other arms shared out on either side: a real T or crossroads whose turns are left,
// straight on or right by the order of its arms, as junction cards list them, clockwise.
void Converter::MajorRoad(Junction& j, bool located) {
  std::vector<int> order;
  const int n = static_cast<int>(j.Arms.size());
  for (int p = 0; p < n; ++p)
    if (j.In[static_cast<size_t>(p)] >= 0) order.push_back(p);
  if (order.size() < 2) return;
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return links_[static_cast<size_t>(j.In[static_cast<size_t>(a)])].Capacity >
           links_[static_cast<size_t>(j.In[static_cast<size_t>(b)])].Capacity;
  });
  if (located) {
    j.Major[0] = std::min(order[0], order[1]);
    j.Major[1] = std::max(order[0], order[1]);
    return;
  }
  std::vector<int> arrangement{order[0]};
  std::vector<int> others;
  for (int p = 0; p < n; ++p)
    if (p != order[0] && p != order[1]) others.push_back(p);
  const size_t firstSide = (others.size() + 1) / 2;
  arrangement.insert(arrangement.end(), others.begin(), others.begin() + static_cast<std::ptrdiff_t>(firstSide));
  arrangement.push_back(order[1]);
  arrangement.insert(arrangement.end(), others.begin() + static_cast<std::ptrdiff_t>(firstSide), others.end());
  Junction arranged = j;
  for (size_t k = 0; k < arrangement.size(); ++k) {
    const size_t from = static_cast<size_t>(arrangement[k]);
    arranged.Arms[k] = j.Arms[from];
    arranged.In[k] = j.In[from];
    arranged.Out[k] = j.Out[from];
  }
  j.Arms = std::move(arranged.Arms);
  j.In = std::move(arranged.In);
  j.Out = std::move(arranged.Out);
  j.Major[0] = 0;
  j.Major[1] = static_cast<int>(firstSide) + 1;
}

void Converter::WriteJunction(const Junction& j) {
  std::vector<std::string>& d = out_.DataFile;
  const int n = static_cast<int>(j.Arms.size());
  const int32_t green = std::max(1, (settings_.Cycle - 2 * settings_.Intergreen) / 2);
  if (j.Signalised)
    d.push_back(Printf("%5d%5d%5d%5d%5d%5d", j.Node, n, 3, 2, 0, settings_.Cycle));
  else
    d.push_back(Printf("%5d%5d%5d", j.Node, n, 1));
  // At a priority junction the turns from the minor approaches give way ("X"), and so do the
  // turns from the major road across the opposing stream (to the far side: left where traffic
  // drives on the right), unless the approach has no other turn and the major road bends there.
  auto givesWay = [&](int p, int r) {
    if (j.Signalised || j.Major[0] < 0) return false;
    if (p != j.Major[0] && p != j.Major[1]) return true;
    const int other = p == j.Major[0] ? j.Major[1] : j.Major[0];
    const int straight = (other - p + n) % n;  // slots before it lead to the left
    auto farSide = [&](int slot) { return settings_.Side == DrivingSide::Right ? slot < straight : slot > straight; };
    if (!farSide(r)) return false;
    for (int s = 1; s < n; ++s)
      if (!farSide(s) && j.Out[static_cast<size_t>((p + s) % n)] >= 0) return true;
    return false;
  };
  bool anyGivesWay = false;
  for (int p = 0; p < n; ++p) {
    const int32_t in = j.In[static_cast<size_t>(p)];
    if (in < 0) {
      d.push_back(Printf("%5s%5d%1s%4d%5d%5d", "", j.Arms[static_cast<size_t>(p)], "", 0, 0, 0));
      continue;
    }
    const TntpLink& link = links_[static_cast<size_t>(in)];
    const int32_t lanes = Lanes(link);
    std::string card = Printf("%5s%5d%1s%4d%5d%5d", "", j.Arms[static_cast<size_t>(p)], "", lanes,
                              Fit(link.FreeTime * 60, 0, 99999, Printf("link %d-%d: free-flow time (s)", link.From, link.To)),
                              Fit(link.Length * settings_.MetresPerLengthUnit, 0, 99999,
                                  Printf("link %d-%d: length (m)", link.From, link.To)));
    for (int r = 1; r < n; ++r) {
      const int q = (p + r) % n;
      const bool exists = j.Out[static_cast<size_t>(q)] >= 0;
      const int32_t flow = exists ? Round(lanes * settings_.LaneSaturationFlow) : 0;
      const bool code = exists && givesWay(p, r);
      anyGivesWay = anyGivesWay || code;
      card += Printf("%5d%2s%1d%2d", flow, code ? "X" : "", exists ? 1 : 0, exists ? lanes : 0);
    }
    d.push_back(card);
  }
  if (!j.Signalised) {
    if (!anyGivesWay) ++out_.NoGiveWay;
    else (n == 3 ? out_.GiveWayThreeArms : n == 4 ? out_.GiveWayFourArms : out_.GiveWayMoreArms)++;
    return;
  }
  // Two stages by the arms' bearings: the approaches along the axis of the first approach,
  // then the others (at least one of them, the one farthest from that axis).
  auto axisGap = [&](int a, int b) {
    double diff = std::fmod(std::fabs(Bearing(j.Node, j.Arms[static_cast<size_t>(a)]) - Bearing(j.Node, j.Arms[static_cast<size_t>(b)])), 180.0);
    return std::min(diff, 180 - diff);
  };
  std::vector<int> approaches;
  for (int p = 0; p < n; ++p)
    if (j.In[static_cast<size_t>(p)] >= 0) approaches.push_back(p);
  std::vector<int> stage1, stage2;
  for (int p : approaches) (axisGap(approaches[0], p) < 45 ? stage1 : stage2).push_back(p);
  if (stage2.empty()) {
    auto farthest = std::max_element(stage1.begin() + 1, stage1.end(),
                                     [&](int a, int b) { return axisGap(approaches[0], a) < axisGap(approaches[0], b); });
    stage2.push_back(*farthest);
    stage1.erase(farthest);
  }
  for (const std::vector<int>* stage : {&stage1, &stage2}) {
    std::vector<int32_t> entries;
    for (int p : *stage) {
      entries.push_back(j.Arms[static_cast<size_t>(p)]);
      entries.push_back(0);
    }
    std::string card = Printf("%10s%5d%5d%5d", "", green, settings_.Intergreen, static_cast<int>(entries.size()));
    for (size_t e = 0; e < entries.size(); ++e) {
      if (e == 10) {
        d.push_back(card);
        card = Printf("%25s", "");
      }
      card += Printf("%5d", entries[e]);
    }
    d.push_back(card);
  }
}

void Converter::JunctionSection() {
  std::vector<std::string>& d = out_.DataFile;
  d.push_back("11111 SIMULATION NETWORK: ONE JUNCTION PER NODE");
  for (const auto& [node, j] : junctions_)
    if (j.Simulated) WriteJunction(j);
  d.push_back("99999");
  if (wideArmCount_ > 0) {
    std::string arms;
    for (const std::string& arm : wideArms_) arms += (arms.empty() ? "" : ", ") + arm;
    if (wideArmCount_ > static_cast<int32_t>(wideArms_.size()))
      arms += Printf(" and %d more", wideArmCount_ - static_cast<int32_t>(wideArms_.size()));
    out_.Warnings.push_back(Printf("%d arms have more capacity than %d lanes carry; an arm card holds %d lanes, so they get %d "
                                   "(%.0f pcu/h): %s",
                                   wideArmCount_, kMaxLanes, kMaxLanes, kMaxLanes, kMaxLanes * settings_.LaneSaturationFlow,
                                   arms.c_str()));
  }
  d.push_back("22222 ZONE CONNECTORS");
  for (int32_t z = 1; z <= net_.Zones; ++z) {
    auto it = junctions_.find(z);
    if (it != junctions_.end() && it->second.Simulated) d.push_back(Printf(" %4d%5d", z, z));
  }
  d.push_back("99999");
}

void Converter::BufferSection() {
  std::vector<std::string>& d = out_.DataFile;
  const int w = width_;
  d.push_back("33333 BUFFER NETWORK: TIME 1 FREE, TIME 2 AT CAPACITY, CAPACITY, LENGTH, POWER");
  for (const TntpLink& link : links_) {
    if (settings_.Mode == ConversionMode::Signals) {
      auto it = junctions_.find(link.To);
      if (it != junctions_.end() && it->second.Simulated) continue;  // a simulation link of its junction
    }
    const std::string name = Printf("link %d-%d", link.From, link.To);
    const int32_t t0 = Fit(link.FreeTime * 60, 0, 99999, name + ": free-flow time (s)");
    const bool curve = link.B > 0 && link.Power > 0;
    const int32_t t1 = curve ? Fit(link.FreeTime * 60 * (1 + link.B), 0, 99999, name + ": time at capacity (s)") : t0;
    const int32_t capacity = Fit(link.Capacity, 1, 99999, name + ": capacity (veh/h)");
    const int32_t length = Fit(link.Length * settings_.MetresPerLengthUnit, 0, 99999, name + ": length (m)");
    // The power's "F5.2" field.
    if (curve && !(link.Power < 99.995))
      throw ConversionError{Printf("%s: power %.6g does not fit its field of the network file (0 to 99.99)", name.c_str(), link.Power)};
    d.push_back(Printf("%*d%*d%5d%5d%5d%5s%5d%5.2f", w, link.From, w, link.To, t0, t1, capacity, "", length, curve ? link.Power : 0.0));
  }
  // Zone z is loaded at node z, as the TNTP files number them; in a junction network here only
  // where node z is no simulation junction (those zones are loaded in the simulation section).
  for (int32_t z = 1; z <= net_.Zones; ++z) {
    if (settings_.Mode == ConversionMode::Signals) {
      auto it = junctions_.find(z);
      if (it != junctions_.end() && it->second.Simulated) continue;
    }
    d.push_back(Printf("C%*d %*d%5d", w - 1, z, w - 1, z, 0));
  }
  d.push_back("99999");
}

void Converter::CoordinateSection() {
  if (xy_.empty()) return;
  std::vector<std::string>& d = out_.DataFile;
  d.push_back("55555 COORDINATES");
  for (const auto& [node, p] : xy_) d.push_back(Printf("%*d%15.4f%15.4f", width_, node, p.first, p.second));
  for (int32_t z = 1; z <= net_.Zones; ++z) {
    auto it = xy_.find(z);
    if (it != xy_.end()) d.push_back(Printf("C%*d%15.4f%15.4f", width_ - 1, z, it->second.first, it->second.second));
  }
  d.push_back("99999");
}

// The signals in TRANSYT networks of at most MaxNodesPerNetwork nodes: strips west to east,
// each taken south to north, so that a network holds neighbouring junctions.
void Converter::NodeList() {
  std::vector<int32_t> signals;
  for (const auto& [node, j] : junctions_)
    if (j.Signalised) signals.push_back(node);
  if (signals.empty()) return;
  const size_t perNetwork = static_cast<size_t>(std::max(1, settings_.MaxNodesPerNetwork));
  const size_t networks = (signals.size() + perNetwork - 1) / perNetwork;
  const size_t strips = std::max<size_t>(1, static_cast<size_t>(std::ceil(std::sqrt(static_cast<double>(networks)))));
  std::stable_sort(signals.begin(), signals.end(), [&](int32_t a, int32_t b) { return xy_.at(a).first < xy_.at(b).first; });
  const size_t perStrip = (signals.size() + strips - 1) / strips;
  // The networks are run in the order of their numbers read as text (10 before 2): numbers of
  // one width (1-9, 10-99, 100-999...) make that order the order of the list.
  size_t made = 0;  // each strip starts a network of its own
  for (size_t s = 0; s * perStrip < signals.size(); ++s)
    made += (std::min(signals.size(), (s + 1) * perStrip) - s * perStrip + perNetwork - 1) / perNetwork;
  int32_t network = 1;
  while (made > 9 * static_cast<size_t>(network)) network *= 10;
  --network;
  const int32_t nodeWidth = static_cast<int32_t>(Printf("%d", signals.empty() ? 0 : *std::max_element(signals.begin(), signals.end())).size());
  for (size_t s = 0; s * perStrip < signals.size(); ++s) {
    auto begin = signals.begin() + static_cast<std::ptrdiff_t>(s * perStrip);
    auto end = signals.begin() + static_cast<std::ptrdiff_t>(std::min(signals.size(), (s + 1) * perStrip));
    std::stable_sort(begin, end, [&](int32_t a, int32_t b) { return xy_.at(a).second < xy_.at(b).second; });
    int32_t inNetwork = static_cast<int32_t>(perNetwork);
    for (auto it = begin; it != end; ++it) {
      if (inNetwork == static_cast<int32_t>(perNetwork)) {
        // A blank line before each network but the first: the list reads as blocks.
        if (!out_.NodeList.empty()) out_.NodeList.push_back("");
        ++network;
        inNetwork = 0;
      }
      // Aligned columns: SATURN node, TRANSYT node, network.
      out_.NodeList.push_back(Printf("%*d %3d %d", nodeWidth, *it, ++inNetwork, network));
    }
  }
}

Conversion Converter::Run() {
  Coordinates();
  ParallelLinks();
  Header();
  if (settings_.Mode == ConversionMode::Signals) {
    BuildJunctions();
    JunctionSection();
  }
  BufferSection();
  CoordinateSection();
  NodeList();
  return std::move(out_);
}

}  // namespace

Conversion ConvertTntp(const TntpNet& net, const ConversionSettings& settings) { return Converter(net, settings).Run(); }

}  // namespace veltra::satprog
