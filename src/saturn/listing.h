// The SATURN assignment listing (".lpa"): the flows on links and turns, per user class, and
// the totals of the assignment.
#pragma once

#include <string>
#include <vector>

#include "model/saturn_vars.h"
#include "saturn/reader_settings.h"
#include "util/log.h"

namespace veltra {

// Reads the listing's lines (sat.ListingLines as loaded) into the flows of the model as those
// of `iteration`. A listing without flows ends the run.
void ReadListing(const std::vector<std::string>& lines, int iteration, const SaturnSettings& settings, SaturnVars& sat,
                 MessageLog& log);
// LinkFlows with one cleared entry per link, the per-class flows when NOMADS asks for them,
// and the flow fields of the turns cleared.
void PrepareFlows(SaturnVars& sat);

}  // namespace veltra
