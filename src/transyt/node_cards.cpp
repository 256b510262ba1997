#include "transyt/node_cards.h"

#include <algorithm>
#include <climits>

#include "model/tables.h"
#include "util/conversions.h"

namespace veltra {

namespace {


// A link number a few places on (the public-transport links of a link follow it by 3 and 6).
int32_t NumberPlus(int32_t number, int32_t step) {
  return static_cast<int32_t>(static_cast<int64_t>(number) + step);
}

// "            Valores Originales: vm1 = %d  vm2 = %d ..."
std::string ValuesLine(const char* label, const std::vector<int32_t>& values) {
  std::string line = std::string(12, ' ') + label + ":";
  for (size_t k = 0; k < values.size(); ++k)
    line += Printf("%s vm%d = %d", k == 0 ? "" : " ", static_cast<int>(k + 1), values[k]);
  return line;
}

int32_t TimingCardNumber(int stages, bool doubled) {
  switch (stages) {
    case 2: return 12;
    case 3: return 13;
    case 4: return doubled ? 22 : 14;
    case 5: return 15;
    case 6: return doubled ? 23 : 16;
    default: return 0;
  }
}

}  // namespace

namespace {

// Field `position` (1 = the card number) of card `card`, in its five columns.
std::string CardField(int32_t card, size_t position, int32_t value) {
  if (value > 99999 || value < -9999)
    throw CardFieldError(Printf("tarjeta %d, campo %zu: el valor %d no cabe en 5 columnas", card, position, value));
  return IntText(value, 5);
}

}  // namespace

std::string CardText(const std::vector<int32_t>& fields, int32_t card, size_t firstPosition) {
  std::string line;
  for (size_t i = 0; i < fields.size(); ++i) line += CardField(card, firstPosition + i, fields[i]);
  return line;
}

std::string CardText(const std::vector<int32_t>& fields) {
  return CardText(fields, fields.empty() ? 0 : fields[0], 1);
}

void CardLines::Add(std::initializer_list<int32_t> entry) {
  if (count_ == 0) line_ = CardField(card_, 1, card_);
  size_t position = line_.size() / 5;
  for (int32_t f : entry) line_ += CardField(card_, ++position, f);
  if (++count_ == perLine_) Finish();
}

void CardLines::Finish() {
  if (count_ == 0) return;
  out_.Line(line_);
  count_ = 0;
  line_.clear();
}

std::unordered_map<int32_t, int32_t> LinkNumberIndex(const QorVars& qor) {
  std::unordered_map<int32_t, int32_t> index;
  int32_t count = std::min<int32_t>(qor.NumArcos, static_cast<int32_t>(qor.Arcos.size()) - 1);
  for (int32_t i = 1; i <= count; ++i) index[At(qor.Arcos, i).Numero] = i;
  return index;
}

int32_t CycleSteps(int32_t cycle) {
  if (cycle <= 60) return cycle;
  return std::min(60, RoundEven(cycle / 2.0));
}

std::vector<int32_t> CardOne(const NetworkSettings& net, TransytFileKind kind, int32_t cycle) {
  const bool cyop = kind == TransytFileKind::Cyop;
  return {1,
          cycle,
          CycleSteps(cycle),
          net.TiempoSim,
          net.TpoD1,
          net.TpoD2,
          net.equisat,
          cyop ? 1 : 0,
          net.FactFlu,
          net.FactVel,
          net.TpoVelo,
          cyop ? 0 : net.Optimiza,
          net.Dispersion,
          net.Output,
          net.Pdelay,
          net.Pstop};
}

namespace {

// The indices of the network's nodes in node order, within the node table.
template <class Visit>
void ForEachNetworkNode(const TRedNodos& network, const SaturnVars& sat, const Visit& visit) {
  for (int32_t i : network.Members()) {
    if (static_cast<size_t>(i) >= sat.Nodes.size()) break;
    visit(static_cast<size_t>(i));
  }
}

}  // namespace

void RaisePriorityNodes(const NetworkSettings& net, const TRedNodos& row, SaturnVars& sat) {
  if (net.NodoPrioridad.Empty()) return;
  const int32_t network = row.Number.Value();
  ForEachNetworkNode(row, sat, [&](size_t i) {
    TNodo& node = sat.Nodes[i];
    if (node.NodeClass != 2 || !InNetwork(node, network)) return;
    if (net.NodoPrioridad.Has(node.TransytNode)) node.NodeClass = 3;
  });
}

void WriteCardTwo(const NetworkSettings& net, const TRedNodos& row, SaturnVars& sat, MessageLog& log, TextWriter& out) {
  const int32_t number = row.Number.Value();
  CardLines card(out, 2, 15);

  // The network's nodes by their TRANSYT numbers, the last one holding each (the others carry
  // no number once the network is built).
  std::unordered_map<int32_t, size_t> byTransyt;
  ForEachNetworkNode(row, sat, [&](size_t i) {
    TNodo& node = sat.Nodes[i];
    byTransyt[node.TransytNode] = i;
    if (node.NodeClass != 2 || !InNetwork(node, number)) return;
    bool optimise = !net.NoOptimiza.Has(node.TransytNode);
    node.Optimise = optimise ? 1 : 0;
    if (optimise) card.Add({node.TransytNode});
  });

  // Coordinated groups: every node but the last written negated.
  for (const NodeGroup& entry : net.Coordina) {
    const std::vector<int32_t>& group = entry.Nodes;
    for (size_t k = 0; k < group.size(); ++k) {
      int32_t t = group[k];
      if (k + 1 == group.size()) {
        card.Add({t});
        continue;
      }
      auto found = byTransyt.find(t);
      if (found == byTransyt.end() || sat.Nodes[found->second].NodeClass != 2) {
        log.FramedError(Printf("Intenta coordinar nodo %d, no semaforizado", t));
      }
      card.Add({t == INT32_MIN ? INT32_MAX : -t});
    }
  }
  card.Finish();
}

void WriteCardSeven(const QorVars& qor, TextWriter& out) {
  std::unordered_map<int32_t, int32_t> index = LinkNumberIndex(qor);
  auto exists = [&index](int32_t numero) { return index.count(numero) != 0; };
  CardLines card(out, 7, 3);
  int32_t count = std::min<int32_t>(qor.NumArcos, static_cast<int32_t>(qor.Arcos.size()) - 1);
  for (int32_t i = 1; i <= count; ++i) {
    const TArco& arco = At(qor.Arcos, i);
    if (arco.Corredor) continue;
    int32_t l = arco.Numero;
    int32_t l3 = NumberPlus(l, 3);
    if (!exists(l3)) continue;
    if (arco.EsPublico) {
      // A public-transport link that itself follows a link by 3 is written with that link.
      if (!exists(NumberPlus(l, -3))) card.Add({l, l3, 0, 0, 0});
    } else {
      int32_t l6 = NumberPlus(l, 6);
      card.Add({l, l3, exists(l6) ? l6 : 0, 0, 0});
    }
  }
  card.Finish();
}

void ReadGivenMinimumGreens(const NetworkSettings& net, const TRedNodos& network, SaturnVars& sat, MessageLog& log) {
  for (const MinimumGreenEntry& entry : net.VerdeMin) {
    const int32_t t = entry.Node;
    const int32_t nodeIndex = network.NodeOfTransyt(t);
    if (nodeIndex == 0 || static_cast<size_t>(nodeIndex) >= sat.Nodes.size()) continue;
    TNodo& node = sat.Nodes[static_cast<size_t>(nodeIndex)];
    node.MinGreenGiven = 1;
    node.MinGreen = entry.Greens;
    const TPlanSemaforo* plan = sat.PlanOf(nodeIndex);
    if (plan == nullptr) continue;
    int n = plan->StageCount;
    if (n >= 1 && n <= 6 && node.MinGreen[static_cast<size_t>(n)] == 0)
      log.Error(Printf("*** ERROR: NO se proporciono verde minimo %d para nodo %d (%d)", n, t, node.Number));
  }
}

int32_t ComputedMinimumGreen(const TPlanSemaforo& plan, int stage, int length, double laneWidth) {
  int previous = stage == 1 ? length : stage - 1;
  if (previous < 1 || previous > kMaxStages) return 0;
  const TFase& block = At(plan.Stages, previous);
  double p = block.GreenLanes;
  double minimum = std::max({8.0, p * laneWidth / 1.4 + 5.0, 1.1 * laneWidth * p});
  return RoundEven(minimum) + block.Intergreen;
}

void FitToCycle(std::vector<int32_t>& values, int32_t cycle, bool half, int32_t transytNode, MessageLog& log) {
  if (values.empty()) return;
  int64_t sum = 0;
  for (int32_t v : values) sum += v;
  if (half) sum *= 2;
  if (sum <= cycle || sum <= 0) return;
  log.AddError("");
  log.AddError(Printf("*** ERROR - Suma de verdes mínimos (%lld) excede ciclo (%d) en nodo %d",
                      static_cast<long long>(sum), cycle, transytNode));
  log.AddError(ValuesLine("Valores Originales", values));
  int64_t others = 0;
  for (size_t k = 0; k + 1 < values.size(); ++k) {
    values[k] = RoundEven(static_cast<double>(static_cast<int64_t>(values[k]) * cycle) / static_cast<double>(sum));
    others += values[k];
  }
  values.back() = half ? RoundEven(cycle / 2.0 - static_cast<double>(others)) : static_cast<int32_t>(cycle - others);
  log.AddError(ValuesLine("Valores Corregidos", values));
}

TimingCard NodeTimingCard(const TNodo& node, const TPlanSemaforo& plan, int32_t cycle, double laneWidth,
                          bool optimised, bool allowDouble, MessageLog& log) {
  TimingCard result;
  int stages = plan.StageCount;
  if (stages < 2 || stages > 6) return result;
  if (!optimised && stages == 5) {
    // Fixed timings have no five-stage card: TRANSYT keeps its own timings for the node.
    log.Warning(Printf("   ATENCION: Nodo %d (%d) con 5 fases y tiempos fijos, sin tarjeta de tiempos.", node.TransytNode,
                    node.Number));
    return result;
  }
  // Double cycling: the first half of the stages, repeated twice in the cycle.
  bool doubled = plan.RepeatIndicator == 1 && allowDouble && (stages == 4 || stages == 6);
  int n = doubled ? stages / 2 : stages;
  bool given = node.MinGreenGiven != 0;

  std::vector<int32_t> values(static_cast<size_t>(n));
  std::vector<int32_t> starts(static_cast<size_t>(n), 0);
  for (int k = 1; k <= n; ++k) {
    int32_t& v = values[static_cast<size_t>(k - 1)];
    if (given) {
      v = node.MinGreen[static_cast<size_t>(k)];
    } else if (optimised) {
      v = ComputedMinimumGreen(plan, k, n, laneWidth);
    } else {
      // The plan's stage lengths scaled to the network cycle; a stage runs from the end of
      // the preceding stage's intergreen.
      float ratio = plan.CycleTime > 0 ? static_cast<float>(cycle) / static_cast<float>(plan.CycleTime) : 1.0f;
      int previous = k == 1 ? n : k - 1;
      const TFase& block = At(plan.Stages, k);
      v = RoundEven(static_cast<double>(ratio) *
                    (block.GreenTime + At(plan.Stages, previous).Intergreen));
    }
  }
  FitToCycle(values, cycle, doubled, node.TransytNode, log);

  if (optimised) {
    result.MinGreens = values;
  } else {
    int32_t wrap = doubled ? RoundEven(cycle / 2.0) : cycle;
    int64_t start = plan.Offset;
    for (int k = 1; k <= n; ++k) {
      starts[static_cast<size_t>(k - 1)] = static_cast<int32_t>(start);
      start += values[static_cast<size_t>(k - 1)];
      if (start > wrap) start -= wrap;
    }
    result.MinGreens = values;
    if (!given)
      for (int k = 1; k <= n; ++k) result.MinGreens[static_cast<size_t>(k - 1)] = ComputedMinimumGreen(plan, k, n, laneWidth);
  }

  result.Fields = {TimingCardNumber(stages, doubled), node.TransytNode};
  for (int k = 0; k < n; ++k) {
    result.Fields.push_back(starts[static_cast<size_t>(k)]);
    result.Fields.push_back(result.MinGreens[static_cast<size_t>(k)]);
  }
  return result;
}

void WriteTimingCards(const NetworkSettings& net, const TRedNodos& row, bool preassigned, SaturnVars& sat,
                      MessageLog& log, TextWriter& out, int32_t cycle, bool allowDouble) {
  const int32_t number = row.Number.Value();
  bool networkOptimised = OptimisesCycle(net.OptimizaCiclo) || preassigned || net.Optimiza != 0;
  ForEachNetworkNode(row, sat, [&](size_t i) {
    const TNodo& node = sat.Nodes[i];
    TPlanSemaforo* signal = sat.PlanOf(static_cast<int32_t>(i));
    if (node.NodeClass != 2 || !InNetwork(node, number) || signal == nullptr) return;
    TPlanSemaforo& plan = *signal;
    TimingCard card =
        NodeTimingCard(node, plan, cycle, net.AnchoPista, node.Optimise && networkOptimised, allowDouble, log);
    for (size_t k = 0; k < card.MinGreens.size(); ++k) plan.Stages[k + 1].MinimumGreen = card.MinGreens[k];
    if (!card.Fields.empty()) out.Line(CardText(card.Fields));
  });
}

}  // namespace veltra
