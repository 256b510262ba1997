// The counts file, read into the example network in place of a listing.
#include "fuzz_support.h"
#include "saturn/counts.h"

using namespace veltra;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SaturnVars& sat = fuzz::Model();
  sat = fuzz::Example().Sat;
  MessageLog log(fuzz::NullConsole());
  fuzz::Orderly([&] { ReadCounts(fuzz::Lines(fuzz::Text(data, size)), "conteos.txt", sat, log); });
  return 0;
}
