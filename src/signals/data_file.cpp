// Reading a TRANSYT-style data file: the title, then one card per line, each a row of whole
// numbers whose first is the card number. Fields are taken in order, separated by blanks: a
// number wider than its five columns widens its field, and card 30's blank gap holds no field.
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <map>
#include <unordered_map>

#include "signals/network.h"
#include "util/conversions.h"
#include "util/text.h"

namespace veltra::signals {

namespace {

struct Card {
  int Line = 0;              // 1-based line in the file
  std::vector<long> Fields;  // Fields[0] is the card number
};

bool ParseWhole(const std::string& token, long& value) {
  if (token.empty()) return false;
  size_t i = token[0] == '-' ? 1 : 0;
  if (i == token.size() || token.size() - i > 9) return false;  // keeps every value inside int
  for (size_t k = i; k < token.size(); ++k)
    if (token[k] < '0' || token[k] > '9') return false;
  value = std::strtol(token.c_str(), nullptr, 10);
  return true;
}

// The fields of a card in its five-column fields (a blank field reads 0). Card 30 leaves
// columns 36-55 blank: they hold no field. False when a field is not a whole number.
bool SplitCard(const std::string& line, std::vector<long>& fields) {
  fields.clear();
  const bool giveWay = Trim(Field(line, 1, 5)) == "30";
  for (int first = 1; static_cast<size_t>(first) <= line.size(); first += 5) {
    if (giveWay && first >= 36 && first <= 51) continue;
    std::string chunk = Trim(Field(line, first, first + 4));
    long v = 0;
    if (chunk.empty())
      v = 0;
    else if (!ParseWhole(chunk, v))
      return false;
    fields.push_back(v);
  }
  return !fields.empty();
}

class Reader {
 public:
  Reader(const std::string& fileName, ReadReport& report) : file_(fileName), report_(report) {}

  void Error(int line, const std::string& what) {
    report_.Errors.push_back(Printf("%s, line %d: %s", file_.c_str(), line, what.c_str()));
  }
  void Warning(int line, const std::string& what) {
    report_.Warnings.push_back(Printf("%s, line %d: %s", file_.c_str(), line, what.c_str()));
  }
  // Field f (1-based, the card number being field 1) or an error naming it when it is missing.
  bool Need(const Card& c, size_t count) {
    if (c.Fields.size() >= count) return true;
    Error(c.Line, Printf("card %ld has %zu fields, needs at least %zu (field %zu is missing)", c.Fields[0],
                         c.Fields.size(), count, c.Fields.size() + 1));
    return false;
  }
  bool InRange(const Card& c, size_t field, long low, long high, const char* name) {
    long v = c.Fields[field - 1];
    if (v >= low && v <= high) return true;
    Error(c.Line, Printf("card %ld, field %zu (%s): %ld is outside %ld..%ld", c.Fields[0], field, name, v, low, high));
    return false;
  }

 private:
  std::string file_;
  ReadReport& report_;
};

int StagesOfCard(long card, bool& doubled) {
  doubled = card == 22 || card == 23;
  switch (card) {
    case 12: case 22: return 2;
    case 13: case 23: return 3;
    case 14: return 4;
    case 15: return 5;
    case 16: return 6;
    default: return 0;
  }
}

}  // namespace

SignalNetwork ReadDataFile(const std::vector<std::string>& lines, const std::string& fileName, ReadReport& report) {
  SignalNetwork net;
  Reader rd(fileName, report);
  if (lines.empty()) {
    report.Errors.push_back(fileName + ": the file is empty (a title line and the cards are expected)");
    return net;
  }
  net.Title = TrimRight(lines[0]);

  // Split every card into whole numbers first; a field that is not one stops the run.
  std::vector<Card> cards;
  for (size_t i = 1; i < lines.size(); ++i) {
    const int lineNo = static_cast<int>(i + 1);
    std::string text = lines[i];
    if (!text.empty() && text.back() == '\r') text.pop_back();
    if (IsBlank(text) || Trim(text)[0] == '*') continue;
    Card card;
    card.Line = lineNo;
    bool ok = SplitCard(TrimRight(text), card.Fields);
    if (!ok) {
      // Not in five-column fields: a hand-written card whose numbers are set apart by blanks.
      std::vector<long> loose;
      bool looseOk = true;
      for (const std::string& token : SplitBlanks(text)) {
        long v = 0;
        looseOk = looseOk && ParseWhole(token, v);
        loose.push_back(v);
      }
      if (looseOk && !loose.empty()) {
        card.Fields = loose;
        ok = true;
      }
    }
    if (!ok) {
      const std::string trimmed = TrimRight(text);
      for (size_t f = 0;; ++f) {
        const int first = static_cast<int>(5 * f + 1);
        if (static_cast<size_t>(first) > trimmed.size()) break;
        std::string chunk = Trim(Field(trimmed, first, first + 4));
        long v = 0;
        if (chunk.empty() || ParseWhole(chunk, v)) continue;
        if (f == 0)
          rd.Error(lineNo, Printf("columns 1-5: \"%s\" is not a card number", chunk.c_str()));
        else
          rd.Error(lineNo, Printf("card %s, field %zu (columns %d-%d): \"%s\" is not a whole number",
                                  Trim(Field(trimmed, 1, 5)).c_str(), f + 1, first, first + 4, chunk.c_str()));
        break;
      }
    }
    if (ok) cards.push_back(std::move(card));
  }

  // Card 1 first: the cycle decides what the timing cards may hold.
  bool haveCardOne = false;
  for (const Card& c : cards) {
    if (c.Fields[0] != 1) continue;
    if (haveCardOne) {
      rd.Warning(c.Line, "a second card 1 is ignored");
      continue;
    }
    haveCardOne = true;
    if (!rd.Need(c, 2) || !rd.InRange(c, 2, 1, 3600, "cycle")) continue;
    auto f = [&](size_t k) { return c.Fields.size() >= k ? c.Fields[k - 1] : 0L; };
    RunData& r = net.Run;
    r.Cycle = static_cast<int>(f(2));
    r.Steps = static_cast<int>(f(3));
    if (r.Steps == 0) r.Steps = r.Cycle <= 60 ? r.Cycle : std::min(60, RoundEven(r.Cycle / 2.0));
    if (c.Fields.size() >= 3 && !rd.InRange(c, 3, 0, 1000, "steps per cycle")) continue;
    r.SimulatedMinutes = f(4) > 0 ? static_cast<int>(f(4)) : 60;
    // Any period the five columns hold is a period the delay formula can take; one of more than a
    // day is almost always seconds written where minutes are meant, so it is said, not refused.
    if (c.Fields.size() >= 4 && !rd.InRange(c, 4, 0, 99999, "simulated time, minutes")) continue;
    if (r.SimulatedMinutes > 1440)
      rd.Warning(c.Line, Printf("card 1: a simulated time of %d minutes (more than a day) is taken as minutes; "
                                "the random and oversaturation delays are those of a period that long",
                                r.SimulatedMinutes));
    if (c.Fields.size() >= 5 && !rd.InRange(c, 5, -60, 60, "start lost time")) continue;
    if (c.Fields.size() >= 6 && !rd.InRange(c, 6, -60, 60, "end gain")) continue;
    r.StartLoss = static_cast<int>(f(5));
    r.EndGain = static_cast<int>(f(6));
    r.Equisat = f(7) != 0;
    r.CyopRun = f(8) != 0;
    if (c.Fields.size() >= 9 && !rd.InRange(c, 9, 0, 1000, "flow factor, percent")) continue;
    if (c.Fields.size() >= 10 && !rd.InRange(c, 10, 0, 1000, "speed factor, percent")) continue;
    r.FlowFactor = f(9) > 0 ? static_cast<int>(f(9)) : 100;
    r.SpeedFactor = f(10) > 0 ? static_cast<int>(f(10)) : 100;
    r.CruiseAsSpeed = c.Fields.size() < 11 || f(11) != 0;
    r.Optimise = c.Fields.size() >= 12 ? static_cast<int>(f(12)) : 2;
    if (c.Fields.size() >= 13 && !rd.InRange(c, 13, 0, 100, "dispersion")) continue;
    long disp = c.Fields.size() >= 13 ? f(13) : 1;
    r.Dispersion = disp == 0 ? 0.0 : disp == 1 ? 0.35 : disp / 100.0;
    r.Output = static_cast<int>(f(14));
    if (c.Fields.size() >= 15 && !rd.InRange(c, 15, 0, 100000, "delay weight")) continue;
    if (c.Fields.size() >= 16 && !rd.InRange(c, 16, 0, 100000, "stop weight")) continue;
    if (f(15) == 0 && f(16) == 0) {
      rd.Warning(c.Line, "delay and stop weights are both 0; the weights 930 and 170 are used");
    } else {
      r.DelayWeight = f(15) / 100.0;
      r.StopWeight = f(16) / 100.0;
    }
  }
  if (!haveCardOne) report.Errors.push_back(fileName + ": card 1 (cycle and run data) is missing");
  if (!report.Ok()) return net;
  const int cycle = net.Run.Cycle;

  // Nodes: the timing cards.
  std::unordered_map<long, int> nodeIndex;
  for (const Card& c : cards) {
    bool doubled = false;
    int n = StagesOfCard(c.Fields[0], doubled);
    if (n == 0) continue;
    if (!rd.Need(c, static_cast<size_t>(2 + 2 * n))) continue;
    if (!rd.InRange(c, 2, 1, 99999, "node")) continue;
    if (nodeIndex.count(c.Fields[1])) {
      rd.Error(c.Line, Printf("card %ld, field 2: node %ld already has a timing card", c.Fields[0], c.Fields[1]));
      continue;
    }
    SignalNode node;
    node.Number = static_cast<int>(c.Fields[1]);
    node.Line = c.Line;
    node.Stages = n;
    node.Doubled = doubled;
    const int wrap = doubled ? RoundEven(cycle / 2.0) : cycle;
    if (wrap < 1) {
      rd.Error(c.Line, Printf("card %ld: a cycle of %d s has no half cycle for the pattern to run in twice", c.Fields[0],
                              cycle));
      continue;
    }
    bool ok = true;
    long minSum = 0;
    for (int k = 0; k < n && ok; ++k) {
      // A start at the end of the cycle (or of the half cycle) is the next cycle's start, the
      // same instant as 0: a plan whose offset and stages reach the cycle exactly is written so.
      ok = rd.InRange(c, static_cast<size_t>(3 + 2 * k), 0, wrap, "stage start time") &&
           rd.InRange(c, static_cast<size_t>(4 + 2 * k), 0, wrap, "minimum stage length");
      if (!ok) break;
      node.Start[static_cast<size_t>(k)] = static_cast<int>(c.Fields[static_cast<size_t>(2 + 2 * k)]) % wrap;
      node.MinStage[static_cast<size_t>(k)] = static_cast<int>(c.Fields[static_cast<size_t>(3 + 2 * k)]);
      minSum += node.MinStage[static_cast<size_t>(k)];
    }
    if (!ok) continue;
    if (minSum > wrap) {
      rd.Error(c.Line, Printf("card %ld: the minimum stage lengths of node %d add up to %ld, more than the %s of %d s",
                              c.Fields[0], node.Number, minSum, doubled ? "half cycle" : "cycle", wrap));
      continue;
    }
    nodeIndex[c.Fields[1]] = static_cast<int>(net.Nodes.size());
    net.Nodes.push_back(node);
  }

  // Card 2: nodes to optimise, then coordinated groups (every member but the last negated).
  std::vector<int> pending;
  int pendingLine = 0;
  auto nodeOf = [&](long number, int line, const char* what) -> int {
    auto it = nodeIndex.find(number);
    if (it != nodeIndex.end()) return it->second;
    rd.Warning(line, Printf("card 2: %s node %ld has no timing card; it is ignored", what, number));
    return -1;
  };
  auto closeGroup = [&](int line) {
    int g = net.GroupCount++;
    for (int n : pending) {
      if (net.Nodes[static_cast<size_t>(n)].Group >= 0)
        rd.Warning(line, Printf("card 2: node %d is in two coordinated groups; the later one is kept",
                                net.Nodes[static_cast<size_t>(n)].Number));
      net.Nodes[static_cast<size_t>(n)].Group = g;
    }
    pending.clear();
  };
  for (const Card& c : cards) {
    if (c.Fields[0] != 2) continue;
    for (size_t f = 1; f < c.Fields.size(); ++f) {
      long v = c.Fields[f];
      if (v < 0) {
        int n = nodeOf(-v, c.Line, "coordinated");
        if (n >= 0) pending.push_back(n);
        pendingLine = c.Line;
      } else if (v > 0) {
        int n = nodeOf(v, c.Line, pending.empty() ? "optimised" : "coordinated");
        if (pending.empty()) {
          if (n >= 0) net.Nodes[static_cast<size_t>(n)].Optimise = true;
        } else {
          if (n >= 0) pending.push_back(n);
          closeGroup(c.Line);
        }
      }
    }
  }
  if (!pending.empty()) {
    rd.Warning(pendingLine, "card 2: a coordinated group has no closing (positive) node; it is closed there");
    closeGroup(pendingLine);
  }

  // Links: cards 30 and 31 create them; 32, 7, 35 and 38 refer to them.
  std::unordered_map<long, int> linkIndex;
  auto linkFor = [&](long number, int line) -> SignalLink& {
    auto it = linkIndex.find(number);
    if (it != linkIndex.end()) return net.Links[static_cast<size_t>(it->second)];
    linkIndex[number] = static_cast<int>(net.Links.size());
    SignalLink link;
    link.Number = static_cast<int>(number);
    link.Line = line;
    net.Links.push_back(link);
    return net.Links.back();
  };
  struct PendingGiveWay {
    int Link;
    long Opp1, Opp2;
    int Line;
  };
  std::vector<PendingGiveWay> giveWays;
  for (const Card& c : cards) {
    const long card = c.Fields[0];
    if (card == 30) {
      if (!rd.Need(c, 13) || !rd.InRange(c, 2, 1, 99999, "link") || !rd.InRange(c, 5, 0, 100, "percentage") ||
          !rd.InRange(c, 8, 0, 100000, "length") || !rd.InRange(c, 10, 0, 100000, "give-way saturation flow"))
        continue;
      SignalLink& link = linkFor(c.Fields[1], c.Line);
      if (link.GivesWay) rd.Warning(c.Line, Printf("card 30: link %ld gives way twice; the later card is kept", c.Fields[1]));
      link.GivesWay = true;
      link.Gw.OpposedShare = c.Fields[4] / 100.0;
      link.Gw.Saturation = static_cast<double>(c.Fields[9]);
      link.Gw.Constants = {static_cast<int>(c.Fields[5]), static_cast<int>(c.Fields[6]), static_cast<int>(c.Fields[8]),
                           static_cast<int>(c.Fields[10]), static_cast<int>(c.Fields[11])};
      if (!link.HasControlCard) {
        link.Length = static_cast<int>(c.Fields[7]);
        link.Lanes = std::max(1, static_cast<int>(c.Fields[12]));
      }
      giveWays.push_back({linkIndex[c.Fields[1]], c.Fields[2], c.Fields[3], c.Line});
    } else if (card == 31) {
      if (!rd.Need(c, 14) || !rd.InRange(c, 2, 1, 99999, "link") || !rd.InRange(c, 12, 0, 100000, "length") ||
          !rd.InRange(c, 14, 0, 100000, "saturation flow"))
        continue;
      SignalLink& link = linkFor(c.Fields[1], c.Line);
      if (link.HasControlCard)
        rd.Warning(c.Line, Printf("card 31: link %ld has a second card 31; the later one is kept", c.Fields[1]));
      link.HasControlCard = true;
      link.Length = static_cast<int>(c.Fields[11]);
      link.Detail = static_cast<int>(c.Fields[12]);
      link.Saturation = static_cast<double>(c.Fields[13]);
      link.Lanes = c.Fields.size() >= 17 ? std::max(1, static_cast<int>(c.Fields[16])) : 1;
      link.Node = -1;
      link.NodeNumber = static_cast<int>(c.Fields[2]);
      link.PeriodCount = 0;
      if (c.Fields[2] == 0) continue;  // uncontrolled
      auto it = nodeIndex.find(c.Fields[2]);
      if (it == nodeIndex.end()) {
        rd.Warning(c.Line, Printf("card 31: link %ld is controlled by node %ld, which has no timing card; it is taken as "
                                  "uncontrolled", c.Fields[1], c.Fields[2]));
        continue;
      }
      const SignalNode& node = net.Nodes[static_cast<size_t>(it->second)];
      bool ok = true;
      for (int p = 0; p < 2 && ok; ++p) {
        const size_t at = 3 + 4 * static_cast<size_t>(p);  // index of the start stage; its field is at + 1
        long a = c.Fields[at], b = c.Fields[at + 2];
        if (a == 0 && b == 0) continue;
        ok = rd.InRange(c, at + 1, 1, node.Stages, "start stage") && rd.InRange(c, at + 3, 1, node.Stages, "end stage") &&
             rd.InRange(c, at + 2, -60, 600, "start lag") && rd.InRange(c, at + 4, -60, 600, "end lag");
        if (!ok) break;
        GreenPeriod& gp = link.Periods[static_cast<size_t>(link.PeriodCount++)];
        gp.StartStage = static_cast<int>(a);
        gp.StartLag = static_cast<int>(c.Fields[at + 1]);
        gp.EndStage = static_cast<int>(b);
        gp.EndLag = static_cast<int>(c.Fields[at + 3]);
      }
      if (ok) link.Node = it->second;
    }
  }
  for (const Card& c : cards) {
    const long card = c.Fields[0];
    if (card != 32) continue;
    if (!rd.Need(c, 4) || !rd.InRange(c, 2, 1, 99999, "link") || !rd.InRange(c, 3, 0, 1000000, "flow") ||
        !rd.InRange(c, 4, 0, 1000000, "uniform flow"))
      continue;
    if ((c.Fields.size() - 4) % 3 != 0) {
      rd.Error(c.Line, Printf("card 32: after the flows the fields come in threes (link, flow, cruise); field %zu is "
                              "incomplete", c.Fields.size()));
      continue;
    }
    if (!linkIndex.count(c.Fields[1]))
      rd.Warning(c.Line, Printf("card 32: link %ld has no card 31 or 30; it is taken as uncontrolled", c.Fields[1]));
    SignalLink& link = linkFor(c.Fields[1], c.Line);
    if (link.HasFlowCard) rd.Warning(c.Line, Printf("card 32: link %ld has a second card 32; the later one is kept", c.Fields[1]));
    link.HasFlowCard = true;
    link.Flow = static_cast<double>(c.Fields[2]);
    link.UniformFlow = static_cast<double>(c.Fields[3]);
    link.SourceCount = 0;
    link.Cruise = 0;
    bool ok = true;
    for (size_t f = 4; f + 2 < c.Fields.size() && ok; f += 3) {
      if (!rd.InRange(c, f + 2, 0, 1000000, "flow from upstream link") ||
          !rd.InRange(c, f + 3, 0, 100000, "cruise value")) {
        ok = false;
        break;
      }
      if (c.Fields[f] == 0) {  // no upstream link: the cruise value is the link's own
        link.Cruise = static_cast<int>(c.Fields[f + 2]);
        continue;
      }
      if (link.SourceCount == kMaxSources) {
        rd.Warning(c.Line, Printf("card 32: link %ld has more than %d upstream links; the rest are ignored",
                                  c.Fields[1], kMaxSources));
        break;
      }
      Source& s = link.Sources[static_cast<size_t>(link.SourceCount++)];
      s.Link = -1 - static_cast<int>(c.Fields[f]);  // resolved below, once every link exists
      s.Flow = static_cast<double>(c.Fields[f + 1]);
      s.Cruise = static_cast<int>(c.Fields[f + 2]);
      if (link.Cruise == 0) link.Cruise = s.Cruise;
    }
  }
  // Upstream links by index now that every link exists.
  for (SignalLink& link : net.Links) {
    int kept = 0;
    for (int h = 0; h < link.SourceCount; ++h) {
      Source s = link.Sources[static_cast<size_t>(h)];
      long number = -1 - s.Link;
      auto it = linkIndex.find(number);
      if (it == linkIndex.end()) {
        rd.Warning(link.Line, Printf("card 32: upstream link %ld of link %d does not exist; its flow arrives evenly",
                                     number, link.Number));
        continue;
      }
      if (it->second == linkIndex[link.Number]) {
        rd.Warning(link.Line, Printf("card 32: link %d is given as its own upstream link; its flow arrives evenly",
                                     link.Number));
        continue;
      }
      s.Link = it->second;
      link.Sources[static_cast<size_t>(kept++)] = s;
    }
    link.SourceCount = kept;
  }
  for (const PendingGiveWay& g : giveWays) {
    SignalLink& link = net.Links[static_cast<size_t>(g.Link)];
    auto resolve = [&](long number) -> int {
      if (number == 0) return -1;
      auto it = linkIndex.find(number);
      if (it == linkIndex.end()) {
        rd.Warning(g.Line, Printf("card 30: opposing link %ld of link %d does not exist; it is ignored", number, link.Number));
        return -1;
      }
      if (it->second == g.Link) {
        rd.Warning(g.Line, Printf("card 30: link %d is given as its own opposing link; it is ignored", link.Number));
        return -1;
      }
      return it->second;
    };
    link.Gw.Opposing1 = resolve(g.Opp1);
    link.Gw.Opposing2 = resolve(g.Opp2);
  }

  // Card 7 (links sharing a stop line), 35 (profiles to print), 38 (queue limits) and the rest.
  auto knownLink = [&](long number, int line, long card) -> SignalLink* {
    auto it = linkIndex.find(number);
    if (it != linkIndex.end()) return &net.Links[static_cast<size_t>(it->second)];
    rd.Warning(line, Printf("card %ld: link %ld does not exist; it is ignored", card, number));
    return nullptr;
  };
  for (const Card& c : cards) {
    const long card = c.Fields[0];
    bool doubled = false;
    if (card == 1 || card == 2 || card == 30 || card == 31 || card == 32 || StagesOfCard(card, doubled) > 0) continue;
    if (card == 7) {
      for (size_t f = 1; f < c.Fields.size(); f += 5) {
        SignalLink* leader = c.Fields[f] != 0 ? knownLink(c.Fields[f], c.Line, 7) : nullptr;
        if (!leader) continue;
        for (size_t m = f + 1; m < f + 5 && m < c.Fields.size(); ++m) {
          if (c.Fields[m] == 0) continue;
          SignalLink* member = knownLink(c.Fields[m], c.Line, 7);
          if (member && member != leader) member->SharedLeader = linkIndex[leader->Number];
        }
      }
    } else if (card == 35) {
      for (size_t f = 1; f < c.Fields.size(); ++f)
        if (SignalLink* l = knownLink(c.Fields[f], c.Line, 35)) l->Graph = true;
    } else if (card == 38) {
      if (!rd.Need(c, 4) || !rd.InRange(c, 3, 0, 100000, "queue limit") || !rd.InRange(c, 4, 0, 100000, "queue penalty"))
        continue;
      if (SignalLink* l = knownLink(c.Fields[1], c.Line, 38)) {
        l->QueueLimit = static_cast<double>(c.Fields[2]);
        l->QueuePenalty = static_cast<double>(c.Fields[3]);
      }
    } else {
      rd.Warning(c.Line, Printf("card %ld is not known to this program; it is skipped", card));
    }
  }
  for (const SignalLink& link : net.Links) {
    if (!link.HasFlowCard) rd.Warning(link.Line, Printf("link %d has no card 32; its flow is taken as 0", link.Number));
    const bool sharesSaturation = link.SharedLeader >= 0;
    const bool givesWayAtSaturation = link.GivesWay && link.Gw.Saturation > 0;
    if (link.Flow > 0 && link.Saturation <= 0 && !sharesSaturation && !givesWayAtSaturation)
      rd.Warning(link.Line, Printf("link %d carries %.0f PCU/h but has no saturation flow: its queue never clears",
                                   link.Number, link.Flow));
  }
  std::vector<bool> controls(net.Nodes.size(), false);
  for (const SignalLink& link : net.Links)
    if (link.Node >= 0) controls[static_cast<size_t>(link.Node)] = true;
  for (size_t n = 0; n < net.Nodes.size(); ++n)
    if (!controls[n]) rd.Warning(net.Nodes[n].Line, Printf("node %d controls no link", net.Nodes[n].Number));
  return net;
}

}  // namespace veltra::signals
