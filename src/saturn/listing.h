// The SATURN assignment listing (".lpa"): the flows on links and turns, per user class, and
// the totals of the assignment.
#pragma once

#include "model/saturn_vars.h"
#include "run/run.h"

namespace veltra {

// Reads run.Sat.ListingLines into the flows of the model as those of `iteration`. A listing
// without flows ends the run.
void ReadListing(Run& run, int iteration);
// LinkFlows with one cleared entry per link, the per-class flows when NOMADS asks for them,
// and the flow fields of the turns cleared.
void PrepareFlows(SaturnVars& sat);

}  // namespace veltra
