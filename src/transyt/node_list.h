// The node list file: one line per node, "SATURN node, TRANSYT node, network", which says
// which SATURN junctions form which TRANSYT network and their numbers there.
#pragma once

#include <string>
#include <vector>

#include "model/saturn_vars.h"
#include "model/transyt_model.h"
#include "util/log.h"

namespace veltra {

// Reads the node list into the network table of QorVars (NumRedes, RedNodos) and the TRANSYT
// network of every listed node; TRANSYT numbers above `transytNodeLimit` are reported. A file
// that cannot be read, or a line without three integers, ends the run at once.
void ReadNodeList(const std::string& fileName, int transytNodeLimit, SaturnVars& sat, QorVars& qor, MessageLog& log);
// The same for the file's lines, already loaded.
void ReadNodeList(const std::vector<std::string>& lines, const std::string& fileName, int transytNodeLimit,
                  SaturnVars& sat, QorVars& qor, MessageLog& log);

}  // namespace veltra
