// A counts file: observed flows on turns and links taking the place of an assignment listing.
#pragma once

#include <string>
#include <vector>

#include "model/saturn_vars.h"
#include "util/log.h"

namespace veltra {

// Reads the lines of `countsFile` (sat.ListingLines as loaded) into the flows of the model.
// Entries naming no turn or link of the network are listed in the counts file's ".errores" file.
void ReadCounts(const std::vector<std::string>& lines, const std::string& countsFile, SaturnVars& sat, MessageLog& log);

}  // namespace veltra
