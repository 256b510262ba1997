// The input check that loads the SATURN network and its flows, and the priority lists.
#pragma once

#include <string>

#include "run/run.h"
#include "saturn/reader_settings.h"

namespace veltra {

// The settings of the SATURN readers for the run's current reading.
SaturnSettings SaturnSettingsOf(const Run& run);
// Loads "<name>.dat" and its flows ("<name>.lpa", or the counts file) as those of `iteration`.
void InputCheck(Run& run, const std::string& name, int iteration);
// The unsignalised nodes that follow a network's cycle (CicloPrioridadSaturn and each
// network's CicloPrioridad).
void ApplyPriorityLists(const Settings& cfg, SaturnVars& sat, const QorVars& qor, MessageLog& log);

}  // namespace veltra
