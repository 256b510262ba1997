#include "satprog/programs.h"

#include <exception>
#include <map>
#include <set>

#include "satprog/command_options.h"
#include "satprog/engine_network.h"
#include "satprog/listing_writer.h"
#include "satprog/output_files.h"
#include "satprog/network_file.h"
#include "satprog/simulation_assignment.h"
#include "satprog/trip_matrix.h"
#include "util/files.h"
#include "util/text.h"

namespace veltra::satprog {

namespace {

constexpr int kMaxReportedRows = 10;
constexpr int kMaxNamedZones = 20;
const char* const kDropOption = "--drop-unloadable-trips";


// NET may come with its ".dat" extension.
std::string NetworkBase(const std::string& net) {
  return EqualsIgnoreCase(ExtractExtension(net), ".dat") ? ChangeExtension(net, "") : net;
}

std::string DataFile(const std::string& base) {
  if (FileExists(base + ".dat")) return base + ".dat";
  if (FileExists(base + ".DAT")) return base + ".DAT";
  return base + ".dat";
}

std::string ProgramOf(const std::string& argv0) {
  std::string name = Upper(ExtractFileName(argv0));
  if (!name.empty() && name[0] == '$') name.erase(0, 1);
  if (EndsWith(name, ".EXE")) name.resize(name.size() - 4);
  return name;
}

// ---- Command lines ----

std::vector<OptionRule> SatallOptions() {
  return {
      {"--gap", OptionKind::Real, "G", "relative gap the assignment must reach", "1e-06", 0, 1, true},
      {"--excess", OptionKind::Real, "E",
       "and, with it, every used route within E times the free-flow cost of its pair's shortest route", "1e-06", 0,
       1e6, true},
      {"--loops", OptionKind::Integer, "N", "simulation-assignment loops at most", "50", 1, 1000},
      {"--settling-iterations", OptionKind::Integer, "N",
       "solver iterations of each loop while the turn flows settle; once they have, each assignment runs to the gap",
       "3", 1, 1000},
      {"--turn-change", OptionKind::Real, "P",
       "a turn's flow has changed when it moved by more than P per cent of its flow (and more than 1 pcu/h) since the "
       "loop before",
       "5", 0, 100, true},
      {"--changed-turns", OptionKind::Real, "P",
       "the turn flows have settled when less than P per cent of the turns carrying flow changed; the loop stops when "
       "they have and the assignment reached its gap",
       "1", 0, 100, true},
      {"--threads", OptionKind::Integer, "N", "threads of the assignment, 0 one per core (results do not depend on it)",
       "0", 0, 1024},
      {"--period", OptionKind::Real, "H", "modelled period of the junctions' overflow delay, hours", "1", 0, 24, true},
      {"--drive", OptionKind::Choice, "SIDE",
       "the side of the road traffic keeps to: which turns of a priority junction cross the opposing stream", "right", 0,
       0, false, "right|left"},
      {"--critical-gap-major-turn", OptionKind::Real, "S",
       "critical gap of a turn from the major road across the opposing stream, s", "4.1", 0, 20, true},
      {"--follow-up-major-turn", OptionKind::Real, "S", "follow-up time of that turn, s", "2.2", 0, 20, true},
      {"--critical-gap-minor-near", OptionKind::Real, "S",
       "critical gap of a turn from a minor road into the near major stream, s", "6.2", 0, 20, true},
      {"--follow-up-minor-near", OptionKind::Real, "S", "follow-up time of that turn, s", "3.3", 0, 20, true},
      {"--critical-gap-minor-through", OptionKind::Real, "S", "critical gap of a minor road's traffic across the major road, s",
       "6.5", 0, 20, true},
      {"--follow-up-minor-through", OptionKind::Real, "S", "follow-up time of that traffic, s", "4", 0, 20, true},
      {"--critical-gap-minor-far", OptionKind::Real, "S",
       "critical gap of a turn from a minor road across the near stream into the far one, s (0.7 s less at a "
       "three-arm junction)",
       "7.1", 0, 20, true},
      {"--follow-up-minor-far", OptionKind::Real, "S", "follow-up time of that turn, s", "3.5", 0, 20, true},
      {kDropOption, OptionKind::Flag, "",
       "assign the trips that can be loaded and leave out those that cannot (zones not in the network, zones "
       "without a connector, destinations without a route); the listing's trip totals say how many were left "
       "out. Without it such trips stop SATALL"},
      {"--progress", OptionKind::Real, "S",
       "a progress line (the loop, the iteration of its assignment, its relative gap and largest route excess) on "
       "the console at most every S seconds (0: every iteration), even when the console is a file",
       "every 2 s when the console is a terminal, else none", 0, kMaxProgressInterval},
      {"--no-progress", OptionKind::Flag, "", "no progress line, even on a terminal"},
  };
}

// The SATALL settings of a checked command line; what is not given keeps its default.
LoopSettings SatallLoopSettings(const CommandLine& line) {
  LoopSettings loop;
  loop.Gap = line.Real("--gap", loop.Gap);
  loop.ExcessTolerance = line.Real("--excess", loop.ExcessTolerance);
  loop.MaxLoops = line.Integer("--loops", loop.MaxLoops);
  loop.SettlingIterations = line.Integer("--settling-iterations", loop.SettlingIterations);
  loop.TurnChange = line.Real("--turn-change", 100 * loop.TurnChange) / 100;
  loop.ChangedShare = line.Real("--changed-turns", 100 * loop.ChangedShare) / 100;
  loop.Threads = line.Integer("--threads", loop.Threads);
  NetworkOptions& junctions = loop.Junctions;
  junctions.PeriodHours = line.Real("--period", junctions.PeriodHours);
  GapAcceptance& gaps = junctions.Gaps;
  gaps.Side = line.Text("--drive", "right") == "left" ? DrivingSide::Left : DrivingSide::Right;
  const std::pair<const char*, GapTimes*> kinds[] = {{"major-turn", &gaps.MajorFarTurn},
                                                    {"minor-near", &gaps.MinorNearTurn},
                                                    {"minor-through", &gaps.MinorThrough},
                                                    {"minor-far", &gaps.MinorFarTurn}};
  for (const auto& [kind, times] : kinds) {
    times->Critical = line.Real(std::string("--critical-gap-") + kind, times->Critical);
    times->FollowUp = line.Real(std::string("--follow-up-") + kind, times->FollowUp);
  }
  return loop;
}

struct ProgramForm {
  std::string Synopsis, Purpose, ExitCodes;
  size_t Positional = 0;
  std::vector<OptionRule> Options;
};

ProgramForm FormOf(const std::string& program) {
  ProgramForm form;
  if (program == "SATNET") {
    form.Synopsis = "SATNET NET";
    form.Purpose =
        "Reads the SATURN network data file NET.dat (\".dat\" may be given) with its include files and writes\n"
        "NET.lpn, the report of what was read; when the network has no errors it also writes NET.ufn, the\n"
        "mark that SATALL may assign it. Messages are in English; those of the network reader are quoted as\n"
        "VELTRA's own reader writes them.\n";
    form.ExitCodes =
        "  0  the network was built (NET.ufn written)\n"
        "  1  usage error, or errors in the network (listed in NET.lpn; no NET.ufn)\n";
    form.Positional = 1;
  } else if (program == "SATALL") {
    form.Synopsis = "SATALL NET MAT [options]";
    form.Purpose =
        "Assigns the trip matrix MAT (pcu/h) to the network NET that SATNET built, alternating equilibrium\n"
        "assignment with the junction simulation, and writes NET.lpa (the listing), NET.ufa (its saved copy)\n"
        "and NET_flows.csv. MAT is the first of MAT.csv, MAT.tntp, MAT.txt and MAT.ufm (text) that exists;\n"
        "with NOMADS = n > 1 user class k reads MAT_k. Messages, on the output, are in English.\n";
    form.ExitCodes =
        "  0  NET.lpa written; it says whether the loop settled and the last assignment reached its gap\n"
        "  1  usage error, a network SATNET did not build, an unreadable matrix, trips that cannot be loaded,\n"
        "     or a value too wide for the listing: the message is on the console and in NET.lpa, which then\n"
        "     holds no flows; NET.ufa and NET_flows.csv are not written\n";
    form.Positional = 2;
    form.Options = SatallOptions();
  } else {
    form.Synopsis = program + " NET MAT";
    form.Purpose = "Writes the listing NET.lpa again from NET.ufa, the result SATALL saved (MAT is not read).\n";
    form.ExitCodes = "  0  NET.lpa written\n  1  usage error, or no NET.ufa (SATALL did not assign the network)\n";
    form.Positional = 2;
  }
  return form;
}

// "1 ERROR", "2 ERRORS".
std::string Count(int n, const char* noun) { return Printf("%d %s%s", n, noun, n == 1 ? "" : "S"); }

std::string Usage(const ProgramForm& form) { return UsageText(form.Synopsis, form.Purpose, form.Options, form.ExitCodes); }

// ---- SATNET ----

// What the assignment cannot take from a signal plan, in the plan's own terms. The network
// reader checks only a cycle of 0 and an offset beyond the cycle, so a negative cycle shows there
// as an offset fault; this names the cycle.
std::vector<std::string> SignalPlanErrors(const SaturnVars& sat) {
  std::vector<std::string> errors;
  for (int32_t p = 1; p <= sat.Network.SignalPlanCount && static_cast<size_t>(p) < sat.SignalPlans.size(); ++p) {
    const TPlanSemaforo& plan = sat.SignalPlans[static_cast<size_t>(p)];
    if (plan.CycleTime < 0)
      errors.push_back(Printf("signal %d: cycle %d s: a cycle cannot be negative", plan.NodeNumber, plan.CycleTime));
    else if (plan.StageCount < 1)
      errors.push_back(Printf("signal %d: %d stages: a signal needs at least one stage", plan.NodeNumber, plan.StageCount));
    else if (PlanCycle(plan) <= 0)
      errors.push_back(Printf("signal %d: cycle 0 and no stage times: the signal has no cycle", plan.NodeNumber));
  }
  return errors;
}

// The reader's messages that blame the offset of a signal whose cycle is negative: the offset
// is not at fault, and SignalPlanErrors names the cycle.
std::set<std::string> MessagesOfNegativeCycles(const SaturnVars& sat) {
  std::set<std::string> messages;
  for (int32_t p = 1; p <= sat.Network.SignalPlanCount && static_cast<size_t>(p) < sat.SignalPlans.size(); ++p) {
    const TPlanSemaforo& plan = sat.SignalPlans[static_cast<size_t>(p)];
    if (plan.CycleTime < 0) messages.insert(Printf("ERROR: Semaforo %d con desfase invalido (%d)", plan.NodeNumber, plan.Offset));
  }
  return messages;
}

int Satnet(const std::string& base, std::ostream& out) {
  const std::string dat = DataFile(base);
  const std::string ufn = base + ".ufn";
  DeleteFileIfExists(ufn);
  SaturnVars sat(kProgramCapacities);
  NetworkRead read = ReadNetworkFile(dat, sat);
  std::vector<std::string> errors = read.Errors;
  std::vector<std::string> report;
  report.push_back("  VELTRA SATNET  -  NETWORK BUILD");
  report.push_back("  NETWORK FILE: " + dat);
  report.push_back("  " + sat.NetworkTitle);
  report.push_back("");
  std::vector<std::string> warnings;
  if (read.Ok) {
    const std::vector<std::string> planErrors = SignalPlanErrors(sat);
    errors.insert(errors.end(), planErrors.begin(), planErrors.end());
    const EngineNetwork network = BuildEngineNetwork(sat, NetworkOptions());
    warnings = network.Warnings;
    for (int32_t p = 1; p <= sat.Network.SignalPlanCount && static_cast<size_t>(p) < sat.SignalPlans.size(); ++p) {
      const TPlanSemaforo& plan = sat.SignalPlans[static_cast<size_t>(p)];
      if (plan.CycleTime == 0 && PlanCycle(plan) > 0)
        warnings.push_back(Printf("signal %d: cycle 0: the assignment takes the sum of its stage times, %.0f s, as its cycle",
                                  plan.NodeNumber, PlanCycle(plan)));
    }
    report.push_back(Printf("  %d NODES, %d LINKS, %d TURNS, %d SIGNALS, %d ZONES, %d BUS ROUTES", sat.Network.NodeCount,
                            sat.Network.LinkCount, sat.Network.TurnCount, sat.Network.SignalPlanCount, sat.Network.ZoneCount,
                            sat.Network.BusLineCount));
    report.push_back(Printf("  ASSIGNMENT NETWORK: %d VERTICES, %d ARCS", network.Net.Links.NodeCount(),
                            network.Net.Links.LinkCount()));
    report.push_back("");
  }
  // The reader's own error lines that do not stop the reading (an offset beyond the cycle, a
  // single stage TRANSYT cannot take): the assignment passes over them, but they are errors and
  // the report says so.
  int readerErrors = 0;
  std::vector<std::string> messages;
  const std::set<std::string> misleading = MessagesOfNegativeCycles(sat);
  for (const std::string& message : read.Messages) {
    if (misleading.count(Trim(message)) > 0) continue;
    messages.push_back(Trim(message));
    if (StartsWith(messages.back(), "ERROR")) ++readerErrors;
  }
  if (!messages.empty()) {
    report.push_back("  MESSAGES OF THE NETWORK READER (VELTRA'S OWN, IN SPANISH):");
    for (const std::string& message : messages) report.push_back("    " + message);
    report.push_back("");
  }
  for (const std::string& warning : warnings) report.push_back("  WARNING: " + warning);
  if (!warnings.empty()) report.push_back("");
  for (const std::string& error : errors) report.push_back("  ERROR: " + error);
  const bool built = read.Ok && errors.size() == read.Errors.size();
  const int warningCount = static_cast<int>(warnings.size());
  if (!built)
    report.push_back("  " + Count(static_cast<int>(std::max<size_t>(1, errors.size())), "ERROR") +
                     ": THE NETWORK CANNOT BE ASSIGNED.");
  else if (readerErrors > 0)
    report.push_back("  NETWORK BUILT: " + Count(warningCount, "WARNING") + ", " + Count(readerErrors, "ERROR") +
                     " OF THE READER THAT THE ASSIGNMENT PASSES OVER (SEE ABOVE).");
  else
    report.push_back("  NETWORK BUILT: " + Count(warningCount, "WARNING") + ", NO ERRORS.");
  WriteTextFile(base + ".lpn", report);
  if (!built) {
    out << "SATNET: " << dat << ": " << (errors.empty() ? std::string("errors") : errors.front()) << "; see " << base
        << ".lpn\n";
    return 1;
  }
  WriteTextFile(ufn, {"VELTRA SATNET", ExpandFileName(dat)});
  out << "SATNET: " << dat << ": " << sat.Network.NodeCount << " nodes, " << sat.Network.LinkCount << " links, "
      << sat.Network.TurnCount << " turns, " << warningCount << " warnings"
      << (readerErrors > 0 ? ", " + Lower(Count(readerErrors, "ERROR")) + " of the reader that the assignment passes over" : "")
      << "\n";
  return 0;
}

// ---- SATALL ----

struct SatallFailure {
  std::string Message;  // lines separated by "\n"
};

struct SatallSettings {
  LoopSettings Loop;
  bool DropUnloadable = false;
  ProgressChoice Progress;
};

// The vertices a zone's trips can reach: paths leave the zone but pass through no other zone.
std::vector<uint8_t> Reachable(const assign::Network& net, int32_t origin) {
  const assign::Graph& graph = net.Links;
  std::vector<uint8_t> reached(static_cast<size_t>(graph.NodeCount()), 0);
  std::vector<int32_t> stack{origin};
  reached[static_cast<size_t>(origin)] = 1;
  while (!stack.empty()) {
    const int32_t v = stack.back();
    stack.pop_back();
    if (v != origin && v < net.NoThroughNodes) continue;
    for (int32_t i = graph.OutBegin(v); i < graph.OutBegin(v + 1); ++i) {
      const int32_t head = graph.Head(graph.OutLinks()[static_cast<size_t>(i)]);
      if (!reached[static_cast<size_t>(head)]) {
        reached[static_cast<size_t>(head)] = 1;
        stack.push_back(head);
      }
    }
  }
  return reached;
}

// The trips of one matrix file that cannot be loaded, by cause.
struct Unloadable {
  std::string File;
  struct Share {
    int64_t Rows = 0;
    double Trips = 0;
    void Add(double trips) {
      ++Rows;
      Trips += trips;
    }
  };
  std::map<int32_t, Share> AbsentZones;       // matrix zones that are not in the network
  std::map<int32_t, Share> UnconnectedZones;  // zones of the network without a connector
  std::vector<std::pair<int32_t, int32_t>> NoRoutePairs;  // the first kMaxReportedRows
  Share NoRoute;

  bool Empty() const { return AbsentZones.empty() && UnconnectedZones.empty() && NoRoute.Rows == 0; }
  Share Total() const {
    Share total = NoRoute;
    for (const auto& entry : AbsentZones) total.Rows += entry.second.Rows, total.Trips += entry.second.Trips;
    for (const auto& entry : UnconnectedZones) total.Rows += entry.second.Rows, total.Trips += entry.second.Trips;
    return total;
  }
};

std::string ZoneList(const std::map<int32_t, Unloadable::Share>& zones) {
  std::string list;
  int named = 0;
  for (const auto& entry : zones) {
    if (named == kMaxNamedZones) return list + Printf(" and %d more", static_cast<int>(zones.size()) - named);
    list += (named++ > 0 ? ", " : "") + std::to_string(entry.first);
  }
  return list;
}

std::string RowsAndTrips(const Unloadable::Share& share) {
  return Printf("%lld row%s, %.2f trips", static_cast<long long>(share.Rows), share.Rows == 1 ? "" : "s", share.Trips);
}

// One line per cause, naming the zones.
std::vector<std::string> Describe(const Unloadable& u) {
  std::vector<std::string> lines;
  auto sum = [](const std::map<int32_t, Unloadable::Share>& zones) {
    Unloadable::Share total;
    for (const auto& entry : zones) total.Rows += entry.second.Rows, total.Trips += entry.second.Trips;
    return total;
  };
  if (!u.AbsentZones.empty())
    lines.push_back(u.File + ": zones not in the network: " + ZoneList(u.AbsentZones) + " (" + RowsAndTrips(sum(u.AbsentZones)) + ")");
  if (!u.UnconnectedZones.empty())
    lines.push_back(u.File + ": zones without a connector to a node of the network: " + ZoneList(u.UnconnectedZones) + " (" +
                    RowsAndTrips(sum(u.UnconnectedZones)) + ")");
  if (u.NoRoute.Rows > 0) {
    std::string pairs;
    for (const auto& [o, d] : u.NoRoutePairs) pairs += Printf("%sfrom zone %d to zone %d", pairs.empty() ? "" : ", ", o, d);
    if (u.NoRoute.Rows > static_cast<int64_t>(u.NoRoutePairs.size()))
      pairs += Printf(" and %lld more", static_cast<long long>(u.NoRoute.Rows) - static_cast<long long>(u.NoRoutePairs.size()));
    lines.push_back(u.File + ": no route " + pairs + " (" + RowsAndTrips(u.NoRoute) + ")");
  }
  return lines;
}

// The trips of every class into the network's classes. Trips that cannot be loaded stop the
// run, naming their zones, unless they are to be dropped; then they are counted in `trips`.
void AddDemand(const SaturnVars& sat, EngineNetwork& network, const std::string& mat, bool dropUnloadable,
               ListingHeader& header) {
  const int classes = sat.Param.NOMADS > 1 ? sat.Param.NOMADS : 1;
  // A zone is connected when a connector of it reaches a node of the network (one to a node
  // that is not there leaves it as unconnected as none).
  std::vector<uint8_t> connected(static_cast<size_t>(sat.Network.ZoneCount) + 1, 0);
  for (const ArcOrigin& arc : network.Arcs)
    if ((arc.Kind == ArcKind::ZoneToNode || arc.Kind == ArcKind::NodeToZone) && arc.Index >= 1 &&
        arc.Index <= sat.Network.ZoneCount)
      connected[static_cast<size_t>(arc.Index)] = 1;
  std::vector<Unloadable> problems;
  TripTotals& totals = header.Trips;
  for (int k = 1; k <= classes; ++k) {
    const std::string name = classes > 1 ? Printf("%s_%d", mat.c_str(), k) : mat;
    const std::string file = FindMatrixFile(name);
    if (file.empty())
      throw SatallFailure{Printf("unreadable trip matrix: none of %s.csv, %s.tntp, %s.txt and %s.ufm exists; %s", name.c_str(),
                                 name.c_str(), name.c_str(), name.c_str(), kMatrixFormats)};
    TripMatrix matrix;
    try {
      matrix = ReadTripMatrix(file);
    } catch (const MatrixError& error) {
      throw SatallFailure{error.Message};
    }
    header.MatrixFile += (header.MatrixFile.empty() ? "" : ", ") + file;
    assign::DemandBuilder demand;
    Unloadable unloadable;
    unloadable.File = file;
    std::map<int32_t, std::vector<uint8_t>> reachable;  // by origin zone position
    for (const TripRow& row : matrix.Rows) {
      if (row.Trips <= 0) continue;
      totals.Matrix += row.Trips;
      if (row.Origin == row.Destination) {
        totals.Intrazonal += row.Trips;
        continue;
      }
      const int32_t o = sat.FindZone(row.Origin), d = sat.FindZone(row.Destination);
      if (o == 0 || d == 0) {
        unloadable.AbsentZones[o == 0 ? row.Origin : row.Destination].Add(row.Trips);
        continue;
      }
      if (!connected[static_cast<size_t>(o)] || !connected[static_cast<size_t>(d)]) {
        unloadable.UnconnectedZones[connected[static_cast<size_t>(o)] ? row.Destination : row.Origin].Add(row.Trips);
        continue;
      }
      auto found = reachable.find(o);
      if (found == reachable.end()) found = reachable.emplace(o, Reachable(network.Net, o - 1)).first;
      if (!found->second[static_cast<size_t>(d - 1)]) {
        if (unloadable.NoRoutePairs.size() < static_cast<size_t>(kMaxReportedRows))
          unloadable.NoRoutePairs.emplace_back(row.Origin, row.Destination);
        unloadable.NoRoute.Add(row.Trips);
        continue;
      }
      demand.Add(o - 1, d - 1, row.Trips);
    }
    if (!unloadable.Empty()) problems.push_back(std::move(unloadable));
    assign::UserClass userClass;
    userClass.Name = Printf("class %d", k);
    userClass.Trips = demand.Build();
    network.Net.Classes.push_back(std::move(userClass));
  }
  if (problems.empty()) return;
  std::vector<std::string> lines;
  for (const Unloadable& u : problems) {
    for (const std::string& line : Describe(u)) lines.push_back(line);
    const Unloadable::Share share = u.Total();
    totals.Dropped += share.Trips;
    totals.DroppedRows += share.Rows;
  }
  if (dropUnloadable) {
    for (const std::string& line : lines) header.Warnings.push_back(line + ": left out (" + kDropOption + ")");
    return;
  }
  Unloadable::Share all;
  all.Rows = totals.DroppedRows;
  all.Trips = totals.Dropped;
  std::string message = "trips that cannot be loaded (" + RowsAndTrips(all) + "); nothing was assigned";
  for (const std::string& line : lines) message += "\n" + line;
  message += "\nmend the network or the matrix, or leave these trips out with " + std::string(kDropOption);
  throw SatallFailure{message};
}

int Satall(const std::string& base, const std::string& mat, const SatallSettings& settings, std::ostream& out,
           bool watched) {
  const std::string lpa = base + ".lpa";
  const std::string ufa = base + ".ufa";
  const std::string flows = base + "_flows.csv";
  // Results of an earlier run must not pass for this one's.
  DeleteFileIfExists(ufa);
  DeleteFileIfExists(flows);
  try {
    if (!FileExists(base + ".ufn"))
      throw SatallFailure{Printf("network %s not built: SATNET did not read it or found errors (see %s.lpn)", base.c_str(),
                                 base.c_str())};
    const std::string dat = DataFile(base);
    SaturnVars sat(kProgramCapacities);
    NetworkRead read = ReadNetworkFile(dat, sat);
    if (!read.Ok || !SignalPlanErrors(sat).empty())
      throw SatallFailure{Printf("network %s has errors (see %s.lpn)", dat.c_str(), base.c_str())};
    EngineNetwork network = BuildEngineNetwork(sat, settings.Loop.Junctions);
    ListingHeader header;
    header.NetworkFile = dat;
    header.Warnings = network.Warnings;
    AddDemand(sat, network, mat, settings.DropUnloadable, header);
    SimulationAssignmentResult result;
    ProgressLine progress(out, settings.Progress, watched);
    const int32_t maxLoops = settings.Loop.MaxLoops;
    try {
      // Each loop on the console as it ends, and within a long loop its assignment's progress: a
      // long run shows how it closes in.
      result = AssignAndSimulate(
          network, settings.Loop,
          [&out](const LoopRecord& loop) {
            out << Printf("SATALL: loop %d: %.3f%% of the turns changed, relative gap %.3e, total delay %.1f pcu-h/h, %d "
                          "iterations, %.2f s\n",
                          loop.Loop, 100 * loop.ChangedShare, loop.Gap, loop.TotalDelay, loop.Iterations, loop.Seconds);
            out.flush();
          },
          [&progress, maxLoops](int32_t loop, const assign::IterationRecord& iteration) {
            if (!progress.Due()) return;
            std::string line = Printf("SATALL: loop %d (at most %d), assignment iteration %d, relative gap %.3e", loop,
                                      maxLoops, iteration.Iteration, iteration.RelativeGap);
            // The gap alone can reach its target long before the routes of a pair are even.
            if (iteration.LargestRelativeExcess >= 0)
              line += Printf(", largest route excess %.1e of free flow", iteration.LargestRelativeExcess);
            progress.Write(line);
          });
    } catch (const assign::AssignmentError& error) {
      throw SatallFailure{std::string("assignment impossible: ") + error.what()};
    }
    std::vector<std::string> listing;
    try {
      listing = ListingLines(sat, network, result, header);
    } catch (const ListingValueError& error) {
      throw SatallFailure{"the listing cannot be written: " + error.Message};
    }
    WriteTextFile(lpa, listing);
    WriteTextFile(ufa, listing);
    WriteTextFile(flows, FlowTableLines(sat, network, result));
    if (header.Trips.DroppedRows > 0)
      out << Printf("SATALL: %.2f trips in %lld rows could not be loaded and were left out (%s)\n", header.Trips.Dropped,
                    static_cast<long long>(header.Trips.DroppedRows), kDropOption);
    out << "SATALL: " << lpa << (result.Converged ? "" : " (loop limit reached)") << "\n";
    return 0;
  } catch (const SatallFailure& failure) {
    std::vector<std::string> lines{"  VELTRA SATALL  -  NO ASSIGNMENT", ""};
    const std::vector<std::string> message = Split(failure.Message, '\n');
    for (size_t i = 0; i < message.size(); ++i) {
      lines.push_back("  " + message[i]);
      out << (i == 0 ? "SATALL: " : "        ") << message[i] << "\n";
    }
    WriteTextFile(lpa, lines);
    return 1;
  }
}

int Rewrite(const std::string& program, const std::string& base, std::ostream& out) {
  const std::string ufa = base + ".ufa";
  std::vector<std::string> lines;
  if (!LoadLines(ufa, lines)) {
    out << program << ": " << ufa << " does not exist (SATALL did not assign the network)\n";
    return 1;
  }
  WriteTextFile(base + ".lpa", lines);
  return 0;
}

}  // namespace

int RunSaturnProgram(const std::string& programName, const std::vector<std::string>& args, std::ostream& out,
                     const Terminals& terminals) {
  const std::string program = ProgramOf(programName);
  if (program != "SATNET" && program != "SATALL" && program != "SATASS" && program != "SATEASY") {
    out << "unknown program " << programName << ": this executable runs as SATNET, SATALL, SATASS or SATEASY\n";
    return 1;
  }
  const ProgramForm form = FormOf(program);
  if (AsksForHelp(args)) {
    out << Usage(form);
    return 0;
  }
  if (args.empty()) {
    out << Usage(form);
    return 1;
  }
  try {
    // Every option is checked before any file is touched.
    const CommandLine line(args, form.Options, form.Positional);
    const std::string base = NetworkBase(line.Positional()[0]);
    if (program == "SATNET") return Satnet(base, out);
    if (program != "SATALL") return Rewrite(program, base, out);
    SatallSettings settings;
    settings.Loop = SatallLoopSettings(line);
    settings.DropUnloadable = line.Has(kDropOption);
    settings.Progress.Forced = line.Has("--progress");
    settings.Progress.Interval = line.Real("--progress", kProgressInterval);
    settings.Progress.Off = line.Has("--no-progress");
    return Satall(base, line.Positional()[1], settings, out, terminals.Output);
  } catch (const OptionError& error) {
    out << program << ": " << error.Message << "\nusage: " << form.Synopsis << "  (" << program << " --help explains it)\n";
    return 1;
  } catch (const std::exception& error) {
    out << program << ": " << error.what() << "\n";
    return 1;
  }
}

}  // namespace veltra::satprog
