// The trip-matrix reader of the SATURN-shaped programs: one input, read as the matrix file
// SATALL finds (CSV rows or TNTP blocks, told apart by the contents). A file it cannot use is
// refused with a message, which is the orderly end here.
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "satprog/trip_matrix.h"

using namespace veltra;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::WriteFile("fuzz.csv", fuzz::Text(data, size));
  try {
    satprog::ReadTripMatrix("fuzz.csv");
  } catch (const satprog::MatrixError&) {
  }
  return 0;
}
