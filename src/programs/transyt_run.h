// Running TRANSYT and CYOP on one data file through the run batch file "_sh.bat", with the
// answer file "_opt.dat" and the working copy "_red_.dat" in the current directory.
#pragma once

#include <string>

#include "programs/program_env.h"

namespace veltra {

// Runs CYOP on the data file and leaves its print file under `printFile`. Not run (Ran false)
// when TransytExe is not "t8s".
ProgramRun RunCyop(const ProgramEnv& env, const std::string& dataFile, const std::string& printFile);
// Runs TRANSYT on the data file and leaves its print file under `printFile`; the same.
ProgramRun RunTransyt(const ProgramEnv& env, const std::string& dataFile, const std::string& printFile);

}  // namespace veltra
