// The run summaries in CSV form: cycles, splits and the node report.
#pragma once

#include <string>

#include "model/saturn_vars.h"
#include "model/settings.h"
#include "model/transyt_model.h"
#include "util/text.h"

namespace veltra {

// Cycle of every network and the assignment figures, per iteration 1..lastIteration.
void WriteCycleSummary(const QorVars& qor, const SaturnVars& sat, int lastIteration, TextWriter& out);
// Stage lengths of every signal node, per iteration.
void WriteSplitSummary(const QorVars& qor, int lastIteration, TextWriter& out);
// The timings of lastIteration per network (named by its NombreRed setting).
void WriteNodeReport(const Settings& cfg, const QorVars& qor, int lastIteration, TextWriter& out);

}  // namespace veltra
