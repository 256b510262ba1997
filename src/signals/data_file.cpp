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

// A card that is not in five-column fields: a hand-written card whose numbers are set apart by
// blanks. False when one of them is not a whole number either.
bool SplitLooseCard(const std::string& text, std::vector<long>& fields) {
  std::vector<long> loose;
  bool ok = true;
  for (const std::string& token : SplitBlanks(text)) {
    long v = 0;
    ok = ok && ParseWhole(token, v);
    loose.push_back(v);
  }
  if (!ok || loose.empty()) return false;
  fields = loose;
  return true;
}

// Names the first five-column field of a refused card that is not a whole number.
void ReportBadField(Reader& rd, int lineNo, const std::string& text) {
  const std::string trimmed = TrimRight(text);
  for (size_t f = 0;; ++f) {
    const int first = static_cast<int>(5 * f + 1);
    if (static_cast<size_t>(first) > trimmed.size()) return;
    std::string chunk = Trim(Field(trimmed, first, first + 4));
    long v = 0;
    if (chunk.empty() || ParseWhole(chunk, v)) continue;
    if (f == 0)
      rd.Error(lineNo, Printf("columns 1-5: \"%s\" is not a card number", chunk.c_str()));
    else
      rd.Error(lineNo, Printf("card %s, field %zu (columns %d-%d): \"%s\" is not a whole number",
                              Trim(Field(trimmed, 1, 5)).c_str(), f + 1, first, first + 4, chunk.c_str()));
    return;
  }
}

// Every card split into whole numbers first; a field that is not one stops the run.
std::vector<Card> SplitCards(const std::vector<std::string>& lines, Reader& rd) {
  std::vector<Card> cards;
  for (size_t i = 1; i < lines.size(); ++i) {
    const int lineNo = static_cast<int>(i + 1);
    std::string text = lines[i];
    if (!text.empty() && text.back() == '\r') text.pop_back();
    if (IsBlank(text) || Trim(text)[0] == '*') continue;
    Card card;
    card.Line = lineNo;
    if (SplitCard(TrimRight(text), card.Fields) || SplitLooseCard(text, card.Fields))
      cards.push_back(std::move(card));
    else
      ReportBadField(rd, lineNo, text);
  }
  return cards;
}

struct PendingGiveWay {
  int Link;
  long Opp1, Opp2;
  int Line;
};

// Builds the network card kind by card kind: card 1 first (the cycle decides what the timing
// cards may hold), the timing cards, card 2, the link cards, then the cards that refer to links.
class NetworkBuilder {
 public:
  NetworkBuilder(SignalNetwork& net, Reader& rd) : net_(net), rd_(rd) {}

  // Card 1; false when there is none.
  bool ReadRunData(const std::vector<Card>& cards);
  void ReadTimingCards(const std::vector<Card>& cards);
  void ReadOptimisedNodes(const std::vector<Card>& cards);
  void ReadLinkCards(const std::vector<Card>& cards);
  void ReadFlowCards(const std::vector<Card>& cards);
  void ResolveUpstreamLinks();
  void ResolveOpposingLinks();
  void ReadLinkReferences(const std::vector<Card>& cards);
  void WarnOfUnusedData();

 private:
  void ReadRunCard(const Card& c);
  void ReadTimingCard(const Card& c, int stages, bool doubled);
  void ReadGiveWayCard(const Card& c);
  void ReadControlCard(const Card& c);
  void ReadFlowCard(const Card& c);
  SignalLink& LinkFor(long number, int line);
  SignalLink* KnownLink(long number, int line, long card);

  SignalNetwork& net_;
  Reader& rd_;
  std::unordered_map<long, int> nodeIndex_;
  std::unordered_map<long, int> linkIndex_;
  std::vector<PendingGiveWay> giveWays_;
};

bool NetworkBuilder::ReadRunData(const std::vector<Card>& cards) {
  bool haveCardOne = false;
  for (const Card& c : cards) {
    if (c.Fields[0] != 1) continue;
    if (haveCardOne) {
      rd_.Warning(c.Line, "a second card 1 is ignored");
      continue;
    }
    haveCardOne = true;
    ReadRunCard(c);
  }
  return haveCardOne;
}

void NetworkBuilder::ReadRunCard(const Card& c) {
  if (!rd_.Need(c, 2) || !rd_.InRange(c, 2, 1, 3600, "cycle")) return;
  auto f = [&](size_t k) { return c.Fields.size() >= k ? c.Fields[k - 1] : 0L; };
  RunData& r = net_.Run;
  r.Cycle = static_cast<int>(f(2));
  r.Steps = static_cast<int>(f(3));
  if (r.Steps == 0) r.Steps = r.Cycle <= 60 ? r.Cycle : std::min(60, RoundEven(r.Cycle / 2.0));
  if (c.Fields.size() >= 3 && !rd_.InRange(c, 3, 0, 1000, "steps per cycle")) return;
  r.SimulatedMinutes = f(4) > 0 ? static_cast<int>(f(4)) : 60;
  // Any period the five columns hold is a period the delay formula can take; one of more than a
  // day is almost always seconds written where minutes are meant, so it is said, not refused.
  if (c.Fields.size() >= 4 && !rd_.InRange(c, 4, 0, 99999, "simulated time, minutes")) return;
  if (r.SimulatedMinutes > 1440)
    rd_.Warning(c.Line, Printf("card 1: a simulated time of %d minutes (more than a day) is taken as minutes; "
                               "the random and oversaturation delays are those of a period that long",
                               r.SimulatedMinutes));
  if (c.Fields.size() >= 5 && !rd_.InRange(c, 5, -60, 60, "start lost time")) return;
  if (c.Fields.size() >= 6 && !rd_.InRange(c, 6, -60, 60, "end gain")) return;
  r.StartLoss = static_cast<int>(f(5));
  r.EndGain = static_cast<int>(f(6));
  r.Equisat = f(7) != 0;
  r.CyopRun = f(8) != 0;
  if (c.Fields.size() >= 9 && !rd_.InRange(c, 9, 0, 1000, "flow factor, percent")) return;
  if (c.Fields.size() >= 10 && !rd_.InRange(c, 10, 0, 1000, "speed factor, percent")) return;
  r.FlowFactor = f(9) > 0 ? static_cast<int>(f(9)) : 100;
  r.SpeedFactor = f(10) > 0 ? static_cast<int>(f(10)) : 100;
  r.CruiseAsSpeed = c.Fields.size() < 11 || f(11) != 0;
  r.Optimise = c.Fields.size() >= 12 ? static_cast<int>(f(12)) : 2;
  if (c.Fields.size() >= 13 && !rd_.InRange(c, 13, 0, 100, "dispersion")) return;
  long disp = c.Fields.size() >= 13 ? f(13) : 1;
  r.Dispersion = disp == 0 ? 0.0 : disp == 1 ? 0.35 : disp / 100.0;
  r.Output = static_cast<int>(f(14));
  if (c.Fields.size() >= 15 && !rd_.InRange(c, 15, 0, 100000, "delay weight")) return;
  if (c.Fields.size() >= 16 && !rd_.InRange(c, 16, 0, 100000, "stop weight")) return;
  if (f(15) == 0 && f(16) == 0) {
    rd_.Warning(c.Line, "delay and stop weights are both 0; the weights 930 and 170 are used");
  } else {
    r.DelayWeight = f(15) / 100.0;
    r.StopWeight = f(16) / 100.0;
  }
}

void NetworkBuilder::ReadTimingCards(const std::vector<Card>& cards) {
  for (const Card& c : cards) {
    bool doubled = false;
    const int stages = StagesOfCard(c.Fields[0], doubled);
    if (stages > 0) ReadTimingCard(c, stages, doubled);
  }
}

void NetworkBuilder::ReadTimingCard(const Card& c, int n, bool doubled) {
  if (!rd_.Need(c, static_cast<size_t>(2 + 2 * n))) return;
  if (!rd_.InRange(c, 2, 1, 99999, "node")) return;
  if (nodeIndex_.count(c.Fields[1])) {
    rd_.Error(c.Line, Printf("card %ld, field 2: node %ld already has a timing card", c.Fields[0], c.Fields[1]));
    return;
  }
  const int cycle = net_.Run.Cycle;
  SignalNode node;
  node.Number = static_cast<int>(c.Fields[1]);
  node.Line = c.Line;
  node.Stages = n;
  node.Doubled = doubled;
  const int wrap = doubled ? RoundEven(cycle / 2.0) : cycle;
  if (wrap < 1) {
    rd_.Error(c.Line, Printf("card %ld: a cycle of %d s has no half cycle for the pattern to run in twice", c.Fields[0],
                             cycle));
    return;
  }
  long minSum = 0;
  for (int k = 0; k < n; ++k) {
    // A start at the end of the cycle (or of the half cycle) is the next cycle's start, the
    // same instant as 0: a plan whose offset and stages reach the cycle exactly is written so.
    if (!rd_.InRange(c, static_cast<size_t>(3 + 2 * k), 0, wrap, "stage start time") ||
        !rd_.InRange(c, static_cast<size_t>(4 + 2 * k), 0, wrap, "minimum stage length"))
      return;
    node.Start[static_cast<size_t>(k)] = static_cast<int>(c.Fields[static_cast<size_t>(2 + 2 * k)]) % wrap;
    node.MinStage[static_cast<size_t>(k)] = static_cast<int>(c.Fields[static_cast<size_t>(3 + 2 * k)]);
    minSum += node.MinStage[static_cast<size_t>(k)];
  }
  if (minSum > wrap) {
    rd_.Error(c.Line, Printf("card %ld: the minimum stage lengths of node %d add up to %ld, more than the %s of %d s",
                             c.Fields[0], node.Number, minSum, doubled ? "half cycle" : "cycle", wrap));
    return;
  }
  nodeIndex_[c.Fields[1]] = static_cast<int>(net_.Nodes.size());
  net_.Nodes.push_back(node);
}

// Card 2: nodes to optimise, then coordinated groups (every member but the last negated).
void NetworkBuilder::ReadOptimisedNodes(const std::vector<Card>& cards) {
  std::vector<int> pending;
  int pendingLine = 0;
  auto nodeOf = [&](long number, int line, const char* what) -> int {
    auto it = nodeIndex_.find(number);
    if (it != nodeIndex_.end()) return it->second;
    rd_.Warning(line, Printf("card 2: %s node %ld has no timing card; it is ignored", what, number));
    return -1;
  };
  auto closeGroup = [&](int line) {
    int g = net_.GroupCount++;
    for (int n : pending) {
      if (net_.Nodes[static_cast<size_t>(n)].Group >= 0)
        rd_.Warning(line, Printf("card 2: node %d is in two coordinated groups; the later one is kept",
                                 net_.Nodes[static_cast<size_t>(n)].Number));
      net_.Nodes[static_cast<size_t>(n)].Group = g;
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
          if (n >= 0) net_.Nodes[static_cast<size_t>(n)].Optimise = true;
        } else {
          if (n >= 0) pending.push_back(n);
          closeGroup(c.Line);
        }
      }
    }
  }
  if (!pending.empty()) {
    rd_.Warning(pendingLine, "card 2: a coordinated group has no closing (positive) node; it is closed there");
    closeGroup(pendingLine);
  }
}

SignalLink& NetworkBuilder::LinkFor(long number, int line) {
  auto it = linkIndex_.find(number);
  if (it != linkIndex_.end()) return net_.Links[static_cast<size_t>(it->second)];
  linkIndex_[number] = static_cast<int>(net_.Links.size());
  SignalLink link;
  link.Number = static_cast<int>(number);
  link.Line = line;
  net_.Links.push_back(link);
  return net_.Links.back();
}

// Cards 30 and 31 create the links, in the order the cards come.
void NetworkBuilder::ReadLinkCards(const std::vector<Card>& cards) {
  for (const Card& c : cards) {
    if (c.Fields[0] == 30)
      ReadGiveWayCard(c);
    else if (c.Fields[0] == 31)
      ReadControlCard(c);
  }
}

void NetworkBuilder::ReadGiveWayCard(const Card& c) {
  if (!rd_.Need(c, 13) || !rd_.InRange(c, 2, 1, 99999, "link") || !rd_.InRange(c, 5, 0, 100, "percentage") ||
      !rd_.InRange(c, 8, 0, 100000, "length") || !rd_.InRange(c, 10, 0, 100000, "give-way saturation flow"))
    return;
  SignalLink& link = LinkFor(c.Fields[1], c.Line);
  if (link.GivesWay) rd_.Warning(c.Line, Printf("card 30: link %ld gives way twice; the later card is kept", c.Fields[1]));
  link.GivesWay = true;
  link.Gw.OpposedShare = c.Fields[4] / 100.0;
  link.Gw.Saturation = static_cast<double>(c.Fields[9]);
  link.Gw.Constants = {static_cast<int>(c.Fields[5]), static_cast<int>(c.Fields[6]), static_cast<int>(c.Fields[8]),
                       static_cast<int>(c.Fields[10]), static_cast<int>(c.Fields[11])};
  if (!link.HasControlCard) {
    link.Length = static_cast<int>(c.Fields[7]);
    link.Lanes = std::max(1, static_cast<int>(c.Fields[12]));
  }
  giveWays_.push_back({linkIndex_[c.Fields[1]], c.Fields[2], c.Fields[3], c.Line});
}

void NetworkBuilder::ReadControlCard(const Card& c) {
  if (!rd_.Need(c, 14) || !rd_.InRange(c, 2, 1, 99999, "link") || !rd_.InRange(c, 12, 0, 100000, "length") ||
      !rd_.InRange(c, 14, 0, 100000, "saturation flow"))
    return;
  SignalLink& link = LinkFor(c.Fields[1], c.Line);
  if (link.HasControlCard)
    rd_.Warning(c.Line, Printf("card 31: link %ld has a second card 31; the later one is kept", c.Fields[1]));
  link.HasControlCard = true;
  link.Length = static_cast<int>(c.Fields[11]);
  link.Detail = static_cast<int>(c.Fields[12]);
  link.Saturation = static_cast<double>(c.Fields[13]);
  link.Lanes = c.Fields.size() >= 17 ? std::max(1, static_cast<int>(c.Fields[16])) : 1;
  link.Node = -1;
  link.NodeNumber = static_cast<int>(c.Fields[2]);
  link.PeriodCount = 0;
  if (c.Fields[2] == 0) return;  // uncontrolled
  auto it = nodeIndex_.find(c.Fields[2]);
  if (it == nodeIndex_.end()) {
    rd_.Warning(c.Line, Printf("card 31: link %ld is controlled by node %ld, which has no timing card; it is taken as "
                               "uncontrolled", c.Fields[1], c.Fields[2]));
    return;
  }
  const SignalNode& node = net_.Nodes[static_cast<size_t>(it->second)];
  for (int p = 0; p < 2; ++p) {
    const size_t at = 3 + 4 * static_cast<size_t>(p);  // index of the start stage; its field is at + 1
    long a = c.Fields[at], b = c.Fields[at + 2];
    if (a == 0 && b == 0) continue;
    if (!rd_.InRange(c, at + 1, 1, node.Stages, "start stage") || !rd_.InRange(c, at + 3, 1, node.Stages, "end stage") ||
        !rd_.InRange(c, at + 2, -60, 600, "start lag") || !rd_.InRange(c, at + 4, -60, 600, "end lag"))
      return;
    GreenPeriod& gp = link.Periods[static_cast<size_t>(link.PeriodCount++)];
    gp.StartStage = static_cast<int>(a);
    gp.StartLag = static_cast<int>(c.Fields[at + 1]);
    gp.EndStage = static_cast<int>(b);
    gp.EndLag = static_cast<int>(c.Fields[at + 3]);
  }
  link.Node = it->second;
}

void NetworkBuilder::ReadFlowCards(const std::vector<Card>& cards) {
  for (const Card& c : cards)
    if (c.Fields[0] == 32) ReadFlowCard(c);
}

void NetworkBuilder::ReadFlowCard(const Card& c) {
  if (!rd_.Need(c, 4) || !rd_.InRange(c, 2, 1, 99999, "link") || !rd_.InRange(c, 3, 0, 1000000, "flow") ||
      !rd_.InRange(c, 4, 0, 1000000, "uniform flow"))
    return;
  if ((c.Fields.size() - 4) % 3 != 0) {
    rd_.Error(c.Line, Printf("card 32: after the flows the fields come in threes (link, flow, cruise); field %zu is "
                             "incomplete", c.Fields.size()));
    return;
  }
  if (!linkIndex_.count(c.Fields[1]))
    rd_.Warning(c.Line, Printf("card 32: link %ld has no card 31 or 30; it is taken as uncontrolled", c.Fields[1]));
  SignalLink& link = LinkFor(c.Fields[1], c.Line);
  if (link.HasFlowCard) rd_.Warning(c.Line, Printf("card 32: link %ld has a second card 32; the later one is kept", c.Fields[1]));
  link.HasFlowCard = true;
  link.Flow = static_cast<double>(c.Fields[2]);
  link.UniformFlow = static_cast<double>(c.Fields[3]);
  link.SourceCount = 0;
  link.Cruise = 0;
  for (size_t f = 4; f + 2 < c.Fields.size(); f += 3) {
    if (!rd_.InRange(c, f + 2, 0, 1000000, "flow from upstream link") ||
        !rd_.InRange(c, f + 3, 0, 100000, "cruise value"))
      return;
    if (c.Fields[f] == 0) {  // no upstream link: the cruise value is the link's own
      link.Cruise = static_cast<int>(c.Fields[f + 2]);
      continue;
    }
    if (link.SourceCount == kMaxSources) {
      rd_.Warning(c.Line, Printf("card 32: link %ld has more than %d upstream links; the rest are ignored",
                                 c.Fields[1], kMaxSources));
      return;
    }
    Source& s = link.Sources[static_cast<size_t>(link.SourceCount++)];
    s.Link = -1 - static_cast<int>(c.Fields[f]);  // resolved once every link exists
    s.Flow = static_cast<double>(c.Fields[f + 1]);
    s.Cruise = static_cast<int>(c.Fields[f + 2]);
    if (link.Cruise == 0) link.Cruise = s.Cruise;
  }
}

// Upstream links by index now that every link exists.
void NetworkBuilder::ResolveUpstreamLinks() {
  for (SignalLink& link : net_.Links) {
    int kept = 0;
    for (int h = 0; h < link.SourceCount; ++h) {
      Source s = link.Sources[static_cast<size_t>(h)];
      long number = -1 - s.Link;
      auto it = linkIndex_.find(number);
      if (it == linkIndex_.end()) {
        rd_.Warning(link.Line, Printf("card 32: upstream link %ld of link %d does not exist; its flow arrives evenly",
                                      number, link.Number));
        continue;
      }
      if (it->second == linkIndex_[link.Number]) {
        rd_.Warning(link.Line, Printf("card 32: link %d is given as its own upstream link; its flow arrives evenly",
                                      link.Number));
        continue;
      }
      s.Link = it->second;
      link.Sources[static_cast<size_t>(kept++)] = s;
    }
    link.SourceCount = kept;
  }
}

void NetworkBuilder::ResolveOpposingLinks() {
  for (const PendingGiveWay& g : giveWays_) {
    SignalLink& link = net_.Links[static_cast<size_t>(g.Link)];
    auto resolve = [&](long number) -> int {
      if (number == 0) return -1;
      auto it = linkIndex_.find(number);
      if (it == linkIndex_.end()) {
        rd_.Warning(g.Line, Printf("card 30: opposing link %ld of link %d does not exist; it is ignored", number, link.Number));
        return -1;
      }
      if (it->second == g.Link) {
        rd_.Warning(g.Line, Printf("card 30: link %d is given as its own opposing link; it is ignored", link.Number));
        return -1;
      }
      return it->second;
    };
    link.Gw.Opposing1 = resolve(g.Opp1);
    link.Gw.Opposing2 = resolve(g.Opp2);
  }
}

SignalLink* NetworkBuilder::KnownLink(long number, int line, long card) {
  auto it = linkIndex_.find(number);
  if (it != linkIndex_.end()) return &net_.Links[static_cast<size_t>(it->second)];
  rd_.Warning(line, Printf("card %ld: link %ld does not exist; it is ignored", card, number));
  return nullptr;
}

// Card 7 (links sharing a stop line), 35 (profiles to print), 38 (queue limits) and the rest.
void NetworkBuilder::ReadLinkReferences(const std::vector<Card>& cards) {
  for (const Card& c : cards) {
    const long card = c.Fields[0];
    bool doubled = false;
    if (card == 1 || card == 2 || card == 30 || card == 31 || card == 32 || StagesOfCard(card, doubled) > 0) continue;
    if (card == 7) {
      for (size_t f = 1; f < c.Fields.size(); f += 5) {
        SignalLink* leader = c.Fields[f] != 0 ? KnownLink(c.Fields[f], c.Line, 7) : nullptr;
        if (!leader) continue;
        for (size_t m = f + 1; m < f + 5 && m < c.Fields.size(); ++m) {
          if (c.Fields[m] == 0) continue;
          SignalLink* member = KnownLink(c.Fields[m], c.Line, 7);
          if (member && member != leader) member->SharedLeader = linkIndex_[leader->Number];
        }
      }
    } else if (card == 35) {
      for (size_t f = 1; f < c.Fields.size(); ++f)
        if (SignalLink* l = KnownLink(c.Fields[f], c.Line, 35)) l->Graph = true;
    } else if (card == 38) {
      if (!rd_.Need(c, 4) || !rd_.InRange(c, 3, 0, 100000, "queue limit") || !rd_.InRange(c, 4, 0, 100000, "queue penalty"))
        continue;
      if (SignalLink* l = KnownLink(c.Fields[1], c.Line, 38)) {
        l->QueueLimit = static_cast<double>(c.Fields[2]);
        l->QueuePenalty = static_cast<double>(c.Fields[3]);
      }
    } else {
      rd_.Warning(c.Line, Printf("card %ld is not known to this program; it is skipped", card));
    }
  }
}

// What the file gives but the model cannot use: links without flows or whose queue never
// clears, nodes that control nothing.
void NetworkBuilder::WarnOfUnusedData() {
  for (const SignalLink& link : net_.Links) {
    if (!link.HasFlowCard) rd_.Warning(link.Line, Printf("link %d has no card 32; its flow is taken as 0", link.Number));
    const bool sharesSaturation = link.SharedLeader >= 0;
    const bool givesWayAtSaturation = link.GivesWay && link.Gw.Saturation > 0;
    if (link.Flow > 0 && link.Saturation <= 0 && !sharesSaturation && !givesWayAtSaturation)
      rd_.Warning(link.Line, Printf("link %d carries %.0f PCU/h but has no saturation flow: its queue never clears",
                                    link.Number, link.Flow));
  }
  std::vector<bool> controls(net_.Nodes.size(), false);
  for (const SignalLink& link : net_.Links)
    if (link.Node >= 0) controls[static_cast<size_t>(link.Node)] = true;
  for (size_t n = 0; n < net_.Nodes.size(); ++n)
    if (!controls[n]) rd_.Warning(net_.Nodes[n].Line, Printf("node %d controls no link", net_.Nodes[n].Number));
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
  const std::vector<Card> cards = SplitCards(lines, rd);
  NetworkBuilder build(net, rd);
  if (!build.ReadRunData(cards)) report.Errors.push_back(fileName + ": card 1 (cycle and run data) is missing");
  if (!report.Ok()) return net;
  build.ReadTimingCards(cards);
  build.ReadOptimisedNodes(cards);
  build.ReadLinkCards(cards);
  build.ReadFlowCards(cards);
  build.ResolveUpstreamLinks();
  build.ResolveOpposingLinks();
  build.ReadLinkReferences(cards);
  build.WarnOfUnusedData();
  return net;
}

}  // namespace veltra::signals
