// The node list, read against the example network.
#include "fuzz_support.h"

using namespace veltra;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SaturnVars& sat = fuzz::Model();
  sat = fuzz::Example().Sat;
  static const QorVars empty;
  QorVars& qor = fuzz::Qor();
  qor = empty;
  MessageLog log(fuzz::NullConsole());
  fuzz::Orderly([&] { ReadNodeList(fuzz::Lines(fuzz::Text(data, size)), "nodos.txt", 325, sat, qor, log); });
  return 0;
}
