#include "transyt/node_list.h"

#include <algorithm>
#include <charconv>
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

void ReadNodeList(const std::string& fileName, int transytNodeLimit, SaturnVars& sat, QorVars& qor, MessageLog& log) {
  log.Line("Leyendo nodos...");
  std::vector<std::string> lines;
  if (!LoadLines(fileName, lines)) UnreadableNodeList(log, fileName, 0);
  ReadNodeList(lines, fileName, transytNodeLimit, sat, qor, log);
}

void ReadNodeList(const std::vector<std::string>& lines, const std::string& fileName, int transytNodeLimit,
                  SaturnVars& sat, QorVars& qor, MessageLog& log) {
  const std::vector<NodeListEntry> entries = NodeListEntries(lines, fileName, log);

  // First pass: the networks, in the order of their numbers as text, and the repeated nodes.
  std::set<std::string> networks;
  std::set<std::string> saturnPairs;
  std::set<std::string> transytPairs;
  for (const NodeListEntry& e : entries) {
    networks.insert(Printf("%d", e.Network));
    if (networks.size() > static_cast<size_t>(kMaxRedes)) {
      std::string message = Printf("ERROR - Archivo %s (linea %d): mas de %d redes Transyt, capacidad maxima del modelo",
                                   fileName.c_str(), e.Line, kMaxRedes);
      log.Fatal(message, 0, Listed::Yes);
    }
    if (!saturnPairs.insert(Printf("%5d%10d", e.Network, e.SaturnNode)).second)
      log.Error(Printf("ERROR - Nodo Saturn  %d definido más de una vez en red %d", e.SaturnNode, e.Network));
    if (!transytPairs.insert(Printf("%5d%10d", e.Network, e.TransytNode)).second)
      log.Error(Printf("ERROR - Nodo Transyt %d definido más de una vez en red %d", e.TransytNode, e.Network));
  }
  qor.NumRedes = static_cast<int32_t>(networks.size());
  for (auto& row : qor.RedNodos) std::fill(row.begin(), row.end(), 0);
  int r = 0;
  for (const std::string& text : networks) At(qor.RedNodos, ++r)[0] = TextToInt(text);

  // Second pass: the TRANSYT number of every listed SATURN node in its network.
  const int limit = transytNodeLimit;
  for (const NodeListEntry& e : entries) {
    if (e.TransytNode > limit) log.Error(Printf("ERROR - Nodo transyt %d invalido (máximo %d)", e.TransytNode, limit));
    const int32_t index = sat.FindNode(e.SaturnNode);
    if (index == 0) {
      log.Error(Printf("ERROR - Nodo %d no reconocido", e.SaturnNode));
      continue;
    }
    TNodo& node = At(sat.Nodes, index);
    if (node.X == kCoordinateNotSet) {
      log.FramedError(Printf("Nodo %d obligatorio, sin coordenadas", e.SaturnNode));
      continue;
    }
    node.TransytNetwork = e.Network;
    if (node.JunctionType == 0) {
      log.Warning(Printf("   ATENCION: Nodo %d es Externo, no debe ser incluido en la red %d.\r"
                      "             Continua el proceso omitiendo este nodo.",
                      e.SaturnNode, e.Network));
      continue;
    }
    for (int p = 1; p <= qor.NumRedes; ++p) {
      auto& row = At(qor.RedNodos, p);
      if (row[0] == e.Network && static_cast<size_t>(index) < row.size()) {
        row[static_cast<size_t>(index)] = e.TransytNode;
        break;
      }
    }
  }
}

}  // namespace veltra
