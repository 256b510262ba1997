// The TNTP trips file as matrix rows, read through the assignment library's TNTP reader.
#pragma once

#include <string>
#include <vector>

#include "satprog/trip_matrix.h"

namespace veltra::satprog {

// Throws MatrixError with the reader's message.
std::vector<TripRow> ReadTntpTripRows(const std::string& path);
// The same where the file's lines are already loaded (the zone count is taken from them).
std::vector<TripRow> ReadTntpTripRows(const std::string& path, const std::vector<std::string>& lines);

}  // namespace veltra::satprog
