#include "construction/construir_arcos.h"

#include <algorithm>

#include "construction/construction.h"
#include "model/tables.h"
#include "util/text.h"

namespace veltra {

namespace {

// Gives every SATURN node its TRANSYT number and network for network r, and clears the marks
// that the companion files and the drawing set later.
void AssignTransytNodes(SaturnVars& sat, QorVars& qor, NetworkPosition r) {
  const TRedNodos& row = qor.Network(r);
  const int32_t network = row.Number.Value();
  std::fill(qor.NodoTransytUsado.begin(), qor.NodoTransytUsado.end(), 0);
  for (size_t m = 1; m < sat.Nodes.size(); ++m) {
    TNodo& node = sat.Nodes[m];
    node.TransytNode = row.TransytNodeOf(static_cast<int32_t>(m));
    if (node.TransytNode >= 1 && node.TransytNode <= kMaxTransytNode)
      qor.NodoTransytUsado[static_cast<size_t>(node.TransytNode)] = 1;
    node.TransytNetwork = node.TransytNode > 0 ? network : 0;
    node.TransytMark = 0;
    node.DrawingMark = 0;
  }
}

// A configured DobleIgual replaces the repeat indicator of every repeating plan of the network.
void ApplyDobleIgual(SaturnVars& sat, const TRedNodos& row, int dobleIgual) {
  if (dobleIgual == 0) return;
  for (int32_t m : row.Members()) {
    TPlanSemaforo* plan = sat.PlanOf(m);
    if (plan != nullptr && plan->RepeatIndicator != 0) plan->RepeatIndicator = dobleIgual;
  }
}

// Each link's share of the flow of the links of its kind (slot) over all lane groups of the arm.
void ShareArmFlows(const TConector& arm, QorVars& qor) {
  const int groupCount = std::min(arm.GroupCount, kMaxLaneGroups);
  for (int slot = 1; slot <= 3; ++slot) {
    double sum = 0;
    for (int P = 1; P <= groupCount; ++P) {
      int32_t link = At(arm.Groups, P).LinkSlots[static_cast<size_t>(slot)];
      if (link != 0) sum += At(qor.Arcos, link).Flujo;
    }
    if (sum <= 0) continue;
    for (int P = 1; P <= groupCount; ++P) {
      int32_t link = At(arm.Groups, P).LinkSlots[static_cast<size_t>(slot)];
      if (link != 0) {
        TArco& arco = At(qor.Arcos, link);
        arco.Reparto = static_cast<float>(arco.Flujo / sum);
      }
    }
  }
}

}  // namespace

void ConstruirArcos(const Settings& cfg, NetworkPosition r, int iteration, SaturnVars& sat, QorVars& qor,
                    MessageLog& log) {
  NetworkBuild build{cfg, sat, qor, log};
  const int32_t network = qor.NumberOf(r).Value();
  build.Log.Line(Printf("   Construyendo arcos Transyt (%d,%d)...", iteration, network));

  qor.ClearLinks();
  std::fill(sat.SelectedBusLink.begin(), sat.SelectedBusLink.end(), 0.0f);
  std::fill(sat.SelectedBusTurn.begin(), sat.SelectedBusTurn.end(), 0.0f);
  AssignTransytNodes(sat, qor, r);
  // The network's junctions are the nodes the node list gave a TRANSYT number above 0 (a node
  // without one is outside every network, even one numbered 0), in node order.
  const TRedNodos& row = qor.Network(r);
  ApplyDobleIgual(sat, row, build.Cfg.Network(r).DobleIgual);

  for (int32_t member : row.Members()) {
    if (static_cast<size_t>(member) >= sat.Nodes.size()) break;
    const size_t m = static_cast<size_t>(member);
    const int armCount = std::min(sat.Nodes[m].ArmCount, kMaxArms);
    for (int k = 1; k <= armCount; ++k) {
      TConector& arm = At(sat.Nodes[m].Arms, k);
      if (arm.Lanes == 0) continue;
      ReclasificarGrupos(sat, static_cast<int>(m), k);
      const float linkFlow = sat.LinkFlow(arm.ApproachLink, FlowSlot::Assigned);
      const int groupCount = std::min(arm.GroupCount, kMaxLaneGroups);
      for (int P = 1; P <= groupCount; ++P) {
        At(arm.Groups, P).LinkSlots.fill(0);
        CrearArcosGrupo(build, r, static_cast<int>(m), k, P, linkFlow, arm.LinkMarks[1] != 0, arm.Lanes);
      }
      ShareArmFlows(arm, qor);
    }
  }

  EvaluarAguasArriba(sat, qor);
  AnalizarCedas(build, r);
  EvaluarFlujoSat(build, r);
}

}  // namespace veltra
