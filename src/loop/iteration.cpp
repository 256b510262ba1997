#include "loop/iteration.h"

#include <algorithm>

#include "construction/construir_arcos.h"
#include "loop/actualizar_saturn.h"
#include "loop/convergence.h"
#include "loop/cycle_search.h"
#include "loop/engine_checks.h"
#include "loop/flow_averaging.h"
#include "loop/starting_timings.h"
#include "loop/input_check.h"
#include "model/tables.h"
#include "output/network_drawing.h"
#include "programs/saturn_run.h"
#include "util/text.h"

namespace veltra {

namespace {

// From iteration BusquedaCiclo on, the network keeps the cycle it has.
void EndCycleSearchFrom(NetworkSettings& net, int iteration) {
  if (iteration >= net.BusquedaCiclo) net.OptimizaCiclo = CycleMode::Keep;
}

// The network's part of an iteration: its TRANSYT links, the cycle search, the final TRANSYT
// run, the SATURN update and the network step.
void OptimiseNetwork(Run& run, IterationMode mode, NetworkPosition r, int i) {
  NetworkSettings& net = run.Cfg.Network(r);
  ConstruirArcos(run.Cfg, r, i, run.Sat, run.Qor, run.Log);
  RememberTurnFlows(run.Sat, run.Qor);
  // Both modes build their first links from the starting flows: where the starting timings
  // are evaluated, for the report's baselines.
  if (i == 1) EvaluateStartingTimings(run, r);
  CycleSearch(run, r, i);
  // Networks in turn stop searching before the final run of iteration BusquedaCiclo, whose
  // data file then keeps the cycle as found; all networks per iteration stop after it.
  if (mode == IterationMode::NetworksInTurn) EndCycleSearchFrom(net, i);
  FinalTransytRun(run, r, i);
  ActualizarSaturn(run, r, i);
  NetworkStep(run, r, i);
  if (mode == IterationMode::AllNetworks) EndCycleSearchFrom(net, i);
}

}  // namespace

bool Iterate(Run& run, IterationMode mode, NetworkPosition first, NetworkPosition last, int i) {
  const bool allNetworks = mode == IterationMode::AllNetworks;
  run.Iteracion = i;
  run.Qor.EnsureIteration(i);
  if (allNetworks) {
    run.Log.EmptyLines(2);
    run.Log.Line(Printf("Iteracion %d", i));
  }
  for (NetworkPosition r : NetworkPositions(first, last)) OptimiseNetwork(run, mode, r, i);
  // The figures of the start come from the flows read at start-up, which SATURN's first run
  // replaces (networks in turn never read them back).
  if (allNetworks && i == 1) BaseFigures(run);
  CheckSaturnRun(run, RunSaturn(ProgramEnvOf(run), run.Files.SaturnNetwork(i), i), i);
  if (!allNetworks) return ConvergenceTest(run, i);
  ReadSaturnResults(run, i);
  ShowAssignmentConvergence(run, i);
  // The averaged coupling (Promediado=1): this assignment joins the average, which the test
  // judges and the next iteration's signals are set on.
  if (run.Cfg.Promediado != 1) return ConvergenceTest(run, i);
  const AveragingStep& averaged = FoldAssignment(run.Memory.Averaging, run.Sat, i);
  if (ConvergenceTest(run, i, &averaged)) return true;
  HandAveragedFlows(run.Memory.Averaging, run.Sat);
  return false;
}

void RunIterations(Run& run) {
  const IterationMode mode = run.Cfg.TipoIteracion;
  if (mode == IterationMode::NetworksInTurn) {
    // Each network from iteration 1, until the convergence test stops it.
    for (NetworkPosition r : run.Qor.Positions())
      for (int i = 1; !Iterate(run, mode, r, r, i); ++i) {
      }
  } else if (mode == IterationMode::AllNetworks) {
    const NetworkPosition first(1), last(run.Qor.NumRedes);
    for (int i = run.Iteracion + 1; !Iterate(run, mode, first, last, i); ++i) {
    }
  }
}

void RecordHistory(Run& run, NetworkPosition r, int i) {
  QorVars& qor = run.Qor;
  const SaturnVars& sat = run.Sat;
  qor.EnsureIteration(i);
  const size_t ri = static_cast<size_t>(r.Value());
  const size_t ii = static_cast<size_t>(i);
  qor.HistCiclo[ii][ri] = qor.Cycle(r);

  const int number = run.Qor.NumberOf(r).Value();
  std::vector<int32_t>& saturnNodes = qor.NodosSemaforo[ri];
  std::vector<int32_t>& transytNodes = qor.NodosSemaforoTransyt[ri];
  std::vector<THistNodo>& hist = qor.Hist[ii][ri];
  saturnNodes.assign(1, 0);
  transytNodes.assign(1, 0);
  hist.assign(1, THistNodo());
  int k = 0;
  for (size_t m = 1; m < sat.Nodes.size(); ++m) {
    const TNodo& node = sat.Nodes[m];
    const TPlanSemaforo* signal = sat.PlanOf(static_cast<int32_t>(m));
    if (node.TransytNetwork != number || signal == nullptr) continue;
    const TPlanSemaforo& plan = *signal;
    ++k;
    saturnNodes.push_back(node.Number);
    transytNodes.push_back(node.TransytNode);
    THistNodo h;
    const int n = plan.StageCount;
    const int shown = std::min(std::max(n, 0), kHistStages);
    for (int s = 1; s <= shown; ++s) h.Etapas[s] = plan.Stages[s].GreenTime + plan.Stages[s].Intergreen;

    h.Textos[HistColumn::StageCount] = Printf("%d", n);
    int start = 0;
    for (int s = 1; s <= kHistStages; ++s) {
      if (s > shown) {
        for (int column : {HistColumn::Start(s), HistColumn::Green(s), HistColumn::Intergreen(s),
                           HistColumn::MinimumGreen(s)})
          h.Textos[static_cast<size_t>(column)] = " ";
        continue;
      }
      if (s == 1) {
        int last = std::min(n, kMaxStages);
        start = (last >= 1 ? plan.Stages[last].Intergreen : 0) + plan.Offset;
      } else {
        start += plan.Stages[s - 1].GreenTime + plan.Stages[s - 1].Intergreen;
      }
      if (start > plan.CycleTime) start -= plan.CycleTime;
      h.Textos[HistColumn::Start(s)] = Printf("%d", start);
      h.Textos[HistColumn::Green(s)] = Printf("%d", plan.Stages[s].GreenTime);
      h.Textos[HistColumn::Intergreen(s)] = Printf("%d", plan.Stages[s].Intergreen);
      h.Textos[HistColumn::MinimumGreen(s)] = Printf("%d", plan.Stages[s].MinimumGreen);
    }
    h.Textos[HistColumn::Offset] = Printf("%d", plan.Offset);
    // Before the loop the network has no cycle of its own yet: the plans' cycle is the one run.
    if (i == 0 && k == 1) qor.HistCiclo[ii][ri] = plan.CycleTime;
    h.Doble = n > 3 && plan.RepeatIndicator != 0;
    hist.push_back(std::move(h));
  }
  qor.NumNodosSemaforo[ri] = k;
}

void NetworkStep(Run& run, NetworkPosition r, int i) {
  if (run.Cfg.GeneraDxf) {
    const std::string warning =
        DibujarRed(run.Cfg, r, run.Sat, run.Qor, run.Files.Drawing(i, NetworkNumber(run.Qor.NumberOf(r).Value())), i);
    if (!warning.empty() && run.DrawingWarnings.insert(warning).second) run.Log.Warning("   " + warning);
  }
  RecordHistory(run, r, i);
}

}  // namespace veltra
