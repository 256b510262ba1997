#include "loop/engine_checks.h"

#include <algorithm>
#include <map>

#include "model/tables.h"
#include "util/files.h"
#include "util/text.h"

namespace veltra {

namespace {

// How many lines of a listing note the console shows; the listing holds them all.
constexpr size_t kShownNoteLines = 10;

std::string WhereTheOutputIs(const Run& run) {
  return run.EngineLog.empty() ? std::string() : Printf("(salida de los programas en %s)", run.EngineLog.c_str());
}

// The failure of an outside program that the run cannot go past: the message and its
// details, then the orderly stop. The failure (`what`) and the program's own lines
// (`details`) go to the errors list too.
[[noreturn]] void EngineStop(Run& run, const std::vector<std::string>& lines, const std::string& what,
                             const std::vector<std::string>& details) {
  MessageLog& log = run.Log;
  log.Line();
  for (const std::string& line : lines) log.Line(line);
  log.Line();
  log.Line("Deteniendo proceso ...");
  log.AddError("ERROR - " + what);
  for (const std::string& detail : details) log.AddError("        " + detail);
  run.StopReason = "Detenida: " + what;
  throw RunStop();
}

std::string Joined(const std::vector<std::string>& parts) {
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : "; ") + part;
  return text;
}

std::string IterationList(const std::vector<int>& iterations) {
  std::string text;
  for (int i : iterations) text += (text.empty() ? "" : ", ") + std::to_string(i);
  return text;
}

// A print file that names errors in its data file is the program's refusal of that file.
std::string RefusedText(const Run& run, const PrintFileNotes& notes) {
  return notes.Errors.empty() ? std::string() : " (" + run.Cfg.TransytExe + " rechazo el archivo de datos)";
}

bool HoldsCycleTable(const std::string& printFile) {
  std::vector<std::string> lines;
  if (!LoadLines(printFile, lines)) return false;
  return std::any_of(lines.begin(), lines.end(), [](const std::string& l) { return Field(l, 1, 7) == "0MAXIMA"; });
}

}  // namespace

int32_t PlanCycle(const Run& run, NetworkPosition r) {
  const int number = run.Qor.NumberOf(r).Value();
  for (size_t i = 1; i < run.Sat.Nodes.size(); ++i) {
    const TPlanSemaforo* plan = run.Sat.PlanOf(static_cast<int32_t>(i));
    if (run.Sat.Nodes[i].TransytNetwork == number && plan != nullptr) return plan->CycleTime;
  }
  return 0;
}

void KeepSignals(Run& run, NetworkPosition r, int iteration) {
  SignalSnapshot& kept = run.SignalsBefore;
  kept.Network = r;
  kept.Iteration = iteration;
  // A network the loop has not timed yet runs the cycle of its plans.
  kept.Cycle = run.Qor.Cycle(r) != 0 ? run.Qor.Cycle(r) : PlanCycle(run, r);
  kept.DoubleStructure = run.Qor.DoubleStructure;
  kept.Plans = run.Sat.SignalPlans;
  kept.TurnMasks.resize(run.Sat.Turns.size());
  for (size_t t = 0; t < run.Sat.Turns.size(); ++t) kept.TurnMasks[t] = run.Sat.Turns[t].StageMask;
  kept.Arcos = run.Qor.Arcos;
  kept.NumArcos = run.Qor.NumArcos;
}

void RestoreSignals(Run& run, NetworkPosition r, int iteration) {
  SignalSnapshot& kept = run.SignalsBefore;
  if (kept.Network != r || kept.Iteration != iteration) return;
  run.Qor.Cycle(r) = kept.Cycle;
  run.Qor.DoubleStructure = kept.DoubleStructure;
  run.Sat.SignalPlans = kept.Plans;
  const size_t turns = std::min(kept.TurnMasks.size(), run.Sat.Turns.size());
  for (size_t t = 0; t < turns; ++t) run.Sat.Turns[t].StageMask = kept.TurnMasks[t];
  run.Qor.Arcos = kept.Arcos;
  run.Qor.NumArcos = kept.NumArcos;
}

std::string TransytFailure(const Run& run, const ProgramRun& program, const std::string& printFile,
                           const PrintFileNotes& notes, std::vector<std::string>& details) {
  details.clear();
  if (!program.Failed() && notes.Exists && notes.FinalSettings) return std::string();
  std::vector<std::string> parts = program.Failures;
  const std::string& exe = run.Cfg.TransytExe;
  if (!program.Ran) parts.push_back(Printf("TransytExe=%s no es t8s: Transyt no se corre", exe.c_str()));
  if (!notes.Exists)
    parts.push_back("no existe " + printFile);
  else if (!notes.FinalSettings)
    parts.push_back(printFile + " sin FINAL SETTINGS" + RefusedText(run, notes));
  for (const std::string& error : notes.Errors) details.push_back(exe + ": " + error);
  if (notes.Errors.empty()) details = program.OutputTail;
  return Joined(parts);
}

void MarkNotOptimised(Run& run, NetworkPosition r, int iteration, const std::string& what,
                      const std::vector<std::string>& details) {
  MessageLog& log = run.Log;
  const int number = run.Qor.NumberOf(r).Value();
  std::vector<std::string> lines{"ERROR - " + what,
                                 Printf("        Red %d sin optimizar en la iteracion %d: mantiene su ciclo y sus "
                                        "tiempos anteriores",
                                        number, iteration)};
  for (const std::string& detail : details) lines.push_back("        " + detail);
  log.Line();
  for (const std::string& line : lines) {
    log.Line(line);
    log.AddError(line);
  }
  if (!run.EngineLog.empty()) log.Line("        " + WhereTheOutputIs(run));
  log.Line();
  run.EngineNotes.push_back({iteration, NetworkNumber(number), NoteKind::NotOptimised, true, what});
}

void ShowTransytWarnings(Run& run, NetworkPosition r, int iteration, const PrintFileNotes& notes) {
  const int number = run.Qor.NumberOf(r).Value();
  for (const std::string& warning : notes.Warnings) {
    run.Log.Line(Printf("   ATENCION: Transyt (%d,%d): %s", iteration, number, warning.c_str()));
    run.EngineNotes.push_back({iteration, NetworkNumber(number), NoteKind::Warning, false, warning});
  }
}

void CheckCyopRun(Run& run, NetworkPosition r, int iteration, const ProgramRun& program, const std::string& printFile) {
  // Another program than t8s is not run: the cycle choice stops on the missing print file.
  if (!program.Ran) return;
  const bool table = HoldsCycleTable(printFile);
  if (!program.Failed() && table) return;
  // A print file that is not there, from a program that ended well, stops the choice with
  // its own message.
  if (!program.Failed() && !FileExists(printFile)) return;
  std::vector<std::string> parts = program.Failures;
  const PrintFileNotes notes = ReadPrintFileNotes(printFile);
  if (!notes.Exists)
    parts.push_back("no existe " + printFile);
  else if (!table)
    parts.push_back(printFile + " sin tabla de ciclos" + RefusedText(run, notes));
  const std::string what = Printf("CYOP (%d,%d): %s", iteration, run.Qor.NumberOf(r).Value(), Joined(parts).c_str());
  std::vector<std::string> details;
  for (const std::string& error : notes.Errors) details.push_back(run.Cfg.TransytExe + ": " + error);
  if (notes.Errors.empty()) details = program.OutputTail;
  std::vector<std::string> lines{"ERROR SEVERO:", "   No se puede obtener Ciclo Optimo", "   " + what};
  for (const std::string& detail : details) lines.push_back("   " + detail);
  if (!run.EngineLog.empty()) lines.push_back("   " + WhereTheOutputIs(run));
  EngineStop(run, lines, what, details);
}

void CheckSaturnRun(Run& run, const ProgramRun& program, int iteration) {
  if (!program.Failed()) return;
  const std::string what = Printf("Saturn (%d): %s", iteration, program.FailureText().c_str());
  std::vector<std::string> lines{"ERROR - " + what};
  for (const std::string& line : program.OutputTail) lines.push_back("        " + line);
  if (!run.EngineLog.empty()) lines.push_back("        " + WhereTheOutputIs(run));
  EngineStop(run, lines, what, program.OutputTail);
}

void ShowListingNotes(Run& run, const ListingNotes& notes, int iteration) {
  // How close the assignment came to equilibrium, where its listing states it: kept for the
  // report and for the iteration's line before its convergence test.
  std::vector<AssignmentConvergence>& kept = run.Memory.Assignment;
  if (iteration >= 0 && (notes.ConvergenceStated || static_cast<size_t>(iteration) < kept.size())) {
    if (kept.size() <= static_cast<size_t>(iteration)) kept.resize(static_cast<size_t>(iteration) + 1);
    kept[static_cast<size_t>(iteration)] =
        notes.ConvergenceStated
            ? AssignmentConvergence{true, notes.RelativeGap, notes.AverageExcess, notes.LargestExcess}
            : AssignmentConvergence();
  }
  // The starting listing is the user's: told, but no part of this run's result.
  const bool ours = iteration > run.Cfg.IteracionInicial;
  auto show = [&](const std::vector<std::string>& lines, NoteKind kind, const char* what) {
    if (lines.empty()) return;
    run.Log.Line(Printf("   ATENCION: Asignacion Saturn (%d) %s:", iteration, what));
    for (size_t k = 0; k < lines.size() && k < kShownNoteLines; ++k) run.Log.Line("      " + lines[k]);
    if (lines.size() > kShownNoteLines)
      run.Log.Line(Printf("      ... y %zu lineas mas en el listado", lines.size() - kShownNoteLines));
    std::string text = std::string(what) + ": " + lines.front();
    if (lines.size() > 1) text += Printf(" (y %zu lineas mas)", lines.size() - 1);
    run.EngineNotes.push_back({iteration, NetworkNumber(0), kind, ours, text});
  };
  show(notes.NotConverged, NoteKind::NotConverged, "sin converger");
  show(notes.TripsLeftOut, NoteKind::TripsLeftOut, "con viajes no asignados");
}

void ShowAssignmentConvergence(Run& run, int iteration) {
  // A loop that stalls on an assignment far from equilibrium is seen where its precision is.
  const AssignmentConvergence stated = run.Memory.AssignmentOf(iteration);
  if (!stated.Stated) return;
  run.Log.Line(Printf("   Asignacion Saturn (%d): brecha relativa %s, exceso medio %s s/viaje, mayor exceso %s s",
                      iteration, StatedFigure("%.1e", stated.RelativeGap).c_str(),
                      StatedFigure("%.4g", stated.AverageExcess).c_str(),
                      StatedFigure("%.4g", stated.LargestExcess).c_str()));
}

std::vector<std::string> IncompleteResult(const Run& run) {
  std::map<int, std::vector<int>> networks;
  std::vector<int> notConverged, tripsLeftOut;
  auto add = [](std::vector<int>& list, int i) {
    if (std::find(list.begin(), list.end(), i) == list.end()) list.push_back(i);
  };
  for (const EngineNote& note : run.EngineNotes) {
    if (!note.Failure) continue;
    if (note.Kind == NoteKind::NotOptimised) add(networks[note.Network.Value()], note.Iteration);
    if (note.Kind == NoteKind::NotConverged) add(notConverged, note.Iteration);
    if (note.Kind == NoteKind::TripsLeftOut) add(tripsLeftOut, note.Iteration);
  }
  std::vector<std::string> lines;
  for (const auto& [number, iterations] : networks)
    lines.push_back(Printf("Red %d sin optimizar en las iteraciones: %s", number, IterationList(iterations).c_str()));
  if (!notConverged.empty())
    lines.push_back("Asignacion Saturn sin converger en las iteraciones: " + IterationList(notConverged));
  if (!tripsLeftOut.empty())
    lines.push_back("Viajes no asignados en las iteraciones: " + IterationList(tripsLeftOut));
  if (run.JunctionsLeftOut > 0)
    lines.push_back(Printf("Nodos de la lista de nodos omitidos: %d (ver %s)", run.JunctionsLeftOut,
                           run.Log.ErrorsFileName.c_str()));
  return lines;
}

bool ResultComplete(Run& run) {
  const std::vector<std::string> lines = IncompleteResult(run);
  if (lines.empty()) return true;
  run.Log.Line("   ATENCION: El resultado no esta completo:");
  for (const std::string& line : lines) run.Log.Line("      " + line);
  run.Log.Line();
  return false;
}

}  // namespace veltra
