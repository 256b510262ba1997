// The street-name file (ArcosNombreCalle): a heading line, then "A-node, B-node, name" per
// link, the names shown on the drawings.
#pragma once

#include <string>
#include <vector>

#include "model/saturn_vars.h"
#include "util/log.h"

namespace veltra {

// Names the links of the file (25 characters at most); with `reportUnknown`, a link the
// network does not have is reported. A file that cannot be read names nothing.
void ReadStreetNames(const std::string& fileName, bool reportUnknown, SaturnVars& sat, MessageLog& log);
void ReadStreetNames(const std::vector<std::string>& lines, const std::string& fileName, bool reportUnknown,
                     SaturnVars& sat, MessageLog& log);

}  // namespace veltra
