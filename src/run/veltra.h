// The main driver: start-up, the iteration loop of either mode, and the end of the run.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "state/run.h"
#include "util/platform.h"

namespace veltra {

// The exit code of a run that ended normally but whose result is not complete: a network kept
// its timings in some iteration (TRANSYT gave no result), an assignment fell short of
// convergence or left trips out, or a junction of the node list was left out.
constexpr int kIncompleteExitCode = 2;

// Runs the program with its command-line arguments (without the program name). Returns the
// exit code: 0 when the run ended normally with a complete result, kIncompleteExitCode when
// it ended normally with an incomplete one, 1 for the usage text and every stop.
int VeltraMain(const std::vector<std::string>& args, Platform& platform, std::ostream& console);

// The end of the run: what keeps the result from being complete, errors file, summaries,
// chosen and last iteration copies, report. Returns whether the result is complete.
bool EndOfRun(Run& run);

}  // namespace veltra
