// The configuration file: the global part, then the section of every network of the example
// node list, as a run reads them. File names in the input are kept inside the working
// directory (an input naming a path elsewhere is skipped), since the messages file it names
// is created.
#include "fuzz_support.h"
#include "run/config.h"
#include "state/run.h"

using namespace veltra;

namespace {

class QuietPlatform : public Platform {
 public:
  void Sleep(int) override {}
  void WaitForEnter() override {}
  int OsVersionCode() override { return 0; }
  std::string ExecutablePath() override { return "veltra"; }
  std::string GetEnv(const std::string&) override { return std::string(); }
  int StartAndWait(const ProcessSpec&) override { return -1; }
};

const std::vector<std::string> kFixtures = {"pueblo.dat", "nodos.txt", "fuzz.ini"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text = fuzz::Text(data, size);
  if (text.find_first_of("/\\") != std::string_view::npos) return -1;
  const fuzz::ExampleModel& example = fuzz::Example();
  static const bool copied = [] {
    fuzz::WriteFile("pueblo.dat", fuzz::ReadFile(fuzz::ExampleFile("pueblo.dat")));
    fuzz::WriteFile("nodos.txt", fuzz::ReadFile(fuzz::ExampleFile("nodos.txt")));
    return true;
  }();
  (void)copied;
  fuzz::WriteFile("fuzz.ini", text);
  // One run per process (its model tables are large); what the reading sets is reset.
  static QuietPlatform platform;
  static Run& run = *new Run(platform, fuzz::NullConsole());
  run.Cfg = Settings();
  run.Log.Errors.clear();
  run.WorkDir = fuzz::WorkDir().string();
  run.Qor = example.Qor;
  fuzz::Orderly([&] {
    ReadGlobalConfiguration(run, {"pueblo.dat", "nodos.txt", "pueblo_tr.dat", "fuzz.ini"});
    for (int r = 1; r <= run.Qor.NumRedes; ++r) ReadNetworkConfiguration(run, NetworkPosition(r));
  });
  run.Log.CloseMessagesFile();
  fuzz::CleanWorkDir(kFixtures);
  return 0;
}
