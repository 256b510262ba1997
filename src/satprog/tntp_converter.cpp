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

int32_t Round(double value) { return static_cast<int32_t>(std::lround(value)); }

int32_t Fit(double value, int32_t low, int32_t high, const std::string& what, std::vector<std::string>& warnings) {
  const int32_t v = Round(value);
  if (v < low || v > high) {
    warnings.push_back(Printf("%s %.2f does not fit its field: %d written", what.c_str(), value, std::clamp(v, low, high)));
    return std::clamp(v, low, high);
  }
  return v;
}

struct Junction {
  int32_t Node = 0;
  std::vector<int32_t> Arms;  // neighbour nodes in order around the node
  std::vector<int32_t> In;    // [arm] index in links of arm -> node, -1 none
  std::vector<int32_t> Out;   // [arm] index in links of node -> arm, -1 none
  bool Signalised = false;
  bool Simulated = false;     // has a junction card (at most 8 arms)
};

class Converter {
 public:
  Converter(const TntpNet& net, const ConversionSettings& settings) : net_(net), settings_(settings) {}
  Conversion Run();

 private:
  bool HasXY(int32_t node) const { return xy_.count(node) > 0; }
  // Bearing from the node to a neighbour, clockwise from north, in degrees 0..360.
  double Bearing(int32_t from, int32_t to) const;
  int32_t Lanes(const TntpLink& link) const {
    return std::clamp(Round(link.Capacity / settings_.LaneSaturationFlow), 1, 9);
  }
  void Header();
  void BuildJunctions();
  void JunctionSection();
  void WriteJunction(const Junction& j);
  void BufferSection();
  void CoordinateSection();
  void NodeList();

  const TntpNet& net_;
  const ConversionSettings& settings_;
  Conversion out_;
  int width_ = 5;
  std::map<int32_t, std::pair<double, double>> xy_;
  std::map<int32_t, Junction> junctions_;
};

double Converter::Bearing(int32_t from, int32_t to) const {
  const auto& a = xy_.at(from);
  const auto& b = xy_.at(to);
  double degrees = std::atan2(b.first - a.first, b.second - a.second) * 180 / kPi;
  if (degrees < 0) degrees += 360;
  return degrees;
}

void Converter::Header() {
  int32_t maxNode = 0;
  for (const TntpLink& link : net_.Links) maxNode = std::max({maxNode, link.From, link.To});
  if (net_.Zones > 9999) throw ConversionError{Printf("%d zones: the network file numbers zones with 4 digits", net_.Zones)};
  if (settings_.Mode == ConversionMode::Signals && maxNode > 99999)
    throw ConversionError{Printf("node %d: junction cards number nodes with 5 digits", maxNode)};
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
  for (size_t i = 0; i < net_.Links.size(); ++i) {
    const TntpLink& link = net_.Links[i];
    if (link.From == link.To) continue;
    neighbours[link.From].insert(link.To);
    neighbours[link.To].insert(link.From);
  }
  std::map<std::pair<int32_t, int32_t>, int32_t> linkOf;
  for (size_t i = 0; i < net_.Links.size(); ++i)
    linkOf.emplace(std::make_pair(net_.Links[i].From, net_.Links[i].To), static_cast<int32_t>(i));
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
    if (j.Simulated) (j.Signalised ? out_.Signals : out_.PriorityJunctions)++;
    junctions_.emplace(node, std::move(j));
  }
}

void Converter::WriteJunction(const Junction& j) {
  std::vector<std::string>& d = out_.DataFile;
  const int n = static_cast<int>(j.Arms.size());
  const int32_t green = std::max(1, (settings_.Cycle - 2 * settings_.Intergreen) / 2);
  if (j.Signalised)
    d.push_back(Printf("%5d%5d%5d%5d%5d%5d", j.Node, n, 3, 2, 0, settings_.Cycle));
  else
    d.push_back(Printf("%5d%5d%5d", j.Node, n, 1));
  // At a priority junction the two approaches of largest capacity are the major road; the
  // turns from the others give way to it.
  std::vector<int> order;
  for (int p = 0; p < n; ++p)
    if (j.In[static_cast<size_t>(p)] >= 0) order.push_back(p);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return net_.Links[static_cast<size_t>(j.In[static_cast<size_t>(a)])].Capacity >
           net_.Links[static_cast<size_t>(j.In[static_cast<size_t>(b)])].Capacity;
  });
  std::vector<uint8_t> minor(static_cast<size_t>(n), 0);
  if (!j.Signalised && n >= 3)
    for (size_t k = 2; k < order.size(); ++k) minor[static_cast<size_t>(order[k])] = 1;
  for (int p = 0; p < n; ++p) {
    const int32_t in = j.In[static_cast<size_t>(p)];
    if (in < 0) {
      d.push_back(Printf("%5s%5d%1s%4d%5d%5d", "", j.Arms[static_cast<size_t>(p)], "", 0, 0, 0));
      continue;
    }
    const TntpLink& link = net_.Links[static_cast<size_t>(in)];
    const int32_t lanes = Lanes(link);
    std::string card = Printf("%5s%5d%1s%4d%5d%5d", "", j.Arms[static_cast<size_t>(p)], "", lanes,
                              Fit(link.FreeTime * 60, 0, 99999, Printf("free time of link %d-%d (s)", link.From, link.To), out_.Warnings),
                              Fit(link.Length * settings_.MetresPerLengthUnit, 0, 99999, Printf("length of link %d-%d (m)", link.From, link.To), out_.Warnings));
    for (int r = 1; r < n; ++r) {
      const int q = (p + r) % n;
      const bool exists = j.Out[static_cast<size_t>(q)] >= 0;
      const int32_t flow = exists ? Round(lanes * settings_.LaneSaturationFlow) : 0;
      card += Printf("%5d%2s%1d%2d", flow, exists && minor[static_cast<size_t>(p)] ? "X" : "", exists ? 1 : 0, exists ? lanes : 0);
    }
    d.push_back(card);
  }
  if (!j.Signalised) return;
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
  for (const TntpLink& link : net_.Links) {
    if (settings_.Mode == ConversionMode::Signals) {
      auto it = junctions_.find(link.To);
      if (it != junctions_.end() && it->second.Simulated) continue;  // a simulation link of its junction
    }
    const std::string name = Printf("link %d-%d", link.From, link.To);
    const int32_t t0 = Fit(link.FreeTime * 60, 0, 99999, "free time (s) of " + name, out_.Warnings);
    const bool curve = link.B > 0 && link.Power > 0;
    const int32_t t1 = curve ? Fit(link.FreeTime * 60 * (1 + link.B), 0, 99999, "time at capacity (s) of " + name, out_.Warnings) : t0;
    const int32_t capacity = Fit(link.Capacity, 1, 99999, "capacity of " + name, out_.Warnings);
    const int32_t length = Fit(link.Length * settings_.MetresPerLengthUnit, 0, 99999, "length (m) of " + name, out_.Warnings);
    const double power = std::clamp(link.Power, 0.0, 99.0);
    d.push_back(Printf("%*d%*d%5d%5d%5d%5s%5d%5.2f", w, link.From, w, link.To, t0, t1, capacity, "", length, curve ? power : 0.0));
  }
  if (settings_.Mode == ConversionMode::Buffer) {
    // Zone z is loaded at node z, as the TNTP files number them.
    for (int32_t z = 1; z <= net_.Zones; ++z) d.push_back(Printf("C%*d %*d%5d", w - 1, z, w - 1, z, 0));
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
  int32_t network = 0;
  for (size_t s = 0; s * perStrip < signals.size(); ++s) {
    auto begin = signals.begin() + static_cast<std::ptrdiff_t>(s * perStrip);
    auto end = signals.begin() + static_cast<std::ptrdiff_t>(std::min(signals.size(), (s + 1) * perStrip));
    std::stable_sort(begin, end, [&](int32_t a, int32_t b) { return xy_.at(a).second < xy_.at(b).second; });
    int32_t inNetwork = static_cast<int32_t>(perNetwork);
    for (auto it = begin; it != end; ++it) {
      if (inNetwork == static_cast<int32_t>(perNetwork)) {
        ++network;
        inNetwork = 0;
      }
      out_.NodeList.push_back(Printf("%d %d %d", *it, ++inNetwork, network));
    }
  }
}

Conversion Converter::Run() {
  for (const TntpNode& node : net_.Nodes) xy_[node.Number] = {node.X, node.Y};
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
