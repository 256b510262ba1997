// Stand-in for SATURN's assignment (SATALL), built for Linux and Windows.
//
// Run as "SATALL NET MAT" in the directory of NET.dat, as the SATURN batch file does. NET is
// the network of an iteration ("pueblo_2"); the starting network and its listing are the
// same name without the iteration suffix ("pueblo.dat", "pueblo.lpa"). It writes NET.lpa:
// the starting listing with the flows and times of the turns at signalised junctions moved by
// the change of their green share between the starting network and NET (more green draws
// traffic, less green repels it), the link flows made again from their turns, and the
// summary totals scaled to match. It is not an assignment model.
//
// VELTRA_STANDIN_DELAY_MS in the environment delays the listing by that many milliseconds, so
// a test can tell whether the caller waited for the program to end.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <iostream>
#include <map>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "standin_text.h"

namespace {

using standin::Field;
using standin::Num;
using Turn = std::tuple<long, long, long>;  // (A-node, junction, C-node)

// (A, node, C) -> share of the cycle in which the movement has green, per signalised node.
std::map<Turn, double> GreenShares(const std::string& path) {
  std::vector<std::string> all, lines;
  standin::ReadLines(path, all);
  for (const auto& l : all)
    if (l.empty() || l[0] != '*') lines.push_back(l);
  std::map<Turn, double> shares;
  size_t i = 0;
  while (i < lines.size() && lines[i].compare(0, 5, "11111") != 0) ++i;
  if (i == lines.size()) return shares;
  ++i;
  while (i < lines.size() && lines[i].compare(0, 5, "99999") != 0) {
    const std::string card = lines[i];
    long node = static_cast<long>(Num(Field(card, 1, 5)));
    long arms = static_cast<long>(Num(Field(card, 6, 10)));
    long kind = static_cast<long>(Num(Field(card, 11, 15)));
    ++i;
    std::vector<long> approaches;
    for (long a = 0; a < arms; ++a) {
      if (i >= lines.size()) break;
      const std::string& arm = lines[i];
      approaches.push_back(static_cast<long>(Num(Field(arm, 6, 10))));
      i += Field(arm, 11, 11) == "*" ? 2 : 1;
    }
    if (kind != 3) continue;
    long stages = static_cast<long>(Num(Field(card, 16, 20)));
    double cycle = Num(Field(card, 26, 30));
    if (cycle == 0.0) cycle = 1.0;
    for (long s = 0; s < stages; ++s) {
      if (i >= lines.size()) break;
      const std::string& stage = lines[i];
      double green = Num(Field(stage, 11, 15));
      long count = static_cast<long>(Num(Field(stage, 21, 25)));
      std::vector<long> entries;
      for (long e = 1; e <= std::min(count, 10L); ++e)
        entries.push_back(static_cast<long>(Num(Field(stage, static_cast<int>(21 + 5 * e), static_cast<int>(25 + 5 * e)))));
      ++i;
      if (count > 10 && i < lines.size()) {
        const std::string& extra = lines[i];
        for (long e = 1; e <= count - 10; ++e)
          entries.push_back(static_cast<long>(Num(Field(extra, static_cast<int>(21 + 5 * e), static_cast<int>(25 + 5 * e)))));
        ++i;
      }
      for (size_t p = 0; p + 1 < entries.size(); p += 2) {
        long a = entries[p], c = entries[p + 1];
        std::vector<long> exits;
        if (c == 0) {
          for (long x : approaches)
            if (x != a) exits.push_back(x);
        } else {
          exits.push_back(c);
        }
        for (long exitNode : exits) shares[Turn{a, node, exitNode}] += green / cycle;
      }
    }
  }
  return shares;
}

bool IsInt(const std::string& text) {
  size_t k = text.find_first_not_of(' ');
  if (k == std::string::npos) return false;
  if (text[k] == '-') ++k;
  if (k == text.size()) return false;
  return text.find_first_not_of("0123456789", k) == std::string::npos;
}

enum class Row { None, Link, Turn };

// What a row of the flow listing is, with its node numbers.
Row RowKind(const std::string& line, std::vector<long>& nodes) {
  nodes.clear();
  if (line.size() < 28) return Row::None;
  if (IsInt(Field(line, 1, 9)) && IsInt(Field(line, 10, 18))) {
    nodes = {std::stol(Field(line, 1, 9)), std::stol(Field(line, 10, 18))};
    return Row::Link;
  }
  std::string a = Field(line, 1, 6), b = Field(line, 7, 12), c = Field(line, 13, 18);
  if (IsInt(a) && IsInt(b) && standin::Strip(c).empty()) {
    nodes = {std::stol(a), std::stol(b)};
    return Row::Link;
  }
  if (IsInt(a) && IsInt(b) && IsInt(c)) {
    nodes = {std::stol(a), std::stol(b), std::stol(c)};
    return Row::Turn;
  }
  return Row::None;
}

std::string SetValues(const std::string& line, const std::vector<double>& values) {
  std::string head = line.substr(0, 18);
  head.resize(18, ' ');
  for (double v : values) head += standin::Format("%10.2f", v);
  return head;
}

std::vector<double> Values(const std::string& line) {
  std::vector<double> v;
  for (int j = 0; j < 5; ++j) v.push_back(Num(Field(line, 19 + 10 * j, 28 + 10 * j)));
  return v;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "uso: SATALL RED MATRIZ\n";
    return 2;
  }
  const std::string net = argv[1];
  std::string base = net;
  size_t underscore = base.find_last_of('_');
  if (underscore != std::string::npos && underscore + 1 < base.size() &&
      base.find_first_not_of("0123456789", underscore + 1) == std::string::npos)
    base.erase(underscore);
  std::vector<std::string> listing;
  if (!standin::ReadLines(base + ".lpa", listing)) {
    std::cerr << "SATALL: no existe " << base << ".lpa\n";
    return 1;
  }
  std::map<Turn, double> before = GreenShares(base + ".dat"), after = GreenShares(net + ".dat");

  // Turns first: their flows move with their green share.
  std::map<size_t, std::vector<double>> rows;
  std::vector<size_t> turnOrder;
  double flowBefore = 0, flowAfter = 0, hoursBefore = 0, hoursAfter = 0;
  std::vector<long> nodes;
  for (size_t k = 0; k < listing.size(); ++k) {
    if (RowKind(listing[k], nodes) != Row::Turn) continue;
    std::vector<double> v = Values(listing[k]);
    Turn key{nodes[0], nodes[1], nodes[2]};
    double oldShare = before.count(key) ? before[key] : 0.0, newShare = after.count(key) ? after[key] : 0.0;
    double factor = 1.0;
    if (oldShare > 0 && newShare > 0) factor = std::min(1.5, std::max(0.5, std::sqrt(newShare / oldShare)));
    double flow = v[3] * factor;
    double time = factor > 0 ? v[2] / (factor * factor) : v[2];  // more green, less waiting
    flowBefore += v[3];
    flowAfter += flow;
    hoursBefore += v[3] * v[2];
    hoursAfter += flow * time;
    v[3] = flow;
    v[2] = time;
    v[1] = v[0] > 0 ? 100.0 * flow / v[0] : 0.0;
    rows[k] = v;
    turnOrder.push_back(k);
  }
  std::map<std::pair<long, long>, double> into;
  for (size_t k : turnOrder) {
    RowKind(listing[k], nodes);
    into[{nodes[0], nodes[1]}] += rows[k][3];
  }
  for (size_t k = 0; k < listing.size(); ++k) {
    if (RowKind(listing[k], nodes) != Row::Link || listing[k].size() < 58) continue;
    auto it = into.find({nodes[0], nodes[1]});
    if (it == into.end()) continue;
    std::vector<double> v = Values(listing[k]);
    v[3] = it->second;
    v[1] = v[0] > 0 ? 100.0 * v[3] / v[0] : 0.0;
    rows[k] = v;
  }

  double hourRatio = hoursBefore > 0 ? hoursAfter / hoursBefore : 1.0;
  double flowRatio = flowBefore > 0 ? flowAfter / flowBefore : 1.0;
  std::vector<std::string> out;
  bool haveSub = false;
  double sub0 = 0, sub1 = 0;
  char buffer[128];
  for (size_t k = 0; k < listing.size(); ++k) {
    const std::string& line = listing[k];
    if (rows.count(k)) {
      out.push_back(SetValues(line, rows[k]));
    } else if (line.find("SUB-TOTALS") != std::string::npos) {
      sub0 = Num(Field(line, 23, 32));
      sub1 = Num(Field(line, 37, 46));
      haveSub = true;
      std::snprintf(buffer, sizeof buffer, "  SUB-TOTALS          %10.1f    %10.1f", sub0 * hourRatio, sub1 * flowRatio);
      out.push_back(buffer);
    } else if (line.find("GRAND TOTALS") != std::string::npos && haveSub) {
      double g0 = Num(Field(line, 23, 32)), g1 = Num(Field(line, 37, 46));
      std::snprintf(buffer, sizeof buffer, "  GRAND TOTALS        %10.1f    %10.1f", g0 - sub0 + sub0 * hourRatio,
                    g1 - sub1 + sub1 * flowRatio);
      out.push_back(buffer);
    } else {
      out.push_back(line);
    }
  }
  if (const char* delay = std::getenv("VELTRA_STANDIN_DELAY_MS"))
    std::this_thread::sleep_for(std::chrono::milliseconds(std::atol(delay)));
  return standin::WriteLines(net + ".lpa", out) ? 0 : 1;
}
