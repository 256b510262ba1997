// The links upstream of every TRANSYT link with the flow they feed into it, the saturation
// flows from the SATURN turn data, the give-way values, and the per-network override lists.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "construction/construction.h"
#include "model/tables.h"
#include "util/conversions.h"
#include "util/text.h"

namespace veltra {

namespace {

constexpr int kLanes = 8;  // lanes numbered across an approach

// Saturation flow of a public-transport link without the bus-lane mark.
int32_t PublicTransportSaturationFlow(const NetworkBuild& build, const TArco& arco, double total, const std::array<double, 3>& flows) {
  if (build.Qor.LinkByNumber(arco.Numero - 3) != 0) return 0;  // its general twin carries the capacity
  if (total == 0) {
    build.Log.Warning(Printf("   ATENCION: Arco %d (%d-%d-%s) exclusivo de transporte publico, sin flujo.\r"
                        "             Se asume flujo saturacion = %d.",
                        arco.Numero, arco.NodoA, arco.NodoB, arco.Salidas.c_str(), 1800));
    return 1800;
  }
  if (total < 10) return 0;
  int32_t sum = 0;
  for (int32_t exit : ExitList(arco.Salidas)) {
    const TGiro* turn = TurnOf(build.Sat, arco.NodoA, arco.NodoB, exit);
    if (turn == nullptr) continue;
    sum += RoundEven(std::abs(static_cast<double>(turn->TurnValue)) * flows[ClassSlot(turn->Direction)] / total);
  }
  return sum;
}

// Lanes shared by movements of several classes give each class a part of the lane's saturation
// flow in proportion to the class's flow per lane.
int32_t SharedLanesSaturationFlow(const SaturnVars& sat, const TArco& arco, const std::array<double, 3>& flows) {
  std::array<double, 3> weight{0.001, 0.001, 0.001};
  std::array<double, 3> perLane{};
  std::array<std::array<bool, kLanes + 1>, 3> lane{};
  for (int32_t exit : ExitList(arco.Salidas)) {
    const TGiro* turn = TurnOf(sat, arco.NodoA, arco.NodoB, exit);
    if (turn == nullptr) continue;
    const size_t c = ClassSlot(turn->Direction);
    // A turn whose lane digits are reversed or blank still counts as one lane.
    const int n = std::max(1, turn->LastLane - turn->FirstLane + 1);
    perLane[c] = std::abs(static_cast<double>(turn->TurnValue)) / n;
    weight[c] += flows[c] / n;
    for (int l = std::max(1, turn->FirstLane); l <= std::min(kLanes, turn->LastLane); ++l) lane[c][static_cast<size_t>(l)] = true;
  }
  int32_t total = 0;
  for (size_t c = 0; c < 3; ++c) {
    for (size_t l = 1; l <= kLanes; ++l) {
      double shared = 0;
      for (size_t other = 0; other < 3; ++other) shared += lane[other][l] ? weight[other] : 0;
      if (shared > 0 && lane[c][l]) total += RoundEven(weight[c] / shared * perLane[c]);
    }
  }
  return total;
}

int32_t LargestTurnValue(const SaturnVars& sat, const TArco& arco) {
  int32_t largest = 0;
  for (int32_t exit : ExitList(arco.Salidas)) {
    const TGiro* turn = TurnOf(sat, arco.NodoA, arco.NodoB, exit);
    if (turn != nullptr) largest = std::max(largest, std::abs(turn->TurnValue));
  }
  return largest;
}

}  // namespace

std::vector<int32_t> LinksOfMovement(const QorVars& qor, int32_t a, int32_t b, int32_t c) {
  std::vector<int32_t> links;
  for (int32_t i = qor.NextLinkOfMovement(0, a, b, c); i <= qor.NumArcos; i = qor.NextLinkOfMovement(i, a, b, c))
    links.push_back(i);
  return links;
}

void EvaluarAguasArriba(const SaturnVars& sat, QorVars& qor) {
  for (int32_t i = 1; i <= qor.NumArcos; ++i) {
    TArco& arco = At(qor.Arcos, i);
    arco.FlujoConector1 *= arco.Reparto;
    arco.FlujoConector2 *= arco.Reparto;
  }
  for (int32_t i = 1; i <= qor.NumArcos; ++i) {
    const TArco& up = At(qor.Arcos, i);
    for (int32_t exit : ExitList(up.Salidas)) {
      const TGiro* turn = TurnOf(sat, up.NodoA, up.NodoB, exit);
      for (int32_t r : LinksOfMovement(qor, up.NodoB, exit, 0)) {
        TArco& down = At(qor.Arcos, r);
        if (down.EsPublico != up.EsPublico) continue;
        double q = 0;
        if (up.EsPublico != 0) {
          if (turn == nullptr || turn->FixedFlow == 0) continue;
          q = static_cast<double>(turn->FixedFlow) * down.Reparto * up.FraccionPublico * down.FraccionPublico;
        } else {
          if (turn == nullptr || turn->TurnValue < 1) continue;
          q = static_cast<double>(turn->AssignedFlow) * down.Reparto;
        }
        // Five upstream links are all a link card holds; further ones are left out.
        if (down.NumAguasArriba >= 5) continue;
        const size_t n = static_cast<size_t>(++down.NumAguasArriba);
        down.AguasArriba[n] = up.Numero;
        down.FlujoAguasArriba[n] = static_cast<float>(std::max(10.0, q));
        down.VelAguasArriba[n] = down.Velocidad;
        down.FlujoEntrante += static_cast<float>(q);
      }
    }
  }
}

void EvaluarFlujoSat(const NetworkBuild& build, NetworkPosition r) {
  QorVars& qor = build.Qor;
  const SaturnVars& sat = build.Sat;
  const NetworkSettings& net = build.Cfg.Network(r);

  for (int32_t L = 1; L <= qor.NumArcos; ++L) {
    TArco& arco = At(qor.Arcos, L);
    std::array<double, 3> flows{};
    double total = 0;
    for (size_t c = 0; c < 3; ++c) {
      flows[c] = static_cast<double>(arco.FlujoClase[c]) + arco.FlujoPublicoClase[c];
      total += flows[c];
    }
    if (arco.EsPublico != 0 && arco.Corredor != 0)
      arco.FlujoSat = arco.NumEtapas >= 1 ? net.CorredorFlujosat : net.CorredorCapacidad;
    else if (arco.EsPublico != 0)
      arco.FlujoSat = PublicTransportSaturationFlow(build, arco, total, flows);
    else if (total >= 10)
      arco.FlujoSat = SharedLanesSaturationFlow(sat, arco, flows);
    else
      arco.FlujoSat = LargestTurnValue(sat, arco);
  }

  for (int32_t k = 1; k <= qor.NumCasos; ++k) {
    TCaso& caso = At(qor.Casos, k);
    const bool twoOpposing = caso.Opposing1 != 0 && caso.Opposing2 != 0;
    caso.GiveWayValue = caso.Lanes * (twoOpposing ? net.Cede2Arcos : net.Cede1Arco);
  }

  for (const MovementEntry& e : net.FlujoS30) {
    for (int32_t link : LinksOfMovement(qor, e.A, e.B, e.C)) {
      const int32_t numero = At(qor.Arcos, link).Numero;
      for (int32_t k = 1; k <= qor.NumCasos; ++k)
        if (At(qor.Casos, k).Link == numero) At(qor.Casos, k).GiveWayValue = e.Value;
    }
  }
  for (const MovementEntry& e : net.FlujoSat) {
    for (int32_t link : LinksOfMovement(qor, e.A, e.B, e.C)) {
      TArco& arco = At(qor.Arcos, link);
      if (arco.EsPublico == 0) arco.FlujoSat = e.Value;
    }
  }
  for (const MovementEntry& e : net.Lag35)
    for (int32_t link : LinksOfMovement(qor, e.A, e.B, e.C)) At(qor.Arcos, link).Lag35 = e.Value;
}

}  // namespace veltra
