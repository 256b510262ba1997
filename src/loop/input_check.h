// What every iteration starts from: the SATURN network and its flows (the input check), the
// node list, the priority lists and the street names, read at start-up and, when all networks
// are optimised per iteration, again after every SATURN run.
#pragma once

#include <string>

#include "state/run.h"
#include "saturn/reader_settings.h"

namespace veltra {

// The settings of the SATURN readers for the run's current reading.
SaturnSettings SaturnSettingsOf(const Run& run);
// Loads "<name>.dat" and its flows ("<name>.lpa", or the counts file) as those of `iteration`.
void InputCheck(Run& run, const std::string& name, int iteration);
// The unsignalised nodes that follow a network's cycle (CicloPrioridadSaturn and each
// network's CicloPrioridad).
void ApplyPriorityLists(const Settings& cfg, SaturnVars& sat, const QorVars& qor, MessageLog& log);

// The input check of "<name>" for `iteration`, then the node list (its faults said only on the
// run's first reading). Returns how many lines of the node list were left out.
int ReadNetworkAndNodeList(Run& run, const std::string& name, int iteration);
// The priority lists and the street names, once the networks' own settings are read.
void ApplyInputLists(Run& run);
// SATURN's results of `iteration` read back as the next iteration's start.
void ReadSaturnResults(Run& run, int iteration);

}  // namespace veltra
