// The TRANSYT print file: its performance index and the final settings of network 1 of the
// example, read into its signal plans and links.
#include "fuzz_support.h"
#include "transyt/print_files.h"

using namespace veltra;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::ExampleState state;
  std::string_view text = fuzz::Text(data, size);
  fuzz::WriteFile("fuzz.prt", text);
  fuzz::Orderly([&] {
    ReadPerformanceIndex("fuzz.prt");
    ReadFinalSettings(fuzz::Lines(text), true, NetworkPosition(1), state.Sat, state.Qor, state.Log);
  });
  return 0;
}
