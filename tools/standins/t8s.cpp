// Stand-in for TRANSYT and its cycle optimisation run CYOP, built for Linux and Windows so
// the loop can be run end to end on both without the real programs.
//
// Run as "t8s DATA PRINT <answers", as the run batch file does. It reads the TRANSYT data
// file, times every signalised node as an engineer would by hand (greens shared in proportion
// to the critical flow ratios of the stages, above the minimum greens) and estimates delay
// and stops with Webster's formulas. It writes PRINT in the layout the loop reads: ending in
// ".cyo", the CYOP table of performance indices by node and cycle with each node's single or
// double marker and the totals; otherwise a TRANSYT print file with the final settings, the
// link results and the performance index. It is not TRANSYT: it has no traffic model beyond
// those formulas. Only IEEE-exact arithmetic is used, so both systems print the same digits.
#include <algorithm>
#include <cmath>
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "standin_text.h"

namespace {

using standin::FormatInt;
using standin::Format;
using standin::Put;

const int kCyopCycles[] = {30, 35, 40, 45, 50, 60, 70, 80, 90, 100, 120, 140, 160, 180};
const int kCyopCount = sizeof kCyopCycles / sizeof kCyopCycles[0];

struct NodeData {
  int stages = 0;
  std::vector<long> mins;
  bool isDouble = false;
};

struct LinkData {
  long node = 0;
  std::vector<std::pair<long, long>> periods;  // start and end stage of each green period
  long length = 0;
  long sat = 1;
};

struct Network {
  std::string title;
  long cycle = 60;
  std::map<long, NodeData> nodes;
  std::vector<long> linkOrder;  // links in the order of their first card
  std::map<long, LinkData> links;
  std::map<long, long> flows;

  long Flow(long link) const {
    auto it = flows.find(link);
    return it == flows.end() ? 0 : it->second;
  }
};

bool ReadNetwork(const std::string& path, Network& net) {
  std::vector<std::string> lines;
  if (!standin::ReadLines(path, lines)) return false;
  if (!lines.empty()) net.title = lines[0];
  for (size_t i = 1; i < lines.size(); ++i) {
    std::vector<long> f = standin::Ints(lines[i]);
    if (f.empty()) continue;
    long card = f[0];
    if (card == 1 && f.size() > 1) {
      net.cycle = std::max(f[1], 1L);
    } else if ((card >= 12 && card <= 16) || card == 22 || card == 23) {
      if (f.size() < 2) continue;
      NodeData node;
      node.stages = card >= 22 ? static_cast<int>(card - 20) : static_cast<int>(card - 10);
      node.isDouble = card >= 22;
      for (int k = 0; k < node.stages; ++k) {
        size_t at = 2 + 2 * static_cast<size_t>(k) + 1;
        node.mins.push_back(at < f.size() ? f[at] : 0);
      }
      net.nodes[f[1]] = node;
    } else if (card == 31 && f.size() >= 17) {
      LinkData link;
      link.node = f[2];
      if (f[2] > 0 && f[3] > 0) {
        link.periods.push_back({f[3], f[5]});
        if (f[7] > 0) link.periods.push_back({f[7], f[9]});
      }
      link.length = f[11];
      link.sat = std::max(f[13], 1L);
      if (!net.links.count(f[1])) net.linkOrder.push_back(f[1]);
      net.links[f[1]] = link;
    } else if (card == 32 && f.size() >= 3) {
      net.flows[f[1]] = std::max(f[2], 0L);
    }
  }
  return true;
}

// Stages in which a link has green: from each period's start stage up to its end stage.
std::set<long> GreenStages(const std::vector<std::pair<long, long>>& periods, long n) {
  std::set<long> stages;
  for (const auto& [start, end] : periods) {
    if (start < 1 || start > n) continue;
    if (end == start || end < 1 || end > n) {
      std::set<long> all;
      for (long k = 1; k <= n; ++k) all.insert(k);
      return all;
    }
    for (long k = start; k != end; k = k % n + 1) stages.insert(k);
  }
  return stages;
}

// Stage lengths of one node at a cycle: minimum greens, then the rest by flow ratios.
std::vector<long> TimeNode(const Network& net, long nodeNumber, long cycle) {
  const NodeData& data = net.nodes.at(nodeNumber);
  const int n = data.stages;
  std::vector<long> mins;
  long minSum = 0;
  for (long m : data.mins) {
    mins.push_back(std::max(m, 1L));
    minSum += mins.back();
  }
  std::vector<double> ratio(static_cast<size_t>(n), 0.0);
  for (long linkNumber : net.linkOrder) {
    const LinkData& link = net.links.at(linkNumber);
    if (link.node != nodeNumber) continue;
    std::set<long> covered = GreenStages(link.periods, n);
    if (covered.empty()) continue;
    double y = static_cast<double>(net.Flow(linkNumber)) / static_cast<double>(link.sat) / static_cast<double>(covered.size());
    for (long k : covered) ratio[static_cast<size_t>(k - 1)] = std::max(ratio[static_cast<size_t>(k - 1)], y);
  }
  std::vector<double> lengths;
  long spare = cycle - minSum;
  if (spare < 0) {
    for (long m : mins) lengths.push_back(static_cast<double>(m * cycle) / static_cast<double>(minSum));
  } else {
    double total = 0.0;
    for (double r : ratio) total += r;
    for (int k = 0; k < n; ++k)
      lengths.push_back(static_cast<double>(mins[static_cast<size_t>(k)]) +
                        static_cast<double>(spare) * (total > 0 ? ratio[static_cast<size_t>(k)] / total : 1.0 / n));
  }
  std::vector<long> whole;
  long sumButLast = 0;
  for (size_t k = 0; k < lengths.size(); ++k) {
    whole.push_back(static_cast<long>(std::nearbyint(lengths[k])));  // halves to the even neighbour
    if (k + 1 < lengths.size()) sumButLast += whole.back();
  }
  if (!whole.empty()) whole.back() = cycle - sumButLast;
  return whole;
}

struct LinkResult {
  double saturation = 0, delay = 0, stops = 0, queue = 0;
};

// Degree of saturation (%), delay (s/veh), stops (%) and mean queue (veh) of a link.
LinkResult Results(const Network& net, long linkNumber, long cycle, const std::vector<long>* lengths) {
  const LinkData& link = net.links.at(linkNumber);
  double q = static_cast<double>(net.Flow(linkNumber)) / 3600.0;
  double s = static_cast<double>(link.sat) / 3600.0;
  bool hasGreen = false;
  long green = 0;
  if (lengths && !lengths->empty()) {
    std::set<long> covered = GreenStages(link.periods, static_cast<long>(lengths->size()));
    if (!covered.empty()) {
      hasGreen = true;
      for (long k : covered) green += (*lengths)[static_cast<size_t>(k - 1)];
    }
  }
  LinkResult r;
  double x;
  if (!hasGreen) {
    x = s > 0 ? q / s : 0.0;
    x = std::min(x, 0.98);
    r.delay = q > 0 ? x * x / (2 * q * (1 - x)) : 0.0;
    r.stops = 100.0 * x * 0.2;
  } else {
    double lam = static_cast<double>(std::max(green - 5, 1L)) / static_cast<double>(cycle);  // each green loses its interstage
    x = s > 0 ? q / (s * lam) : 0.0;
    double xc = std::min(x, 0.98);
    double uniform = static_cast<double>(cycle) * ((1 - lam) * (1 - lam)) / (2 * (1 - std::min(x, 1.0) * lam));
    double overflow = q > 0 ? xc * xc / (2 * q * (1 - xc)) : 0.0;
    r.delay = uniform + overflow;
    r.stops = 100.0 * std::min(1.0, 0.9 * (1 - lam) / (1 - std::min(x, 0.98) * lam));
  }
  r.saturation = 100.0 * x;
  r.queue = q * r.delay;
  return r;
}

double NodeIndex(const Network& net, long nodeNumber, long cycle) {
  std::vector<long> lengths = TimeNode(net, nodeNumber, cycle);
  double total = 0.0;
  for (long linkNumber : net.linkOrder) {
    if (net.links.at(linkNumber).node != nodeNumber) continue;
    LinkResult r = Results(net, linkNumber, cycle, &lengths);
    double q = static_cast<double>(net.Flow(linkNumber));
    total += q * r.delay / 3600.0 + q * r.stops / 100.0 * 0.02;
  }
  return total;
}

bool WriteTransyt(const Network& net, const std::string& path) {
  const long cycle = net.cycle;
  std::map<long, std::vector<long>> timings;
  for (const auto& [node, data] : net.nodes) {
    if (data.isDouble) {
      std::vector<long> half = TimeNode(net, node, cycle / 2);
      std::vector<long> both = half;
      both.insert(both.end(), half.begin(), half.end());
      timings[node] = both;
    } else {
      timings[node] = TimeNode(net, node, cycle);
    }
  }
  std::vector<std::string> out = {"1TRANSYT (VELTRA demo stand-in)  " + net.title, "      END OF SUBROUTINE TINPUT",
                                  " FINAL SETTINGS", "", "   NODE   STAGE START TIMES", "", ""};
  for (const auto& [node, lengths] : timings) {
    std::string row = FormatInt("%6ld", node);
    long start = 0;
    int k = 1;
    for (long length : lengths) {
      Put(row, 8 * k + 10, FormatInt("%5ld", start % cycle));
      start += length;
      ++k;
    }
    out.push_back(row);
  }
  for (const char* l : {"0 LINK", "", "  LINK   DEG SAT  CRUISE  DELAY", "", "", "", ""}) out.push_back(l);
  double total = 0.0;
  for (const auto& [linkNumber, link] : net.links) {
    const std::vector<long>* lengths = nullptr;
    std::vector<long> firstHalf;
    long usedCycle = cycle;
    auto t = timings.find(link.node);
    if (t != timings.end()) {
      lengths = &t->second;
      if (net.nodes.at(link.node).isDouble) {
        firstHalf.assign(t->second.begin(), t->second.begin() + static_cast<long>(t->second.size() / 2));
        lengths = &firstHalf;
        usedCycle = cycle / 2;
      }
    }
    LinkResult r = Results(net, linkNumber, usedCycle, lengths);
    double q = static_cast<double>(net.Flow(linkNumber));
    total += q * r.delay / 3600.0 + q * r.stops / 100.0 * 0.02;
    std::string row = FormatInt("%6ld", linkNumber);
    Put(row, 24, Format("%5.0f", std::min(r.saturation, 9999.0)));
    Put(row, 29, Format("%6.1f", static_cast<double>(link.length) / 10.0));
    Put(row, 35, Format("%6.1f", std::min(r.delay, 9999.9)));
    Put(row, 65, Format("%6.1f", std::min(r.stops, 999.9)));
    Put(row, 81, Format("%6.1f", std::min(r.queue, 9999.9)));
    out.push_back(row);
  }
  std::string row = "0  TOTAL";
  Put(row, 98, Format("%10.2f", total));
  Put(row, 114, "TOTALS");
  out.push_back(row);
  return standin::WriteLines(path, out);
}

bool WriteCyop(const Network& net, const std::string& path) {
  std::map<std::pair<long, int>, double> index;  // (node, column) -> performance index
  std::vector<bool> feasible;
  for (int k = 1; k <= kCyopCount; ++k) {
    long cycle = kCyopCycles[k - 1];
    bool ok = true;
    for (const auto& [node, data] : net.nodes) {
      long mins = 0;
      for (long m : data.mins) mins += std::max(m, 1L);
      if (mins > cycle) ok = false;
      index[{node, k}] = NodeIndex(net, node, cycle);
    }
    feasible.push_back(ok);
  }
  std::string heading = "0MAXIMA";
  for (int k = 1; k <= kCyopCount; ++k)
    Put(heading, 8 * k + 6,
        feasible[static_cast<size_t>(k - 1)] ? FormatInt("%6ld%%", std::min(999L, 100L + kCyopCycles[k - 1] / 4)) : "TOO LOW");
  std::string cycles(12, ' ');
  for (int k = 1; k <= kCyopCount; ++k) Put(cycles, 8 * k + 5, FormatInt("%8ld", kCyopCycles[k - 1]));
  std::vector<std::string> out = {"1CYOP (VELTRA demo stand-in)  " + net.title, heading, "",
                                  "0PERFORMANCE INDICES BY NODE AND CYCLE", "   NODE", cycles, ""};
  std::map<std::pair<long, int>, bool> isDouble;
  for (const auto& [node, data] : net.nodes) {
    std::string row = FormatInt("%6ld", node);
    for (int k = 1; k <= kCyopCount; ++k) {
      bool d = k >= 6 && data.stages <= 3 && index[{node, k - 5}] < index[{node, k}];
      isDouble[{node, k}] = d;
      Put(row, 8 * k + 8, Format("%5.1f", std::min(index[{node, k}], 999.9)));
      Put(row, 8 * k + 15, d ? "D" : "S");
    }
    out.push_back(row);
  }
  out.push_back("     0");
  std::string single = " TOTAL SINGLE", both = " TOTAL DOUBLE";
  for (int k = 1; k <= kCyopCount; ++k) {
    double s = 0.0, d = 0.0;
    for (const auto& entry : net.nodes) {
      long node = entry.first;
      s += index[{node, k}];
      d += isDouble[{node, k}] ? index[{node, k - 5}] : index[{node, k}];
    }
    Put(single, 8 * k + 7, Format("%6.1f", std::min(s, 9999.9)));
    Put(both, 8 * k + 7, Format("%6.1f", std::min(d, 9999.9)));
  }
  out.push_back(single);
  out.push_back("");
  out.push_back(both);
  return standin::WriteLines(path, out);
}

bool EndsWithCyo(const std::string& name) {
  if (name.size() < 4) return false;
  std::string tail = name.substr(name.size() - 4);
  for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return tail == ".cyo";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::cerr << "uso: t8s DATOS IMPRESION <respuestas\n";
    return 2;
  }
  std::string answers;
  while (std::getline(std::cin, answers)) {
  }
  Network net;
  if (!ReadNetwork(argv[1], net)) {
    std::cerr << "t8s: no se puede leer " << argv[1] << "\n";
    return 1;
  }
  bool written = EndsWithCyo(argv[2]) ? WriteCyop(net, argv[2]) : WriteTransyt(net, argv[2]);
  return written ? 0 : 1;
}
