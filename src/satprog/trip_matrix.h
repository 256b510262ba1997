// Trip matrices of the SATURN-shaped programs. SATALL is called with MAT, the matrix name
// without its extension, and reads the first of these that exists:
//   MAT.csv   rows "origin,destination,trips" (a header line is allowed, "*" lines are comments)
//   MAT.tntp  the TNTP trips format ("Origin k" blocks of "destination : trips;")
//   MAT.txt   either of the two, told apart by its contents
//   MAT.ufm   either of the two, when the file is text
// With NOMADS = n > 1 user classes, class k reads MAT_k by the same rules (k = 1 .. n).
// A binary matrix (SATURN's own .ufm) cannot be read: the error says so and names the formats.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace veltra::satprog {

struct TripRow {
  int32_t Origin = 0, Destination = 0;  // zone numbers
  double Trips = 0;
};

struct TripMatrix {
  std::string FileName;  // the file read
  std::vector<TripRow> Rows;
};

// Raised with a message naming the file, the line and what is wrong; it takes the listing's
// place, so the user of the loop finds it where the flows would have been.
struct MatrixError {
  std::string Message;
};

// The most trips a matrix cell may hold, whatever the format: far beyond any real demand, and
// within what a double adds up exactly enough for the listing's totals.
constexpr double kMaxTrips = 1e12;
inline bool TripsWithinLimit(double trips) { return trips >= 0 && trips <= kMaxTrips; }
// How a refused cell is described, in every format.
inline constexpr const char* kTripLimitText = "not a number of trips from 0 to 1e12";
// The formats named when a matrix cannot be read.
inline constexpr const char* kMatrixFormats =
    "the programs read text matrices: CSV (origin,destination,trips), TNTP (\"Origin\" blocks) or a text .ufm";

// The file that holds the matrix MAT (see above); empty when none of them exists.
std::string FindMatrixFile(const std::string& mat);
// Reads a matrix file in any of the text formats. Throws MatrixError.
TripMatrix ReadTripMatrix(const std::string& path);
// Reads CSV or whitespace-separated "origin destination trips" rows from lines. Throws MatrixError.
std::vector<TripRow> ParseCsvTrips(const std::vector<std::string>& lines, const std::string& fileName);

}  // namespace veltra::satprog
