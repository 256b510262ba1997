// The main driver: start-up, the iteration loop of either mode, and the end of the run.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "run/run.h"
#include "util/platform.h"

namespace veltra {

// Runs the program with its command-line arguments (without the program name). Returns the
// exit code: 0 when the run ended normally, 1 for the usage text and every stop.
int VeltraMain(const std::vector<std::string>& args, Platform& platform, std::ostream& console);

// The network step after the TRANSYT and SATURN-update calls: the drawing and the signal
// history of network position r in iteration i.
void NetworkStep(Run& run, int r, int iteration);
// Records HistCiclo, the signal nodes and their history for network position r, iteration i.
void RecordHistory(Run& run, int r, int iteration);

// The end of the run: errors file, summaries, chosen and last iteration copies, report.
void EndOfRun(Run& run);

}  // namespace veltra
