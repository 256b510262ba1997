// The input lists of the run: the input check that loads the SATURN network and its flows,
// the node list file, the priority lists and the street-name file.
#pragma once

#include <string>

#include "run/run.h"

namespace veltra {

// Loads "<name>.dat" and its flows ("<name>.lpa", or the counts file) as those of `iteration`.
void InputCheck(Run& run, const std::string& name, int iteration);
void ReadNodeList(Run& run, const std::string& fileName);
void ApplyPriorityLists(Run& run);
void ReadStreetNames(Run& run, const std::string& fileName);

}  // namespace veltra
