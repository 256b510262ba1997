// Running a batch file of the small dialect the program writes ("_sh.bat"), with our own
// interpreter: @ECHO OFF, SET PATH=, ERASE with wildcards, COPY, IF EXIST f command, the
// prefixes Call and Start /w, and programs with arguments and "<" input redirection.
#pragma once

#include <functional>
#include <string>

#include "util/platform.h"

namespace veltra {

struct BatchOptions {
  // Hidden: the programs' output goes to OutputFile (nowhere when it is empty); shown: to the
  // console.
  bool Hidden = true;
  // The log of the programs' console output. Each program started is noted in it: its command
  // line before it runs ("> ...") and its exit code after ("< ...").
  std::string OutputFile;
  // Receives the interpreter's messages (unknown lines, programs not found).
  std::function<void(const std::string&)> Report;
  // Told of every program the interpreter ran and its exit code (not of the programs that a
  // system shell runs: it reports only its own exit code).
  std::function<void(const std::string& program, int exitCode)> ProgramEnded;
};

// Runs the batch file in the current directory and waits for every program it starts.
// Returns false when a line could not be understood or a program was not found or started.
bool RunBatchFile(Platform& platform, const std::string& batchFile, const BatchOptions& options);

// Looks a program up by name (case-insensitive, then without a leading "$") in the working
// directory, the PATH directories and the directory of the running executable. Empty when
// not found.
std::string FindProgram(Platform& platform, const std::string& name, const std::string& pathVariable);

}  // namespace veltra
