// The steps of the TRANSYT link construction of one network: lane-group re-classification,
// the links of a lane group with their flows, the upstream links, the give-way relations and
// the saturation flows. ConstruirArcos (construir_arcos.h) runs them in order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/saturn_vars.h"
#include "model/settings.h"
#include "model/transyt_model.h"
#include "util/log.h"

namespace veltra {

// What the construction of a network works on: the settings it reads (FactorVelPubl and the
// network's own), the SATURN model it reads and marks, the TRANSYT tables it fills, and the log.
struct NetworkBuild {
  const Settings& Cfg;
  SaturnVars& Sat;
  QorVars& Qor;
  MessageLog& Log;
};

// Turns a lane group whose turns include the arm's only right or left movement into a right or
// left group when the arm has more than one straight-ahead group.
void ReclasificarGrupos(SaturnVars& sat, int m, int k);

// Creates the link(s) of lane group P of arm k of node m in network r: a general-traffic link
// with its public-transport twins, or public-transport links only.
void CrearArcosGrupo(const NetworkBuild& build, NetworkPosition r, int m, int k, int P, float linkFlow, bool ptOnly, int lanes);

// Fills the flows, stage mask and intergreen of a link from its turns; returns the
// public-transport flow of its lane group.
float AcumularFlujos(const SaturnVars& sat, QorVars& qor, int32_t link);

// The upstream links of every link, with their flows and cruise values.
void EvaluarAguasArriba(const SaturnVars& sat, QorVars& qor);

// Saturation flows, give-way values and the FlujoS30, FlujoSat and Lag35 overrides of network r.
void EvaluarFlujoSat(const NetworkBuild& build, NetworkPosition r);

// Rebuilds the give-way relations of network r.
void AnalizarCedas(const NetworkBuild& build, NetworkPosition r);

// Examines the opposing candidates of giving-way link c and appends at most one relation.
void ClasificarOpuestos(const NetworkBuild& build, int32_t c, int kind, const std::vector<int32_t>& opuestos);

// Every link of the movement (A, B, C), in table order (C = 0: any exit).
std::vector<int32_t> LinksOfMovement(const QorVars& qor, int32_t a, int32_t b, int32_t c);

// The turn (A, junction, C) when it exists, else nullptr.
const TGiro* TurnOf(const SaturnVars& sat, int32_t a, int32_t junction, int32_t c);

// A direction as a class -1, 0 or 1, and the place of a class in the per-class arrays.
inline int DirectionClass(int32_t direction) { return direction > 0 ? 1 : (direction < 0 ? -1 : 0); }
inline size_t ClassSlot(int32_t clase) { return static_cast<size_t>(DirectionClass(clase) + 1); }

}  // namespace veltra
