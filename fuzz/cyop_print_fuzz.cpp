// The CYOP print file: its table of performance indices, then the cycle and structure choice
// of network 1 of the example from it.
#include "fuzz_support.h"
#include "model/settings.h"
#include "transyt/cyop_choice.h"
#include "transyt/print_files.h"

using namespace veltra;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::ExampleState state;
  fuzz::WriteFile("fuzz.cyo", fuzz::Text(data, size));
  const Settings cfg;
  fuzz::Orderly([&] {
    CyopTable table;
    ReadCyopTable("fuzz.cyo", table);
    const int cycle = CyopCycleChoice(cfg, NetworkPosition(1), "fuzz.cyo", state.Sat, state.Qor, state.Log);
    CyopStructureCheck(cfg, NetworkPosition(1), "fuzz.cyo", StructureCycle(cycle), cycle, false, state.Sat, state.Qor, state.Log);
  });
  return 0;
}
