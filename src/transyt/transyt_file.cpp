#include "transyt/transyt_file.h"

#include <optional>

#include "model/tables.h"
#include "transyt/link_cards.h"
#include "transyt/node_cards.h"

namespace veltra {

namespace {

// A network's settings for a file that only evaluates the timings written: nothing optimised,
// no cycle asked for, and the optimisation's start taken as written.
NetworkSettings EvaluationOnly(const NetworkSettings& net) {
  NetworkSettings evaluated = net;
  evaluated.OptimizaCiclo = CycleMode::Keep;
  evaluated.Optimiza = 0;
  evaluated.equisat = 0;
  return evaluated;
}

}  // namespace

void WriteTransytData(const Settings& cfg, NetworkPosition r, SaturnVars& sat, QorVars& qor, MessageLog& log,
                      TextWriter& out, TransytFileKind kind, int32_t cycle) {
  const bool allowDouble = kind != TransytFileKind::SingleStructureTest;
  const bool evaluation = kind == TransytFileKind::StartingTimings;
  std::optional<NetworkSettings> evaluated;
  if (evaluation) evaluated = EvaluationOnly(cfg.Network(r));
  const NetworkSettings& net = evaluated ? *evaluated : cfg.Network(r);
  const TRedNodos& network = qor.Network(r);
  RaisePriorityNodes(net, network, sat);

  out.Line(net.NombreRed);
  out.Line(CardText(CardOne(net, kind, cycle)));
  WriteCardTwo(net, network, sat, log, out);
  WriteCardSeven(qor, out);
  ReadGivenMinimumGreens(net, network, sat, log);
  WriteTimingCards(net, network, !evaluation && net.PreassignedCycle(), sat, log, out, cycle, allowDouble);
  WriteLinkCards(cfg, net, sat, qor, out, allowDouble);
}

TransytDataFile WriteTransytFile(const Settings& cfg, NetworkPosition r, SaturnVars& sat, QorVars& qor, MessageLog& log,
                                 const std::string& fileName, TransytFileKind kind, int32_t cycle) {
  TextWriter out(fileName);
  try {
    WriteTransytData(cfg, r, sat, qor, log, out, kind, cycle);
  } catch (const CardFieldError& error) {
    // A file TRANSYT would read shifted is not left to be run: the run stops naming it.
    throw FileError(Printf("ERROR - Red Transyt %s, linea %zu: %s", fileName.c_str(), out.LinesWritten() + 1,
                           error.what()));
  }
  out.Close();
  return TransytDataFile{fileName, qor.NumberOf(r)};
}

}  // namespace veltra
