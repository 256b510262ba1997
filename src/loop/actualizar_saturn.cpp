#include "loop/actualizar_saturn.h"

#include "loop/engine_checks.h"
#include "model/tables.h"
#include "saturn/network_writer.h"
#include "transyt/print_files.h"
#include "util/conversions.h"
#include "util/files.h"
#include "util/text.h"

namespace veltra {

namespace {

bool StageKnown(const TPlanSemaforo& plan, int32_t stage) {
  return stage >= 1 && stage <= plan.StageCount && stage <= kMaxStages;
}

// Checks one end of a duplication: the node exists, is signalised and has the stage.
TPlanSemaforo* DuplicationEnd(Run& run, int32_t node, int32_t stage, const char* unknownNode, int32_t& nodeIndex) {
  nodeIndex = run.Sat.FindNode(node);
  if (nodeIndex == 0) {
    run.Log.Line(Printf(unknownNode, node));
    return nullptr;
  }
  TPlanSemaforo* plan = run.Sat.PlanOf(nodeIndex);
  if (plan == nullptr) {
    run.Log.FramedError(Printf("Intenta duplicar nodo %d, no semaforizado", node));
    return nullptr;
  }
  if (!StageKnown(*plan, stage)) {
    run.Log.FramedError(Printf("Fase %d no reconocida en nodo %d", stage, node));
    return nullptr;
  }
  return plan;
}

}  // namespace

void DuplicarNodos(Run& run, NetworkPosition r) {
  for (const DuplicationEntry& entry : run.Cfg.Network(r).Duplica) {
    const int32_t n1 = entry.SourceNode, s1 = entry.SourceStage;
    const int32_t n2 = entry.TargetNode, s2 = entry.TargetStage;

    int32_t sourceIndex = 0, targetIndex = 0;
    TPlanSemaforo* source = DuplicationEnd(run, n1, s1, "Nodo Saturn %d a duplicar, no reconocido", sourceIndex);
    if (source == nullptr) continue;
    TPlanSemaforo* target = DuplicationEnd(run, n2, s2, "Nodo Saturn %d por duplicar, no reconocido", targetIndex);
    if (target == nullptr) continue;

    const TFase& from = At(source->Stages, s1);
    TFase& to = At(target->Stages, s2);
    target->Offset = source->Offset;
    to.GreenTime = from.GreenTime;
    to.Intergreen = from.Intergreen;
    TNodo& targetNode = At(run.Sat.Nodes, targetIndex);
    targetNode.DuplicatePlan = At(run.Sat.Nodes, sourceIndex).SignalPlan;
    targetNode.DuplicateStage = s1;
  }
}

void EscribirRedSaturn(Run& run, int iteration) {
  const std::string fileName = run.Files.SaturnNetwork(iteration);
  TextWriter out(fileName);
  try {
    WriteSaturnNetwork(run.Sat, run.Qor.CicloRed, out);
  } catch (const NetworkFieldError& error) {
    // A file SATURN would read with its fields shifted is not left to be assigned.
    throw FileError(Printf("ERROR - Red Saturn %s, linea %zu: %s", fileName.c_str(), out.LinesWritten() + 1, error.what()));
  }
  out.Close();
}

void ActualizarSaturn(Run& run, NetworkPosition r, int iteration) {
  const int32_t networkNumber = run.Qor.NumberOf(r).Value();
  run.Log.Line(Printf("   Actualizando Saturn (%d,%d)...", iteration, networkNumber));
  run.Log.Line();

  bool failed = run.NotOptimised(iteration, NetworkNumber(networkNumber));
  if (run.Cfg.CorreTransyt == 1) {
    const std::string printFile = run.Files.TransytPrint(iteration, NetworkNumber(networkNumber));
    if (failed) {
      run.Log.Line(Printf("%6sSIN ACTUALIZAR REPARTOS", " "));
      run.Log.EmptyLines(2);
    } else if (!ReadFinalSettings(printFile, run.Cfg.Network(r).ActualizaDesfase != 0, r, run.Sat, run.Qor,
                                  run.Log)) {
      MarkNotOptimised(run, r, iteration, printFile + " sin FINAL SETTINGS", {});
      failed = true;
    }
  }
  // The signals keep the cycle, structure and timings they had: the network file, the history
  // and the drawing then show what the signals run, not a search that came to nothing.
  if (failed) RestoreSignals(run, r, iteration);
  if (run.Cfg.CorreTransyt == 1) {
    DuplicarNodos(run, r);
    DeleteRunFiles(run.Files.TransytData(iteration, NetworkNumber(networkNumber)), run.Cfg.BorrarTransyt);
  }

  EscribirRedSaturn(run, iteration);
}

}  // namespace veltra
