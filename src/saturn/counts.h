// A counts file: observed flows on turns and links taking the place of an assignment listing.
#pragma once

#include <string>

#include "run/run.h"

namespace veltra {

// Reads run.Sat.ListingLines, loaded from `countsFile`, into the flows of the model. Entries
// naming no turn or link of the network are listed in the counts file's ".errores" file.
void ReadCounts(Run& run, const std::string& countsFile);

}  // namespace veltra
