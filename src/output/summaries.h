// The run summaries in CSV form: cycles, splits and the node report.
#pragma once

#include <string>

#include "run/run.h"

namespace veltra {

void WriteCycleSummary(Run& run, const std::string& fileName, int lastIteration);
void WriteSplitSummary(Run& run, const std::string& fileName, int lastIteration);
void WriteNodeReport(Run& run, int lastIteration);

}  // namespace veltra
