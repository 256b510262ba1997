#include "satprog/programs.h"

#include <cstdlib>
#include <exception>
#include <map>

#include "satprog/engine_network.h"
#include "satprog/listing_writer.h"
#include "satprog/network_file.h"
#include "satprog/simulation_assignment.h"
#include "satprog/trip_matrix.h"
#include "util/files.h"
#include "util/text.h"

namespace veltra::satprog {

namespace {

constexpr int kMaxReportedRows = 10;

void WriteLines(const std::string& path, const std::vector<std::string>& lines) {
  TextWriter writer(path);
  for (const std::string& line : lines) writer.Line(line);
  writer.Close();
}

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

int Usage(std::ostream& out, const std::string& program) {
  out << "Uso: " << program << (program == "SATNET" ? " RED" : " RED MATRIZ [--gap G] [--loops N] [--threads N] [--period H]")
      << "\n";
  return 1;
}

int Satnet(const std::string& base, std::ostream& out) {
  const std::string dat = DataFile(base);
  const std::string ufn = base + ".ufn";
  DeleteFileIfExists(ufn);
  SaturnVars sat(kProgramCapacities);
  NetworkRead read = ReadNetworkFile(dat, sat);
  std::vector<std::string> report;
  report.push_back("  VELTRA SATNET  -  NETWORK BUILD");
  report.push_back("  NETWORK FILE: " + dat);
  report.push_back("  " + sat.NetworkTitle);
  report.push_back("");
  std::vector<std::string> warnings;
  if (read.Ok) {
    const EngineNetwork network = BuildEngineNetwork(sat, NetworkOptions());
    warnings = network.Warnings;
    report.push_back(Printf("  %d NODES, %d LINKS, %d TURNS, %d SIGNALS, %d ZONES, %d BUS ROUTES", sat.Network.NodeCount,
                            sat.Network.LinkCount, sat.Network.TurnCount, sat.Network.SignalPlanCount, sat.Network.ZoneCount,
                            sat.Network.BusLineCount));
    report.push_back(Printf("  ASSIGNMENT NETWORK: %d VERTICES, %d ARCS", network.Net.Links.NodeCount(),
                            network.Net.Links.LinkCount()));
    report.push_back("");
  }
  if (!read.Messages.empty()) {
    report.push_back("  MESSAGES OF THE NETWORK READER:");
    for (const std::string& message : read.Messages) report.push_back("    " + Trim(message));
    report.push_back("");
  }
  for (const std::string& warning : warnings) report.push_back("  WARNING: " + warning);
  if (!warnings.empty()) report.push_back("");
  for (const std::string& error : read.Errors) report.push_back("  ERROR: " + error);
  report.push_back(read.Ok ? Printf("  NETWORK BUILT: %d WARNINGS, NO ERRORS.", static_cast<int>(warnings.size()))
                           : Printf("  %d ERRORS: THE NETWORK CANNOT BE ASSIGNED.", static_cast<int>(std::max<size_t>(1, read.Errors.size()))));
  WriteLines(base + ".lpn", report);
  if (!read.Ok) {
    out << "SATNET: " << dat << ": errors, see " << base << ".lpn\n";
    return 1;
  }
  WriteLines(ufn, {"VELTRA SATNET", ExpandFileName(dat)});
  out << "SATNET: " << dat << ": " << sat.Network.NodeCount << " nodes, " << sat.Network.LinkCount << " links, "
      << sat.Network.TurnCount << " turns, " << warnings.size() << " warnings\n";
  return 0;
}

struct SatallFailure {
  std::string Message;
};

bool ParseOption(const std::vector<std::string>& args, size_t& i, LoopSettings& settings) {
  if (i + 1 >= args.size()) return false;
  const std::string& key = args[i];
  char* end = nullptr;
  const double value = std::strtod(args[i + 1].c_str(), &end);
  if (end == args[i + 1].c_str() || *end != '\0' || !(value > 0)) return false;
  if (key == "--gap") settings.Gap = value;
  else if (key == "--loops") settings.MaxLoops = static_cast<int32_t>(value);
  else if (key == "--threads") settings.Threads = static_cast<int32_t>(value);
  else if (key == "--period") settings.Junctions.PeriodHours = value;
  else return false;
  ++i;
  return true;
}

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

// The trips of every class into the network's classes; what cannot be assigned is reported.
void AddDemand(const SaturnVars& sat, EngineNetwork& network, const std::string& mat, std::vector<std::string>& warnings,
               std::string& matrixNames) {
  const int classes = sat.Param.NOMADS > 1 ? sat.Param.NOMADS : 1;
  std::vector<uint8_t> connected(static_cast<size_t>(sat.Network.ZoneCount) + 1, 0);
  for (int32_t z = 1; z <= sat.Network.ZoneCount; ++z) connected[static_cast<size_t>(z)] = sat.Zones[static_cast<size_t>(z)].ConnectorCount > 0;
  for (int k = 1; k <= classes; ++k) {
    const std::string name = classes > 1 ? Printf("%s_%d", mat.c_str(), k) : mat;
    const std::string file = FindMatrixFile(name);
    if (file.empty())
      throw SatallFailure{Printf("matriz no legible: no existe %s.csv, %s.tntp, %s.txt ni %s.ufm; se leen matrices de texto: "
                                 "CSV (origen,destino,viajes), TNTP (bloques \"Origin\") o .ufm de texto",
                                 name.c_str(), name.c_str(), name.c_str(), name.c_str())};
    TripMatrix matrix;
    try {
      matrix = ReadTripMatrix(file);
    } catch (const MatrixError& error) {
      throw SatallFailure{error.Message};
    }
    matrixNames += (matrixNames.empty() ? "" : ", ") + file;
    assign::DemandBuilder demand;
    int unknown = 0, unreachable = 0;
    double unknownTrips = 0, unreachableTrips = 0;
    std::map<int32_t, std::vector<uint8_t>> reachable;  // by origin zone position
    std::map<int32_t, double> unconnectedZones;
    for (const TripRow& row : matrix.Rows) {
      if (row.Trips <= 0 || row.Origin == row.Destination) continue;
      const int32_t o = sat.FindZone(row.Origin), d = sat.FindZone(row.Destination);
      if (o == 0 || d == 0) {
        if (unknown < kMaxReportedRows)
          warnings.push_back(Printf("%s: %.2f trips from zone %d to zone %d: zone %d is not in the network", file.c_str(),
                                    row.Trips, row.Origin, row.Destination, o == 0 ? row.Origin : row.Destination));
        ++unknown;
        unknownTrips += row.Trips;
        continue;
      }
      if (!connected[static_cast<size_t>(o)] || !connected[static_cast<size_t>(d)]) {
        // Reported per zone below, with the trips it loses.
        unconnectedZones[connected[static_cast<size_t>(o)] ? row.Destination : row.Origin] += row.Trips;
        continue;
      }
      auto found = reachable.find(o);
      if (found == reachable.end()) found = reachable.emplace(o, Reachable(network.Net, o - 1)).first;
      if (!found->second[static_cast<size_t>(d - 1)]) {
        if (unreachable < kMaxReportedRows)
          warnings.push_back(Printf("%s: %.2f trips from zone %d to zone %d: no route between them: not assigned",
                                    file.c_str(), row.Trips, row.Origin, row.Destination));
        ++unreachable;
        unreachableTrips += row.Trips;
        continue;
      }
      demand.Add(o - 1, d - 1, row.Trips);
    }
    if (unreachable > 0)
      warnings.push_back(Printf("%s: %d rows (%.2f trips) between zones without a route: not assigned", file.c_str(),
                                unreachable, unreachableTrips));
    if (unknown > 0)
      warnings.push_back(Printf("%s: %d rows (%.2f trips) name zones that are not in the network: not assigned", file.c_str(),
                                unknown, unknownTrips));
    for (const auto& [zone, trips] : unconnectedZones)
      warnings.push_back(Printf("%s: zone %d has no connector: %.2f trips to or from it not assigned", file.c_str(), zone, trips));
    assign::UserClass userClass;
    userClass.Name = Printf("class %d", k);
    userClass.Trips = demand.Build();
    network.Net.Classes.push_back(std::move(userClass));
  }
}

int Satall(const std::string& base, const std::string& mat, const LoopSettings& settings, std::ostream& out) {
  const std::string lpa = base + ".lpa";
  const std::string ufa = base + ".ufa";
  DeleteFileIfExists(ufa);
  try {
    if (!FileExists(base + ".ufn"))
      throw SatallFailure{Printf("red %s no construida: SATNET no la leyo o encontro errores (ver %s.lpn)", base.c_str(), base.c_str())};
    const std::string dat = DataFile(base);
    SaturnVars sat(kProgramCapacities);
    NetworkRead read = ReadNetworkFile(dat, sat);
    if (!read.Ok) throw SatallFailure{Printf("red %s con errores (ver %s.lpn)", dat.c_str(), base.c_str())};
    EngineNetwork network = BuildEngineNetwork(sat, settings.Junctions);
    ListingHeader header;
    header.NetworkFile = dat;
    header.Warnings = network.Warnings;
    AddDemand(sat, network, mat, header.Warnings, header.MatrixFile);
    SimulationAssignmentResult result;
    try {
      result = AssignAndSimulate(network, settings);
    } catch (const assign::AssignmentError& error) {
      throw SatallFailure{std::string("asignacion imposible: ") + error.what()};
    }
    const std::vector<std::string> listing = ListingLines(sat, network, result, header);
    WriteLines(lpa, listing);
    WriteLines(ufa, listing);
    WriteLines(base + "_flows.csv", FlowTableLines(sat, network, result));
    for (const LoopRecord& loop : result.Loops)
      out << Printf("SATALL: loop %d: turn flow change %.3f%%, relative gap %.3e, %d iterations, %.2f s\n", loop.Loop,
                    100 * loop.Delta, loop.Gap, loop.Iterations, loop.Seconds);
    out << "SATALL: " << lpa << (result.Converged ? "" : " (loop limit reached)") << "\n";
    return 0;
  } catch (const SatallFailure& failure) {
    WriteLines(lpa, {"  VELTRA SATALL", "", "  " + failure.Message});
    out << "SATALL: " << failure.Message << "\n";
    return 1;
  }
}

int Rewrite(const std::string& program, const std::string& base, std::ostream& out) {
  const std::string ufa = base + ".ufa";
  std::vector<std::string> lines;
  if (!LoadLines(ufa, lines)) {
    out << program << ": no existe " << ufa << " (SATALL no asigno la red)\n";
    return 1;
  }
  WriteLines(base + ".lpa", lines);
  return 0;
}

}  // namespace

int RunSaturnProgram(const std::string& programName, const std::vector<std::string>& args, std::ostream& out) {
  const std::string program = ProgramOf(programName);
  try {
    if (program == "SATNET") {
      if (args.size() != 1) return Usage(out, program);
      return Satnet(NetworkBase(args[0]), out);
    }
    if (program == "SATALL" || program == "SATASS" || program == "SATEASY") {
      if (args.size() < 2) return Usage(out, program);
      LoopSettings settings;
      for (size_t i = 2; i < args.size(); ++i)
        if (!ParseOption(args, i, settings)) return Usage(out, program);
      if (program == "SATALL") return Satall(NetworkBase(args[0]), args[1], settings, out);
      return Rewrite(program, NetworkBase(args[0]), out);
    }
    out << "Programa desconocido: " << programName << " (SATNET, SATALL, SATASS o SATEASY)\n";
    return 1;
  } catch (const FileError& error) {
    out << program << ": " << error.what() << "\n";
    return 1;
  } catch (const std::exception& error) {
    out << program << ": " << error.what() << "\n";
    return 1;
  }
}

}  // namespace veltra::satprog
