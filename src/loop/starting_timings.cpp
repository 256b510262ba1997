#include "loop/starting_timings.h"

#include "loop/engine_checks.h"
#include "programs/transyt_run.h"
#include "transyt/print_files.h"
#include "transyt/transyt_file.h"
#include "util/files.h"
#include "util/text.h"

namespace veltra {

void EvaluateStartingTimings(Run& run, NetworkPosition r) {
  std::vector<double>& indices = run.Memory.StartingIndex;
  const size_t position = static_cast<size_t>(r.Value());
  if (indices.size() <= position) indices.resize(position + 1, -1);
  const int32_t cycle = PlanCycle(run, r);
  if (run.Cfg.CorreTransyt != 1 || cycle < 1) return;
  const NetworkNumber number = run.Qor.NumberOf(r);
  const std::string data = run.Files.TransytData(0, number);
  run.Log.Line(Printf("   Evaluando tiempos iniciales Transyt (0,%d)...", number.Value()));

  // Writing settles minimum greens into the plans: they are put back, so that the iteration's
  // own files are written as without this evaluation.
  KeepSignals(run, r, 0);
  WriteTransytFile(run.Cfg, r, run.Sat, run.Qor, run.Log, data, TransytFileKind::StartingTimings, cycle);
  RestoreSignals(run, r, 0);

  const std::string print = run.Files.TransytPrint(0, number);
  RunTransyt(ProgramEnvOf(run), data, print);
  const double index = FileExists(print) ? ReadPerformanceIndex(print) : kNoPerformanceIndex;
  if (index < kNoPerformanceIndex) {
    indices[position] = index;
    run.Log.Line(Printf("   Indice de rendimiento de los tiempos iniciales (0,%d) : %.2f", number.Value(), index));
  } else {
    run.Log.Warning(Printf("   ATENCION: Transyt (0,%d) no dio indice de rendimiento de los tiempos iniciales (%s)",
                           number.Value(), print.c_str()));
  }
}

}  // namespace veltra
