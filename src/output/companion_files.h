// The six companion files of a TRANSYT data file, each named after it with its own
// extension: ".top" (node topology), ".dic" (TRANSYT to SATURN node numbers), ".csv" (link
// list), ".arc" (links by TRANSYT node numbers), ".geo" (node coordinates) and ".giro" (turn
// directions per link).
#pragma once

#include <string>

#include "run/run.h"

namespace veltra {

// Marks the network's nodes and their neighbours, numbering the outside neighbours; then
// reports the marked network nodes without coordinates.
void WriteTopFile(Run& run, int r, const std::string& dataFileName);
void WriteDicFile(const Run& run, const std::string& dataFileName);
void WriteCsvFile(const Run& run, const std::string& dataFileName);
void WriteArcFile(const Run& run, const std::string& dataFileName);
void WriteGeoFile(const Run& run, const std::string& dataFileName);
// Recomputes PresenciaClase of every link and writes it.
void WriteGiroFile(Run& run, const std::string& dataFileName);

// All six, in the order above.
void WriteCompanionFiles(Run& run, int r, const std::string& dataFileName);

}  // namespace veltra
