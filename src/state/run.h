// The run object: everything one run of the program owns. The driver creates it and passes
// it (or the parts a procedure needs) by reference; there are no globals.
#pragma once

#include <filesystem>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "model/saturn_vars.h"
#include "model/settings.h"
#include "model/transyt_model.h"
#include "programs/program_env.h"
#include "state/loop_memory.h"
#include "state/run_files.h"
#include "util/log.h"
#include "util/platform.h"

namespace veltra {

// What an outside program's run left wrong, or told, during the run: the console and the
// messages file had it as it happened; the end of the run and the report sum it up.
enum class NoteKind {
  Warning,       // told by the program; the result stands
  NotOptimised,  // a network kept its earlier timings in an iteration
  NotConverged,  // the assignment stopped short of convergence
  TripsLeftOut,  // the assignment left trips of the matrix out
};
struct EngineNote {
  int Iteration = 0;
  NetworkNumber Network;  // the TRANSYT network's number; 0 for the assignment
  NoteKind Kind = NoteKind::Warning;
  bool Failure = false;  // the result is incomplete (an assignment of the starting listing is not the run's own)
  std::string Text;
};

// A network's signal settings as they stood before an iteration's TRANSYT runs changed them:
// put back when those runs fail, so that the network keeps the timings its signals have and
// is never shown with a cycle they do not run.
struct SignalSnapshot {
  NetworkPosition Network;  // 0: none taken
  int Iteration = 0;
  int32_t Cycle = 0;
  bool DoubleStructure = false;
  std::vector<TPlanSemaforo> Plans;
  std::vector<int32_t> TurnMasks;
  std::vector<TArco> Arcos;
  int32_t NumArcos = 0;
};

struct Run {
  Run(Platform& platform, std::ostream& console) : Sys(platform), Log(console) {}

  Platform& Sys;
  MessageLog Log;
  Settings Cfg;
  SaturnVars Sat;
  QorVars Qor;

  // The command line, without the program name (three or four arguments when valid).
  std::vector<std::string> Args;
  // The file names of the command line, and every name made from them.
  RunFiles Files;

  std::string WorkDir;         // the SATURN file's directory
  std::string ConfigFileName;  // "Veltra.INI" or the fourth argument's file-name part
  // Full path of the configuration file: working directory + the configuration file name.
  std::string ConfigurationPath() const;
  int OsCode = 11;             // operating-system code (0 from the platform becomes 11)
  std::string OsName = "wvWinXP";

  int Iteracion = 0;               // iteration counter
  std::string ProgressMessage;     // written by the input check as its first line
  std::string CurrentSaturnName;   // the SATURN name the next input check loads

  // For the run report: why the loop stopped, the iteration GuardarFinal chose (-1: none),
  // and the working directory's files as they stood at start-up, so that the report can list
  // what the run wrote.
  std::string StopReason;
  int ChosenIteration = -1;
  std::map<std::string, std::filesystem::file_time_type> FilesAtStart;
  // Lines of the node list whose junction was left out of the optimisation (unknown nodes,
  // nodes without coordinates).
  int JunctionsLeftOut = 0;
  // The drawings' warnings already given: a network's coordinates are the same in every
  // iteration, so each is said once.
  std::set<std::string> DrawingWarnings;

  // The outside programs' console output ("<saturn>_programas.log"), what their runs left
  // wrong or told, and the signals of the network being optimised as they were before.
  std::string EngineLog;
  std::vector<EngineNote> EngineNotes;
  SignalSnapshot SignalsBefore;
  // The averaged coupling, the starting timings' indices and the assignments' own convergence:
  // what the loop keeps across iterations for the report to set beside its own figures.
  LoopMemory Memory;
  // True when network `number` was left with its earlier timings in `iteration`.
  bool NotOptimised(int iteration, NetworkNumber number) const {
    for (const EngineNote& note : EngineNotes)
      if (note.Kind == NoteKind::NotOptimised && note.Iteration == iteration && note.Network == number) return true;
    return false;
  }

  // True during the first read of the run (iteration counter at IteracionInicial).
  bool FirstRead() const { return Iteracion == Cfg.IteracionInicial; }
};

// The run's parts an outside program's run uses.
inline ProgramEnv ProgramEnvOf(Run& run) { return ProgramEnv{run.Cfg, run.OsCode, run.Sys, run.Log, run.EngineLog}; }

}  // namespace veltra
