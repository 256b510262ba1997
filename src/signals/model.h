// The network model: every link's cyclic flow profiles (IN, GO, OUT) under a set of timings,
// its delay, stops and queue, and the performance index of the whole network. Upstream OUT
// profiles feed downstream IN profiles in dependency order (a few passes where links form loops).
// Profiles are held as one block per kind, link after link (structure of arrays); evaluating
// allocates nothing.
//
// Time runs in cells of one second (half a second when a double-cycled node's half cycle ends
// on a half second), whatever the step the data file gives: every stage change, lag and lost
// time is a whole number of seconds, so every green edge falls on a cell boundary and the
// index does not move when all the timings move together. The card's step is kept for the
// profiles the print file shows. (A cycle above 20 minutes is held in 1200 cells.)
//
// Per link and cell t of the cycle (PCU per cell):
//   IN(t)  = the even part + sum over upstream links h of share(h) OUT_h moved and dispersed
//            along the link (Robertson, see profiles.h);
//   GO(t)  = saturation flow x the share of the step in effective green, where a green period
//            runs from its start stage's start + start lag + start lost time to its end stage's
//            start + end lag + end gain;
//   a link that gives way runs at its give-way saturation flow S times the gaps left by its
//   opposing links, linearly: S f1(t) ((1 - p) + p f2(t)) with fi(t) = max(0, 1 - OUT_i(t) / s_i),
//   OUT_i the opposing link's departures and s_i its saturation flow (opposing link 1 opposes
//   all of the flow, link 2 the share p of it);
//   queue and OUT by the periodic recurrence of profiles.h.
// Index of a link = delay weight x (uniform + random delay, PCU-h/h) + stop weight x stops per
// hour / 100, plus the penalty of a queue above its limit.
#pragma once

#include <vector>

#include "signals/network.h"
#include "signals/optimiser.h"
#include "signals/profiles.h"
#include "signals/timings.h"

namespace veltra::signals {

struct LinkResult {
  double Flow = 0.0;          // PCU/h arriving
  double DegreeOfSat = 0.0;   // percent
  double CruiseSeconds = 0.0; // cruise time along the link
  double UniformDelay = 0.0;  // PCU-h/h
  double RandomDelay = 0.0;   // PCU-h/h
  double MeanDelay = 0.0;     // seconds per PCU
  double StopsPerHour = 0.0;
  double StopPercent = 0.0;   // stops per 100 PCU
  double MaxQueue = 0.0;      // PCU: largest uniform queue plus the random queue
  double Index = 0.0;         // the link's share of the performance index
  double CapacityPerHour = 0.0;  // PCU/h that can leave, over the whole cycle
  double GreenSeconds = 0.0;     // effective green per cycle (signal-controlled links)
};

class NetworkModel {
 public:
  // The model of a network at a cycle. The print steps are the run's steps per cycle (scaled to
  // the cycle when it differs from the card's, so that a step keeps its length).
  NetworkModel(const SignalNetwork& net, int cycle);

  int Steps() const { return steps_; }
  double StepSeconds() const { return stepSeconds_; }
  int Cells() const { return cells_; }
  double CellSeconds() const { return cellSeconds_; }
  int Cycle() const { return cycle_; }

  // Performance index of the whole network; the results and profiles then describe these timings.
  double Evaluate(const Timings& t);
  // Index after changing only the given nodes' timings from the last evaluated or committed
  // timings. Only the links of those nodes and the links fed or opposed by them (a few levels
  // downstream) are evaluated again; nothing is kept until CommitTrial.
  double TrialChange(const Timings& t, const std::vector<int>& nodes);
  void CommitTrial();

  const std::vector<LinkResult>& Results() const { return results_; }
  double Index() const { return index_; }
  // Profiles of link l (Cells() values each): arrivals, departures, capacity, PCU per cell.
  const double* In(int l) const { return &in_[Row(l)]; }
  const double* Out(int l) const { return &out_[Row(l)]; }
  const double* Capacity(int l) const { return &cap_[Row(l)]; }
  // A profile of Cells() values summed into the Steps() print steps.
  std::vector<double> ToPrintSteps(const double* cells) const;
  // Sum over the node's links of their index.
  double NodeIndex(int node) const;
  // The links a node controls: [first, last) into NodeLinks().
  const int* NodeLinksBegin(int node) const { return nodeLinks_.data() + nodeLinkFirst_[static_cast<size_t>(node)]; }
  const int* NodeLinksEnd(int node) const { return nodeLinks_.data() + nodeLinkFirst_[static_cast<size_t>(node) + 1]; }

 private:
  size_t Row(int l) const { return static_cast<size_t>(l) * static_cast<size_t>(cells_); }
  void Greens(const Timings& t, int l, double* green) const;
  // Evaluates link l into the given rows, reading upstream OUT rows through `outOf`. With
  // `arrivalsKept` the IN row already holds the link's arrivals.
  template <class OutOf>
  LinkResult EvaluateLink(const Timings& t, int l, OutOf outOf, double* in, double* cap, double* out,
                          bool arrivalsKept = false);

  const SignalNetwork& net_;
  int cycle_ = 0;
  int steps_ = 0;             // print steps per cycle
  double stepSeconds_ = 0.0;
  int cells_ = 0;             // model cells per cycle
  double cellSeconds_ = 1.0;
  double hours_ = 1.0;
  bool hasLoops_ = false;

  std::vector<int> order_;            // links in dependency order
  std::vector<int> position_;         // [link] place in order_
  std::vector<int> dependentFirst_;   // [link] forward star of links fed or opposed by it
  std::vector<int> dependents_;
  std::vector<Dispersion> dispersion_; // [link * kMaxSources + h] how source h's platoons reach the stop line
  std::vector<double> sourceScale_;   // [link * kMaxSources + h] share of the upstream profile taken
  std::vector<double> uniform_;       // [link] PCU per step arriving evenly
  std::vector<double> saturation_;    // [link] PCU/h of green after stop-line sharing
  std::vector<double> cruise_;        // [link] seconds
  std::vector<int> nodeLinkFirst_;    // [node] first of its links in nodeLinks_; size nodes + 1
  std::vector<int> nodeLinks_;

  std::vector<double> in_, cap_, out_;        // [link * steps + t]
  std::vector<LinkResult> results_;
  double index_ = 0.0;

  // Trial state.
  std::vector<double> trialIn_, trialCap_, trialOut_;
  std::vector<LinkResult> trialResults_;
  std::vector<int> trialStamp_;  // [link] == stamp_ when the link is in the current trial
  int stamp_ = 0;
  std::vector<int> trialLinks_;
  std::vector<int> queue_;       // scratch of the affected-set search
  std::vector<int> depth_;
  double trialIndex_ = 0.0;
  std::vector<double> work_, green_;
};

// The network model as the climber's objective: trials evaluate only near the change.
class ModelObjective : public Objective {
 public:
  explicit ModelObjective(NetworkModel& model) : model_(model) {}
  double Evaluate(const Timings& t) override { return model_.Evaluate(t); }
  double TryChange(const Timings& t, const std::vector<int>& nodes) override { return model_.TrialChange(t, nodes); }
  void Accept() override { model_.CommitTrial(); }

 private:
  NetworkModel& model_;
};

// Cruise time in seconds of a cruise value over a length, as the run data say to read it.
double CruiseSeconds(const RunData& run, int cruiseValue, int lengthMetres);

}  // namespace veltra::signals
