// The street-name file, naming the links of the example network.
#include "fuzz_support.h"
#include "saturn/street_names.h"

using namespace veltra;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SaturnVars& sat = fuzz::Model();
  sat = fuzz::Example().Sat;
  MessageLog log(fuzz::NullConsole());
  fuzz::Orderly([&] { ReadStreetNames(fuzz::Lines(fuzz::Text(data, size)), "calles.csv", true, sat, log); });
  return 0;
}
