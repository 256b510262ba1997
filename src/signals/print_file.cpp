#include "signals/print_file.h"

#include <algorithm>

#include "signals/print_layout.h"
#include "util/text.h"

namespace veltra::signals {

namespace {

const char* OptimiseText(int optimise) {
  if (optimise <= 0) return "none (evaluation of the given timings)";
  if (optimise == 1) return "offsets";
  return "offsets and stage change times";
}

// The node line: the number, then the start of stage k in columns 8k+10 to 8k+14; a
// double-cycled node gives its pattern twice, the second half cycle after the first.
std::string NodeLine(const SignalNetwork& net, const Timings& t, int node) {
  const SignalNode& nd = net.Nodes[static_cast<size_t>(node)];
  const int p = PatternSeconds(nd, t.Cycle);
  std::string line = Printf("%6d", nd.Number);
  const int repeats = nd.Doubled ? 2 : 1;
  int column = 1;
  for (int r = 0; r < repeats; ++r)
    for (int k = 0; k < nd.Stages; ++k, ++column)
      Put(line, 8 * column + 10, Printf("%5d", (t.At(node, k) + r * p) % t.Cycle));  // columns 8k+10 to 8k+14
  std::string lengths;  // a blank before each, however long the cycle
  for (int k = 0; k < nd.Stages; ++k) lengths += Printf(" %4d", StageLength(t, node, k, p));
  Put(line, 66, Printf("%-6s%s", nd.Optimise ? "OPT" : "FIXED", nd.Doubled ? "x2" : "  "));
  Put(line, 76, lengths);
  return line;
}

// A link that gives way and has no saturation flow of its own runs at its give-way one.
double ShownSaturation(const SignalLink& link) {
  return link.GivesWay && link.Saturation <= 0 ? link.Gw.Saturation : link.Saturation;
}

}  // namespace

std::vector<std::string> InputSummaryLines(const SignalNetwork& net, const ReadReport& report) {
  const RunData& r = net.Run;
  std::vector<std::string> out;
  out.push_back(" INPUT SUMMARY");
  out.push_back(Printf("   Cycle %d s, modelled second by second; profiles printed in %d steps of %.2f s; random and "
                       "oversaturation delay over %d minutes",
                       r.Cycle, r.Steps, static_cast<double>(r.Cycle) / std::max(1, r.Steps), r.SimulatedMinutes));
  out.push_back(Printf("   Effective green: %d s lost at its start, %d s gained at its end; flows at %d%%, cruise "
                       "speeds at %d%%; cruise values are %s",
                       r.StartLoss, r.EndGain, r.FlowFactor, r.SpeedFactor,
                       r.CruiseAsSpeed ? "speeds (km/h)" : "times (s)"));
  out.push_back(Printf("   Platoon dispersion %s; index = %.2f per PCU-hour of delay + %.2f per 100 stops",
                       r.Dispersion > 0 ? Printf("alpha %.2f, beta 0.80", r.Dispersion).c_str() : "off", r.DelayWeight,
                       r.StopWeight));
  if (r.CyopRun) out.push_back("   The file was written for the cycle table");
  out.push_back(Printf("   Optimisation: %s; starting splits: %s", OptimiseText(r.Optimise),
                       r.Equisat ? "equisaturation" : "as given (equisaturation where they break a minimum)"));
  int optimised = 0;
  for (const SignalNode& n : net.Nodes) optimised += n.Optimise ? 1 : 0;
  int giveWay = 0;
  for (const SignalLink& l : net.Links) giveWay += l.GivesWay ? 1 : 0;
  out.push_back(Printf("   %zu signal nodes (%d to optimise, %d coordinated groups), %zu links (%d give way)",
                       net.Nodes.size(), optimised, net.GroupCount, net.Links.size(), giveWay));
  out.push_back("");
  out.push_back("   NODE CARD STAGES  OPT GROUP   GIVEN STARTS / MINIMUM STAGE LENGTHS");
  for (const SignalNode& n : net.Nodes) {
    std::string text = Printf("%7d %4s %6d %4s %5s  ", n.Number, n.Doubled ? "x2" : "", n.Stages,
                              n.Optimise ? "yes" : "no", n.Group >= 0 ? Printf("%d", n.Group + 1).c_str() : "-");
    for (int k = 0; k < n.Stages; ++k)
      text += Printf(" %d/%d", n.Start[static_cast<size_t>(k)], n.MinStage[static_cast<size_t>(k)]);
    out.push_back(text);
  }
  out.push_back("");
  out.push_back("   LINK  NODE   FLOW  UNIF   SAT LANES LENGTH SOURCES (LINK/FLOW/CRUISE)   GIVE WAY (OPP1 OPP2 %OPP SAT)");
  for (const SignalLink& l : net.Links) {
    std::string text = Printf("%7d %5d %6.0f %5.0f %5.0f %5d %6d", l.Number, l.NodeNumber, l.Flow, l.UniformFlow,
                              l.Saturation, l.Lanes, l.Length);
    std::string sources;
    for (int h = 0; h < l.SourceCount; ++h) {
      const Source& s = l.Sources[static_cast<size_t>(h)];
      sources += Printf(" %d/%.0f/%d", net.Links[static_cast<size_t>(s.Link)].Number, s.Flow, s.Cruise);
    }
    if (l.SourceCount == 0) sources = Printf(" cruise %d", l.Cruise);
    text += " " + sources;
    if (l.GivesWay) {
      auto number = [&](int i) { return i >= 0 ? net.Links[static_cast<size_t>(i)].Number : 0; };
      text += Printf("   gives way: %d %d %.0f%% %.0f", number(l.Gw.Opposing1), number(l.Gw.Opposing2),
                     100 * l.Gw.OpposedShare, l.Gw.Saturation);
    }
    if (l.SharedLeader >= 0) text += Printf("   shares the stop line of %d", net.Links[static_cast<size_t>(l.SharedLeader)].Number);
    if (l.QueuePenalty > 0) text += Printf("   queue limit %.0f PCU, penalty %.0f", l.QueueLimit, l.QueuePenalty);
    if (l.Detail != 0) text += Printf("   detail %d", l.Detail);
    out.push_back(text);
  }
  out.push_back("");
  if (report.Warnings.empty()) {
    out.push_back(" WARNINGS: none");
  } else {
    out.push_back(Printf(" WARNINGS: %zu", report.Warnings.size()));
    for (const std::string& w : report.Warnings) out.push_back("   " + w);
  }
  return out;
}

std::vector<std::string> PlanWarnings(const SignalNetwork& net, const NetworkModel& model) {
  std::vector<std::string> warnings;
  const auto& results = model.Results();
  for (size_t n = 0; n < net.Nodes.size(); ++n) {
    bool controls = false, green = false;
    for (const int* l = model.NodeLinksBegin(static_cast<int>(n)); l != model.NodeLinksEnd(static_cast<int>(n)); ++l) {
      if (net.Links[static_cast<size_t>(*l)].PeriodCount == 0) continue;
      controls = true;
      green = green || results[static_cast<size_t>(*l)].GreenSeconds > 0;
    }
    if (controls && !green)
      warnings.push_back(Printf("node %d gives none of its links effective green in the timings of this run: every "
                                "stage is shorter than the start lag and lost time of the links it serves",
                                net.Nodes[n].Number));
  }
  for (size_t l = 0; l < net.Links.size(); ++l) {
    const SignalLink& link = net.Links[l];
    const LinkResult& r = results[l];
    if (r.Flow <= 0 || r.CapacityPerHour > 0) continue;
    std::string what;
    if (link.Node >= 0 && link.PeriodCount > 0 && r.GreenSeconds <= 0) {
      what = Printf("link %d at node %d gets no effective green in the timings of this run",
                    link.Number, net.Nodes[static_cast<size_t>(link.Node)].Number);
    } else if (link.GivesWay && ShownSaturation(link) > 0) {
      what = Printf("link %d gives way to traffic that leaves it no gap in the timings of this run", link.Number);
    } else if (link.SharedLeader >= 0) {
      what = Printf("link %d has no saturation flow, nor has link %d whose stop line it shares", link.Number,
                    net.Links[static_cast<size_t>(link.SharedLeader)].Number);
    } else {
      continue;  // no saturation flow of its own: the data file's warnings name it
    }
    warnings.push_back(what + Printf(": its %.0f PCU/h build a queue that never clears over the %d simulated minutes "
                                     "(%.0f PCU on average, counted in the index)",
                                     r.Flow, net.Run.SimulatedMinutes, r.UniformDelay + r.RandomDelay));
  }
  return warnings;
}

std::vector<std::string> TimingPrintLines(const SignalNetwork& net, const ReadReport& report, const RunOutcome& outcome,
                                          const NetworkModel& model) {
  std::vector<std::string> out;
  out.push_back("1VELTRA t8s  SIGNAL TIMINGS  " + net.Title);
  out.push_back("");
  // The section of warnings holds those of the data file and those of the timings printed.
  ReadReport withPlan = report;
  for (std::string& w : PlanWarnings(net, model)) withPlan.Warnings.push_back(std::move(w));
  for (std::string& line : InputSummaryLines(net, withPlan)) out.push_back(std::move(line));
  out.push_back("");
  out.push_back("      END OF SUBROUTINE TINPUT");
  out.push_back("");
  out.push_back(Printf(" PERFORMANCE INDEX OF THE STARTING TIMINGS: %12.2f", outcome.StartIndex));
  out.push_back(outcome.Optimised
                    ? Printf(" PERFORMANCE INDEX AFTER OPTIMISATION:      %12.2f   (%d evaluations)", outcome.FinalIndex,
                             outcome.Evaluations)
                    : std::string(" NO NODE TO OPTIMISE: THE GIVEN TIMINGS WERE EVALUATED"));
  if (!outcome.Starts.empty()) {
    out.push_back(Printf(" SEARCH FROM %zu START%s: THE INDEX OF EACH, AFTER THE HILL-CLIMB FROM IT, AND AFTER THE FULL",
                         outcome.Starts.size(), outcome.Starts.size() == 1 ? "" : "S"));
    out.push_back(" SCANS THAT FOLLOW THE BEST CLIMB");
    for (size_t i = 0; i < outcome.Starts.size(); ++i) {
      const StartReport& s = outcome.Starts[i];
      out.push_back(Printf("   %zu %-46s %12.2f %12.2f %12s", i + 1, s.Name.c_str(), s.Index, s.Climbed,
                           s.Scanned ? Printf("%.2f", s.AfterScans).c_str() : "-"));
    }
  }
  out.push_back("");
  out.push_back(" FINAL SETTINGS");
  out.push_back(Printf("   CYCLE %d S.  STAGE START TIMES (S) BY STAGE, THEN THE STAGE LENGTHS OF THE PATTERN", model.Cycle()));
  std::string heading = "   NODE";
  for (int k = 1; k <= kMaxStagesPerNode; ++k) Put(heading, 8 * k + 10, Printf("%5d", k));
  Put(heading, 66, "STATE");
  Put(heading, 76, "LENGTHS");
  out.push_back(heading);
  out.push_back("");
  out.push_back("");
  for (size_t n = 0; n < net.Nodes.size(); ++n) out.push_back(NodeLine(net, outcome.Final, static_cast<int>(n)));
  out.push_back("");
  out.push_back("0 LINK PERFORMANCE");
  out.push_back("");
  out.push_back("  LINK  NODE  FLOW   SAT  DEG  CRUISE MEAN   UNIFORM  RANDOM    TOTAL STOPS      STOPS  MAX     LINK");
  out.push_back("              PCU/H PCU/H SAT  TIME   DELAY   DELAY   DELAY     DELAY                   QUEUE    INDEX");
  out.push_back("                         (%)   (S)  (S/PCU) (PCU-H/H) (PCU-H/H) (PCU-H/H)  (%)   (PER H) (PCU)");
  out.push_back("");
  out.push_back("");
  const auto& results = model.Results();
  double flow = 0, uniform = 0, random = 0, stops = 0;
  for (size_t l = 0; l < net.Links.size(); ++l) {
    const SignalLink& link = net.Links[l];
    const LinkResult& r = results[l];
    std::string line = Printf("%6d", link.Number);
    if (link.Node >= 0) Put(line, 7, Printf("%5d", net.Nodes[static_cast<size_t>(link.Node)].Number));
    Put(line, 12, Fit(r.Flow, 6, 0));                                  // columns 12-17
    Put(line, 18, Fit(ShownSaturation(link), 6, 0));                   // columns 18-23
    Put(line, 24, Fit(r.DegreeOfSat, 5, 0));                           // columns 24-28, read by the loop
    Put(line, 29, Fit(r.CruiseSeconds, 6, 1));                         // columns 29-34, read by the loop
    Put(line, 35, Fit(r.MeanDelay, 6, 1));                             // columns 35-40, read by the loop
    Put(line, 41, Fit(r.UniformDelay, 8, 2));                          // columns 41-48
    Put(line, 49, Fit(r.RandomDelay, 8, 2));                           // columns 49-56
    Put(line, 57, Fit(r.UniformDelay + r.RandomDelay, 8, 2));          // columns 57-64
    Put(line, 65, Fit(r.StopPercent, 6, 1));                           // columns 65-70, read by the loop
    Put(line, 71, Fit(r.StopsPerHour, 10, 0));                         // columns 71-80
    Put(line, 81, Fit(r.MaxQueue, 6, 1));                              // columns 81-86, read by the loop
    Put(line, 98, Fit(r.Index, 10, 2));                                // columns 98-107
    out.push_back(line);
    flow += r.Flow;
    uniform += r.UniformDelay;
    random += r.RandomDelay;
    stops += r.StopsPerHour;
  }
  std::string total = "0  TOTAL";
  Put(total, 12, Fit(flow, 6, 0));
  Put(total, 41, Fit(uniform, 8, 2));
  Put(total, 49, Fit(random, 8, 2));
  Put(total, 57, Fit(uniform + random, 8, 2));
  Put(total, 71, Fit(stops, 10, 0));
  // The sum of the links' indexes, as the model evaluated it.
  Put(total, 98, Fit(model.Index(), 10, 2));  // columns 98-107: the index the loop reads
  Put(total, 114, "TOTALS");                    // columns 114-119
  out.push_back(total);
  out.push_back("");
  out.push_back(Printf(" PERFORMANCE INDEX: %.2f (starting timings %.2f)", model.Index(), outcome.StartIndex));

  // Node indices, then the profiles asked for.
  out.push_back("");
  out.push_back(" INDEX BY NODE");
  for (size_t n = 0; n < net.Nodes.size(); ++n)
    out.push_back(Printf("%7d %12.2f", net.Nodes[n].Number, model.NodeIndex(static_cast<int>(n))));
  bool header = false;
  for (size_t l = 0; l < net.Links.size(); ++l) {
    const SignalLink& link = net.Links[l];
    if (!link.Graph && net.Run.Output < 1) continue;
    if (!header) {
      out.push_back("");
      out.push_back(Printf(" CYCLIC FLOW PROFILES (PCU PER STEP OF %.2f S): IN, CAPACITY (GO), OUT", model.StepSeconds()));
      header = true;
    }
    const int l32 = static_cast<int>(l);
    for (auto [name, row] : {std::pair<const char*, const double*>{"IN ", model.In(l32)}, {"GO ", model.Capacity(l32)},
                             {"OUT", model.Out(l32)}}) {
      std::string text = Printf("%7d %s", link.Number, name);
      for (double v : model.ToPrintSteps(row)) text += Printf(" %.2f", v);
      out.push_back(text);
    }
  }
  out.push_back("");
  out.push_back(" END OF RUN");
  return out;
}

std::vector<std::string> FailurePrintLines(const std::string& title, const std::string& dataFile,
                                           const ReadReport& report) {
  std::vector<std::string> out;
  out.push_back("1VELTRA t8s  " + title);
  out.push_back("");
  out.push_back(" ERRORS IN THE DATA FILE " + dataFile + ":");
  for (const std::string& e : report.Errors) out.push_back("   ERROR: " + e);
  if (!report.Warnings.empty()) {
    out.push_back("");
    out.push_back(" WARNINGS:");
    for (const std::string& w : report.Warnings) out.push_back("   " + w);
  }
  out.push_back("");
  out.push_back(" NO RESULT: the run stopped before any timing was evaluated. Correct the data file and run again.");
  return out;
}

}  // namespace veltra::signals
