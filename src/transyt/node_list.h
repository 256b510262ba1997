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
// network of every listed node. A file that cannot be read, or a line without three
// integers, ends the run at once. What is wrong with a line goes to the log and the errors
// list on the first read of the run (`firstRead`) and is not repeated on the readings after
// each SATURN run: a SATURN node listed twice in a network (the later line wins), a TRANSYT
// number above `transytNodeLimit` (kept), a SATURN node the network does not have or one
// without coordinates (left out). Two SATURN nodes under one TRANSYT number of a network stop
// the run, since only one of them could be timed. Returns how many lines were left out.
int ReadNodeList(const std::string& fileName, int transytNodeLimit, SaturnVars& sat, QorVars& qor, MessageLog& log,
                 bool firstRead = true);
// The same for the file's lines, already loaded.
int ReadNodeList(const std::vector<std::string>& lines, const std::string& fileName, int transytNodeLimit,
                 SaturnVars& sat, QorVars& qor, MessageLog& log, bool firstRead = true);

}  // namespace veltra
