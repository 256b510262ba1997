// The TRANSYT links of one lane group: re-classification of the arm's groups, link numbers,
// general-traffic links with their public-transport twins, public-transport-only links, and
// the flows and signal data a link takes from its turns.
#include <algorithm>

#include "construction/construction.h"
#include "model/tables.h"
#include "util/conversions.h"
#include "util/text.h"

namespace veltra {

namespace {

// The detailed public-transport link of the movement A -> B (TPublicoDet_%d): the first entry
// for any exit, else the first for one of the exits in their order; a detail value of 0 is
// written as -9999. No share when the movement has none.
PublicTransportDetail FindDetail(const NetworkSettings& net, int32_t a, int32_t b, const std::string& exits) {
  auto find = [&](int32_t c) -> const PublicTransportDetail* {
    for (const PublicTransportDetail& detail : net.TPublicoDet)
      if (detail.A == a && detail.B == b && detail.C == c) return &detail;
    return nullptr;
  };
  const PublicTransportDetail* hit = find(0);
  for (int32_t c : hit == nullptr ? ExitList(exits) : std::vector<int32_t>()) {
    hit = find(c);
    if (hit != nullptr) break;
  }
  if (hit == nullptr) return PublicTransportDetail();
  PublicTransportDetail detail = *hit;
  if (detail.Value == 0) detail.Value = -9999;
  return detail;
}

// Final digit of a link number by class: general traffic 2, 1, 0 and public transport only
// 5, 4, 3 for classes -1, 0, 1.
int FinalDigit(int clase, bool publico) { return (publico ? 4 : 1) - DirectionClass(clase); }

// The link number "%d%d%d" of TRANSYT node, arm number and final digit. A second right or left
// link of the arm (or one of a re-classified group) takes the TRANSYT node plus 200, which only
// fits when the node is at most 125.
int32_t LinkNumber(const NetworkBuild& build, const TNodo& node, const TConector& arm, const TGrupoCarriles& group, int clase,
                   bool publico) {
  const int digit = FinalDigit(clase, publico);
  const int32_t numero = TextToInt(Printf("%d%d%d", node.TransytNode, arm.ArmNumber, digit));
  if (DirectionClass(clase) == 0) return numero;
  if (build.Qor.LinkByNumber(numero) == 0 && group.Mark == 0) return numero;
  if (node.TransytNode > 125) {
    build.Log.Error(Printf("ERROR - Nodo %d (%d) debe tener un codigo menor que 125", node.Number, node.TransytNode), 1);
    return numero;
  }
  return TextToInt(Printf("%d%d%d", node.TransytNode + 200, arm.ArmNumber, digit));
}

// Appends a link to Arcos, which grows with the network.
int32_t AppendLink(const NetworkBuild& build, const TArco& arco) {
  const int32_t i = build.Qor.AddLink();
  At(build.Qor.Arcos, i) = arco;
  return i;
}

// The public-transport twin V of general link K carries the bus flow not taken by the detailed link.
TArco PublicTransportTwin(const TArco& k) {
  TArco v;
  v.NodoA = k.NodoA;
  v.NodoB = k.NodoB;
  v.IndiceA = k.IndiceA;
  v.IndiceB = k.IndiceB;
  v.Salidas = k.Salidas;
  v.Corredor = k.Corredor;
  v.IndiceTramo = k.IndiceTramo;
  v.Carriles = k.Carriles;
  v.CarrilInicio = k.CarrilInicio;
  v.CarrilFin = k.CarrilFin;
  v.MarcaX = k.MarcaX;
  v.MarcaF = k.MarcaF;
  v.Largo = k.Largo;
  v.Rumbo = k.Rumbo;
  v.MarcaTramo = k.MarcaTramo;
  v.NumEtapas = k.NumEtapas;
  v.MascaraEtapas = k.MascaraEtapas;
  v.EntreVerdeInicial = k.EntreVerdeInicial;
  v.Clase = k.Clase;
  return v;
}

// The detailed public-transport link X: a copy of V with the detail share p of the bus flow.
void AddDetailLink(const NetworkBuild& build, TGrupoCarriles& group, int32_t v, const std::array<float, 3>& publicoClase,
                  float pt, const PublicTransportDetail& detail) {
  TArco x = At(build.Qor.Arcos, v);
  x.Numero += 3;
  x.Flujo = static_cast<float>(pt * detail.Share);
  for (size_t c = 0; c < 3; ++c) x.FlujoPublicoClase[c] = static_cast<float>(publicoClase[c] * detail.Share);
  x.EsPublico = 1;
  x.EsDetalle = 1;
  x.FraccionPublico = static_cast<float>(detail.Share);
  x.Velocidad += detail.CruiseIncrement;
  x.DatoDetalle = detail.Value;
  group.LinkSlots[3] = AppendLink(build, x);
}

}  // namespace

const TGiro* TurnOf(const SaturnVars& sat, int32_t a, int32_t junction, int32_t c) {
  const int32_t t = sat.FindTurn(a, junction, c);
  if (t <= 0 || static_cast<size_t>(t) >= sat.Turns.size()) return nullptr;
  return &At(sat.Turns, t);
}

void ReclasificarGrupos(SaturnVars& sat, int m, int k) {
  const TNodo& node = At(sat.Nodes, m);
  TConector& arm = At(sat.Nodes, m).Arms[static_cast<size_t>(k)];
  const int groupCount = std::min(arm.GroupCount, kMaxLaneGroups);
  std::array<int, 3> count{};
  for (int P = 1; P <= groupCount; ++P) ++count[ClassSlot(At(arm.Groups, P).Direction)];
  if (count[1] <= 1) return;

  for (int P = 1; P <= groupCount; ++P) {
    TGrupoCarriles& group = At(arm.Groups, P);
    for (int32_t exit : ExitList(group.Exits)) {
      const TGiro* turn = TurnOf(sat, arm.ANode, node.Number, exit);
      if (turn == nullptr) continue;
      const int clase = DirectionClass(turn->Direction);
      if (count[2] == 0 && clase == 1) {
        group.Direction = 1;
      } else if (count[0] == 0 && clase == -1) {
        group.Direction = -1;
      } else {
        continue;
      }
      group.Mark = 1;
      break;
    }
    if (group.Direction != 0) return;
  }
}

void CrearArcosGrupo(const NetworkBuild& build, NetworkPosition r, int m, int k, int P, float linkFlow, bool ptOnly, int lanes) {
  SaturnVars& sat = build.Sat;
  QorVars& qor = build.Qor;
  const NetworkSettings& net = build.Cfg.Network(r);
  const TNodo& node = At(sat.Nodes, m);
  const TConector& arm = At(node.Arms, k);
  TGrupoCarriles& group = At(sat.Nodes, m).Arms[static_cast<size_t>(k)].Groups[static_cast<size_t>(P)];

  TArco base;
  base.NodoA = arm.ANode;
  base.NodoB = node.Number;
  base.IndiceA = sat.FindNode(arm.ANode);
  base.IndiceB = m;
  base.Salidas = group.Exits;
  base.Corredor = arm.BusLane ? 1 : 0;
  base.Carriles = group.LaneCount;
  base.CarrilInicio = group.FirstLane;
  base.CarrilFin = group.LastLane;
  base.MarcaX = group.HasX ? 1 : 0;
  base.MarcaF = group.HasF ? 1 : 0;
  base.FraccionPublico = 1.0f;
  base.Largo = arm.Length;
  base.Velocidad = std::clamp(arm.Speed, 10, 100);
  base.IndiceTramo = sat.FindLink(arm.ANode, node.Number);
  if (base.IndiceTramo > 0 && static_cast<size_t>(base.IndiceTramo) < sat.Links.size()) {
    const Tardat& tramo = At(sat.Links, base.IndiceTramo);
    base.Rumbo = tramo.Angle;
    base.MarcaTramo = (tramo.KindFlags >> 5) & 1;
  }
  int32_t unica = 0;
  const TGiro* turn = SingleExit(base.Salidas, &unica) ? TurnOf(sat, base.NodoA, base.NodoB, unica) : nullptr;
  base.Clase = DirectionClass(turn != nullptr ? turn->Direction : group.Direction);

  if ((lanes > 0 || linkFlow > 0) && !ptOnly) {
    base.Numero = LinkNumber(build, node, arm, group, base.Clase, false);
    const int32_t K = AppendLink(build, base);
    group.LinkSlots[1] = K;
    const float pt = AcumularFlujos(sat, qor, K);
    if (pt < 10) return;
    const PublicTransportDetail detail = FindDetail(net, base.NodoA, base.NodoB, base.Salidas);
    const TArco& general = At(qor.Arcos, K);
    const std::array<float, 3> publicoClase = general.FlujoPublicoClase;
    TArco v = PublicTransportTwin(general);
    v.Numero = general.Numero + 3;
    v.Flujo = static_cast<float>(pt * (1 - detail.Share));
    for (size_t c = 0; c < 3; ++c) v.FlujoPublicoClase[c] = static_cast<float>(publicoClase[c] * (1 - detail.Share));
    v.EsPublico = 1;
    v.FraccionPublico = static_cast<float>(1 - detail.Share);
    v.Velocidad = std::clamp(RoundEven(general.Velocidad * build.Cfg.FactorVelPubl), 10, 50) * 100;
    const int32_t V = AppendLink(build, v);
    group.LinkSlots[2] = V;
    if (detail.Share > 0) AddDetailLink(build, group, V, publicoClase, pt, detail);
    return;
  }

  // Public transport only: the approach carries no general traffic.
  const PublicTransportDetail detail = FindDetail(net, base.NodoA, base.NodoB, base.Salidas);
  base.EsPublico = 1;
  base.FraccionPublico = static_cast<float>(1 - detail.Share);
  base.Numero = LinkNumber(build, node, arm, group, group.Direction, true);
  const int32_t V = AppendLink(build, base);
  group.LinkSlots[1] = V;
  const float pt = AcumularFlujos(sat, qor, V);
  TArco& publico = At(qor.Arcos, V);
  publico.Flujo = static_cast<float>(pt * (1 - detail.Share));
  if (detail.Share > 0) AddDetailLink(build, group, V, publico.FlujoPublicoClase, pt, detail);
}

float AcumularFlujos(const SaturnVars& sat, QorVars& qor, int32_t link) {
  TArco& arco = At(qor.Arcos, link);
  arco.Flujo = 0;
  arco.FlujoPublico = 0;
  float pt = 0;
  for (int32_t exit : ExitList(arco.Salidas)) {
    const int32_t t = sat.FindTurn(arco.NodoA, arco.NodoB, exit);
    if (t <= 0 || static_cast<size_t>(t) >= sat.Turns.size()) continue;
    const TGiro& turn = At(sat.Turns, t);
    const size_t c = ClassSlot(turn.Direction);
    arco.Flujo += turn.AssignedFlow;
    arco.FlujoClase[c] += turn.AssignedFlow;
    const bool otherBus = turn.BusLane != 0 && static_cast<size_t>(t) < sat.OtherBusTurn.size();
    const float bus = otherBus ? At(sat.OtherBusTurn, t) : turn.FixedFlow;
    arco.FlujoPublico += bus;
    arco.FlujoPublicoClase[c] += bus;
    pt += bus;
    arco.MascaraEtapas |= turn.StageMask;
  }
  arco.FlujoConector1 = sat.LinkFlow(arco.IndiceTramo, FlowSlot::ZoneConnectors);
  arco.FlujoConector2 = sat.LinkFlow(arco.IndiceTramo, FlowSlot::NodeConnectors);
  arco.Flujo = std::max(10.0f, arco.Flujo);
  if (pt > 0) pt = std::max(10.0f, pt);

  arco.NumEtapas = 0;
  const TPlanSemaforo* plan = sat.PlanOf(arco.IndiceB);
  if (plan != nullptr && arco.MascaraEtapas != 0) {
    const TPlanSemaforo& signal = *plan;
    arco.NumEtapas = signal.StageCount;
    int first = 1;
    while (((static_cast<uint32_t>(arco.MascaraEtapas) >> (first - 1)) & 1u) == 0) ++first;
    // The stage before the first green stage: the last stage when that is stage 1.
    const int before = first == 1 ? signal.StageCount : first - 1;
    arco.EntreVerdeInicial = before >= 1 && before <= kMaxStages ? At(signal.Stages, before).Intergreen : 0;
  }
  return pt;
}

}  // namespace veltra
