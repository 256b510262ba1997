#include "loop/convergence.h"

#include <algorithm>
#include <cmath>

#include "model/tables.h"
#include "util/text.h"

namespace veltra {

namespace {

// The turns whose flows the TRANSYT links were built from.
int MarkedTurnLimit(const SaturnVars& sat) {
  size_t limit = static_cast<size_t>(std::max(sat.Network.TurnCount, 0));
  limit = std::min(limit, sat.Turns.size() - 1);
  limit = std::min(limit, sat.TurnMarks.size() - 1);
  limit = std::min(limit, sat.PreviousTurnFlows.size() - 1);
  return static_cast<int>(limit);
}

// Adds the delay and distance of one marked turn to the turn figures of a slot: the time on
// the entry link and through the junction, and the entry link's length, both times the flow.
void AddTurnFigures(const SaturnVars& sat, const TGiro& turn, TIterationFigures& figures) {
  const float q = turn.AssignedFlow;
  float linkTime = 0;
  float linkLength = 0;
  const int32_t entry = turn.EntryLink;
  if (entry > 0 && static_cast<size_t>(entry) < sat.Links.size()) {
    linkLength = static_cast<float>(At(sat.Links, entry).Length);
    linkTime = sat.LinkFlow(entry, FlowSlot::ListingValue);
  }
  figures.TurnHr += (linkTime + turn.ListingValue) * q / 3600.0f;
  figures.TurnKm += linkLength * q / 1000.0f;
}

void FiguresLine(Run& run, const char* title, int iteration, float TIterationFigures::*value) {
  run.Log.Text(title);
  for (int k = 0; k <= iteration; ++k) run.Log.Text(Printf("%10.1f", static_cast<double>(run.Sat.FiguresOf(k).*value)));
  run.Log.Line();
}

void StopMessage(MessageLog& log, const std::string& message) {
  log.EmptyLines(2);
  log.Line(message);
  log.Line();
}

// The averaged coupling judges the averaged flows; the assigned flows' own precision stands
// beside, since only it says whether timings and routes agree.
void AveragedPrecisionLines(MessageLog& log, const AveragingStep& step, double threshold) {
  log.Line(Printf("   SumDif/SumPro promediados [%d] (%.2f/%.2f), paso %.3f...", step.Turns, step.SumDif, step.SumPro,
                  step.Step));
  const char* judged = step.Precision <= threshold ? "<=" : ">";
  log.Line(Printf("      Precision Flujos Saturn promediados [%.4f %s %.4f] (sin promediar %.4f)", step.Precision,
                  judged, threshold, step.RawPrecision));
}

}  // namespace

void RememberTurnFlows(SaturnVars& sat, const QorVars& qor) {
  // The memory covers every turn of the network read; it keeps its marks across reloads.
  if (sat.TurnMarks.size() < sat.Turns.size()) sat.TurnMarks.resize(sat.Turns.size(), 0);
  if (sat.PreviousTurnFlows.size() < sat.Turns.size()) sat.PreviousTurnFlows.resize(sat.Turns.size(), 0.0f);
  for (int32_t i = 1; i <= qor.NumArcos; ++i) {
    const TArco& arco = At(qor.Arcos, i);
    for (int32_t exit : ExitList(arco.Salidas)) {
      const int32_t t = sat.FindTurn(arco.NodoA, arco.NodoB, exit);
      if (t <= 0 || static_cast<size_t>(t) >= sat.Turns.size()) continue;
      sat.TurnMarks[static_cast<size_t>(t)] = 1;
      sat.PreviousTurnFlows[static_cast<size_t>(t)] = At(sat.Turns, t).AssignedFlow;
    }
  }
}

TurnFlowGap MarkedTurnGap(const SaturnVars& sat, const std::function<double(size_t)>& flowOf) {
  TurnFlowGap gap;
  const int limit = MarkedTurnLimit(sat);
  for (int t = 1; t <= limit; ++t) {
    if (At(sat.TurnMarks, t) == 0) continue;
    const double p = At(sat.PreviousTurnFlows, t);
    const double q = flowOf(static_cast<size_t>(t));
    gap.SumDif += std::fabs(p - q);
    gap.SumPro += (p + q) * 2;
    ++gap.Turns;
  }
  return gap;
}

void BaseFigures(Run& run) {
  SaturnVars& sat = run.Sat;
  TIterationFigures& base = sat.FiguresOf(0);
  base.TurnHr = 0;
  base.TurnKm = 0;
  const int limit = MarkedTurnLimit(sat);
  for (int t = 1; t <= limit; ++t)
    if (At(sat.TurnMarks, t) != 0) AddTurnFigures(sat, At(sat.Turns, t), base);
}

bool ConvergenceTest(Run& run, int iteration, const AveragingStep* averaged) {
  SaturnVars& sat = run.Sat;
  const Settings& cfg = run.Cfg;
  MessageLog& log = run.Log;
  log.Line(Printf("   Analisis convergencia (%d)...", iteration));

  TIterationFigures& figures = sat.FiguresOf(iteration);
  figures.TurnHr = 0;
  figures.TurnKm = 0;
  const int limit = MarkedTurnLimit(sat);
  for (int t = 1; t <= limit; ++t)
    if (At(sat.TurnMarks, t) != 0) AddTurnFigures(sat, At(sat.Turns, t), figures);
  const TurnFlowGap gap = MarkedTurnGap(sat, [&](size_t t) { return sat.Turns[t].AssignedFlow; });
  log.Line(Printf("   SumDif/SumPro [%d] (%.2f/%.2f)...", gap.Turns, gap.SumDif, gap.SumPro));

  // The decision uses the ratio as computed, so a ratio equal to the threshold stops.
  const double precision = gap.Precision();
  figures.Precision = static_cast<float>(precision);
  figures.SumDif = static_cast<float>(gap.SumDif);
  figures.SumPro = static_cast<float>(gap.SumPro);
  figures.Tested = true;
  const bool precise = (averaged ? averaged->Precision : precision) <= cfg.PrecisionSaturn;
  if (averaged)
    AveragedPrecisionLines(log, *averaged, cfg.PrecisionSaturn);
  else
    log.Line(Printf(precise ? "      Precision Flujos Saturn [%.4f <= %.4f]"
                            : "      Precision Flujos Saturn [%.4f > %.4f]",
                    precision, cfg.PrecisionSaturn));

  log.Line("      Indice de Rendimiento Saturn");
  FiguresLine(run, "         Pcu-Hr/Hr:", iteration, &TIterationFigures::TurnHr);
  FiguresLine(run, "         Pcu-Km/Hr:", iteration, &TIterationFigures::TurnKm);
  log.Line("      Indice de Rendimiento Saturn Global");
  FiguresLine(run, "         Pcu-Hr/Hr:", iteration, &TIterationFigures::SubTotalHr);
  FiguresLine(run, "         Pcu-Km/Hr:", iteration, &TIterationFigures::SubTotalKm);

  if (precise) {
    run.StopReason = averaged ? Printf("Termina por Precision Flujos Saturn promediados (%.4f; sin promediar %.4f)",
                                       averaged->Precision, precision)
                              : Printf("Termina por Precision Flujos Saturn (%.4f)", precision);
    StopMessage(log, "   " + run.StopReason);
    return true;
  }
  if (iteration >= cfg.Iteraciones) {
    run.StopReason = Printf("Termina por Maximo de iteraciones alcanzado (%d)", iteration);
    StopMessage(log, "   " + run.StopReason);
    return true;
  }
  return false;
}

}  // namespace veltra
