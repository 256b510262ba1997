// What the loop does when an outside program fails or warns: a TRANSYT run without a result
// leaves its network with the timings it had (named on the console, in the messages and
// errors files and in the report), a CYOP or SATURN run that failed stops the run, and the
// warnings of t8s and of the assignment's listing are shown where the user looks.
#pragma once

#include <string>
#include <vector>

#include "programs/program_env.h"
#include "state/run.h"
#include "saturn/listing.h"
#include "transyt/print_files.h"

namespace veltra {

// The cycle the signals of network position r run before the loop has given it one: that of
// the first signalised junction of the network; 0 when it has none.
int32_t PlanCycle(const Run& run, NetworkPosition r);

// Keeps the signal settings of network position r before the iteration's TRANSYT runs.
void KeepSignals(Run& run, NetworkPosition r, int iteration);
// Puts them back (when they were kept for r in that iteration): the network keeps the
// cycle, structure and timings its signals had.
void RestoreSignals(Run& run, NetworkPosition r, int iteration);

// Why a TRANSYT or CYOP run gave no result in its print file, the reasons joined ("" when it
// went well). `details` receives the program's own lines worth showing: the errors the print
// file names, and the last lines of its console output.
std::string TransytFailure(const Run& run, const ProgramRun& program, const std::string& printFile,
                           const PrintFileNotes& notes, std::vector<std::string>& details);

// Network position r keeps its earlier timings in this iteration: `what` (the failed run and
// why) and the details on the console and in the messages file, in the errors list, and noted
// for the end of the run and the report.
void MarkNotOptimised(Run& run, NetworkPosition r, int iteration, const std::string& what, const std::vector<std::string>& details);

// The warnings of a network's final print file, one line each, noted for the report.
void ShowTransytWarnings(Run& run, NetworkPosition r, int iteration, const PrintFileNotes& notes);

// Stops the run when the CYOP run of network position r gave no cycle table.
void CheckCyopRun(Run& run, NetworkPosition r, int iteration, const ProgramRun& program, const std::string& printFile);
// Stops the run when a SATURN program failed: the next iteration would have no flows of its own.
void CheckSaturnRun(Run& run, const ProgramRun& program, int iteration);
// What the listing read for `iteration` says of its assignment: shown, and (for an assignment
// of this run) noted as an incomplete result.
void ShowListingNotes(Run& run, const ListingNotes& notes, int iteration);
// One line with what the listing of `iteration` stated of its assignment's convergence (relative
// gap, average and largest excess); nothing when it stated none.
void ShowAssignmentConvergence(Run& run, int iteration);

// What keeps the run's result from being complete: a line per network that kept its timings
// in some iteration, per kind of assignment that fell short, and for the junctions of the node
// list left out. Empty when the result is complete.
std::vector<std::string> IncompleteResult(const Run& run);
// At the end of the run: says so plainly when the result is not complete, and returns false.
bool ResultComplete(Run& run);

}  // namespace veltra
