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

namespace veltra::signals {

// "t8s DATA PRINT": 0 when PRINT holds a result; 1 when the data file could not be used (PRINT
// then says why, and so does the console); 2 when PRINT itself could not be written. Messages
// for the console go to `console`.
int RunProgram(const std::string& dataFile, const std::string& printFile, std::ostream& console);

// The usage text: the command line, what card 1 sets and its defaults, the exit codes.
std::string UsageText();

// The command line (program name left out): "--help" or "-h" prints the usage on `out` and
// gives 0; no arguments, or any other count than DATA and PRINT, prints it on `err` and gives 1;
// neither writes a file. Otherwise RunProgram, its messages on `err`.
int RunCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace veltra::signals
