// The TNTP trips file as matrix rows, read through the assignment library's TNTP reader.
#pragma once

#include <string>
#include <vector>

#include "satprog/trip_matrix.h"

namespace veltra::satprog {

// Throws MatrixError with the reader's message.
std::vector<TripRow> ReadTntpTripRows(const std::string& path);

}  // namespace veltra::satprog
