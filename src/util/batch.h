// Running a batch file of the small dialect the program writes ("_sh.bat"), with our own
// interpreter: @ECHO OFF, SET PATH=, ERASE with wildcards, COPY, IF EXIST f command, the
// prefixes Call and Start /w, and programs with arguments and "<" input redirection.
#pragma once

#include <functional>
#include <string>

#include "util/platform.h"

namespace veltra {

struct BatchOptions {
  bool Hidden = true;  // hidden: programs' output goes nowhere; shown: to the console
  // Receives the interpreter's messages (unknown lines, programs not found).
  std::function<void(const std::string&)> Report;
};

// Runs the batch file in the current directory and waits for every program it starts.
// Returns false when a line could not be understood or a program was not found.
bool RunBatchFile(Platform& platform, const std::string& batchFile, const BatchOptions& options);

// Looks a program up by name (case-insensitive, then without a leading "$") in the working
// directory, the PATH directories and the directory of the running executable. Empty when
// not found.
std::string FindProgram(Platform& platform, const std::string& name, const std::string& pathVariable);

}  // namespace veltra
