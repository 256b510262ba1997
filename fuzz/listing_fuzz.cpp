// The SATURN assignment listing, read into the example network as the flows of iteration 1.
#include "fuzz_support.h"
#include "saturn/listing.h"

using namespace veltra;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SaturnVars& sat = fuzz::Model();
  sat = fuzz::Example().Sat;
  MessageLog log(fuzz::NullConsole());
  fuzz::Orderly([&] { ReadListing(fuzz::Lines(fuzz::Text(data, size)), 1, SaturnSettings(), sat, log); });
  return 0;
}
