// The t8s program: reads a data file, and writes either the timings it optimised (or evaluated)
// or, for a print file ending in ".cyo", the cycle table.
#pragma once

#include <ostream>
#include <string>

#include "signals/model.h"
#include "signals/network.h"
#include "signals/print_file.h"
#include "signals/search.h"

namespace veltra::signals {

// "t8s DATA PRINT": 0 when PRINT holds a result; 1 when the data file could not be used (PRINT
// then says why); 2 when PRINT itself could not be written. Messages for the console go to `console`.
int RunProgram(const std::string& dataFile, const std::string& printFile, std::ostream& console);

}  // namespace veltra::signals
