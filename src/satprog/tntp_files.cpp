// The converter's files: the TNTP inputs (network and trips through the assignment library's
// readers, node coordinates here) and the three outputs.
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <sstream>

#include "assign/tntp.h"
#include "satprog/command_options.h"
#include "satprog/output_files.h"
#include "satprog/tntp_converter.h"
#include "satprog/tntp_trips.h"
#include "util/files.h"
#include "util/text.h"

namespace veltra::satprog {

namespace {

std::vector<OptionRule> ConverterOptions() {
  return {
      {"--buffer", OptionKind::Flag, "",
       "a buffer network: every link a buffer link with its BPR curve (the same equilibrium as the TNTP network)"},
      {"--signals", OptionKind::Flag, "",
       "a junction network: every node a junction (signals where three or more roads meet and coordinates are "
       "given, priority junctions elsewhere, their major road the two approaches of largest capacity), every link "
       "a simulation link"},
      {"--net", OptionKind::Text, "FILE", "the TNTP network file (required)"},
      {"--trips", OptionKind::Text, "FILE", "the TNTP trips file (required)"},
      {"--nodes", OptionKind::Text, "FILE", "the TNTP node coordinates file"},
      {"--out", OptionKind::Text, "BASE", "the base name of the files written (required)"},
      {"--length-unit", OptionKind::Choice, "UNIT", "unit of the TNTP network file's lengths", "mi", 0, 0, false, "mi|ft|km|m"},
      {"--coordinates", OptionKind::Choice, "UNIT",
       "unit of the node file's coordinates; degrees (longitude, latitude) are projected to metres about the "
       "network's centre",
       "degrees when every x is within +-180 and every y within +-90, metres otherwise", 0, 0, false, "degrees|metres|feet"},
      {"--drive", OptionKind::Choice, "SIDE",
       "the side of the road traffic keeps to: the turns from a major road across the opposing stream (left turns "
       "where traffic drives on the right) give way",
       "right", 0, 0, false, "right|left"},
  };
}

const char* const kSynopsis =
    "veltra-tntp --buffer|--signals --net NET_net.tntp --trips NET_trips.tntp [--nodes NET_node.tntp]\n"
    "                   [--length-unit mi|ft|km|m] [--coordinates degrees|metres|feet] [--drive right|left]\n"
    "                   --out BASE";

std::string Usage() {
  return UsageText(kSynopsis,
                   "Makes TNTP files a SATURN network data file BASE.dat, a trip matrix BASE.csv\n"
                   "(origin,destination,trips) and a node list BASE_nodos.txt. Messages are in English.\n",
                   ConverterOptions(),
                   "  0  the three files were written\n"
                   "  1  usage error, or input the network file cannot hold (the message names it); nothing is\n"
                   "     written\n");
}


}  // namespace

std::vector<TntpNode> ReadTntpNodes(const std::string& path) {
  std::vector<std::string> lines;
  if (!LoadLines(path, lines)) throw ConversionError{path + ": cannot be read"};
  std::vector<TntpNode> nodes;
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string line = lines[i];
    for (char& c : line)
      if (c == ';' || c == '\t' || c == '\r') c = ' ';
    std::istringstream words(line);
    std::string first;
    if (!(words >> first)) continue;
    char* end = nullptr;
    const long number = std::strtol(first.c_str(), &end, 10);
    if (*end != '\0') {
      if (nodes.empty()) continue;  // the header line
      throw ConversionError{Printf("%s, line %d: node number \"%s\" is not an integer", path.c_str(), static_cast<int>(i + 1), first.c_str())};
    }
    TntpNode node;
    node.Number = static_cast<int32_t>(number);
    std::string x, y;
    words >> x >> y;
    char* endX = nullptr;
    char* endY = nullptr;
    node.X = std::strtod(x.c_str(), &endX);
    node.Y = std::strtod(y.c_str(), &endY);
    if (x.empty() || y.empty() || *endX != '\0' || *endY != '\0' || !std::isfinite(node.X) || !std::isfinite(node.Y) ||
        number <= 0 || number > 999999999)
      throw ConversionError{Printf("%s, line %d: expected \"node X Y\"", path.c_str(), static_cast<int>(i + 1))};
    nodes.push_back(node);
  }
  return nodes;
}

int RunTntpConverter(const std::vector<std::string>& args, std::ostream& out) {
  if (AsksForHelp(args)) {
    out << Usage();
    return 0;
  }
  if (args.empty()) {
    out << Usage();
    return 1;
  }
  ConversionSettings settings;
  std::string netPath, tripsPath, nodesPath, base;
  try {
    const CommandLine line(args, ConverterOptions(), 0);
    if (line.Has("--buffer") == line.Has("--signals")) throw OptionError{"give one of --buffer and --signals"};
    settings.Mode = line.Has("--signals") ? ConversionMode::Signals : ConversionMode::Buffer;
    netPath = line.Text("--net", "");
    tripsPath = line.Text("--trips", "");
    nodesPath = line.Text("--nodes", "");
    base = line.Text("--out", "");
    for (const char* required : {"--net", "--trips", "--out"})
      if (!line.Has(required)) throw OptionError{std::string(required) + " is required"};
    const std::string unit = line.Text("--length-unit", "mi");
    settings.MetresPerLengthUnit = unit == "ft" ? 0.3048 : unit == "km" ? 1000 : unit == "m" ? 1 : 1609.344;
    const std::string coordinates = line.Text("--coordinates", "");
    settings.Coordinates = coordinates == "degrees"  ? CoordinateUnit::Degrees
                           : coordinates == "metres" ? CoordinateUnit::Metres
                           : coordinates == "feet"   ? CoordinateUnit::Feet
                                                     : CoordinateUnit::Detected;
    settings.Side = line.Text("--drive", "right") == "left" ? DrivingSide::Left : DrivingSide::Right;
  } catch (const OptionError& error) {
    out << "veltra-tntp: " << error.Message << "\nusage: " << kSynopsis << "\n  (veltra-tntp --help explains it)\n";
    return 1;
  }
  try {
    const assign::TntpNetwork tntp = assign::ReadTntpNetwork(netPath);
    TntpNet net;
    net.Zones = tntp.Zones;
    net.FirstThruNode = tntp.FirstThruNode;
    for (const assign::TntpLink& link : tntp.Links)
      net.Links.push_back({link.Init, link.Term, link.Capacity, link.Length, link.FreeTime, link.B, link.Power});
    if (!nodesPath.empty()) net.Nodes = ReadTntpNodes(nodesPath);
    if (settings.Mode == ConversionMode::Signals && net.Nodes.empty())
      out << "veltra-tntp: no node coordinates (--nodes): every junction becomes a priority junction\n";
    const std::vector<TripRow> trips = ReadTntpTripRows(tripsPath);
    settings.Title = Upper(ChangeExtension(ExtractFileName(netPath), ""));
    const Conversion conversion = ConvertTntp(net, settings);
    WriteTextFile(base + ".dat", conversion.DataFile);
    std::vector<std::string> matrix{"origin,destination,trips"};
    // The shortest text that reads back as the same number: no trip is rounded on the way.
    for (const TripRow& row : trips) {
      char number[64];
      const auto written = std::to_chars(number, number + sizeof number, row.Trips);
      matrix.push_back(Printf("%d,%d,", row.Origin, row.Destination) + std::string(number, written.ptr));
    }
    WriteTextFile(base + ".csv", matrix);
    WriteTextFile(base + "_nodos.txt", conversion.NodeList);
    for (const std::string& note : conversion.Notes) out << "veltra-tntp: " << note << "\n";
    for (const std::string& warning : conversion.Warnings) out << "veltra-tntp: warning: " << warning << "\n";
    std::string fate;
    if (conversion.ParallelMerged > 0) fate += Printf(", %d parallel links merged into another", conversion.ParallelMerged);
    if (conversion.ParallelSplit > 0) fate += Printf(", %d parallel links kept through a node added for each", conversion.ParallelSplit);
    if (conversion.LoopsDropped > 0) fate += Printf(", %d links from a node to itself left out", conversion.LoopsDropped);
    out << Printf("veltra-tntp: %s.dat: %d links read, %d written%s; %d signals, %d priority junctions; %s.csv: %d rows\n",
                  base.c_str(), conversion.LinksRead, conversion.LinksWritten, fate.c_str(), conversion.Signals,
                  conversion.PriorityJunctions, base.c_str(), static_cast<int>(trips.size()));
    if (conversion.PriorityJunctions > 0)
      out << Printf("veltra-tntp: priority junctions: %d with three arms and %d with four where turns give way, %d with "
                    "more arms where turns give way, %d where no turn gives way (one approach, or a road that only "
                    "continues)\n",
                    conversion.GiveWayThreeArms, conversion.GiveWayFourArms, conversion.GiveWayMoreArms, conversion.NoGiveWay);
    return 0;
  } catch (const assign::InputError& error) {
    out << "veltra-tntp: " << error.what() << "\n";
  } catch (const MatrixError& error) {
    out << "veltra-tntp: " << error.Message << "\n";
  } catch (const ConversionError& error) {
    out << "veltra-tntp: " << error.Message << "\n";
  } catch (const FileError& error) {
    out << "veltra-tntp: " << error.what() << "\n";
  }
  return 1;
}

}  // namespace veltra::satprog
