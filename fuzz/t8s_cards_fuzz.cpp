// The signal engine's data cards, and the summary of what they hold when they are usable.
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "signals/network.h"
#include "signals/print_file.h"

using namespace veltra;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  signals::ReadReport report;
  signals::SignalNetwork net = signals::ReadDataFile(fuzz::Lines(fuzz::Text(data, size)), "fuzz.dat", report);
  if (report.Ok()) signals::InputSummaryLines(net, report);
  return 0;
}
