#include "run/input_lists.h"

#include <charconv>
#include <set>

#include "saturn/counts.h"
#include "saturn/listing.h"
#include "saturn/network_reader.h"
#include "util/files.h"
#include "util/kwt_utils.h"
#include "util/text.h"

namespace veltra {

namespace {

// One line of the node list file.
struct NodeListEntry {
  int Line = 0;
  int32_t SaturnNode = 0;
  int32_t TransytNode = 0;
  int32_t Network = 0;
};

bool ParseInteger(const std::string& text, int32_t& value) {
  const char* begin = text.data();
  const char* end = begin + text.size();
  if (begin != end && *begin == '+') ++begin;
  auto [ptr, ec] = std::from_chars(begin, end, value);
  return begin != end && ec == std::errc() && ptr == end;
}

// A value of the node list that cannot be read ends the run at once, without the errors file.
[[noreturn]] void UnreadableNodeList(Run& run, const std::string& fileName, int line) {
  run.Log.Line(Printf("ERROR - Lectura erronea en archivo %s (%d)", Upper(ExtractFileName(fileName)).c_str(), line));
  run.Sys.Sleep(3000);
  throw RunStop{1, false};
}

// The entries of the node list: three integers a line, anything after them ignored; blank
// lines are passed over, and a line with fewer than three integers cannot be read.
std::vector<NodeListEntry> LoadNodeList(Run& run, const std::string& fileName) {
  std::vector<std::string> lines;
  if (!LoadLines(fileName, lines)) UnreadableNodeList(run, fileName, 0);
  std::vector<NodeListEntry> entries;
  for (size_t i = 0; i < lines.size(); ++i) {
    const int lineNo = static_cast<int>(i + 1);
    std::vector<std::string> words = SplitBlanks(lines[i]);
    if (words.empty()) continue;
    NodeListEntry entry;
    entry.Line = lineNo;
    if (words.size() < 3 || !ParseInteger(words[0], entry.SaturnNode) || !ParseInteger(words[1], entry.TransytNode) ||
        !ParseInteger(words[2], entry.Network))
      UnreadableNodeList(run, fileName, lineNo);
    entries.push_back(entry);
  }
  return entries;
}

}  // namespace

void InputCheck(Run& run, const std::string& name, int iteration) {
  MessageLog& log = run.Log;
  SaturnVars& sat = run.Sat;
  log.Line(run.ProgressMessage);
  const std::string dataFile = ChangeExtension(name, ".dat");
  const std::string listing = ChangeExtension(name, ".lpa");
  if (!FileExists(dataFile)) {
    log.EmptyLines(2);
    log.Line(Printf("ERROR - %s no existe. Abortando ...", dataFile.c_str()));
    log.EmptyLines(2);
    FatalStop();
  }

  sat.Clear();
  if (!LoadLines(dataFile, sat.NetworkLines)) throw FileError("ERROR - No se puede leer " + dataFile);
  sat.NetworkFileName = dataFile;
  SaturnRead(run);
  if (!sat.Network.HasCoordinates) {
    log.Line();
    log.Line("Faltan coordenadas geograficas. Abortando ...");
    log.Line();
    run.Sys.WaitForEnter();
    FatalStop();
  }

  if (run.Cfg.UseListing()) {
    const std::string found = ExistingFileIgnoringCase(listing);
    if (found.empty()) {
      log.EmptyLines(2);
      log.Line(Printf("ERROR - Red Saturn %s no existe", listing.c_str()));
      log.EmptyLines(2);
      FatalStop();
    }
    if (!LoadLines(found, sat.ListingLines)) throw FileError("ERROR - No se puede leer " + found);
    ReadListing(run, iteration);
  } else {
    const std::string& counts = run.Cfg.Conteos;
    if (!FileExists(counts)) {
      log.EmptyLines(2);
      log.Line(Printf("ERROR - Archivo %s no existe", counts.c_str()));
      log.EmptyLines(2);
      FatalStop();
    }
    if (!LoadLines(counts, sat.ListingLines)) throw FileError("ERROR - No se puede leer " + counts);
    ReadCounts(run, counts);
  }
}

void ReadNodeList(Run& run, const std::string& fileName) {
  MessageLog& log = run.Log;
  SaturnVars& sat = run.Sat;
  QorVars& qor = run.Qor;
  log.Line("Leyendo nodos...");
  const std::vector<NodeListEntry> entries = LoadNodeList(run, fileName);

  // First pass: the networks, in the order of their numbers as text, and the repeated nodes.
  std::set<std::string> networks;
  std::set<std::string> saturnPairs;
  std::set<std::string> transytPairs;
  for (const NodeListEntry& e : entries) {
    networks.insert(Printf("%d", e.Network));
    if (networks.size() > static_cast<size_t>(kMaxRedes)) {
      std::string message = Printf("ERROR - Archivo %s (linea %d): mas de %d redes Transyt, capacidad maxima del modelo",
                                   fileName.c_str(), e.Line, kMaxRedes);
      log.Line(message);
      log.AddError(message);
      FatalStop();
    }
    if (!saturnPairs.insert(Printf("%5d%10d", e.Network, e.SaturnNode)).second)
      log.Line(Printf("ERROR - Nodo Saturn  %d definido más de una vez en red %d", e.SaturnNode, e.Network));
    if (!transytPairs.insert(Printf("%5d%10d", e.Network, e.TransytNode)).second)
      log.Line(Printf("ERROR - Nodo Transyt %d definido más de una vez en red %d", e.TransytNode, e.Network));
  }
  qor.NumRedes = static_cast<int32_t>(networks.size());
  for (auto& row : qor.RedNodos) std::fill(row.begin(), row.end(), 0);
  int r = 0;
  for (const std::string& text : networks) qor.RedNodos[static_cast<size_t>(++r)][0] = TextToInt(text);

  // Second pass: the TRANSYT number of every listed SATURN node in its network.
  const int limit = run.Cfg.TransytNodeLimit();
  for (const NodeListEntry& e : entries) {
    if (e.TransytNode > limit) log.Line(Printf("ERROR - Nodo transyt %d invalido (máximo %d)", e.TransytNode, limit));
    const int32_t index = sat.FindNode(e.SaturnNode);
    if (index == 0) {
      log.Line(Printf("ERROR - Nodo %d no reconocido", e.SaturnNode));
      continue;
    }
    TNodo& node = sat.Nodes[static_cast<size_t>(index)];
    if (node.X == kCoordinateNotSet) {
      log.EmptyLines(2);
      log.Line("ERROR - ERROR - ERROR - ERROR - ERROR");
      log.Line(Printf("Nodo %d obligatorio, sin coordenadas", e.SaturnNode));
      log.Line("ERROR - ERROR - ERROR - ERROR - ERROR");
      log.EmptyLines(2);
      continue;
    }
    node.TransytNetwork = e.Network;
    if (node.JunctionType == 0) {
      log.Line(Printf("   ATENCION: Nodo %d es Externo, no debe ser incluido en la red %d.\r"
                      "             Continua el proceso omitiendo este nodo.",
                      e.SaturnNode, e.Network));
      continue;
    }
    for (int p = 1; p <= qor.NumRedes; ++p) {
      auto& row = qor.RedNodos[static_cast<size_t>(p)];
      if (row[0] == e.Network && static_cast<size_t>(index) < row.size()) {
        row[static_cast<size_t>(index)] = e.TransytNode;
        break;
      }
    }
  }
}

void ApplyPriorityLists(Run& run) {
  SaturnVars& sat = run.Sat;
  QorVars& qor = run.Qor;
  auto networkNumber = [&qor](int p) { return qor.RedNodos[static_cast<size_t>(p)][0]; };

  const std::vector<std::string> pairs = Split(run.Cfg.CicloPrioridadSaturn, ',');
  for (size_t i = 0; i + 1 < pairs.size(); i += 2) {
    const int32_t network = TextToInt(pairs[i + 1]);
    int position = 0;
    for (int p = 1; p <= qor.NumRedes; ++p)
      if (networkNumber(p) == network) position = p;
    const int32_t index = sat.FindNode(TextToInt(pairs[i]));
    if (index != 0)
      sat.Nodes[static_cast<size_t>(index)].TransytNetworkPosition = position;
    else
      run.Log.Line(Printf("ERROR - Nodo (CicloPrioridad) %s no existe en red Saturn", pairs[i].c_str()));
  }

  for (int p = 1; p <= qor.NumRedes; ++p) {
    const std::string& list = run.Cfg.Red[static_cast<size_t>(p)].CicloPrioridad;
    if (Trim(list).empty()) continue;
    const std::vector<std::string> items = Split(list, ',');
    if (Trim(items.front()) == "-1") {
      // Every unsignalised node of the network follows the network's cycle.
      for (size_t i = 1; i < sat.Nodes.size(); ++i) {
        TNodo& node = sat.Nodes[i];
        if (node.TransytNetwork == networkNumber(p) && node.SignalPlan == 0) node.TransytNetworkPosition = p;
      }
      continue;
    }
    for (const std::string& item : items) {
      if (Trim(item).empty()) continue;
      const int32_t index = sat.FindNode(TextToInt(item));
      if (index != 0)
        sat.Nodes[static_cast<size_t>(index)].TransytNetworkPosition = p;
      else
        run.Log.Line(Printf("ERROR - Nodo (CicloPrioridad) %s no existe en red %d", item.c_str(), networkNumber(p)));
    }
  }
}

void ReadStreetNames(Run& run, const std::string& fileName) {
  SaturnVars& sat = run.Sat;
  std::vector<std::string> lines;
  if (!LoadLines(fileName, lines) || lines.size() < 2) return;
  for (size_t i = 1; i < lines.size(); ++i) {
    const std::vector<std::string> fields = Split(lines[i], ',');
    if (fields.size() < 3) continue;
    const int32_t a = TextToInt(fields[0]);
    const int32_t b = TextToInt(fields[1]);
    const int32_t l = sat.FindLink(a, b);
    if (l != 0)
      sat.Links[static_cast<size_t>(l)].Name = Trim(fields[2]).substr(0, 25);
    else if (run.FirstRead())
      run.Log.Line(Printf("Arco %d %d en %s no reconocido.", a, b, fileName.c_str()));
  }
}

}  // namespace veltra
