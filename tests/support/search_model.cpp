#include "support/test_support.h"
#include "support/search_model.h"

#include <filesystem>
#include <sstream>

#include "support/transyt_network.h"

namespace fs = std::filesystem;

namespace veltra::test {

SearchModel::SearchModel(Run& run, int networkNumber) : run_(run) {
  SetNetwork(run.Qor, 2, networkNumber + 1);
  SetNetwork(run.Qor, 1, networkNumber);
  run.Qor.NumRedes = 1;
  run.Files.TransytFile = "red.dat";
  NetworkSettings& n = run.Cfg.Red[1];
  n.NombreRed = "Red de prueba";
  n.Ciclo = 120;
  n.TiempoSim = 120;
  n.OptimizaCiclo = CycleMode::Cyop;
  n.ActualizaDesfase = 1;
  n.BusquedaCiclo = 99;
  n.PasoCiclo = 4;
  n.MinimoCicloDoble = 80;
  n.DobleIgual = -1;
  n.AnchoPista = 3.5;
  n.Cede1Arco = 715;
  n.Cede2Arcos = 600;
  n.GradoSaturacion = 900.0;
  n.FactorAjuste = 1.0;
  n.Pdelay = 930;
  n.Pstop = 170;
}

int SearchModel::AddNode(int saturnNumber, int position, int transytNumber, int planIndex) {
  SaturnVars& sat = run_.Sat;
  TNodo node;
  node.Number = saturnNumber;
  node.NodeClass = 2;
  node.JunctionType = 3;
  node.SignalPlan = planIndex;
  node.TransytNetwork = run_.Qor.RedNodos[static_cast<size_t>(position)].Number.Value();
  node.TransytNode = transytNumber;
  node.X = static_cast<float>(saturnNumber % 100) * 100.0f;
  node.Y = static_cast<float>(saturnNumber / 100) * 100.0f;
  node.HasCoordinates = 1;
  sat.Nodes.push_back(node);
  const int index = static_cast<int>(sat.Nodes.size()) - 1;
  run_.Qor.RedNodos[static_cast<size_t>(position)].SetTransytNode(index, transytNumber);
  sat.Network.NodeCount = index;
  sat.InvalidateIndexes();
  return index;
}

int SearchModel::AddSignalNode(int saturnNumber, int transytNumber, const std::vector<int>& greens,
                               const std::vector<int>& intergreens, bool optimise) {
  SaturnVars& sat = run_.Sat;
  TPlanSemaforo plan;
  plan.NodeNumber = saturnNumber;
  plan.StageCount = static_cast<int>(greens.size());
  plan.CycleTime = 90;
  for (size_t k = 0; k < greens.size(); ++k) {
    TFase& stage = plan.Stages[k + 1];
    stage.StageNumber = static_cast<int>(k) + 1;
    stage.GreenLanes = 1;
    stage.GreenTime = greens[k];
    stage.Intergreen = k < intergreens.size() ? intergreens[k] : 5;
    stage.MinimumGreen = 7;
  }
  sat.SignalPlans.push_back(plan);
  sat.Network.SignalPlanCount = static_cast<int>(sat.SignalPlans.size()) - 1;
  int index = AddNode(saturnNumber, 1, transytNumber, sat.Network.SignalPlanCount);
  sat.Nodes[static_cast<size_t>(index)].Optimise = optimise ? 1 : 0;
  if (!optimise) {
    NetworkSettings& n = Net();
    n.NoOptimiza = n.NoOptimiza.Text() + (n.NoOptimiza.Text().empty() ? "" : ",") + std::to_string(transytNumber);
  }
  return index;
}

int SearchModel::AddForeignNode(int saturnNumber, int transytNumber, int stages) {
  SaturnVars& sat = run_.Sat;
  TPlanSemaforo plan;
  plan.NodeNumber = saturnNumber;
  plan.StageCount = stages;
  plan.CycleTime = 60;
  for (int k = 1; k <= stages; ++k) plan.Stages[static_cast<size_t>(k)].GreenTime = 20;
  sat.SignalPlans.push_back(plan);
  sat.Network.SignalPlanCount = static_cast<int>(sat.SignalPlans.size()) - 1;
  int index = AddNode(saturnNumber, 2, transytNumber, sat.Network.SignalPlanCount);
  sat.Nodes[static_cast<size_t>(index)].Optimise = 1;
  return index;
}

void SearchModel::MakeDouble(int saturnNumber) {
  TPlanSemaforo& plan = Plan(saturnNumber);
  const int n = plan.StageCount;
  for (int k = 1; k <= n; ++k) plan.Stages[static_cast<size_t>(n + k)] = plan.Stages[static_cast<size_t>(k)];
  plan.StageCount = 2 * n;
  plan.RepeatIndicator = -1;
}

int SearchModel::AddLink(int numero, int nodoA, int nodoB, int numEtapas, int mask) {
  const int index = AddDefaultArco(run_.Qor, numero, nodoA, nodoB);
  TArco& arco = Link(index);
  arco.NumEtapas = numEtapas;
  arco.MascaraEtapas = mask;
  arco.Flujo = 500;
  return index;
}

int SearchModel::AddTurn(int junction, int aNode, int cNode, int mask) {
  SaturnVars& sat = run_.Sat;
  TGiro giro;
  giro.Key = SaturnVars::TurnKey(junction, aNode, cNode);
  giro.JunctionNode = junction;
  giro.ANode = aNode;
  giro.CNode = cNode;
  giro.StageMask = mask;
  sat.Turns.push_back(giro);
  sat.Network.TurnCount = static_cast<int>(sat.Turns.size()) - 1;
  return sat.Network.TurnCount;
}

TNodo& SearchModel::Node(int saturnNumber) {
  for (auto& node : run_.Sat.Nodes)
    if (node.Number == saturnNumber) return node;
  return run_.Sat.Nodes[0];
}

TPlanSemaforo& SearchModel::Plan(int saturnNumber) {
  return run_.Sat.SignalPlans[static_cast<size_t>(Node(saturnNumber).SignalPlan)];
}

std::string RunsData(const std::string& name) { return std::string(VELTRA_TEST_DATA) + "/transyt/runs/" + name; }

void CopyRunsData(const std::string& name, const std::string& as) {
  fs::path target = as.empty() ? fs::path(name) : fs::path(as);
  fs::copy_file(RunsData(name), target, fs::copy_options::overwrite_existing);
  if (name == "t8s")
    fs::permissions(target, fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                    fs::perm_options::add);
}

std::vector<std::string> ConsoleLines(const std::string& console) {
  std::vector<std::string> lines;
  std::istringstream in(console);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

}  // namespace veltra::test
