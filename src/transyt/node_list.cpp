#include "transyt/node_list.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <set>

#include "model/tables.h"
#include "util/conversions.h"
#include "util/files.h"
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
// The message stays on the screen for three seconds before the program ends.
[[noreturn]] void UnreadableNodeList(MessageLog& log, const std::string& fileName, int line) {
  log.Error(Printf("ERROR - Lectura erronea en archivo %s (%d)", Upper(ExtractFileName(fileName)).c_str(), line));
  RunStop stop{1, false};
  stop.PauseMs = 3000;
  throw stop;
}

// The entries of the node list: three integers a line, anything after them ignored; blank
// lines are passed over, and a line with fewer than three integers cannot be read.
std::vector<NodeListEntry> NodeListEntries(const std::vector<std::string>& lines, const std::string& fileName,
                                           MessageLog& log) {
  std::vector<NodeListEntry> entries;
  for (size_t i = 0; i < lines.size(); ++i) {
    const int lineNo = static_cast<int>(i + 1);
    std::vector<std::string> words = SplitBlanks(lines[i]);
    if (words.empty()) continue;
    NodeListEntry entry;
    entry.Line = lineNo;
    if (words.size() < 3 || !ParseInteger(words[0], entry.SaturnNode) || !ParseInteger(words[1], entry.TransytNode) ||
        !ParseInteger(words[2], entry.Network))
      UnreadableNodeList(log, fileName, lineNo);
    entries.push_back(entry);
  }
  return entries;
}

}  // namespace

int ReadNodeList(const std::string& fileName, int transytNodeLimit, SaturnVars& sat, QorVars& qor, MessageLog& log,
                 bool firstRead) {
  log.Line("Leyendo nodos...");
  std::vector<std::string> lines;
  if (!LoadLines(fileName, lines)) UnreadableNodeList(log, fileName, 0);
  return ReadNodeList(lines, fileName, transytNodeLimit, sat, qor, log, firstRead);
}

int ReadNodeList(const std::vector<std::string>& lines, const std::string& fileName, int transytNodeLimit,
                 SaturnVars& sat, QorVars& qor, MessageLog& log, bool firstRead) {
  const std::vector<NodeListEntry> entries = NodeListEntries(lines, fileName, log);
  // The list is read again after every SATURN run; what is wrong with it is said once, and
  // goes to the errors list so that it is in the errors file and the run report.
  auto listError = [&log, firstRead](const std::string& text) {
    if (firstRead) log.Error(text, 0, Listed::Yes);
  };

  // First pass: the networks, in the order of their numbers as text, and the repeated nodes.
  std::set<std::string> networks;
  std::set<std::string> saturnPairs;
  std::map<std::string, int32_t> saturnNodeOfTransyt;
  int sharedNumbers = 0;
  for (const NodeListEntry& e : entries) {
    networks.insert(Printf("%d", e.Network));
    if (!saturnPairs.insert(Printf("%5d%10d", e.Network, e.SaturnNode)).second)
      listError(Printf("ERROR - Nodo Saturn  %d definido más de una vez en red %d", e.SaturnNode, e.Network));
    const auto [it, added] = saturnNodeOfTransyt.emplace(Printf("%5d%10d", e.Network, e.TransytNode), e.SaturnNode);
    if (added) continue;
    listError(Printf("ERROR - Nodo Transyt %d definido más de una vez en red %d", e.TransytNode, e.Network));
    // Two junctions under one TRANSYT number would share one node of the data file, and only
    // the first would get its timings back: no run of that network could be right. (A node the
    // network does not have is left out below, and shares nothing.)
    if (it->second != e.SaturnNode && sat.FindNode(it->second) != 0 && sat.FindNode(e.SaturnNode) != 0) {
      listError(Printf("        nodos Saturn %d y %d con el mismo nodo Transyt (archivo %s, linea %d)", it->second,
                       e.SaturnNode, fileName.c_str(), e.Line));
      ++sharedNumbers;
    }
  }
  if (sharedNumbers > 0)
    log.Fatal(Printf("ERROR - Archivo %s: cada nodo Saturn de una red necesita su propio nodo Transyt. "
                     "Proceso detenido.",
                     fileName.c_str()),
              1, Listed::Yes);
  std::vector<NetworkNumber> numbers;
  for (const std::string& text : networks) numbers.push_back(NetworkNumber(TextToInt(text)));
  qor.SetNetworks(numbers, sat.Nodes.size() - 1);

  // Second pass: the TRANSYT number of every listed SATURN node in its network.
  const int limit = transytNodeLimit;
  int leftOut = 0;
  for (const NodeListEntry& e : entries) {
    if (e.TransytNode > limit) listError(Printf("ERROR - Nodo transyt %d invalido (máximo %d)", e.TransytNode, limit));
    const int32_t index = sat.FindNode(e.SaturnNode);
    if (index == 0) {
      listError(Printf("ERROR - Nodo %d no reconocido", e.SaturnNode));
      ++leftOut;
      continue;
    }
    TNodo& node = At(sat.Nodes, index);
    if (node.X == kCoordinateNotSet) {
      const std::string text = Printf("Nodo %d obligatorio, sin coordenadas", e.SaturnNode);
      if (firstRead) {
        log.FramedError(text);
        log.AddError("ERROR - " + text);
      }
      ++leftOut;
      continue;
    }
    node.TransytNetwork = e.Network;
    if (node.JunctionType == 0) {
      if (firstRead)
        log.Warning(Printf("   ATENCION: Nodo %d es Externo, no debe ser incluido en la red %d.\r"
                           "             Continua el proceso omitiendo este nodo.",
                           e.SaturnNode, e.Network));
      continue;
    }
    const NetworkPosition p = qor.PositionOf(NetworkNumber(e.Network));
    if (p.Value() > 0) qor.Network(p).SetTransytNode(index, e.TransytNode);
  }
  return leftOut;
}

}  // namespace veltra
