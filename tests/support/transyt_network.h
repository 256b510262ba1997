// Builds small TRANSYT networks straight into the model for the data file writer's tests:
// SATURN nodes with arms and signal plans, turns, the node correspondence, TRANSYT links and
// give-way relations, as the readers and the link construction would leave them.
#pragma once

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

#include "support/test_support.h"
#include "state/run.h"

namespace veltra::test {

// A new TRANSYT link of one lane, 100 m, saturation flow 1800 and 40 km/h: the defaults every
// test builder starts from. Returns its index in `qor.Arcos`.
inline int AddDefaultArco(QorVars& qor, int numero, int a, int b) {
  const int i = qor.AddLink();
  TArco& arco = qor.Arcos[static_cast<size_t>(i)];
  arco.Numero = numero;
  arco.NodoA = a;
  arco.NodoB = b;
  arco.Carriles = 1;
  arco.Largo = 100;
  arco.FlujoSat = 1800;
  arco.Velocidad = 40;
  return i;
}

struct StageData {
  int GreenLanes;
  int Green;
  int Intergreen;
};

class NetworkBuilder {
 public:
  // Network position r with network number `number`; r becomes the last network.
  NetworkBuilder(Run& run, int r, int number) : run_(run), r_(r), number_(number) {
    SetNetwork(run_.Qor, r, number);
    NetworkSettings& net = Net();
    net.NombreRed = "Red de prueba";
    net.Ciclo = 90;
    net.TiempoSim = 120;
    net.TpoD1 = 2;
    net.TpoD2 = 2;
    net.equisat = 1;
    net.TpoVelo = 1;
    net.Optimiza = 2;
    net.OptimizaCiclo = CycleMode::Cyop;
    net.Dispersion = 1;
    net.Pdelay = 930;
    net.Pstop = 170;
    net.AnchoPista = 3.5;
    net.FlujoAuxiliar = 1;
  }

  NetworkSettings& Net() { return run_.Cfg.Red[static_cast<size_t>(r_)]; }

  // A SATURN node outside every TRANSYT network (class 0 unless given).
  int Node(int number, float x, float y, int nodeClass = 0) {
    TNodo node;
    node.Number = number;
    node.NodeClass = static_cast<uint8_t>(nodeClass);
    node.X = x;
    node.Y = y;
    node.HasCoordinates = x != kCoordinateNotSet;
    run_.Sat.Nodes.push_back(node);
    int index = static_cast<int>(run_.Sat.Nodes.size()) - 1;
    run_.Sat.Network.NodeCount = index;
    return index;
  }

  // A node of this network with its TRANSYT number, as the construction leaves it.
  int NetworkNode(int number, int transyt, float x, float y, int nodeClass = 1) {
    int index = Node(number, x, y, nodeClass);
    TNodo& node = At(index);
    node.TransytNetwork = number_;
    node.TransytNode = transyt;
    run_.Qor.RedNodos[static_cast<size_t>(r_)].SetTransytNode(index, transyt);
    if (transyt >= 1 && transyt <= kMaxTransytNode) run_.Qor.NodoTransytUsado[static_cast<size_t>(transyt)] = 1;
    return index;
  }

  // A signal plan for node `index`; the node becomes signalised (class 2).
  int Plan(int index, int offset, int cycle, int repeat, std::initializer_list<StageData> stages) {
    TPlanSemaforo plan;
    plan.NodeNumber = At(index).Number;
    plan.Offset = offset;
    plan.CycleTime = cycle;
    plan.RepeatIndicator = repeat;
    int k = 0;
    for (const StageData& s : stages) {
      ++k;
      plan.Stages[static_cast<size_t>(k)].StageNumber = k;
      plan.Stages[static_cast<size_t>(k)].GreenLanes = s.GreenLanes;
      plan.Stages[static_cast<size_t>(k)].GreenTime = s.Green;
      plan.Stages[static_cast<size_t>(k)].Intergreen = s.Intergreen;
    }
    plan.StageCount = k;
    run_.Sat.SignalPlans.push_back(plan);
    int p = static_cast<int>(run_.Sat.SignalPlans.size()) - 1;
    run_.Sat.Network.SignalPlanCount = p;
    At(index).NodeClass = 2;
    At(index).JunctionType = 3;
    At(index).SignalPlan = p;
    return p;
  }

  // Arms in file order: the A-node of each and its arm number.
  void Arms(int index, std::initializer_list<std::pair<int, int>> arms) {
    TNodo& node = At(index);
    int k = 0;
    for (const auto& [aNode, armNumber] : arms) {
      ++k;
      node.Arms[static_cast<size_t>(k)].ANode = aNode;
      node.Arms[static_cast<size_t>(k)].ArmNumber = armNumber;
    }
    node.ArmCount = k;
  }

  // A turning movement a -> junction -> c; call SortTurns() when all are in.
  TGiro& Turn(int a, int junction, int c, int direction, int firstLane = 1, int lastLane = 1, int turnValue = 1) {
    TGiro turn;
    turn.Key = SaturnVars::TurnKey(junction, a, c);
    turn.ANode = a;
    turn.JunctionNode = junction;
    turn.CNode = c;
    turn.Direction = direction;
    turn.FirstLane = firstLane;
    turn.LastLane = lastLane;
    turn.TurnValue = turnValue;
    run_.Sat.Turns.push_back(turn);
    return run_.Sat.Turns.back();
  }

  // Turns sorted by key, so that the binary search finds them.
  void SortTurns() {
    auto& turns = run_.Sat.Turns;
    std::sort(turns.begin() + 1, turns.end(), [](const TGiro& x, const TGiro& y) { return x.Key < y.Key; });
    run_.Sat.Network.TurnCount = static_cast<int>(turns.size()) - 1;
  }

  // A TRANSYT link; the reference is valid until the next link is added.
  TArco& Link(int numero, int a, int b, const std::string& salidas) {
    TArco& arco = run_.Qor.Arcos[static_cast<size_t>(AddDefaultArco(run_.Qor, numero, a, b))];
    arco.Salidas = salidas;
    arco.CarrilInicio = 1;
    arco.CarrilFin = 1;
    return arco;
  }

  TCaso& Caso(int link, int opposing1, int opposing2, int percentage, int length, int giveWay, int lanes) {
    TCaso c;
    c.Link = link;
    c.Opposing1 = opposing1;
    c.Opposing2 = opposing2;
    c.Percentage = percentage;
    c.Length = length;
    c.GiveWayValue = giveWay;
    c.Lanes = lanes;
    c.FirstLane = 1;
    c.LastLane = lanes;
    run_.Qor.Casos.push_back(c);
    run_.Qor.NumCasos = static_cast<int>(run_.Qor.Casos.size()) - 1;
    return run_.Qor.Casos.back();
  }

  TNodo& At(int index) { return run_.Sat.Nodes[static_cast<size_t>(index)]; }
  int R() const { return r_; }

 private:
  Run& run_;
  int r_;
  int number_;
};

}  // namespace veltra::test
