// The converter's files: the TNTP inputs (network and trips through the assignment library's
// readers, node coordinates here) and the three outputs.
#include <cmath>
#include <cstdlib>
#include <sstream>

#include "assign/tntp.h"
#include "satprog/tntp_converter.h"
#include "satprog/tntp_trips.h"
#include "util/files.h"
#include "util/text.h"

namespace veltra::satprog {

namespace {

int Usage(std::ostream& out) {
  out << "usage: veltra-tntp --buffer|--signals --net NET_net.tntp --trips NET_trips.tntp [--nodes NET_node.tntp] "
         "[--length-unit mi|ft|km|m] --out BASE\n"
         "  writes BASE.dat (SATURN network data file), BASE.csv (trip matrix) and BASE_nodos.txt (node list)\n";
  return 1;
}

void WriteLines(const std::string& path, const std::vector<std::string>& lines) {
  TextWriter writer(path);
  for (const std::string& line : lines) writer.Line(line);
  writer.Close();
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
  ConversionSettings settings;
  bool modeGiven = false;
  std::string netPath, tripsPath, nodesPath, base;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--buffer" || a == "--signals") {
      settings.Mode = a == "--buffer" ? ConversionMode::Buffer : ConversionMode::Signals;
      modeGiven = true;
    } else if (a == "--length-unit" && i + 1 < args.size()) {
      const std::string unit = Lower(args[++i]);
      if (unit == "mi") settings.MetresPerLengthUnit = 1609.344;
      else if (unit == "ft") settings.MetresPerLengthUnit = 0.3048;
      else if (unit == "km") settings.MetresPerLengthUnit = 1000;
      else if (unit == "m") settings.MetresPerLengthUnit = 1;
      else return Usage(out);
    } else if ((a == "--net" || a == "--trips" || a == "--nodes" || a == "--out") && i + 1 < args.size()) {
      const std::string& value = args[++i];
      (a == "--net" ? netPath : a == "--trips" ? tripsPath : a == "--nodes" ? nodesPath : base) = value;
    } else {
      return Usage(out);
    }
  }
  if (!modeGiven || netPath.empty() || tripsPath.empty() || base.empty()) return Usage(out);
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
    WriteLines(base + ".dat", conversion.DataFile);
    std::vector<std::string> matrix{"origin,destination,trips"};
    for (const TripRow& row : trips) matrix.push_back(Printf("%d,%d,%.6g", row.Origin, row.Destination, row.Trips));
    WriteLines(base + ".csv", matrix);
    WriteLines(base + "_nodos.txt", conversion.NodeList);
    for (const std::string& warning : conversion.Warnings) out << "veltra-tntp: warning: " << warning << "\n";
    out << Printf("veltra-tntp: %s.dat: %d links, %d signals, %d priority junctions; %s.csv: %d rows\n", base.c_str(),
                  static_cast<int>(net.Links.size()), conversion.Signals, conversion.PriorityJunctions, base.c_str(),
                  static_cast<int>(trips.size()));
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
