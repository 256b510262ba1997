#include "signals/model.h"

#include <algorithm>
#include <cmath>

#include "signals/performance_index.h"
#include "signals/profiles.h"

namespace veltra::signals {

namespace {
// Links of a changed node and the links up to this many levels downstream of them are evaluated
// again in a trial; further effects are picked up by the next whole-network evaluation.
constexpr int kTrialDepth = 3;
// Passes over a network whose links feed each other in loops.
constexpr int kLoopPasses = 6;
// Cells of a cycle at the most: one a second up to 20 minutes.
constexpr int kMaxCells = 1200;
}  // namespace

double CruiseSeconds(const RunData& run, int cruiseValue, int lengthMetres) {
  if (cruiseValue <= 0) return 0.0;
  if (!run.CruiseAsSpeed) return cruiseValue * 100.0 / run.SpeedFactor;
  // A public-transport cruise value holds the speed in hundreds and the dwell time in seconds.
  double speed = cruiseValue >= 100 ? cruiseValue / 100 : cruiseValue;
  double dwell = cruiseValue >= 100 ? cruiseValue % 100 : 0;
  speed *= run.SpeedFactor / 100.0;
  if (speed <= 0) return dwell;
  return lengthMetres / (speed / 3.6) + dwell;
}

NetworkModel::NetworkModel(const SignalNetwork& net, int cycle) : net_(net), cycle_(cycle) {
  const RunData& run = net.Run;
  const double cardStep = static_cast<double>(run.Cycle) / std::max(1, run.Steps);
  steps_ = std::max(1, static_cast<int>(std::lround(cycle / cardStep)));
  stepSeconds_ = static_cast<double>(cycle) / steps_;
  // Whole seconds hold every green edge, but for the second half of a double-cycled pattern
  // in an odd cycle, which starts on a half second. Cycles far longer than any street's are
  // held in kMaxCells cells, so that memory stays bounded.
  bool halfSeconds = false;
  for (const SignalNode& node : net.Nodes) halfSeconds = halfSeconds || (node.Doubled && cycle % 2 != 0);
  cells_ = std::clamp(halfSeconds ? 2 * cycle : cycle, 1, kMaxCells);
  cellSeconds_ = static_cast<double>(cycle) / cells_;
  hours_ = run.SimulatedMinutes / 60.0;
  const int links = static_cast<int>(net.Links.size());
  const double flowScale = run.FlowFactor / 100.0;

  dispersion_.assign(static_cast<size_t>(links) * kMaxSources, Dispersion());
  sourceScale_.assign(static_cast<size_t>(links) * kMaxSources, 0.0);
  uniform_.assign(static_cast<size_t>(links), 0.0);
  saturation_.assign(static_cast<size_t>(links), 0.0);
  cruise_.assign(static_cast<size_t>(links), 0.0);
  for (int l = 0; l < links; ++l) {
    const SignalLink& link = net.Links[static_cast<size_t>(l)];
    const double flow = link.Flow * flowScale;
    double fromSources = 0.0;
    for (int h = 0; h < link.SourceCount; ++h) {
      const Source& s = link.Sources[static_cast<size_t>(h)];
      if (net.Links[static_cast<size_t>(s.Link)].Flow > 0) fromSources += s.Flow * flowScale;
    }
    double uniform = fromSources > 0 ? std::min(flow, std::max(link.UniformFlow * flowScale, flow - fromSources)) : flow;
    const double sourceShare = fromSources > 0 ? (flow - uniform) / fromSources : 0.0;
    uniform_[static_cast<size_t>(l)] = uniform * cellSeconds_ / 3600.0;
    for (int h = 0; h < link.SourceCount; ++h) {
      const Source& s = link.Sources[static_cast<size_t>(h)];
      const SignalLink& up = net.Links[static_cast<size_t>(s.Link)];
      const size_t k = static_cast<size_t>(l) * kMaxSources + static_cast<size_t>(h);
      if (up.Flow <= 0) continue;
      // The upstream OUT profile carries that link's whole flow; this link takes its part.
      sourceScale_[k] = s.Flow * flowScale * sourceShare / (up.Flow * flowScale);
      dispersion_[k] = MakeDispersion(cells_, CruiseSeconds(run, s.Cruise, link.Length) / cellSeconds_, run.Dispersion);
    }
    cruise_[static_cast<size_t>(l)] = CruiseSeconds(run, link.Cruise, link.Length);
    saturation_[static_cast<size_t>(l)] = link.Saturation;
  }
  // Links sharing a stop line without a saturation flow of their own share the leader's, in
  // proportion to the flows.
  std::vector<double> sharedFlow(static_cast<size_t>(links), 0.0);
  std::vector<bool> leads(static_cast<size_t>(links), false);
  for (const SignalLink& m : net.Links)
    if (m.SharedLeader >= 0 && m.Saturation <= 0) {
      sharedFlow[static_cast<size_t>(m.SharedLeader)] += m.Flow;
      leads[static_cast<size_t>(m.SharedLeader)] = true;
    }
  for (int l = 0; l < links; ++l) {
    const SignalLink& link = net.Links[static_cast<size_t>(l)];
    const int leader = link.SharedLeader;
    if (leader >= 0 && link.Saturation <= 0) {
      const SignalLink& lead = net.Links[static_cast<size_t>(leader)];
      const double total = lead.Flow + sharedFlow[static_cast<size_t>(leader)];
      saturation_[static_cast<size_t>(l)] = total > 0 ? lead.Saturation * link.Flow / total : 0.0;
    } else if (leads[static_cast<size_t>(l)]) {
      const double total = link.Flow + sharedFlow[static_cast<size_t>(l)];
      if (total > 0) saturation_[static_cast<size_t>(l)] = link.Saturation * link.Flow / total;
    }
  }

  // Dependencies: an upstream link feeds a link; an opposing link limits a give-way link.
  std::vector<std::vector<int>> fed(static_cast<size_t>(links));
  std::vector<int> waiting(static_cast<size_t>(links), 0);
  for (int l = 0; l < links; ++l) {
    const SignalLink& link = net.Links[static_cast<size_t>(l)];
    for (int h = 0; h < link.SourceCount; ++h) {
      fed[static_cast<size_t>(link.Sources[static_cast<size_t>(h)].Link)].push_back(l);
      ++waiting[static_cast<size_t>(l)];
    }
    if (link.GivesWay)
      for (int o : {link.Gw.Opposing1, link.Gw.Opposing2})
        if (o >= 0 && o != l) {
          fed[static_cast<size_t>(o)].push_back(l);
          ++waiting[static_cast<size_t>(l)];
        }
  }
  dependentFirst_.assign(static_cast<size_t>(links) + 1, 0);
  for (int l = 0; l < links; ++l) {
    dependentFirst_[static_cast<size_t>(l) + 1] = dependentFirst_[static_cast<size_t>(l)] + static_cast<int>(fed[static_cast<size_t>(l)].size());
    dependents_.insert(dependents_.end(), fed[static_cast<size_t>(l)].begin(), fed[static_cast<size_t>(l)].end());
  }
  // Kahn's order; links left in loops follow in number order.
  std::vector<bool> placed(static_cast<size_t>(links), false);
  for (int l = 0; l < links; ++l)
    if (waiting[static_cast<size_t>(l)] == 0) order_.push_back(l);
  for (size_t i = 0; i < order_.size(); ++i) {
    placed[static_cast<size_t>(order_[i])] = true;
    for (int d : fed[static_cast<size_t>(order_[i])])
      if (--waiting[static_cast<size_t>(d)] == 0) order_.push_back(d);
  }
  for (int l = 0; l < links; ++l)
    if (!placed[static_cast<size_t>(l)]) {
      hasLoops_ = true;
      order_.push_back(l);
    }
  position_.assign(static_cast<size_t>(links), 0);
  for (size_t i = 0; i < order_.size(); ++i) position_[static_cast<size_t>(order_[i])] = static_cast<int>(i);

  // The links of each node, by counting.
  nodeLinkFirst_.assign(net.Nodes.size() + 1, 0);
  for (const SignalLink& link : net.Links)
    if (link.Node >= 0) ++nodeLinkFirst_[static_cast<size_t>(link.Node) + 1];
  for (size_t n = 0; n < net.Nodes.size(); ++n) nodeLinkFirst_[n + 1] += nodeLinkFirst_[n];
  nodeLinks_.assign(static_cast<size_t>(nodeLinkFirst_.back()), 0);
  std::vector<int> fill(nodeLinkFirst_.begin(), nodeLinkFirst_.end() - 1);
  for (int l = 0; l < links; ++l) {
    const int node = net.Links[static_cast<size_t>(l)].Node;
    if (node >= 0) nodeLinks_[static_cast<size_t>(fill[static_cast<size_t>(node)]++)] = l;
  }

  const size_t cells = static_cast<size_t>(links) * static_cast<size_t>(cells_);
  in_.assign(cells, 0.0);
  cap_.assign(cells, 0.0);
  out_.assign(cells, 0.0);
  trialIn_.assign(cells, 0.0);
  trialCap_.assign(cells, 0.0);
  trialOut_.assign(cells, 0.0);
  results_.assign(static_cast<size_t>(links), LinkResult());
  trialResults_.assign(static_cast<size_t>(links), LinkResult());
  trialStamp_.assign(static_cast<size_t>(links), 0);
  depth_.assign(static_cast<size_t>(links), 0);
  queue_.reserve(static_cast<size_t>(links));
  trialLinks_.reserve(static_cast<size_t>(links));
  work_.assign(static_cast<size_t>(cells_), 0.0);
  green_.assign(static_cast<size_t>(cells_), 0.0);
}

std::vector<double> NetworkModel::ToPrintSteps(const double* cells) const {
  std::vector<double> steps(static_cast<size_t>(steps_), 0.0);
  Regrid(cells, cells_, cellSeconds_, steps_, stepSeconds_, steps.data());
  return steps;
}

void NetworkModel::Greens(const Timings& t, int l, double* green) const {
  const SignalLink& link = net_.Links[static_cast<size_t>(l)];
  std::fill(green, green + cells_, 0.0);
  if (link.Node < 0 || link.PeriodCount == 0) {
    std::fill(green, green + cells_, 1.0);
    return;
  }
  const SignalNode& node = net_.Nodes[static_cast<size_t>(link.Node)];
  const double period = PatternPeriod(node, t.Cycle);
  const int seconds = PatternSeconds(node, t.Cycle);
  const int repeats = node.Doubled ? 2 : 1;
  for (int p = 0; p < link.PeriodCount; ++p) {
    const GreenPeriod& gp = link.Periods[static_cast<size_t>(p)];
    const int from = t.At(link.Node, gp.StartStage - 1);
    const int to = t.At(link.Node, gp.EndStage - 1);
    // The stages from the start stage up to the end stage, then the lags and lost times.
    double span = gp.StartStage == gp.EndStage ? seconds : ((to - from) % seconds + seconds) % seconds;
    double length = span + gp.EndLag + net_.Run.EndGain - gp.StartLag - net_.Run.StartLoss;
    if (length <= 0) continue;
    length = std::min(length, period);
    for (int r = 0; r < repeats; ++r)
      AddGreenInterval(from + gp.StartLag + net_.Run.StartLoss + r * period, length, cells_, cellSeconds_, green);
  }
}

template <class OutOf>
LinkResult NetworkModel::EvaluateLink(const Timings& t, int l, OutOf outOf, double* in, double* cap, double* out,
                                      bool arrivalsKept) {
  const SignalLink& link = net_.Links[static_cast<size_t>(l)];
  const int n = cells_;
  // IN: an even part, then the upstream OUT profiles moved and dispersed along the link.
  if (!arrivalsKept) {
    std::fill(in, in + n, uniform_[static_cast<size_t>(l)]);
    for (int h = 0; h < link.SourceCount; ++h) {
      const size_t k = static_cast<size_t>(l) * kMaxSources + static_cast<size_t>(h);
      if (sourceScale_[k] == 0.0) continue;
      AddDispersed(outOf(link.Sources[static_cast<size_t>(h)].Link), n, dispersion_[k], sourceScale_[k], in,
                   work_.data());
    }
  }
  // GO: saturation flow in the effective green, limited by gaps in opposing traffic.
  double* green = green_.data();
  Greens(t, l, green);
  const double perCell = saturation_[static_cast<size_t>(l)] * cellSeconds_ / 3600.0;
  double greenCells = 0.0;
  for (int s = 0; s < n; ++s) {
    cap[s] = perCell * green[s];
    greenCells += green[s];
  }
  if (link.GivesWay) {
    const double gwPerCell = (link.Gw.Saturation > 0 ? link.Gw.Saturation : saturation_[static_cast<size_t>(l)]) *
                             cellSeconds_ / 3600.0;
    const double share = link.Gw.OpposedShare;
    const double* o1 = link.Gw.Opposing1 >= 0 ? outOf(link.Gw.Opposing1) : nullptr;
    const double* o2 = link.Gw.Opposing2 >= 0 ? outOf(link.Gw.Opposing2) : nullptr;
    auto oppSat = [&](int o) {
      double s = saturation_[static_cast<size_t>(o)];
      if (s <= 0) s = 1800.0 * net_.Links[static_cast<size_t>(o)].Lanes;
      return s * cellSeconds_ / 3600.0;
    };
    const double s1 = o1 ? oppSat(link.Gw.Opposing1) : 1.0, s2 = o2 ? oppSat(link.Gw.Opposing2) : 1.0;
    for (int s = 0; s < n; ++s) {
      double f1 = o1 ? std::max(0.0, 1.0 - o1[s] / s1) : 1.0;
      double f2 = o2 ? std::max(0.0, 1.0 - o2[s] / s2) : 1.0;
      cap[s] = gwPerCell * green[s] * f1 * ((1.0 - share) + share * f2);
    }
  }
  QueueCycle qc = PeriodicQueue(in, cap, n, out);

  LinkResult r;
  const double cyclesPerHour = 3600.0 / cycle_;
  r.Flow = qc.Arrivals * cyclesPerHour;
  r.CapacityPerHour = qc.Capacity * cyclesPerHour;
  r.GreenSeconds = link.Node >= 0 && link.PeriodCount > 0 ? greenCells * cellSeconds_ : 0.0;
  const bool saturated = qc.Arrivals > 0 && qc.Arrivals >= qc.Capacity;
  const double x = qc.Arrivals <= 0 ? 0.0 : qc.Capacity > 0 ? qc.Arrivals / qc.Capacity : 100.0;
  r.DegreeOfSat = 100.0 * x;
  r.CruiseSeconds = cruise_[static_cast<size_t>(l)];
  r.UniformDelay = qc.MeanQueue;
  // With no capacity at all the queue is the arrivals of the period, q T / 2 on average.
  const double randomQueue = r.Flow > 0 ? RandomQueue(r.Flow, r.CapacityPerHour, hours_) : 0.0;
  r.RandomDelay = randomQueue;
  r.MeanDelay = r.Flow > 0 ? (r.UniformDelay + r.RandomDelay) * 3600.0 / r.Flow : 0.0;
  // Stops: every arrival that meets red or a queue, and the vehicles held by the random queue
  // (each of them stops once more, up to one stop per vehicle). Above capacity the queue never
  // clears, so every arrival stops.
  const double uniformShare = qc.Arrivals > 0 ? qc.Stopped / qc.Arrivals : 0.0;
  const double randomShare = r.Flow > 0 ? std::min(1.0, r.RandomDelay * 3600.0 / r.Flow / cycle_) : 0.0;
  const double stopShare = saturated ? 1.0 : std::min(1.0, uniformShare + (1.0 - uniformShare) * randomShare);
  r.StopPercent = 100.0 * stopShare;
  r.StopsPerHour = stopShare * r.Flow;
  r.MaxQueue = qc.MaxQueue + randomQueue;
  r.Index = LinkIndex(net_.Run, link, r.UniformDelay + r.RandomDelay, r.StopsPerHour, r.MaxQueue);
  return r;
}

double NetworkModel::Evaluate(const Timings& t) {
  const int links = static_cast<int>(order_.size());
  auto outOf = [&](int h) -> const double* { return &out_[Row(h)]; };
  // Links in loops first read what their upstream links send from nothing, so the index is the
  // same whatever was evaluated before.
  if (hasLoops_) std::fill(out_.begin(), out_.end(), 0.0);
  double previous = -1.0;
  for (int pass = 0; pass < (hasLoops_ ? kLoopPasses : 1); ++pass) {
    index_ = 0.0;
    for (int i = 0; i < links; ++i) {
      const int l = order_[static_cast<size_t>(i)];
      results_[static_cast<size_t>(l)] = EvaluateLink(t, l, outOf, &in_[Row(l)], &cap_[Row(l)], &out_[Row(l)]);
      index_ += results_[static_cast<size_t>(l)].Index;
    }
    if (std::fabs(index_ - previous) <= 1e-9 * std::max(1.0, index_)) break;
    previous = index_;
  }
  return index_;
}

double NetworkModel::TrialChange(const Timings& t, const std::vector<int>& nodes) {
  ++stamp_;
  trialLinks_.clear();
  queue_.clear();
  for (int node : nodes)
    for (const int* l = NodeLinksBegin(node); l != NodeLinksEnd(node); ++l) {
      if (trialStamp_[static_cast<size_t>(*l)] == stamp_) continue;
      trialStamp_[static_cast<size_t>(*l)] = stamp_;
      depth_[static_cast<size_t>(*l)] = 0;
      queue_.push_back(*l);
    }
  for (size_t i = 0; i < queue_.size(); ++i) {
    const int l = queue_[i];
    if (depth_[static_cast<size_t>(l)] >= kTrialDepth) continue;
    for (int k = dependentFirst_[static_cast<size_t>(l)]; k < dependentFirst_[static_cast<size_t>(l) + 1]; ++k) {
      const int d = dependents_[static_cast<size_t>(k)];
      if (trialStamp_[static_cast<size_t>(d)] == stamp_) continue;
      trialStamp_[static_cast<size_t>(d)] = stamp_;
      depth_[static_cast<size_t>(d)] = depth_[static_cast<size_t>(l)] + 1;
      queue_.push_back(d);
    }
  }
  trialLinks_.assign(queue_.begin(), queue_.end());
  std::sort(trialLinks_.begin(), trialLinks_.end(),
            [&](int a, int b) { return position_[static_cast<size_t>(a)] < position_[static_cast<size_t>(b)]; });
  auto outOf = [&](int h) -> const double* {
    return trialStamp_[static_cast<size_t>(h)] == stamp_ ? &trialOut_[Row(h)] : &out_[Row(h)];
  };
  // Links of a trial not yet evaluated read their committed OUT until their turn comes.
  for (int l : trialLinks_) std::copy(&out_[Row(l)], &out_[Row(l)] + cells_, &trialOut_[Row(l)]);
  trialIndex_ = index_;
  for (int l : trialLinks_) {
    // A link none of whose upstream links is in the trial keeps its arrivals.
    const SignalLink& link = net_.Links[static_cast<size_t>(l)];
    bool kept = true;
    for (int h = 0; h < link.SourceCount && kept; ++h)
      kept = trialStamp_[static_cast<size_t>(link.Sources[static_cast<size_t>(h)].Link)] != stamp_;
    if (kept) std::copy(&in_[Row(l)], &in_[Row(l)] + cells_, &trialIn_[Row(l)]);
    trialResults_[static_cast<size_t>(l)] =
        EvaluateLink(t, l, outOf, &trialIn_[Row(l)], &trialCap_[Row(l)], &trialOut_[Row(l)], kept);
    trialIndex_ += trialResults_[static_cast<size_t>(l)].Index - results_[static_cast<size_t>(l)].Index;
  }
  return trialIndex_;
}

void NetworkModel::CommitTrial() {
  for (int l : trialLinks_) {
    std::copy(&trialIn_[Row(l)], &trialIn_[Row(l)] + cells_, &in_[Row(l)]);
    std::copy(&trialCap_[Row(l)], &trialCap_[Row(l)] + cells_, &cap_[Row(l)]);
    std::copy(&trialOut_[Row(l)], &trialOut_[Row(l)] + cells_, &out_[Row(l)]);
    results_[static_cast<size_t>(l)] = trialResults_[static_cast<size_t>(l)];
  }
  index_ = trialIndex_;
  trialLinks_.clear();
}

double NetworkModel::NodeIndex(int node) const {
  double sum = 0.0;
  for (const int* l = NodeLinksBegin(node); l != NodeLinksEnd(node); ++l) sum += results_[static_cast<size_t>(*l)].Index;
  return sum;
}

}  // namespace veltra::signals
