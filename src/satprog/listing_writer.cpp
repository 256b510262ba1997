#include "satprog/listing_writer.h"

#include <cstdlib>

#include <algorithm>
#include <cmath>

#include "util/text.h"

namespace veltra::satprog {

namespace {

constexpr int kValueWidth = 10;

// `value` right-aligned in `width` columns with a blank before it: with `decimals` decimals, or
// with fewer when its whole part needs the room. False when even no decimals do not fit.
bool FitValue(double value, int width, int decimals, std::string& text) {
  if (!std::isfinite(value)) return false;
  for (int d = decimals; d >= 0; --d) {
    text = Printf("%*.*f", width, d, value);
    if (static_cast<int>(text.size()) <= width && text[0] == ' ') return true;
  }
  return false;
}

// A value of the listing's 10-column fields; `element` names what it belongs to for the
// message when it cannot be written.
template <typename Element>
std::string Field10(double value, int decimals, const char* quantity, const Element& element) {
  std::string text;
  if (FitValue(value, kValueWidth, decimals, text)) return text;
  if (!std::isfinite(value))
    throw ListingValueError{Printf("%s: %s is not a finite number (%g)", element().c_str(), quantity, value)};
  throw ListingValueError{Printf("%s: %s %.6g does not fit the listing's %d-column field (at most 999999999)",
                                 element().c_str(), quantity, value, kValueWidth)};
}


// The turns entering each junction over each link: TurnsOf[l] in Turns order.
std::vector<std::vector<int32_t>> TurnsByEntryLink(const SaturnVars& sat) {
  std::vector<std::vector<int32_t>> turns(static_cast<size_t>(sat.Network.LinkCount) + 1);
  for (int32_t t = 1; t <= sat.Network.TurnCount; ++t) {
    const TGiro& turn = sat.Turns[static_cast<size_t>(t)];
    const int32_t l = sat.FindLink(turn.ANode, turn.JunctionNode);
    if (l > 0) turns[static_cast<size_t>(l)].push_back(t);
  }
  return turns;
}

// A link row: node fields 6 wide, or 9 wide when a number needs more.
std::string LinkNodes(int32_t a, int32_t b) {
  if (a > 99999 || b > 99999 || a < -9999 || b < -9999) return Printf("%9d%9d", a, b);
  return Printf("%6d%6d%6s", a, b, "");
}

template <typename Element>
std::string Values(double capacity, double flow, double time, double fixed, const Element& element) {
  const double ratio = capacity > 0 ? 100 * flow / capacity : 0;
  return Field10(capacity, 2, "capacity (pcu/h)", element) + Field10(ratio, 2, "V/C ratio (%)", element) +
         Field10(time, 2, "time (s)", element) + Field10(flow, 2, "total flow (pcu/h)", element) +
         Field10(fixed, 2, "fixed flow (pcu/h)", element);
}

// A line of the totals: the label, then the two values in columns 23-32 and 37-46.
std::string TotalsLine(const char* label, double first, double second) {
  auto element = [label] { return Printf("listing totals, %s", label); };
  return Printf("  %-20s", label) + Field10(first, 1, "pcu-hours per hour", element) + "    " +
         Field10(second, 1, "pcu-kilometres per hour", element);
}

// A line of the trip totals: the label, then the trips in columns 23-32.
std::string TripLine(const char* label, double trips) {
  return Printf("  %-20s", label) + Field10(trips, 1, "pcu/h", [label] { return Printf("trips %s", label); });
}

double LinkCapacity(const Tardat& link, const EngineNetwork& network, const std::vector<int32_t>& turns) {
  if ((link.KindFlags & 1) != 0 || turns.empty()) return link.Capacity;
  double sum = 0;
  for (int32_t t : turns) sum += network.TurnCapacity(t);
  return sum;
}

}  // namespace

NetworkTotals ComputeTotals(const SaturnVars& sat, const EngineNetwork& network, const assign::AssignmentResult& result) {
  NetworkTotals totals;
  for (int32_t l = 1; l <= sat.Network.LinkCount; ++l) {
    if (!network.HasLink(l)) continue;
    const double flow = network.LinkFlow(result, l);
    const double hours = flow * network.LinkTime(result, l) / 3600;
    const double km = flow * sat.Links[static_cast<size_t>(l)].Length / 1000.0;
    if ((sat.Links[static_cast<size_t>(l)].KindFlags & 1) != 0) {
      totals.BufferHours += hours;
      totals.BufferKm += km;
    } else {
      totals.SimulationHours += hours;
      totals.SimulationKm += km;
    }
  }
  for (int32_t t = 1; t <= sat.Network.TurnCount; ++t)
    if (network.HasTurn(t)) totals.SimulationHours += network.TurnFlow(result, t) * network.TurnTime(result, t) / 3600;
  return totals;
}

std::vector<std::string> ListingLines(const SaturnVars& sat, const EngineNetwork& network,
                                      const SimulationAssignmentResult& result, const ListingHeader& header) {
  const assign::AssignmentResult& a = result.Assignment;
  std::vector<std::string> out;
  out.push_back("1");
  out.push_back(Printf("  VELTRA %s  -  SIMULATION AND EQUILIBRIUM ASSIGNMENT", header.Program.c_str()));
  out.push_back("  " + sat.NetworkTitle);
  out.push_back("");
  out.push_back("  NETWORK FILE: " + header.NetworkFile);
  out.push_back("  TRIP MATRIX:  " + header.MatrixFile);
  out.push_back(Printf("  %d NODES, %d LINKS, %d TURNS, %d ZONES, %d SIGNALS", sat.Network.NodeCount, sat.Network.LinkCount,
                       sat.Network.TurnCount, sat.Network.ZoneCount, sat.Network.SignalPlanCount));
  for (const std::string& warning : header.Warnings) out.push_back("  WARNING: " + warning);
  out.push_back("");

  const std::vector<std::vector<int32_t>> turnsOf = TurnsByEntryLink(sat);
  out.push_back("      LISTING OF THE FLOWS ON CHANNEL  1   (TOTAL FLOWS, PCU/HR)");
  out.push_back("");
  out.push_back("   A     B     C     CAPACITY   V/C (%)  TIME (S)  TOTAL FLOW FIXED FLOW");
  out.push_back("");
  for (int32_t l = 1; l <= sat.Network.LinkCount; ++l) {
    const Tardat& link = sat.Links[static_cast<size_t>(l)];
    if (!network.HasLink(l)) continue;
    const std::vector<int32_t>& turns = turnsOf[static_cast<size_t>(l)];
    out.push_back(LinkNodes(link.ANode, link.BNode) +
                  Values(LinkCapacity(link, network, turns), network.LinkFlow(a, l), network.LinkTime(a, l),
                         network.LinkFixed(l), [&] { return Printf("link %d-%d", link.ANode, link.BNode); }));
    for (int32_t t : turns) {
      const TGiro& turn = sat.Turns[static_cast<size_t>(t)];
      if (!network.HasTurn(t)) continue;
      out.push_back(Printf("%6d%6d%6d", turn.ANode, turn.JunctionNode, turn.CNode) +
                    Values(network.TurnCapacity(t), network.TurnFlow(a, t), network.TurnTime(a, t), network.TurnFixed(t),
                           [&] { return Printf("turn %d-%d-%d", turn.ANode, turn.JunctionNode, turn.CNode); }));
    }
  }
  // Centroid connectors: zone to node (" C" and the zone before the node) and node to zone.
  std::vector<double> fromZone, toZone;
  for (int32_t z = 1; z <= sat.Network.ZoneCount; ++z) {
    const Tcent& zone = sat.Zones[static_cast<size_t>(z)];
    for (int32_t c = 1; c <= std::min(zone.ConnectorCount, kMaxConnectors); ++c) {
      const int32_t node = zone.Connectors[static_cast<size_t>(c)].Node;
      double out1 = 0, in1 = 0, time = 0;
      for (size_t arc = 0; arc < network.Arcs.size(); ++arc) {
        const ArcOrigin& origin = network.Arcs[arc];
        if (origin.Index != z || origin.Node != node) continue;
        if (origin.Kind == ArcKind::ZoneToNode) {
          out1 += a.Flow[arc];
          time = a.Time[arc] - network.ArcOffset[arc];
        } else if (origin.Kind == ArcKind::NodeToZone) {
          in1 += a.Flow[arc];
        }
      }
      if (zone.ZoneNumber > 9999 || node > 999999) continue;
      auto connector = [&] { return Printf("connector of zone %d at node %d", zone.ZoneNumber, node); };
      out.push_back(Printf(" C%4d%6d%6s", zone.ZoneNumber, node, "") + Values(0, out1, time, 0, connector));
      out.push_back(Printf("%6d C%4d%6s", node, zone.ZoneNumber, "") + Values(0, in1, time, 0, connector));
    }
  }
  out.push_back("");

  // Flows per user class, in blocks of five classes (three with PLOD, whose first two value
  // columns stay empty).
  const size_t classes = a.ClassFlow.size();
  if (sat.Param.NOMADS > 1 && classes > 1) {
    const size_t block = sat.Param.PLOD ? 3 : 5;
    for (size_t first = 0; first < classes; first += block) {
      const size_t size = std::min(block, classes - first);
      out.push_back(Printf("      LISTING OF DISAGGREGATED FLOWS  -  USER CLASSES %d TO %d", static_cast<int>(first + 1),
                           static_cast<int>(first + size)));
      out.push_back("");
      auto row = [&](const std::string& nodes, auto classFlow) {
        std::string line = nodes;
        if (sat.Param.PLOD) line += Printf("%10.2f%10.2f", 0.0, 0.0);
        for (size_t m = 0; m < size; ++m)
          line += Field10(classFlow(first + m), 2, "class flow (pcu/h)",
                          [&] { return Printf("user class %d, %s", static_cast<int>(first + m + 1), Trim(nodes).c_str()); });
        out.push_back(line);
      };
      for (int32_t l = 1; l <= sat.Network.LinkCount; ++l) {
        if (!network.HasLink(l)) continue;
        const Tardat& link = sat.Links[static_cast<size_t>(l)];
        row(LinkNodes(link.ANode, link.BNode), [&](size_t k) { return network.LinkClassFlow(a, k, l); });
        for (int32_t t : turnsOf[static_cast<size_t>(l)]) {
          const TGiro& turn = sat.Turns[static_cast<size_t>(t)];
          if (network.HasTurn(t))
            row(Printf("%6d%6d%6d", turn.ANode, turn.JunctionNode, turn.CNode),
                [&](size_t k) { return network.TurnClassFlow(a, k, t); });
        }
      }
      out.push_back("");
    }
  }

  const NetworkTotals totals = ComputeTotals(sat, network, a);
  out.push_back("           SUMMARY STATISTICS FOR THE ASSIGNMENT NETWORK");
  out.push_back("");
  out.push_back("      TOTAL FLOWS - FIXED PLUS ASSIGNED");
  out.push_back("");
  out.push_back("                          PCU-HRS/HR     PCU-KMS/HR");
  out.push_back(TotalsLine("SIMULATION", totals.SimulationHours, totals.SimulationKm));
  out.push_back(TotalsLine("SUB-TOTALS", totals.SimulationHours, totals.SimulationKm));
  out.push_back(TotalsLine("BUFFER", totals.BufferHours, totals.BufferKm));
  out.push_back(TotalsLine("GRAND TOTALS", totals.SimulationHours + totals.BufferHours, totals.SimulationKm + totals.BufferKm));
  out.push_back("");
  // After the grand totals, where the loop's reader has stopped looking for totals.
  const TripTotals& trips = header.Trips;
  out.push_back("      TRIPS OF THE MATRIX                  PCU/HR");
  out.push_back("");
  out.push_back(TripLine("IN THE MATRIX", trips.Matrix));
  out.push_back(TripLine("INTRAZONAL", trips.Intrazonal));
  out.push_back(TripLine("DROPPED", trips.Dropped));
  out.push_back(TripLine("ASSIGNED", trips.Assigned()));
  if (trips.DroppedRows > 0)
    out.push_back(Printf("  TRIPS DROPPED: %lld MATRIX ROWS COULD NOT BE LOADED AND WERE LEFT OUT (--drop-unloadable-trips); "
                         "SEE THE WARNINGS ABOVE.",
                         static_cast<long long>(trips.DroppedRows)));
  out.push_back("");
  out.push_back("      CONVERGENCE OF THE SIMULATION-ASSIGNMENT LOOP");
  out.push_back("");
  out.push_back(Printf("        STOPS WHEN LESS THAN %.3g%% OF THE TURNS CARRYING FLOW CHANGED BY MORE THAN %.3g%% (AND 1 PCU/HR)",
                       100 * result.ChangedShareLimit, 100 * result.TurnChange));
  out.push_back(Printf("        SINCE THE LOOP BEFORE AND THE ASSIGNMENT REACHED A RELATIVE GAP OF %.3g.", result.TargetGap));
  out.push_back("");
  out.push_back("        LOOP   TURNS CHANGED (%)   RELATIVE GAP   TOTAL DELAY (PCU-HRS/HR)   AVERAGING STEP   ITERATIONS   SECONDS");
  for (const LoopRecord& loop : result.Loops)
    out.push_back(Printf("        %4d   %17.3f   %12.3e   %24.1f   %14.3f   %10d   %7.2f", loop.Loop, 100 * loop.ChangedShare,
                         loop.Gap, loop.TotalDelay, loop.Step, loop.Iterations, loop.Seconds));
  out.push_back("");
  out.push_back(result.Settled ? "        THE TURN FLOWS SETTLED." : "        THE LOOP LIMIT WAS REACHED BEFORE THE TURN FLOWS SETTLED.");
  out.push_back(result.GapReached ? "        THE LAST ASSIGNMENT REACHED ITS RELATIVE GAP."
                                  : "        THE LAST ASSIGNMENT STOPPED AT ITS ITERATION LIMIT BEFORE ITS RELATIVE GAP.");
  out.push_back("");
  out.push_back("      CONVERGENCE OF THE LAST ASSIGNMENT");
  out.push_back("");
  // The relative gap is the headline; the excesses tell what it can hide: a cost no route
  // choice avoids (a saturated connector) swamps the gap's denominator, never a used route's
  // excess over its pair's shortest one. A method that keeps no routes measures none (-1,
  // listed as "-").
  auto measured = [](double value, const char* format) { return value < 0 ? std::string("-") : Printf(format, value); };
  out.push_back("        ITERATION   RELATIVE GAP   AVERAGE EXCESS (S/TRIP)   LARGEST ROUTE EXCESS (S)   RELATIVE   SECONDS");
  for (const assign::IterationRecord& record : a.Convergence)
    out.push_back(Printf("        %9d   %12.3e   %23.4g   %24s   %8s   %7.2f", record.Iteration, record.RelativeGap,
                         record.AverageExcess, measured(record.LargestExcess, "%.4g").c_str(),
                         measured(record.LargestRelativeExcess, "%.1e").c_str(), record.Seconds));
  out.push_back("");
  out.push_back(Printf("        LAST ASSIGNMENT: RELATIVE GAP %.3e, AVERAGE EXCESS %.4g S PER TRIP, LARGEST ROUTE EXCESS %s S (%s OF ITS PAIR'S FREE-FLOW COST).",
                       a.RelativeGap, a.AverageExcess, measured(a.LargestExcess, "%.4g").c_str(),
                       measured(a.LargestRelativeExcess, "%.1e").c_str()));
  // The reader looks for the totals while ten lines remain after them.
  for (int i = 0; i < 10; ++i) out.push_back("");
  out.push_back(Printf("  END OF %s", header.Program.c_str()));
  return out;
}

std::vector<std::string> FlowTableLines(const SaturnVars& sat, const EngineNetwork& network,
                                        const SimulationAssignmentResult& result) {
  const assign::AssignmentResult& a = result.Assignment;
  std::vector<std::string> out;
  out.push_back("kind,a_node,b_node,c_node,flow,fixed_flow,time_s,capacity");
  const std::vector<std::vector<int32_t>> turnsOf = TurnsByEntryLink(sat);
  for (int32_t l = 1; l <= sat.Network.LinkCount; ++l) {
    if (!network.HasLink(l)) continue;
    const Tardat& link = sat.Links[static_cast<size_t>(l)];
    const char* kind = (link.KindFlags & 1) != 0 ? "buffer" : "link";
    out.push_back(Printf("%s,%d,%d,,%.3f,%.3f,%.3f,%.1f", kind, link.ANode, link.BNode, network.LinkFlow(a, l),
                         network.LinkFixed(l), network.LinkTime(a, l),
                         LinkCapacity(link, network, turnsOf[static_cast<size_t>(l)])));
  }
  for (int32_t t = 1; t <= sat.Network.TurnCount; ++t) {
    if (!network.HasTurn(t)) continue;
    const TGiro& turn = sat.Turns[static_cast<size_t>(t)];
    out.push_back(Printf("turn,%d,%d,%d,%.3f,%.3f,%.3f,%.1f", turn.ANode, turn.JunctionNode, turn.CNode,
                         network.TurnFlow(a, t), network.TurnFixed(t), network.TurnTime(a, t), network.TurnCapacity(t)));
  }
  return out;
}

}  // namespace veltra::satprog
