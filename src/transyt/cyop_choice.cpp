#include "transyt/cyop_choice.h"

#include <algorithm>
#include <climits>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "model/tables.h"
#include "util/conversions.h"
#include "util/text.h"

namespace veltra {

namespace {

// A total that can never be the best one.
constexpr double kExcluded = 100000000.0;

// What the choice reads and sets: the settings, the signal plans and links of both models,
// and the log.
struct CyopModel {
  const Settings& Cfg;
  SaturnVars& Sat;
  QorVars& Qor;
  MessageLog& Log;
};

// The network's lists that impose or group node structures.
struct StructureLists {
  std::unordered_set<int32_t> Simple;
  std::unordered_set<int32_t> Doble;
  bool DobleListed = false;
  std::vector<std::vector<int32_t>> Groups;

  explicit StructureLists(const NetworkSettings& net) {
    for (const NodeListItem& item : net.NodoSimple.Items()) Simple.insert(item.Number);
    for (const NodeListItem& item : net.NodoDoble.Items()) Doble.insert(item.Number);
    DobleListed = !net.NodoDoble.Empty();
    for (const NodeGroup& group : net.Grupo)
      if (!group.Nodes.empty()) Groups.push_back(group.Nodes);
  }
};

using ColumnMarks = std::array<char, kCyopColumns + 1>;  // 'D' or 'S' per column 1..14

// Structure marker of every node row and column: CYOP's own marker, then the imposed lists,
// then the groups, which run double together in a column where any of them does.
// `dobleFrom`: the first column where a NodoDoble node is taken as double.
std::vector<ColumnMarks> NodeMarks(const CyopTable& table, const StructureLists& lists, int dobleFrom) {
  std::vector<ColumnMarks> marks(table.Rows.size());
  std::unordered_map<int32_t, std::vector<size_t>> rowsOfNode;
  for (size_t j = 0; j < table.Rows.size(); ++j) {
    const CyopRow& row = table.Rows[j];
    rowsOfNode[row.Node].push_back(j);
    for (int k = 1; k <= kCyopColumns; ++k) marks[j][static_cast<size_t>(k)] = row.Structure(k) == 'D' ? 'D' : 'S';
    if (lists.Simple.count(row.Node))
      for (int k = 1; k <= kCyopColumns; ++k) marks[j][static_cast<size_t>(k)] = 'S';
    if (lists.Doble.count(row.Node))
      for (int k = dobleFrom; k <= kCyopColumns; ++k) marks[j][static_cast<size_t>(k)] = 'D';
  }
  if (lists.Groups.empty()) return marks;

  // A node in several groups carries the double structure on to all of them.
  for (int k = 1; k <= kCyopColumns; ++k) {
    const size_t col = static_cast<size_t>(k);
    for (bool changed = true; changed;) {
      changed = false;
      for (const auto& group : lists.Groups) {
        bool anyDouble = false;
        for (int32_t node : group) {
          auto it = rowsOfNode.find(node);
          if (it == rowsOfNode.end()) continue;
          for (size_t j : it->second) anyDouble = anyDouble || marks[j][col] == 'D';
        }
        if (!anyDouble) continue;
        for (int32_t node : group) {
          auto it = rowsOfNode.find(node);
          if (it == rowsOfNode.end()) continue;
          for (size_t j : it->second) {
            if (marks[j][col] != 'D') {
              marks[j][col] = 'D';
              changed = true;
            }
          }
        }
      }
    }
  }
  return marks;
}

struct Totals {
  std::array<double, kCyopColumns + 1> Single{};
  std::array<double, kCyopColumns + 1> Double{};
};

bool AllNonZero(const std::array<double, kCyopColumns + 1>& totals, int from) {
  for (int k = from; k <= kCyopColumns; ++k)
    if (totals[static_cast<size_t>(k)] == 0) return false;
  return true;
}

// Totals per column. Under the double structure a double node's index is the one of the
// column five places to the left (the cycle twice as long, run twice), from column `lagFrom`
// on; before it, its own column's. The printed totals replace ours when CYOP printed them all.
Totals ColumnTotals(const CyopTable& table, const std::vector<ColumnMarks>& marks, int lagFrom, int firstSingle,
                    int firstDouble) {
  Totals totals;
  for (size_t j = 0; j < table.Rows.size(); ++j) {
    const CyopRow& row = table.Rows[j];
    for (int k = 1; k <= kCyopColumns; ++k) {
      const size_t col = static_cast<size_t>(k);
      totals.Single[col] += row.Index[col];
      bool lagged = marks[j][col] == 'D' && k >= lagFrom;
      totals.Double[col] += row.Index[lagged ? col - 5 : col];
    }
  }
  if (AllNonZero(table.SingleTotal, firstSingle) && AllNonZero(table.DoubleTotal, firstDouble)) {
    for (int k = firstSingle; k <= kCyopColumns; ++k)
      totals.Single[static_cast<size_t>(k)] = table.SingleTotal[static_cast<size_t>(k)];
    for (int k = firstDouble; k <= kCyopColumns; ++k)
      totals.Double[static_cast<size_t>(k)] = table.DoubleTotal[static_cast<size_t>(k)];
  }
  return totals;
}

// The column of the lowest total: `first` whatever its cycle, then any later column whose
// cycle is at most `maximoCiclo` and whose total is lower (the first of equal totals wins).
int BestColumn(const CyopTable& table, const std::array<double, kCyopColumns + 1>& totals, int first, int maximoCiclo) {
  int best = first;
  for (int k = first + 1; k <= kCyopColumns; ++k) {
    const size_t col = static_cast<size_t>(k);
    if (table.Cycle[col] <= maximoCiclo && totals[col] < totals[static_cast<size_t>(best)]) best = k;
  }
  return best;
}

// The winning structure and its node list. `column` is the winning column.
void LogStructure(CyopModel& model, const CyopTable& table, const std::vector<ColumnMarks>& marks, int column, bool doubleWins,
                  const StructureLists& lists) {
  MessageLog& log = model.Log;
  if (doubleWins) {
    log.Line("   Estructura Optima c/Dobles");
  } else {
    log.Line("   Estructura Optima Simple");
    if (lists.DobleListed) {
      log.Warning("   ATENCION: Los nodos impuestos con ciclo doble se han ignorado");
      log.Line();
    }
  }
  log.Text("      Nodos:");
  const size_t count = table.Rows.size();
  for (size_t j = 0; j < count; ++j) {
    char mark = doubleWins ? marks[j][static_cast<size_t>(column)] : 'S';
    log.Text(Printf("%4d%c", table.Rows[j].Node, mark));
    if ((j + 1) % 13 == 0 && j + 1 != count) {
      log.Line();
      log.Text("            ");
    }
  }
  log.Line();
  log.Line();
}

// A structure change of one node, for its links and turning movements.
struct StageChange {
  int32_t Stages = 0;  // stage count before the change
  bool ToDouble = false;
};

// The node's stages run twice in the cycle: stages N+1..2N repeat stages 1..N.
void DoublePlan(TPlanSemaforo& plan, int cycle, int dobleIgual) {
  const int n = plan.StageCount;
  for (int k = 1; k <= n; ++k) At(plan.Stages, n + k) = At(plan.Stages, k);
  plan.CycleTime = cycle;
  plan.RepeatIndicator = dobleIgual;
  plan.StageCount = 2 * n;
}

void SinglePlan(TPlanSemaforo& plan, int cycle) {
  plan.CycleTime = cycle;
  plan.StageCount /= 2;
  plan.RepeatIndicator = 0;
}

int32_t ChangedMask(int32_t mask, const StageChange& change) {
  if (change.ToDouble) return mask + (mask << change.Stages);
  return mask >> (change.Stages / 2);
}

// Applies the winning structure to the optimised nodes of the table (column `column`, its
// cycle `cycle`).
void ApplyStructure(CyopModel& model, NetworkPosition r, const CyopTable& table, const std::vector<ColumnMarks>& marks, int column,
                    bool doubleWins, int cycle, const StructureLists& lists) {
  SaturnVars& sat = model.Sat;
  QorVars& qor = model.Qor;
  const int dobleIgual = model.Cfg.Network(r).DobleIgual;
  const TRedNodos& network = qor.Network(r);

  std::unordered_map<int32_t, StageChange> changes;  // by SATURN node number
  std::unordered_set<int32_t> done;
  for (size_t j = 0; j < table.Rows.size(); ++j) {
    const int32_t transytNode = table.Rows[j].Node;
    const int32_t nodeIndex = network.NodeOfTransyt(transytNode);
    if (nodeIndex == 0 || static_cast<size_t>(nodeIndex) >= sat.Nodes.size()) continue;
    if (!done.insert(nodeIndex).second) continue;
    const TNodo& node = At(sat.Nodes, nodeIndex);
    TPlanSemaforo* signal = sat.PlanOf(nodeIndex);
    if (!node.Optimise || signal == nullptr) continue;
    TPlanSemaforo& plan = *signal;
    const int n = plan.StageCount;
    const bool currentlyDouble = n > 3 && plan.RepeatIndicator != 0;
    const bool markedDouble = marks[j][static_cast<size_t>(column)] == 'D';

    bool makeDouble = false;
    bool makeSingle = false;
    if (doubleWins) {
      if (currentlyDouble)
        makeSingle = !(markedDouble && !lists.Simple.count(transytNode));
      else
        makeDouble = markedDouble || lists.Doble.count(transytNode) > 0;
    } else {
      makeSingle = currentlyDouble;
    }

    // Only plans of two or three stages can run twice in the cycle, and only four or six
    // stages halve evenly; any other node keeps the structure it has.
    if (makeDouble && n != 2 && n != 3) {
      model.Log.Warning(Printf("   ATENCION: Nodo %d con %d etapas no admite ciclo doble, se mantiene su estructura",
                          transytNode, n));
      continue;
    }
    if (makeSingle && n != 4 && n != 6) {
      model.Log.Warning(Printf("   ATENCION: Nodo %d con %d etapas no admite ciclo simple, se mantiene su estructura",
                          transytNode, n));
      continue;
    }
    if (!makeDouble && !makeSingle) continue;
    changes[node.Number] = StageChange{n, makeDouble};
    if (makeDouble)
      DoublePlan(plan, cycle, dobleIgual);
    else
      SinglePlan(plan, cycle);
  }
  if (changes.empty()) return;

  for (int32_t a = 1; a <= qor.NumArcos && static_cast<size_t>(a) < qor.Arcos.size(); ++a) {
    TArco& arco = At(qor.Arcos, a);
    auto it = changes.find(arco.NodoB);
    if (it == changes.end()) continue;
    const StageChange& change = it->second;
    arco.NumEtapas = change.ToDouble ? 2 * change.Stages : change.Stages / 2;
    arco.MascaraEtapas = ChangedMask(arco.MascaraEtapas, change);
  }
  for (size_t t = 1; t < sat.Turns.size(); ++t) {
    TGiro& giro = sat.Turns[t];
    auto it = changes.find(giro.JunctionNode);
    if (it == changes.end()) continue;
    giro.StageMask = ChangedMask(giro.StageMask, it->second);
  }
}

// The run cannot go on without a cycle from CYOP.
[[noreturn]] void StopWithoutCycle(CyopModel& model, const std::string& reason) {
  MessageLog& log = model.Log;
  log.Line();
  log.Line("ERROR SEVERO:");
  log.Line("   No se puede obtener Ciclo Optimo");
  log.Line(reason);
  log.Line();
  log.Line("Deteniendo proceso ...");
  RunStop stop;
  stop.CloseMessagesFirst = true;
  throw stop;
}

void LoadCyopTable(CyopModel& model, const std::string& printFile, CyopTable& table) {
  if (!ReadCyopTable(printFile, table)) StopWithoutCycle(model, Printf("   No existe %s", printFile.c_str()));
}

}  // namespace

int StructureCycle(int c) {
  // Above 169 the last printed cycle serves, however large the cycle (a damaged print file's
  // heading can give any integer); below, the ten is taken wide enough for any negative one.
  if (c > 169) return 180;
  const long long s = std::max<long long>(static_cast<long long>(RoundEven(c / 10.0)) * 10, INT_MIN);
  if (s == 110) return c > 109 ? 120 : 100;
  if (s == 130) return c > 129 ? 140 : 120;
  if (s == 150) return c > 149 ? 160 : 140;
  if (s > 160) return 160;
  return static_cast<int>(s);
}

int CyopCycleChoice(const Settings& cfgIn, NetworkPosition r, const std::string& cyopPrintFile, SaturnVars& sat, QorVars& qor,
                    MessageLog& logIn) {
  CyopModel model{cfgIn, sat, qor, logIn};
  const NetworkSettings& net = cfgIn.Network(r);
  const Settings& cfg = model.Cfg;
  MessageLog& log = model.Log;

  CyopTable table;
  LoadCyopTable(model, cyopPrintFile, table);
  const int y = table.FirstCandidate;
  if (y == 0)
    StopWithoutCycle(model, Printf("   Ningun ciclo candidato en %s (todos \"TOO LOW\")", cyopPrintFile.c_str()));

  // The first double column: the last one whose cycle is short enough to be halved.
  int z = y;
  for (int k = z + 1; k <= kCyopColumns; ++k)
    if (table.Cycle[static_cast<size_t>(k)] <= net.MinimoCicloDoble) z = k;

  const StructureLists lists(net);
  const std::vector<ColumnMarks> marks = NodeMarks(table, lists, 6);
  Totals totals = ColumnTotals(table, marks, 6, y, z);

  const int bestSingle = BestColumn(table, totals.Single, y, cfg.MaximoCiclo);
  if (table.Cycle[static_cast<size_t>(z)] < net.MinimoCicloDoble) totals.Double[static_cast<size_t>(z)] = kExcluded;
  const int bestDouble = BestColumn(table, totals.Double, z, cfg.MaximoCiclo);
  double bestSingleTotal = totals.Single[static_cast<size_t>(bestSingle)];
  double bestDoubleTotal = totals.Double[static_cast<size_t>(bestDouble)];

  log.Line("   Busqueda Ciclo Optimo (Cyop)");
  log.Text("      Ciclos:");
  for (int k = y; k <= kCyopColumns; ++k) log.Text(Printf("%8d", table.Cycle[static_cast<size_t>(k)]));
  log.Line();
  if (net.CicloDoble) {
    bestSingleTotal = kExcluded;
  } else {
    log.Text("      Simple:");
    for (int k = y; k <= kCyopColumns; ++k) log.Text(Printf("%8.1f", totals.Single[static_cast<size_t>(k)]));
    log.Line();
  }
  if (net.CicloSimple) {
    bestDoubleTotal = kExcluded;
  } else {
    log.Text("      Dobles:");
    for (int k = y; k <= kCyopColumns; ++k)
      log.Text(k < z ? Printf("%8s", " ") : Printf("%8.1f", totals.Double[static_cast<size_t>(k)]));
    log.Line();
  }

  const bool doubleWins = bestSingleTotal > bestDoubleTotal;
  const int column = doubleWins ? bestDouble : bestSingle;
  LogStructure(model, table, marks, column, doubleWins, lists);
  model.Qor.DoubleStructure = doubleWins;
  const int cycle = table.Cycle[static_cast<size_t>(column)];
  ApplyStructure(model, r, table, marks, column, doubleWins, cycle, lists);
  return cycle;
}

int CyopStructureCheck(const Settings& cfg, NetworkPosition r, const std::string& cyopPrintFile, int s, int c, bool singleTestBest,
                       SaturnVars& sat, QorVars& qor, MessageLog& logIn) {
  CyopModel model{cfg, sat, qor, logIn};
  const NetworkSettings& net = cfg.Network(r);
  MessageLog& log = model.Log;

  CyopTable table;
  LoadCyopTable(model, cyopPrintFile, table);
  log.Line(Printf("   Buscando estructura para ciclo %d", s));
  int w = 0;
  for (int k = 1; k <= kCyopColumns; ++k)
    if (table.Cycle[static_cast<size_t>(k)] == s) w = k;
  if (w == 0) {
    log.Warning(Printf("   ATENCION: Ninguna columna de ciclo %d en %s, los nodos mantienen su estructura", s,
                    cyopPrintFile.c_str()));
    log.Line();
    return 0;
  }
  log.Line(Printf("   Usando estructura de ciclo %d (%d)", table.Cycle[static_cast<size_t>(w)], w));
  const int y = table.FirstCandidate;
  if (y == 0) {
    log.Warning(Printf("   ATENCION: Ningun ciclo candidato en %s (todos \"TOO LOW\"), los nodos mantienen su estructura",
                    cyopPrintFile.c_str()));
    log.Line();
    return 0;
  }

  const StructureLists lists(net);
  const std::vector<ColumnMarks> marks = NodeMarks(table, lists, 1);
  Totals totals = ColumnTotals(table, marks, 8, y, y);
  const size_t col = static_cast<size_t>(w);
  if (net.CicloDoble) totals.Single[col] = kExcluded;
  if (net.CicloSimple) totals.Double[col] = kExcluded;
  if (singleTestBest) totals.Double[col] = kExcluded;
  if (c < net.MinimoCicloDoble) totals.Double[col] = kExcluded;

  const bool doubleWins = totals.Single[col] > totals.Double[col];
  LogStructure(model, table, marks, w, doubleWins, lists);
  ApplyStructure(model, r, table, marks, w, doubleWins, table.Cycle[col], lists);
  return doubleWins ? 2 : 1;
}

}  // namespace veltra
