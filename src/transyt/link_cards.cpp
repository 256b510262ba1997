#include "transyt/link_cards.h"

#include <algorithm>
#include <array>
#include <string>

#include "model/tables.h"
#include "transyt/node_cards.h"
#include "util/conversions.h"

namespace veltra {

namespace {

constexpr int kMinPeriodStages = 2;
constexpr int kMaxPeriodStages = 6;

using PeriodTable = std::array<std::vector<std::vector<StagePeriod>>, kMaxPeriodStages + 1>;

std::vector<StagePeriod> PeriodsByRule(int stages, int mask) {
  std::vector<StagePeriod> periods;
  int all = (1 << stages) - 1;
  if (mask == 0) return periods;
  if (mask == all) return {{1, 1}};
  auto green = [mask](int stage) { return (mask >> (stage - 1) & 1) != 0; };
  auto next = [stages](int stage) { return stage == stages ? 1 : stage + 1; };
  auto previous = [stages](int stage) { return stage == 1 ? stages : stage - 1; };
  for (int s = 1; s <= stages; ++s) {
    if (!green(s) || green(previous(s))) continue;
    int last = s;
    while (green(next(last))) last = next(last);
    periods.push_back({s, next(last)});
  }
  return periods;
}

PeriodTable BuildPeriodTable() {
  PeriodTable table;
  for (int n = kMinPeriodStages; n <= kMaxPeriodStages; ++n) {
    table[static_cast<size_t>(n)].resize(static_cast<size_t>(1) << n);
    for (int mask = 0; mask < (1 << n); ++mask)
      table[static_cast<size_t>(n)][static_cast<size_t>(mask)] = PeriodsByRule(n, mask);
  }
  // Six stages, green in stages 1, 3 and 6: the period through stage 1 comes first.
  table[6][0x25] = {{6, 2}, {3, 4}};
  return table;
}

std::vector<int32_t> CommonTail(const TArco& arco, int32_t largoMaximo) {
  return {std::min(arco.Largo, largoMaximo), arco.EsDetalle ? arco.DatoDetalle : 0, arco.FlujoSat, 0, 0,
          arco.Carriles};
}

int32_t LinkCount(const QorVars& qor) {
  return std::min<int32_t>(qor.NumArcos, static_cast<int32_t>(qor.Arcos.size()) - 1);
}

// Card 30 for every give-way relation; marks the links it writes.
void WriteGiveWayCards(const Settings& cfg, QorVars& qor, TextWriter& out) {
  int32_t count = LinkCount(qor);
  for (int32_t i = 1; i <= count; ++i) At(qor.Arcos, i).Escrito = 0;
  std::unordered_map<int32_t, int32_t> byNumber = LinkNumberIndex(qor);
  int32_t cases = std::min<int32_t>(qor.NumCasos, static_cast<int32_t>(qor.Casos.size()) - 1);
  for (int32_t i = 1; i <= cases; ++i) {
    const TCaso& c = At(qor.Casos, i);
    std::string line = CardText({30, c.Link, c.Opposing1, c.Opposing2, c.Percentage, 22,
                                 c.Opposing1 >= 1 && c.Opposing2 >= 1 ? 19 : 0});
    line += std::string(20, ' ');
    line += CardText({LargoMaximo(cfg, c.Length), 0, c.GiveWayValue, 0, 0, c.Lanes}, 30, 12);
    out.Line(line);
    auto found = byNumber.find(c.Link);
    if (found != byNumber.end()) At(qor.Arcos, found->second).Escrito = 1;
  }
}

void WriteSignalCards(const Settings& cfg, const SaturnVars& sat, QorVars& qor, TextWriter& out, bool allowDouble) {
  int32_t count = LinkCount(qor);
  for (int32_t i = 1; i <= count; ++i) {
    TArco& arco = At(qor.Arcos, i);
    if (arco.MarcaTramo != 0 && !arco.EsPublico) continue;
    arco.Escrito = 1;
    out.Line(CardText(SignalCard(sat, arco, allowDouble, cfg.LargoMaximo)));
  }
  for (int32_t i = 1; i <= count; ++i) {
    const TArco& arco = At(qor.Arcos, i);
    if (!arco.Escrito) out.Line(CardText(UncontrolledCard(arco, cfg.LargoMaximo)));
  }
}

void WriteFlowCards(const NetworkSettings& net, QorVars& qor, TextWriter& out) {
  int32_t count = LinkCount(qor);
  for (int32_t i = 1; i <= count; ++i) out.Line(CardText(FlowCard(At(qor.Arcos, i), net)));
}

// Calls `take` for every link of the movement (a, b, c) of a card 35 or 38 entry.
template <class F>
void ForEachLinkOf(const QorVars& qor, int32_t a, int32_t b, int32_t c, F take) {
  int32_t count = LinkCount(qor);
  for (int32_t i = qor.NextLinkOfMovement(0, a, b, c); i <= count; i = qor.NextLinkOfMovement(i, a, b, c))
    take(At(qor.Arcos, i));
}

void WriteGraphCards(const NetworkSettings& net, const QorVars& qor, TextWriter& out) {
  CardLines card(out, 35, 8);
  for (const GraphEntry& entry : net.Grafico) {
    const int32_t mode = entry.Mode;
    ForEachLinkOf(qor, entry.A, entry.B, entry.C, [&](const TArco& arco) {
      // Mode 0 and 1: general traffic; 2: public transport; 3: both.
      bool take = arco.EsPublico ? (mode == 2 || mode == 3) : (mode == 0 || mode == 1 || mode == 3);
      if (take) card.Add({arco.Numero});
    });
  }
  card.Finish();
}

void WriteQueueCards(const NetworkSettings& net, const QorVars& qor, TextWriter& out) {
  for (const QueueEntry& entry : net.Cola) {
    ForEachLinkOf(qor, entry.A, entry.B, entry.C,
                  [&](const TArco& arco) { out.Line(CardText({38, arco.Numero, entry.First, entry.Second})); });
  }
}

}  // namespace

int32_t LargoMaximo(const Settings& cfg, int32_t largo) { return std::min(largo, cfg.LargoMaximo); }

const std::vector<StagePeriod>& StagePeriods(int stages, int mask) {
  static const PeriodTable table = BuildPeriodTable();
  static const std::vector<StagePeriod> none;
  if (stages < kMinPeriodStages || stages > kMaxPeriodStages) return none;
  // Bits beyond the node's stages name no stage.
  mask &= (1 << stages) - 1;
  return table[static_cast<size_t>(stages)][static_cast<size_t>(mask)];
}

std::vector<int32_t> SignalCard(const SaturnVars& sat, const TArco& arco, bool allowDouble, int32_t largoMaximo) {
  std::vector<int32_t> control(9, 0);
  int32_t nodeIndex = arco.MascaraEtapas >= 1 && !arco.MarcaF ? sat.FindNode(arco.NodoB) : 0;
  const TNodo* node = nodeIndex != 0 ? &At(sat.Nodes, nodeIndex) : nullptr;
  const TPlanSemaforo* signal = node != nullptr && node->NodeClass == 2 ? sat.PlanOf(nodeIndex) : nullptr;
  if (signal != nullptr) {
    const TPlanSemaforo& plan = *signal;
    int stages = plan.StageCount;
    int mask = arco.MascaraEtapas;
    // A double-cycled node runs the first half of its stages twice: the link is described
    // within that half.
    bool halved = plan.RepeatIndicator == 1 && allowDouble;
    if (halved) {
      stages = RoundEven(stages / 2.0);
      if (stages == 2) mask &= 3;
      if (stages == 3) mask &= 7;
    }
    const std::vector<StagePeriod>& periods = StagePeriods(stages, mask);
    if (!periods.empty() && periods[0].Start != periods[0].End) {
      control = {node->TransytNode, periods[0].Start, arco.EntreVerdeInicial, periods[0].End, arco.Lag35, 0, 0, 0, 0};
      if (periods.size() > 1 && !halved) {
        control[5] = periods[1].Start;
        control[6] = arco.EntreVerdeInicial;
        control[7] = periods[1].End;
      }
    }
  }
  std::vector<int32_t> card = {31, arco.Numero};
  card.insert(card.end(), control.begin(), control.end());
  std::vector<int32_t> tail = CommonTail(arco, largoMaximo);
  card.insert(card.end(), tail.begin(), tail.end());
  return card;
}

std::vector<int32_t> UncontrolledCard(const TArco& arco, int32_t largoMaximo) {
  std::vector<int32_t> card = {31, arco.Numero, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                               std::min(arco.Largo, largoMaximo), 0, arco.FlujoSat, 0, 0, arco.Carriles};
  return card;
}

std::vector<int32_t> FlowCard(TArco& arco, const NetworkSettings& net) {
  double f = arco.Flujo;
  double t = arco.FlujoEntrante;
  if (t > 0 && arco.EsPublico && net.AjustePublico == 1 && f > t)
    arco.FlujoConector1 = static_cast<float>(RoundEven(f - t));
  if (!arco.EsPublico && net.FlujoAuxiliar == 0) arco.FlujoConector1 = 0;
  double s = arco.FlujoConector1;

  std::vector<int32_t> card = {32, arco.Numero};
  if (arco.NumAguasArriba < 1) {
    card.insert(card.end(), {RoundEven(std::max(10.0, f)), 0, 0, 0, arco.Velocidad});
    return card;
  }
  if (arco.EsPublico) {
    card.insert(card.end(), {RoundEven(std::max(10.0, f)), RoundEven(s)});
  } else {
    int32_t flow = RoundEven(f);
    card.insert(card.end(), {std::max(10, flow), std::min(flow - 1, RoundEven(s))});
  }
  double d = arco.FlujoConector2;
  int sources = std::min(arco.NumAguasArriba, 5);
  for (int h = 1; h <= sources; ++h) {
    double fh = arco.FlujoAguasArriba[static_cast<size_t>(h)];
    int32_t taken = t > 0 ? std::max(10, RoundEven(fh * (t - d) / t)) : RoundEven(fh);
    card.insert(card.end(), {arco.AguasArriba[static_cast<size_t>(h)], taken, arco.VelAguasArriba[static_cast<size_t>(h)]});
  }
  return card;
}

void WriteLinkCards(const Settings& cfg, const NetworkSettings& net, const SaturnVars& sat, QorVars& qor, TextWriter& out,
                    bool allowDouble) {
  WriteGiveWayCards(cfg, qor, out);
  WriteSignalCards(cfg, sat, qor, out, allowDouble);
  WriteFlowCards(net, qor, out);
  WriteGraphCards(net, qor, out);
  WriteQueueCards(net, qor, out);
}

}  // namespace veltra
