// The six companion files of a TRANSYT data file, each named after it with its own
// extension: ".top" (node topology), ".dic" (TRANSYT to SATURN node numbers), ".csv" (link
// list), ".arc" (links by TRANSYT node numbers), ".geo" (node coordinates) and ".giro" (turn
// directions per link).
#pragma once

#include <cstdint>
#include <string>

#include "model/saturn_vars.h"
#include "model/transyt_model.h"
#include "util/log.h"
#include "util/text.h"

namespace veltra {

// Marks the nodes of the network (number `network`) and their neighbours, numbering the
// outside neighbours; then reports the marked network nodes without coordinates.
void WriteTopFile(int32_t network, SaturnVars& sat, const QorVars& qor, MessageLog& log, TextWriter& out);
void WriteDicFile(const SaturnVars& sat, TextWriter& out);
void WriteCsvFile(const QorVars& qor, TextWriter& out);
void WriteArcFile(const SaturnVars& sat, const QorVars& qor, TextWriter& out);
void WriteGeoFile(const SaturnVars& sat, TextWriter& out);
// Recomputes PresenciaClase of every link and writes it.
void WriteGiroFile(const SaturnVars& sat, QorVars& qor, TextWriter& out);

// All six, in the order above, each named after the data file with its extension.
void WriteCompanionFiles(const TransytDataFile& dataFile, SaturnVars& sat, QorVars& qor, MessageLog& log);

}  // namespace veltra
