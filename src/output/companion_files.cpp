#include "output/companion_files.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <unordered_map>

#include "model/tables.h"
#include "util/files.h"
#include "util/text.h"

namespace veltra {

namespace {


int32_t Magnitude(int32_t number) { return number == INT32_MIN ? INT32_MAX : std::abs(number); }

int32_t LinkCount(const QorVars& qor) {
  return std::min<int32_t>(qor.NumArcos, static_cast<int32_t>(qor.Arcos.size()) - 1);
}

// The TRANSYT number (without sign) of a SATURN node number; 0 when the node is unknown.
int32_t TransytOf(const SaturnVars& sat, int32_t saturnNode) {
  int32_t i = sat.FindNode(saturnNode);
  return i == 0 ? 0 : Magnitude(At(sat.Nodes, i).TransytNode);
}

// The index of the neighbour at arm position j (the arm numbered j), 0 when no arm has that
// number or its A-node is unknown.
int32_t NeighbourAt(const SaturnVars& sat, const TNodo& node, int j) {
  int arms = std::min(node.ArmCount, kMaxArms);
  for (int k = 1; k <= arms; ++k) {
    const TConector& arm = At(node.Arms, k);
    if (arm.ArmNumber == j) return sat.FindNode(arm.ANode);
  }
  return 0;
}

// Numbers for the neighbours outside the network. A neighbour keeps its SATURN number when
// the network does not use it as a TRANSYT number (or it is above the TRANSYT range); else
// it takes the first TRANSYT number that is neither used by the network nor given to another
// neighbour, so that no number names two nodes in the file.
class OutsideNumbers {
 public:
  OutsideNumbers(const SaturnVars& sat, const QorVars& qor, const std::vector<size_t>& networkNodes)
      : used_(qor.NodoTransytUsado) {
    used_.resize(kMaxTransytNode + 1, 0);
    taken_ = used_;
    for (size_t i : networkNodes) {
      const TNodo& node = sat.Nodes[i];
      for (int j = 1; j <= std::min(node.ArmCount, kMaxArms); ++j) {
        int32_t n = NeighbourAt(sat, node, j);
        if (n == 0) continue;
        const TNodo& neighbour = At(sat.Nodes, n);
        int32_t s = neighbour.Number;
        if (neighbour.TransytNode <= 0 && s >= 1 && s <= kMaxTransytNode && !used_[static_cast<size_t>(s)])
          taken_[static_cast<size_t>(s)] = 1;
      }
    }
  }

  // The number written for the neighbour; its TRANSYT number becomes that number negated.
  int32_t Give(TNodo& neighbour, size_t index) {
    auto known = given_.find(index);
    if (known != given_.end()) return known->second;
    int32_t s = neighbour.Number;
    int32_t number = s;
    if (s >= 1 && s <= kMaxTransytNode && used_[static_cast<size_t>(s)]) {
      for (int32_t p = 1; p <= kMaxTransytNode; ++p) {
        if (taken_[static_cast<size_t>(p)]) continue;
        taken_[static_cast<size_t>(p)] = 1;
        number = p;
        break;
      }
    }
    neighbour.TransytNode = number == INT32_MIN ? INT32_MAX : -number;
    given_.emplace(index, number);
    return number;
  }

 private:
  std::vector<uint8_t> used_;   // TRANSYT numbers of the network's nodes
  std::vector<uint8_t> taken_;  // also the numbers kept or given by outside neighbours
  std::unordered_map<size_t, int32_t> given_;
};

}  // namespace

void WriteTopFile(int32_t network, SaturnVars& sat, const QorVars& qor, MessageLog& log, TextWriter& out) {
  int32_t number = network;
  // The network's junctions, from its row of the node list, in node order.
  std::vector<size_t> networkNodes;
  const NetworkPosition position = qor.PositionOf(NetworkNumber(number));
  if (position.Value() > 0)
    for (int32_t i : qor.Network(position).Members())
      if (static_cast<size_t>(i) < sat.Nodes.size() && number != 0 && sat.Nodes[static_cast<size_t>(i)].TransytNetwork == number)
        networkNodes.push_back(static_cast<size_t>(i));
  OutsideNumbers outside(sat, qor, networkNodes);

  for (size_t i : networkNodes) {
    sat.Nodes[i].TransytMark = 1;
    std::string line = IntText(sat.Nodes[i].TransytNode, 7);
    int arms = std::min(sat.Nodes[i].ArmCount, kMaxArms);
    for (int j = 1; j <= arms; ++j) {
      int32_t n = NeighbourAt(sat, sat.Nodes[i], j);
      int32_t written = 0;  // no arm holds this position
      if (n != 0) {
        TNodo& neighbour = At(sat.Nodes, n);
        neighbour.TransytMark = 1;
        written = neighbour.TransytNode > 0 ? neighbour.TransytNode : outside.Give(neighbour, static_cast<size_t>(n));
      }
      AppendInt(line, written, 7);
    }
    out.Line(line);
  }

  // Only the network's own nodes carry a TRANSYT network once it is built.
  for (size_t i : networkNodes) {
    const TNodo& node = sat.Nodes[i];
    if (!node.TransytMark || node.X != kCoordinateNotSet) continue;
    log.FramedError(Printf("Nodo %d requerido, sin coordenadas", node.Number));
  }
}

void WriteDicFile(const SaturnVars& sat, TextWriter& out) {
  std::string line;  // "%5d%10d"
  for (size_t i = 1; i < sat.Nodes.size(); ++i) {
    const TNodo& node = sat.Nodes[i];
    if (!node.TransytMark) continue;
    line.clear();
    AppendInt(line, Magnitude(node.TransytNode), 5);
    AppendInt(line, node.Number, 10);
    out.Line(line);
  }
}

void WriteCsvFile(const QorVars& qor, TextWriter& out) {
  int32_t count = LinkCount(qor);
  std::string line;  // "%d,%s,%d,%d,%s"
  for (int32_t i = 1; i <= count; ++i) {
    const TArco& arco = At(qor.Arcos, i);
    line.clear();
    AppendInt(line, arco.Numero);
    line += arco.EsPublico ? ",BUS," : ",,";
    AppendInt(line, arco.NodoA);
    line += ',';
    AppendInt(line, arco.NodoB);
    line += ',';
    line += arco.Salidas;
    out.Line(line);
  }
}

void WriteArcFile(const SaturnVars& sat, const QorVars& qor, TextWriter& out) {
  int32_t count = LinkCount(qor);
  std::string exits, lanes, line;
  for (int32_t i = 1; i <= count; ++i) {
    const TArco& arco = At(qor.Arcos, i);
    exits.clear();
    lanes.clear();
    for (int32_t c : ExitList(arco.Salidas)) {
      const char* separator = exits.empty() && lanes.empty() ? "" : "/";
      int32_t t = sat.FindTurn(arco.NodoA, arco.NodoB, c);
      const TGiro* turn = t != 0 ? &At(sat.Turns, t) : nullptr;
      // "%s%d" and "%s%d-%d", built up without a printf per exit
      exits += separator;
      AppendInt(exits, TransytOf(sat, c));
      lanes += separator;
      AppendInt(lanes, turn ? turn->FirstLane : 0);
      lanes += '-';
      AppendInt(lanes, turn ? turn->LastLane : 0);
    }
    // "%d,%d,%d,%s,%s"
    line.clear();
    AppendInt(line, arco.Numero);
    line += ',';
    AppendInt(line, TransytOf(sat, arco.NodoA));
    line += ',';
    AppendInt(line, TransytOf(sat, arco.NodoB));
    line += ',';
    line += exits;
    line += ',';
    line += lanes;
    out.Line(line);
  }
}

void WriteGeoFile(const SaturnVars& sat, TextWriter& out) {
  for (size_t i = 1; i < sat.Nodes.size(); ++i) {
    const TNodo& node = sat.Nodes[i];
    if (node.TransytMark)
      out.Line(Printf("%d,%.2f,%.2f", Magnitude(node.TransytNode), static_cast<double>(node.X),
                      static_cast<double>(node.Y)));
  }
}

void WriteGiroFile(const SaturnVars& sat, QorVars& qor, TextWriter& out) {
  int32_t count = LinkCount(qor);
  std::string line;
  for (int32_t i = 1; i <= count; ++i) {
    TArco& arco = At(qor.Arcos, i);
    arco.PresenciaClase = {0, 0, 0};
    for (int32_t c : ExitList(arco.Salidas)) {
      int32_t t = sat.FindTurn(arco.NodoA, arco.NodoB, c);
      if (t == 0) continue;
      const TGiro& turn = At(sat.Turns, t);
      if (turn.Direction < -1 || turn.Direction > 1) continue;
      bool present;
      if (arco.EsPublico) {
        // A bus corridor carries the other buses; elsewhere the fixed flow is the buses'.
        float otherBus = static_cast<size_t>(t) < sat.OtherBusTurn.size() ? At(sat.OtherBusTurn, t) : 0;
        present = arco.Corredor ? otherBus > 0 : turn.FixedFlow > 0;
      } else {
        present = turn.TurnValue > 0;
      }
      if (present) arco.PresenciaClase[static_cast<size_t>(turn.Direction + 1)] = 1;
    }
    // "%d,%d,%d,%d"
    line.clear();
    AppendInt(line, arco.Numero);
    for (const auto presence : arco.PresenciaClase) {
      line += ',';
      AppendInt(line, presence);
    }
    out.Line(line);
  }
}

void WriteCompanionFiles(const TransytDataFile& dataFile, SaturnVars& sat, QorVars& qor, MessageLog& log) {
  const int32_t network = dataFile.Network.Value();
  // Each file is complete and closed before the next is begun.
  auto write = [&dataFile](const char* extension, const auto& writer) {
    WriteTextFile(ChangeExtension(dataFile.Name, extension), writer);
  };
  write(".top", [&](TextWriter& out) { WriteTopFile(network, sat, qor, log, out); });
  write(".dic", [&](TextWriter& out) { WriteDicFile(sat, out); });
  write(".csv", [&](TextWriter& out) { WriteCsvFile(qor, out); });
  write(".arc", [&](TextWriter& out) { WriteArcFile(sat, qor, out); });
  write(".geo", [&](TextWriter& out) { WriteGeoFile(sat, out); });
  write(".giro", [&](TextWriter& out) { WriteGiroFile(sat, qor, out); });
}

}  // namespace veltra
