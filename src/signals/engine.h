// The t8s program: reads a data file, and writes either the timings it optimised (or evaluated)
// or, for a print file ending in ".cyo", the cycle table.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "signals/model.h"
#include "signals/network.h"
#include "signals/print_file.h"
#include "signals/search.h"
#include "util/progress.h"

namespace veltra::signals {

// "t8s DATA PRINT": 0 when PRINT holds a result; 1 when the data file could not be used (PRINT
// then says why, and so does the console); 2 when PRINT itself could not be written. Messages
// for the console go to `console`; `progress`, when given, hears how far the search has come.
int RunProgram(const std::string& dataFile, const std::string& printFile, std::ostream& console,
               ProgressLine* progress = nullptr);

// The usage text: the command line, its options, what card 1 sets and its defaults, the exit
// codes.
std::string UsageText();

// The command line (program name left out): "--help" or "-h" prints the usage on `out` and
// gives 0; no arguments, an unknown option, or any other count than DATA and PRINT prints it on
// `err` and gives 1; neither writes a file. Otherwise RunProgram, its messages and progress
// lines on `err` ("--progress S", "--no-progress", or by default when `terminals` says a person
// watches the error stream).
int RunCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   const Terminals& terminals = {});

}  // namespace veltra::signals
