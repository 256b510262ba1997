#include "transyt/cycle_search.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "transyt/print_files.h"
#include "transyt/transyt_file.h"
#include "transyt/transyt_run.h"
#include "util/files.h"
#include "util/kwt_utils.h"
#include "util/text.h"

namespace veltra {

namespace {

// A total that can never be the best one.
constexpr double kExcluded = 100000000.0;

int NetworkNumber(const Run& run, int r) { return run.Qor.RedNodos[static_cast<size_t>(r)][0]; }
NetworkSettings& NetworkOf(Run& run, int r) { return run.Cfg.Red[static_cast<size_t>(r)]; }

std::string CyopDataFile(const Run& run, int r, int iteration) {
  return Printf("cyop_%d_%d.dat", iteration, NetworkNumber(run, r));
}

// Comma-separated TRANSYT node numbers; blanks are removed before splitting.
std::vector<int32_t> NodeNumbers(const std::string& list) {
  std::vector<int32_t> nodes;
  for (const auto& item : Split(RemoveBlanks(list), ','))
    if (!item.empty()) nodes.push_back(TextToInt(item));
  return nodes;
}

// The network's lists that impose or group node structures.
struct StructureLists {
  std::unordered_set<int32_t> Simple;
  std::unordered_set<int32_t> Doble;
  bool DobleListed = false;
  std::vector<std::vector<int32_t>> Groups;

  explicit StructureLists(const NetworkSettings& net) {
    for (int32_t n : NodeNumbers(net.NodoSimple)) Simple.insert(n);
    std::vector<int32_t> doble = NodeNumbers(net.NodoDoble);
    DobleListed = !doble.empty();
    Doble.insert(doble.begin(), doble.end());
    // Each Grupo_%d entry is held after a "/".
    for (const auto& group : Split(net.Grupo, '/')) {
      std::vector<int32_t> members = NodeNumbers(group);
      if (!members.empty()) Groups.push_back(std::move(members));
    }
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
void LogStructure(Run& run, const CyopTable& table, const std::vector<ColumnMarks>& marks, int column, bool doubleWins,
                  const StructureLists& lists) {
  MessageLog& log = run.Log;
  if (doubleWins) {
    log.Line("   Estructura Optima c/Dobles");
  } else {
    log.Line("   Estructura Optima Simple");
    if (lists.DobleListed) {
      log.Line("   ATENCION: Los nodos impuestos con ciclo doble se han ignorado");
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
  for (int k = 1; k <= n; ++k) plan.Stages[static_cast<size_t>(n + k)] = plan.Stages[static_cast<size_t>(k)];
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
void ApplyStructure(Run& run, int r, const CyopTable& table, const std::vector<ColumnMarks>& marks, int column,
                    bool doubleWins, int cycle, const StructureLists& lists) {
  SaturnVars& sat = run.Sat;
  QorVars& qor = run.Qor;
  const int dobleIgual = NetworkOf(run, r).DobleIgual;

  std::unordered_map<int32_t, int32_t> nodeOfTransyt;  // the first SATURN node listed
  const auto& row = qor.RedNodos[static_cast<size_t>(r)];
  for (size_t i = row.size(); i-- > 1;)
    if (row[i] != 0) nodeOfTransyt[row[i]] = static_cast<int32_t>(i);

  std::unordered_map<int32_t, StageChange> changes;  // by SATURN node number
  std::unordered_set<int32_t> done;
  for (size_t j = 0; j < table.Rows.size(); ++j) {
    const int32_t transytNode = table.Rows[j].Node;
    auto it = nodeOfTransyt.find(transytNode);
    if (it == nodeOfTransyt.end() || static_cast<size_t>(it->second) >= sat.Nodes.size()) continue;
    if (!done.insert(it->second).second) continue;
    const TNodo& node = sat.Nodes[static_cast<size_t>(it->second)];
    if (!node.Optimise) continue;
    if (node.SignalPlan < 1 || static_cast<size_t>(node.SignalPlan) >= sat.SignalPlans.size()) continue;
    TPlanSemaforo& plan = sat.SignalPlans[static_cast<size_t>(node.SignalPlan)];
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
      run.Log.Line(Printf("   ATENCION: Nodo %d con %d etapas no admite ciclo doble, se mantiene su estructura",
                          transytNode, n));
      continue;
    }
    if (makeSingle && n != 4 && n != 6) {
      run.Log.Line(Printf("   ATENCION: Nodo %d con %d etapas no admite ciclo simple, se mantiene su estructura",
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
    TArco& arco = qor.Arcos[static_cast<size_t>(a)];
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
[[noreturn]] void StopWithoutCycle(Run& run, const std::string& reason) {
  MessageLog& log = run.Log;
  log.Line();
  log.Line("ERROR SEVERO:");
  log.Line("   No se puede obtener Ciclo Optimo");
  log.Line(reason);
  log.Line();
  log.Line("Deteniendo proceso ...");
  log.CloseMessagesFile();
  throw RunStop{1, true};
}

void LoadCyopTable(Run& run, const std::string& printFile, CyopTable& table) {
  if (!ReadCyopTable(printFile, table)) StopWithoutCycle(run, Printf("   No existe %s", printFile.c_str()));
}

// One search of a network in one iteration.
class CycleSearcher {
 public:
  CycleSearcher(Run& run, int r, int iteration)
      : run_(run),
        r_(r),
        iteration_(iteration),
        number_(NetworkNumber(run, r)),
        net_(NetworkOf(run, r)),
        cyopData_(CyopDataFile(run, r, iteration)),
        cyopPrint_(ChangeExtension(cyopData_, ".cyo")) {}

  void Search() {
    run_.Qor.CicloPreasignado = net_.Ciclo < 0;
    switch (net_.OptimizaCiclo) {
      case 0:
        PreassignedCycle();
        break;
      case 1:
        CyopCycle();
        break;
      case 2:
        RangeTests();
        break;
      case 3:
        CyopThenTests();
        break;
      case 4:
      case 5:
        TestsWithStructure(net_.OptimizaCiclo == 5);
        break;
      default:
        KeepCycle();
        break;
    }
  }

 private:
  struct TestEntry {
    double Index = 0;
    int Cycle = 0;
    int Structure = 1;  // 0: the file did not allow double cycling
  };

  int32_t& NetworkCycle() { return run_.Qor.CicloRed[static_cast<size_t>(r_)]; }

  void CleanCyop() { DeleteRunFiles(cyopData_, run_.Cfg.BorrarCyop); }

  // A search range needs a step forward; a step below 1 would never reach its end.
  int Step() {
    if (net_.PasoCiclo >= 1) return net_.PasoCiclo;
    run_.Log.Line(Printf("   ATENCION: PasoCiclo %d no valido en red %d, se usa 1", net_.PasoCiclo, number_));
    return 1;
  }

  std::string TestFile(long long c, bool single) const {
    return Printf(single ? "t%d%d%lldS.dat" : "t%d%d%lld.dat", iteration_, number_, c);
  }

  void KeepCycle() {
    // A network that never searched keeps the cycle its data files are written with.
    if (NetworkCycle() == 0 && net_.Ciclo >= 1) NetworkCycle() = net_.Ciclo;
    run_.Log.Line(Printf("   Ciclo Predeterminado (%d,%d) : %d", iteration_, number_, NetworkCycle()));
  }

  void PreassignedCycle() {
    if (net_.Ciclo >= 1) {
      NetworkCycle() = net_.Ciclo;
      run_.Log.Line(Printf("   Ciclo Preasignado (%d,%d) : %d", iteration_, number_, NetworkCycle()));
      return;
    }
    // A cycle of 0 or below asks CYOP for the structure at the cycle's magnitude; the sign
    // comes back so that the next search does the same.
    net_.Ciclo = -net_.Ciclo;
    CyopRun();
    NetworkCycle() = net_.Ciclo;
    CyopStructureCheck(run_, r_, cyopPrint_, NetworkCycle(), NetworkCycle(), false);
    run_.Log.Line(Printf("   Ciclo Preasignado (%d,%d) : %d", iteration_, number_, NetworkCycle()));
    CleanCyop();
    net_.Ciclo = -net_.Ciclo;
  }

  void CyopCycle() {
    CyopRun();
    NetworkCycle() = CyopCycleChoice(run_, r_, cyopPrint_);
    run_.Log.Line(Printf("   Ciclo optimo Cyop (%d,%d) : %d", iteration_, number_, NetworkCycle()));
    CleanCyop();
  }

  void RangeTests() {
    const int step = Step();
    for (long long c = net_.CicloMinimo; c <= net_.CicloMaximo; c += step) TestRun(static_cast<int>(c), false);
    TakeBestTest();
    Report(false, net_.CicloMinimo, net_.CicloMaximo, step);
  }

  void CyopThenTests() {
    CyopRun();
    const int y = CyopCycleChoice(run_, r_, cyopPrint_);
    run_.Log.Line(Printf("   Ciclo Cyop (%d,%d) : %d", iteration_, number_, y));
    CleanCyop();

    const int step = Step();
    const long long from = static_cast<long long>(y) - net_.CicloMinimo;
    const long long to = static_cast<long long>(y) + net_.CicloMaximo;
    bool yTested = false;
    // Cycles above MaximoCiclo are skipped: the range ends there.
    const long long last = std::min<long long>(to, run_.Cfg.MaximoCiclo);
    for (long long c = from; c <= last; c += step) {
      if (run_.Qor.EstructuraDoble && c < net_.MinimoCicloDoble) continue;
      TestRun(static_cast<int>(c), false);
      yTested = yTested || c == y;
    }
    if (!yTested) TestRun(y, false);
    TakeBestTest();
    Report(false, from, last, step);
  }

  void TestsWithStructure(bool singleTests) {
    CyopRun();
    const int step = Step();
    const long long last = std::min<long long>(net_.CicloMaximo, run_.Cfg.MaximoCiclo);
    for (long long c = net_.CicloMinimo; c <= last; c += step) {
      const int cycle = static_cast<int>(c);
      run_.Log.Line();
      int structure = CyopStructureCheck(run_, r_, cyopPrint_, StructureCycle(cycle), cycle, false);
      TestRun(cycle, false);
      if (singleTests && structure == 2) TestRun(cycle, true);
    }
    const int best = TakeBestTest();
    const bool singleBest = singleTests && best >= 0 && tests_[static_cast<size_t>(best)].Structure == 0;
    CyopStructureCheck(run_, r_, cyopPrint_, StructureCycle(NetworkCycle()), NetworkCycle(), singleBest);
    CleanCyop();
    Report(true, net_.CicloMinimo, last, step);
  }

  void CyopRun() {
    run_.Log.Line(Printf("   Generando red Cyop (%d,%d)...", iteration_, number_));
    WriteTransytFile(run_, r_, cyopData_, 0, true);
    run_.Log.Line(Printf("   Corriendo CYOP (%d,%d)...", iteration_, number_));
    RunCyop(run_, cyopData_, cyopPrint_);
  }

  // A TRANSYT run at cycle c; `single`: the file does not allow double cycling.
  void TestRun(int c, bool single) {
    const std::string data = TestFile(c, single);
    const std::string print = ChangeExtension(data, ".prt");
    run_.Log.Line(Printf("   Generando red Test (%d,%d,%d)...", iteration_, number_, c));
    WriteTransytFile(run_, r_, data, c, !single);
    run_.Log.Line(
        Printf(single ? "   Corriendo Transyt/test (%d,%d,%d)... (Simple)" : "   Corriendo Transyt/test (%d,%d,%d)...",
               iteration_, number_, c));
    RunTransyt(run_, data, print);
    tests_.push_back(TestEntry{ReadPerformanceIndex(print), c, single ? 0 : 1});
    DeleteRunFiles(data, run_.Cfg.BorrarTest);
  }

  // The test with the lowest index, the earlier one on equal indices, becomes the network
  // cycle. Returns its position, -1 when nothing was tested (the cycle then stays).
  int TakeBestTest() {
    int best = -1;
    for (size_t j = 0; j < tests_.size(); ++j)
      if (best < 0 || tests_[j].Index < tests_[static_cast<size_t>(best)].Index) best = static_cast<int>(j);
    if (best >= 0) NetworkCycle() = tests_[static_cast<size_t>(best)].Cycle;
    return best;
  }

  void Report(bool twoDecimals, long long from, long long to, int step) {
    MessageLog& log = run_.Log;
    log.Line();
    log.Line(Printf("   Analizando Indices (%d,%d)", iteration_, number_));
    log.Text("      Ciclos:");
    for (const auto& t : tests_) log.Text(Printf("%8d", t.Cycle));
    log.Line();
    log.Text("      I.Perf:");
    for (const auto& t : tests_) log.Text(Printf(twoDecimals ? "%8.2f" : "%8.1f", t.Index));
    log.Line();
    log.Line(Printf("   Ciclo Indices (%d,%d) : %d", iteration_, number_, NetworkCycle()));
    log.EmptyLines(2);

    const int level = run_.Cfg.BorrarTest;
    if (level < 1) return;
    auto clean = [&](long long c) {
      DeleteRunFiles(TestFile(c, false), level);
      DeleteRunFiles(TestFile(c, true), level);
    };
    for (long long c = from; c <= to; c += step) clean(c);
    for (const auto& t : tests_) clean(t.Cycle);
  }

  Run& run_;
  const int r_;
  const int iteration_;
  const int number_;
  NetworkSettings& net_;
  const std::string cyopData_;
  const std::string cyopPrint_;
  std::vector<TestEntry> tests_;
};

}  // namespace

int StructureCycle(int c) {
  int s = RoundEven(c / 10.0) * 10;
  if (s == 110) return c > 109 ? 120 : 100;
  if (s == 130) return c > 129 ? 140 : 120;
  if (s == 150) return c > 149 ? 160 : 140;
  if (s > 160) return c > 169 ? 180 : 160;
  return s;
}

int CyopCycleChoice(Run& run, int r, const std::string& cyopPrintFile) {
  const NetworkSettings& net = NetworkOf(run, r);
  const Settings& cfg = run.Cfg;
  MessageLog& log = run.Log;

  CyopTable table;
  LoadCyopTable(run, cyopPrintFile, table);
  const int y = table.FirstCandidate;
  if (y == 0)
    StopWithoutCycle(run, Printf("   Ningun ciclo candidato en %s (todos \"TOO LOW\")", cyopPrintFile.c_str()));

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
  LogStructure(run, table, marks, column, doubleWins, lists);
  run.Qor.EstructuraDoble = doubleWins;
  const int cycle = table.Cycle[static_cast<size_t>(column)];
  ApplyStructure(run, r, table, marks, column, doubleWins, cycle, lists);
  return cycle;
}

int CyopStructureCheck(Run& run, int r, const std::string& cyopPrintFile, int s, int c, bool singleTestBest) {
  const NetworkSettings& net = NetworkOf(run, r);
  MessageLog& log = run.Log;

  CyopTable table;
  LoadCyopTable(run, cyopPrintFile, table);
  log.Line(Printf("   Buscando estructura para ciclo %d", s));
  int w = 0;
  for (int k = 1; k <= kCyopColumns; ++k)
    if (table.Cycle[static_cast<size_t>(k)] == s) w = k;
  if (w == 0) {
    log.Line(Printf("   ATENCION: Ninguna columna de ciclo %d en %s, los nodos mantienen su estructura", s,
                    cyopPrintFile.c_str()));
    log.Line();
    return 0;
  }
  log.Line(Printf("   Usando estructura de ciclo %d (%d)", table.Cycle[static_cast<size_t>(w)], w));
  const int y = table.FirstCandidate;
  if (y == 0) {
    log.Line(Printf("   ATENCION: Ningun ciclo candidato en %s (todos \"TOO LOW\"), los nodos mantienen su estructura",
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
  LogStructure(run, table, marks, w, doubleWins, lists);
  ApplyStructure(run, r, table, marks, w, doubleWins, table.Cycle[col], lists);
  return doubleWins ? 2 : 1;
}

void CycleSearch(Run& run, int r, int iteration) { CycleSearcher(run, r, iteration).Search(); }

void FinalTransytRun(Run& run, int r, int iteration) {
  const int number = NetworkNumber(run, r);
  const std::string data = Printf("%s_%d_%d.dat", run.TransytBase().c_str(), iteration, number);
  run.Log.Line(Printf("   Generando red Transyt (%d,%d)...", iteration, number));
  WriteTransytFile(run, r, data, run.Qor.CicloRed[static_cast<size_t>(r)], true);
  if (run.Cfg.CorreTransyt == 1) {
    run.Log.Line(Printf("   Corriendo Transyt (%d,%d)...", iteration, number));
    RunTransyt(run, data, ChangeExtension(data, ".prt"));
  }
}

}  // namespace veltra
