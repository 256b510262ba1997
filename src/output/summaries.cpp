#include "output/summaries.h"

#include <algorithm>

#include "model/tables.h"
#include "output/history_view.h"
#include "util/files.h"
#include "util/text.h"

namespace veltra {

void WriteCycleSummary(const QorVars& qor, const SaturnVars& sat, int lastIteration, TextWriter& out) {
  const HistoryView history(qor);
  std::string line;
  for (int r = 1; r <= history.Networks(); ++r) line += Printf(",Red %d", history.NetworkNumber(r));
  out.Line(line + ",Pcu-Hr/Hr,Pcu-Km/Hr,Precision");
  for (int i = 1; i <= lastIteration; ++i) {
    line = Printf("%d", i);
    for (int r = 1; r <= history.Networks(); ++r) line += Printf(",%d", history.Cycle(i, r));
    const TIterationFigures figures = sat.FiguresAt(i);
    line += Printf(",%.1f,%.1f,%.3f", figures.SubTotalHr, figures.SubTotalKm, figures.Precision);
    out.Line(line);
  }
}

void WriteSplitSummary(const QorVars& qor, int lastIteration, TextWriter& out) {
  const HistoryView history(qor);
  const int networks = history.Networks();
  // A network without signal nodes still takes one column: its first slot.
  auto columns = [&](int r) { return std::max(history.SignalNodes(r), 1); };

  std::string line = "Redes:";
  for (int r = 1; r <= networks; ++r) line += Printf(",Red %d", history.NetworkNumber(r)) + std::string(columns(r) - 1, ',');
  out.Line(line);
  line = "Nodos:";
  for (int r = 1; r <= networks; ++r)
    for (int k = 1; k <= columns(r); ++k) line += Printf(",%d", history.SaturnNode(r, k));
  out.Line(line);
  line.clear();
  for (int r = 1; r <= networks; ++r)
    for (int k = 1; k <= columns(r); ++k) line += Printf(",%d", history.TransytNode(r, k));
  out.Line(line);

  for (int i = 1; i <= lastIteration; ++i) {
    for (int s = 1; s <= kHistStages; ++s) {
      line = s == 1 ? Printf("Iter. %d", i) : std::string();
      for (int r = 1; r <= networks; ++r)
        for (int k = 1; k <= columns(r); ++k) line += Printf(",%d", history.StageLength(i, r, k, s));
      out.Line(line);
    }
  }
}

void WriteNodeReport(const Settings& cfg, const QorVars& qor, int lastIteration, TextWriter& out) {
  const HistoryView history(qor);
  for (int r = 1; r <= history.Networks(); ++r) {
    out.Line(Printf("Red:,%d,%s", history.NetworkNumber(r), cfg.Network(NetworkPosition(r)).NombreRed.c_str()));
    out.Line(Printf("Ciclo:,%d", At(qor.CicloRed, r)));
    out.Line();
    out.Line("Nodo,Fases,Inicio Fases,,,,,,,Duración Verde (seg),,,,,,Entreverde,,,,,,Verde Mínimo,,,,,");
    out.Line(",,F1,F2,F3,F4,F5,F6,Desfase,F1,F2,F3,F4,F5,F6,F1,F2,F3,F4,F5,F6,F1,F2,F3,F4,F5,F6");
    for (int k = 1; k <= history.SignalNodes(r); ++k) {
      std::string line = Printf("%d", history.TransytNode(r, k));
      for (int c = 0; c < kHistColumns; ++c) line += "," + history.Text(lastIteration, r, k, c);
      out.Line(line);
    }
    out.Line();
    out.Line();
    out.Line();
  }
}

}  // namespace veltra
