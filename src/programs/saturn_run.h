// Running SATURN on the network file of an iteration.
#pragma once

#include <string>
#include <vector>

#include "model/settings.h"
#include "programs/program_env.h"

namespace veltra {

// Runs SATURN on the network file of an iteration (when CorreSaturn is 1; Ran false
// otherwise): every batch file of its form, whatever the programs of the earlier ones did;
// the failures of all of them are told.
ProgramRun RunSaturn(const ProgramEnv& env, const std::string& dataFile, int iteration);

// One run of "_sh.bat": its lines, and whether the run is followed by the EsperaSaturn pause.
struct SaturnBatch {
  std::vector<std::string> Lines;
  bool Wait = false;
};

// The batch files that run SATURN on a data file, in order, by VersionSaturn and the
// operating-system code; none when the version names no known form.
std::vector<SaturnBatch> SaturnBatchFiles(const Settings& cfg, int osCode, const std::string& dataFile);

}  // namespace veltra
