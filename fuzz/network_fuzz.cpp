// The SATURN network reader. The input may hold an include file after a line "@@": what
// follows it is written as INC.DAT, which the network names on a "$INCLUDE INC.DAT" line
// (and the include file may name itself, or be named many times).
#include "fuzz_support.h"

using namespace veltra;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::WorkDir();
  std::string_view text = fuzz::Text(data, size);
  std::string_view network = text;
  std::string_view include;
  size_t cut = text.find("\n@@");
  if (cut != std::string_view::npos) {
    network = text.substr(0, cut + 1);
    size_t next = text.find('\n', cut + 1);
    include = next == std::string_view::npos ? std::string_view() : text.substr(next + 1);
  }
  fuzz::WriteFile("INC.DAT", include);
  // The program empties the model before every reading of a network file; so does the target.
  SaturnVars& sat = fuzz::Model();
  sat.Clear();
  MessageLog log(fuzz::NullConsole());
  fuzz::Orderly([&] { SaturnRead(fuzz::Lines(network), "FUZZ.DAT", SaturnSettings(), sat, log); });
  return 0;
}
