// A run with an in-memory SATURN model for the construction tests, and the standard crossing:
// SATURN junction 100 at the origin, TRANSYT node 12 of network 7 (position 1), with arms from
// node 1 (north, arm number 3), 2 (west, 2), 3 (south, 1) and 4 (east, 4). From the north arm
// lane 1 turns right into 2, lane 2 goes straight on to 3 and lane 3 turns left into 4.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "construction/construction.h"
#include "construction/construir_arcos.h"
#include "support/saturn_model_builder.h"
#include "support/test_support.h"

namespace veltra::test {

// A run of its own with the standard crossing read, for table cases that each need a fresh
// model; the network is assigned by the case.
struct CrossRun {
  TestRun t;
  veltra::Run& run = t.run;
  ModelBuilder b{t.run.Sat};
  CrossRun() {
    b.CrossNodes(100, 0, 0, 1, 2, 3, 4);
    b.Junction(100, 3, ModelBuilder::CrossArms(1, 2, 3, 4), ModelBuilder::CrossStages(1, 2, 3, 4));
    b.Finish();
  }
  const TArco& Link(int32_t numero) const { return run.Qor.Arcos[static_cast<size_t>(run.Qor.LinkByNumber(numero))]; }
};

class ConstructionTest : public ::testing::Test {
 protected:
  TestRun t;
  veltra::Run& run = t.run;
  SaturnVars& sat = t.run.Sat;
  QorVars& qor = t.run.Qor;
  NetworkSettings& net = t.run.Cfg.Red[1];
  ModelBuilder b{t.run.Sat};

  // The standard crossing with `arms` (from ModelBuilder::CrossArms(1, 2, 3, 4), possibly
  // changed), its two stages when signalised, and flows straight / right / left on every arm.
  void BuildCross(const std::vector<ArmSpec>& arms, int type = 3, float straight = 300, float right = 120,
                  float left = 80) {
    b.CrossNodes(100, 0, 0, 1, 2, 3, 4);
    b.Junction(100, type, arms, type == 3 ? ModelBuilder::CrossStages(1, 2, 3, 4) : std::vector<StageSpec>{});
    b.Finish();
    SetFlows(straight, right, left);
    AssignNetwork(run, 1, 7, {{100, 12}});
  }
  void BuildCross() { BuildCross(ModelBuilder::CrossArms(1, 2, 3, 4)); }

  void SetFlows(float straight, float right, float left) {
    for (size_t i = 1; i < sat.Turns.size(); ++i) {
      TGiro& turn = sat.Turns[i];
      turn.AssignedFlow = turn.Direction == 0 ? straight : (turn.Direction == 1 ? right : left);
    }
    b.LinkFlowsFromTurns();
  }

  void Construct() { ConstruirArcos(run.Cfg, NetworkPosition(1), 1, run.Sat, run.Qor, run.Log); }

  // A hand-made link appended to Arcos, from node a to junction b.
  TArco& NewLink(int32_t numero, int32_t a, int32_t b, const std::string& salidas) {
    TArco& link = qor.Arcos[static_cast<size_t>(qor.AddLink())];
    link.Numero = numero;
    link.NodoA = a;
    link.NodoB = b;
    link.Salidas = salidas;
    return link;
  }

  // The link with that number (the last one), failing the test when there is none.
  const TArco& Link(int32_t numero) {
    int32_t i = qor.LinkByNumber(numero);
    EXPECT_NE(i, 0) << "no link " << numero;
    return qor.Arcos[static_cast<size_t>(i)];
  }
  bool HasLink(int32_t numero) const { return qor.LinkByNumber(numero) != 0; }

  // Link numbers of lane group P of the arm from aNode at node 100, slots 1..3 (0: none).
  std::vector<int32_t> SlotNumbers(int32_t aNode, int P) {
    std::vector<int32_t> numbers;
    for (int slot = 1; slot <= 3; ++slot) {
      int32_t i = b.Arm(100, aNode).Groups[static_cast<size_t>(P)].LinkSlots[static_cast<size_t>(slot)];
      numbers.push_back(i == 0 ? 0 : qor.Arcos[static_cast<size_t>(i)].Numero);
    }
    return numbers;
  }

  std::string Log() const { return t.console.str(); }
};

}  // namespace veltra::test
