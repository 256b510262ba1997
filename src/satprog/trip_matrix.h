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

// Raised with a message naming the file, the line and what is wrong (in Spanish: the message
// takes the listing's place for the user of the loop).
struct MatrixError {
  std::string Message;
};

// The file that holds the matrix MAT (see above); empty when none of them exists.
std::string FindMatrixFile(const std::string& mat);
// Reads a matrix file in any of the text formats. Throws MatrixError.
TripMatrix ReadTripMatrix(const std::string& path);
// Reads CSV or whitespace-separated "origin destination trips" rows from lines. Throws MatrixError.
std::vector<TripRow> ParseCsvTrips(const std::vector<std::string>& lines, const std::string& fileName);

}  // namespace veltra::satprog
