// The SATURN assignment listing (".lpa"): the flows on links and turns, per user class, and
// the totals of the assignment.
#pragma once

#include <string>
#include <vector>

#include "model/saturn_vars.h"
#include "saturn/reader_settings.h"
#include "util/log.h"

namespace veltra {

// What a listing says of the assignment that wrote it besides its flows: the lines (trimmed,
// as written) that tell that it stopped before it converged, and those that tell of trips of
// the matrix left out of it.
struct ListingNotes {
  std::vector<std::string> NotConverged;
  std::vector<std::string> TripsLeftOut;
  // How close the last assignment came to equilibrium, where the listing states it (the
  // "LAST ASSIGNMENT:" line): the relative gap, the average excess cost per trip over its pair's
  // shortest route (s) and the largest excess of a used route, in seconds and as a share of its
  // pair's free-flow shortest cost. A measure the assignment method does not keep is -1.
  bool ConvergenceStated = false;
  double RelativeGap = -1;
  double AverageExcess = -1;
  double LargestExcess = -1;
  double LargestRelativeExcess = -1;
};

// Reads the listing's lines (sat.ListingLines as loaded) into the flows of the model as those
// of `iteration`. A listing without flows ends the run; so does a row or totals line whose
// columns ran together (a value wider than its columns), which would give negative flows.
ListingNotes ReadListing(const std::vector<std::string>& lines, int iteration, const SaturnSettings& settings,
                         SaturnVars& sat, MessageLog& log);
// The notes of a listing's lines.
ListingNotes ListingNotesOf(const std::vector<std::string>& lines);
// LinkFlows with one cleared entry per link, the per-class flows when NOMADS asks for them,
// and the flow fields of the turns cleared.
void PrepareFlows(SaturnVars& sat);

}  // namespace veltra
