// SATNET, SATALL, SATASS and SATEASY: the programs the loop's SATURN batch files call, run in
// the working directory as "SATNET NET" and "SATALL NET MAT" (likewise SATASS, SATEASY).
//
// Files, for NET (the network name without extension):
//   SATNET  reads NET.dat; writes NET.lpn (what was read, warnings, errors with their line)
//           and, when the network has no errors, NET.ufn, the mark that it may be assigned.
//   SATALL  needs NET.ufn; reads NET.dat and the matrix MAT (see trip_matrix.h), runs the
//           simulation-assignment loop and writes NET.lpa (the listing), NET.ufa (the saved
//           result: a copy of the listing) and NET_flows.csv. On an error (trips that cannot be
//           loaded among them) NET.lpa holds only the error message (no flows, so the loop's
//           listing reader refuses it) and the exit code is 1.
//   SATASS, SATEASY  re-write NET.lpa from NET.ufa.
// SATALL's options (the loop's gap, loop limit and stopping criteria, the junction model's
// period, driving side and gap acceptance, --drop-unloadable-trips) are declared with their
// ranges in programs.cpp and checked before any file is touched; --help on any of
// the four names prints them with the exit codes. SATALL's progress line (--progress S,
// --no-progress; by default every 2 s on a terminal) shares the console with its messages. The
// programs speak English.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "util/progress.h"

namespace veltra::satprog {

// The program named by `programName` (argv[0]: its file-name part, with or without "$" and
// ".exe", in any letter case) with its arguments; its messages, and SATALL's progress lines, on
// `out`. `terminals` says whether a person watches it. Returns the exit code.
int RunSaturnProgram(const std::string& programName, const std::vector<std::string>& args, std::ostream& out,
                     const Terminals& terminals = {});

}  // namespace veltra::satprog
