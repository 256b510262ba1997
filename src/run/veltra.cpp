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

// Start-up steps 3 to 10. Returns false when the run cannot iterate.
void StartUp(Run& run) {
  Settings& cfg = run.Cfg;
  run.ProgressMessage = "Leyendo red Saturn/Inner...";

  if (cfg.IteracionInicial < 0) {
    run.Log.Fatal(Printf("ERROR - IteracionInicial %d invalida (debe ser 0 o mayor).", cfg.IteracionInicial));
  }
  run.Iteracion = cfg.IteracionInicial;
  if (cfg.IteracionInicial > 0) {
    std::string restart = run.Files.RestartListing(cfg.IteracionInicial);
    if (!FileExists(restart)) {
      run.Log.Error(Printf("ERROR - No existe %s.", restart.c_str()));
      run.Log.Line(Printf("        Proceso no puede continuar desde iteracion %d.", cfg.IteracionInicial));
      throw RunStop();
    }
  }

  // The outside programs' console output of this run, and of no earlier one.
  run.EngineLog = run.Files.ProgramsLog();
  DeleteFileIfExists(run.EngineLog);
  run.CurrentSaturnName = run.Files.SaturnFile;
  run.JunctionsLeftOut = ReadNetworkAndNodeList(run, run.CurrentSaturnName, run.Iteracion);
  for (NetworkPosition r : run.Qor.Positions()) ReadNetworkConfiguration(run, r);
  ApplyInputLists(run);
  // The timings the signals run before the loop changes them, for the report's before and after.
  for (NetworkPosition r : run.Qor.Positions()) RecordHistory(run, r, 0);

  if (cfg.BorrarAnterior > 0) {
    // The run files are named after the TRANSYT name without its extension, so the patterns
    // are too (a name given with ".dat" would otherwise match none of them).
    for (const char* ext : RunFiles::TransytExtensions()) DeleteMatching(run.Files.EarlierRunFiles(ext));
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

  const RunFiles& files = run.Files;
  auto keep = [](const std::string& source, const std::string& target) {
    if (FileExists(source)) CopyFileReplacing(source, target);
  };
  for (NetworkPosition r : run.Qor.Positions()) {
    const NetworkNumber n = run.Qor.NumberOf(r);
    for (const char* ext : RunFiles::TransytExtensions())
      keep(files.NetworkFile(chosen, n, ext), files.ChosenTransyt(n, ext));
    // The chosen iteration's network picture goes with its files, so the final timings can be
    // looked at under the same "_F" name.
    keep(files.Picture(chosen, n), files.ChosenTransyt(n, ".svg"));
  }
  for (const char* ext : RunFiles::SaturnExtensions()) keep(files.SaturnResults(chosen) + ext, files.ChosenSaturn(ext));
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
  if (cfg.CopiarUltimaIt != "null") {
    for (const char* ext : RunFiles::TransytExtensions()) CopyIfExists(run.Files.IterationFiles(last, ext), cfg.CopiarUltimaIt);
  }
  if (cfg.CopiarFinal > 0) {
    for (const char* ext : RunFiles::TransytExtensions())
      CopyIfExists(run.Files.IterationFiles(last, ext), run.Files.FinalCopies(ext));
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
