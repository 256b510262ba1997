// The TRANSYT data file of one network: title, card 1, card 2, card 7, node timing cards,
// link cards. Its six companion files are the output layer's, written from what the writer
// returns.
#pragma once

#include <string>

#include "model/saturn_vars.h"
#include "model/settings.h"
#include "model/transyt_model.h"
#include "util/log.h"
#include "util/text.h"

namespace veltra {

// Writes the data file of `kind` of network position r at `cycle` to `out`. Writing settles the
// model as the file gives it: priority nodes, optimise flags, minimum greens and the links
// written.
void WriteTransytData(const Settings& cfg, NetworkPosition r, SaturnVars& sat, QorVars& qor, MessageLog& log,
                      TextWriter& out, TransytFileKind kind, int32_t cycle);
// The data file named `fileName`.
TransytDataFile WriteTransytFile(const Settings& cfg, NetworkPosition r, SaturnVars& sat, QorVars& qor, MessageLog& log,
                                 const std::string& fileName, TransytFileKind kind, int32_t cycle);

}  // namespace veltra
