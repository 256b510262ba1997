// The assignment engine's TNTP readers, one target per file kind (TNTP_KIND: 1 network,
// 2 trips, 3 flows). The readers take a path, so the input is written to a file first.
#include <cstdint>
#include <string>

#include "assign/tntp.h"
#include "fuzz_support.h"

using namespace veltra;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::WriteFile("fuzz.tntp", fuzz::Text(data, size));
  try {
#if TNTP_KIND == 1
    assign::TntpNetwork net = assign::ReadTntpNetwork("fuzz.tntp");
    // A network the reader accepts must also build.
    if (net.Nodes <= 10000 && net.Zones <= net.Nodes) {
      assign::Demand trips;
      trips.Start = {0};
      assign::BuildNetwork(net, trips, 0.0, 0.0);
    }
#elif TNTP_KIND == 2
    assign::ReadTntpTrips("fuzz.tntp", 30);
#else
    assign::ReadTntpFlows("fuzz.tntp");
#endif
  } catch (const assign::InputError&) {
  }
  return 0;
}
