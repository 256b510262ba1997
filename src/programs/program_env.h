// What a run of an outside program (SATURN, TRANSYT, CYOP) uses: the settings that name,
// show and pause it, the operating-system code that decides the batch file's form, the
// platform that runs the batch file and waits, the log its messages go to and the file that
// keeps the programs' own console output.
#pragma once

#include <string>
#include <vector>

#include "model/settings.h"
#include "util/batch.h"
#include "util/log.h"
#include "util/platform.h"

namespace veltra {

struct ProgramEnv {
  const Settings& Cfg;
  int OsCode = 11;
  Platform& Sys;
  MessageLog& Log;
  // The outside programs' console output, kept in the working directory; empty: none kept.
  std::string OutputLog;
};

// How the run of an outside program's batch file ended, as far as it can be seen: the
// programs that could not be found or started, and those that ended with an exit code other
// than 0. (Where the system's shell runs the batch file, only the shell's own start is seen.)
struct ProgramRun {
  bool Ran = false;                   // the batch file was written and run
  std::vector<std::string> Failures;  // one text per failure, as the messages show it
  // The last lines the programs wrote to the output log in this run, shown with a failure.
  std::vector<std::string> OutputTail;
  bool Failed() const { return !Failures.empty(); }
  // The failures joined into one text ("; " between them).
  std::string FailureText() const;
};

// Runs the batch file "_sh.bat" of the working directory for the programs of `label` (the log's
// heading for this run), hidden or shown, keeping their output in the env's log, and tells
// how it ended.
ProgramRun RunProgramBatch(const ProgramEnv& env, const std::string& batchFile, const std::string& label, bool hidden,
                           ProgramRun run = ProgramRun());

}  // namespace veltra
