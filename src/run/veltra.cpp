#include "run/veltra.h"

#include "loop/engine_checks.h"
#include "loop/input_check.h"
#include "loop/iteration.h"
#include "model/tables.h"
#include "output/spreadsheet.h"
#include "output/summaries.h"
#include "run/config.h"
#include "run/report_builder.h"
#include "util/conversions.h"
#include "util/files.h"
#include "util/text.h"

namespace veltra {

namespace {

const char* const kRunExtensions[] = {".top", ".dic", ".geo", ".giro", ".arc", ".csv", ".prt", ".cyo", ".dat"};

int NetworkNumber(const Run& run, int r) { return At(run.Qor.RedNodos, r)[0]; }

// Start-up steps 3 to 10. Returns false when the run cannot iterate.
void StartUp(Run& run) {
  Settings& cfg = run.Cfg;
  run.ProgressMessage = "Leyendo red Saturn/Inner...";

  if (cfg.IteracionInicial < 0) {
    run.Log.Fatal(Printf("ERROR - IteracionInicial %d invalida (debe ser 0 o mayor).", cfg.IteracionInicial));
  }
  run.Iteracion = cfg.IteracionInicial;
  if (cfg.IteracionInicial > 0) {
    std::string restart = Printf("%s_%d.lpa", run.SaturnBase().c_str(), cfg.IteracionInicial);
    if (!FileExists(restart)) {
      run.Log.Error(Printf("ERROR - No existe %s.", restart.c_str()));
      run.Log.Line(Printf("        Proceso no puede continuar desde iteracion %d.", cfg.IteracionInicial));
      throw RunStop();
    }
  }

  // The outside programs' console output of this run, and of no earlier one.
  run.EngineLog = ExtractFileName(run.SaturnBase()) + "_programas.log";
  DeleteFileIfExists(run.EngineLog);
  run.CurrentSaturnName = run.SaturnFile;
  run.JunctionsLeftOut = ReadNetworkAndNodeList(run, run.CurrentSaturnName, run.Iteracion);
  for (int r = 1; r <= run.Qor.NumRedes; ++r) ReadNetworkConfiguration(run, r);
  ApplyInputLists(run);

  if (cfg.BorrarAnterior > 0) {
    static const char* const patterns[] = {"%s_*_*.top", "%s_*_*.dic", "%s_*_*.geo", "%s_*_*.giro", "%s_*_*.arc",
                                           "%s_*_*.csv", "%s_*_*.prt", "%s_*_*.cyo", "%s_*_*.dat"};
    // The run files are named after the TRANSYT name without its extension, so the patterns
    // are too (a name given with ".dat" would otherwise match none of them).
    for (const char* pattern : patterns) DeleteMatching(Printf(pattern, run.TransytBase().c_str()));
  }
}

// Chooses the iteration with the lowest SATURN GRAND TOTALS Pcu-Hr/Hr and keeps its files
// under the "_F" names.
void GuardarFinal(Run& run) {
  const int last = run.Iteracion;
  double best = 100000000.0;
  int chosen = 0;
  for (int i = 1; i <= last; ++i) {
    double value = run.Sat.FiguresOf(i).GrandTotalHr;
    if (value < best) {
      best = value;
      chosen = i;
    }
  }
  MessageLog& log = run.Log;
  log.EmptyLines(2);
  log.Line("   Indice de Rendimiento Saturn Final");
  log.Text("      Pcu-Hr/Hr:");
  for (int i = 0; i <= last; ++i) log.Text(Printf("%10.1f", run.Sat.FiguresOf(i).GrandTotalHr));
  log.Line();
  log.Text("      Pcu-Km/Hr:");
  for (int i = 0; i <= last; ++i) log.Text(Printf("%10.1f", run.Sat.FiguresOf(i).GrandTotalKm));
  log.Line();
  log.Line();
  log.Line(Printf("   Iteración seleccionada : %d", chosen));
  run.ChosenIteration = chosen;
  log.Line();

  const std::string transytBase = run.TransytBase();
  for (int r = 1; r <= run.Qor.NumRedes; ++r) {
    int n = NetworkNumber(run, r);
    for (const char* ext : kRunExtensions) {
      std::string source = Printf("%s_%d_%d", transytBase.c_str(), chosen, n) + ext;
      if (FileExists(source)) CopyFileReplacing(source, Printf("%s_F_%d", transytBase.c_str(), n) + ext);
    }
    // The chosen iteration's network picture goes with its files, so the final timings can be
    // looked at under the same "_F" name.
    const std::string picture = Printf("%s_%d_%d.svg", transytBase.c_str(), chosen, n);
    if (FileExists(picture)) CopyFileReplacing(picture, Printf("%s_F_%d.svg", transytBase.c_str(), n));
  }
  static const char* const saturnExtensions[] = {".dat", ".lpa", ".lpn", ".lpt", ".ufa", ".ufc", ".ufn", ".ufs"};
  const std::string saturnBase = run.SaturnBase();
  for (const char* ext : saturnExtensions) {
    std::string source = Printf("%s_%d", saturnBase.c_str(), chosen) + ext;
    if (FileExists(source)) CopyFileReplacing(source, saturnBase + "_F" + ext);
  }
}

// A run that stops still leaves its report, once the configuration has named it: why it
// stopped, what it did until then and the errors it found. A report that cannot be written
// takes nothing from the stop.
void WriteStopReport(Run& run) {
  if (Lower(run.Cfg.InformeHtml) == "null") return;
  if (run.StopReason.empty())
    run.StopReason = run.Log.Errors.empty() ? std::string("Detenida por un error (ver los mensajes)")
                                            : "Detenida: " + run.Log.Errors.back();
  try {
    WriteRunReportFile(run, run.Cfg.InformeHtml);
  } catch (const std::exception& e) {
    run.Log.Line(Printf("   ATENCION: No se pudo escribir el informe %s: %s", run.Cfg.InformeHtml.c_str(), e.what()));
  }
}

// The orderly stop: the pause that keeps the last message on the screen, the errors file, the
// report and the messages file; the stop's exit code.
int FinishStop(Run& run, const InputError& stop) {
  if (stop.CloseMessagesFirst) run.Log.CloseMessagesFile();
  if (stop.PauseMs > 0) run.Sys.Sleep(stop.PauseMs);
  try {
    if (stop.SaveErrors) run.Log.SaveErrorsIfAny();
  } catch (const FileError& e) {
    run.Log.Line(e.what());
  }
  WriteStopReport(run);
  run.Log.CloseMessagesFile();
  return stop.ExitCode;
}

}  // namespace

bool EndOfRun(Run& run) {
  Settings& cfg = run.Cfg;
  const int last = run.Iteracion;
  const bool complete = ResultComplete(run);
  run.Log.SaveErrorsIfAny();
  if (cfg.ResumenCiclo != "null")
    WriteTextFile(cfg.ResumenCiclo, [&](TextWriter& out) { WriteCycleSummary(run.Qor, run.Sat, last, out); });
  if (cfg.ResumenReparto != "null")
    WriteTextFile(cfg.ResumenReparto, [&](TextWriter& out) { WriteSplitSummary(run.Qor, last, out); });
  if (cfg.GuardarFinal > 0) GuardarFinal(run);
  const std::string transytBase = run.TransytBase();
  if (cfg.CopiarUltimaIt != "null") {
    for (const char* ext : kRunExtensions)
      CopyIfExists(Printf("%s_%d_*", transytBase.c_str(), last) + ext, cfg.CopiarUltimaIt);
  }
  if (cfg.CopiarFinal > 0) {
    for (const char* ext : kRunExtensions)
      CopyIfExists(Printf("%s_%d_*", transytBase.c_str(), last) + ext, Printf("%s_Final_*", transytBase.c_str()) + ext);
  }
  if (cfg.InformeNodos != "null") WriteSpreadsheetReport(run.Cfg, run.Qor, run.Log, last);
  if (Lower(cfg.InformeHtml) != "null") WriteRunReportFile(run, cfg.InformeHtml);
  run.Log.CloseMessagesFile();
  return complete;
}

int VeltraMain(const std::vector<std::string>& args, Platform& platform, std::ostream& console) {
  Run run(platform, console);
  try {
    bool inputsFound = ReadGlobalConfiguration(run, args);
    if (inputsFound) {
      StartUp(run);
      RunIterations(run);
    }
    const bool complete = EndOfRun(run);
    if (!inputsFound) return 1;
    return complete ? 0 : kIncompleteExitCode;
  } catch (const InputError& stop) {
    stop.Report(run.Log);
    return FinishStop(run, stop);
  } catch (const std::exception& fault) {
    // A fault of the program rather than of its input still ends the run in order.
    ReportProgramFault(fault, run.Log);
    return FinishStop(run, RunStop());
  }
}

}  // namespace veltra
