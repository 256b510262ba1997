// The Windows version enumeration and command-line quoting, checked on every system.
#include <gtest/gtest.h>

#include "util/platform.h"

namespace veltra {
namespace {

TEST(WindowsVersion, EachReleaseHasItsCodeAndServersTheirOwn) {
  struct Case {
    unsigned major, minor;
    bool workstation;
    int code;
  } cases[] = {
      {4, 0, true, 9},    // NT 4
      {5, 0, true, 10},   // 2000: the shell-started runs
      {5, 1, true, 11},   // XP
      {5, 2, false, 12},  // Server 2003
      {5, 2, true, 13},   // XP x64 shares the 2003 kernel
      {6, 0, true, 15},   // Vista
      {6, 1, true, 17},   // 7: the last code with a name of its own
      {6, 1, false, 18},  // Server 2008 R2
      {6, 3, true, 22},   // 8.1
      {10, 0, true, 25},  // 10 and 11
      {10, 0, false, 26},
      {7, 0, true, 0},  // unknown: the run takes it as XP
  };
  for (const Case& c : cases)
    EXPECT_EQ(WindowsVersionCode(c.major, c.minor, c.workstation), c.code) << c.major << "." << c.minor;
}

TEST(WindowsCommandLine, ArgumentsComeBackWholeFromTheRuntimeSplit) {
  struct Case {
    std::vector<std::string> args;
    std::string line;
  } cases[] = {
      {{"_red_.dat", "_red_.prt"}, "t8s.exe _red_.dat _red_.prt"},
      {{"C:\\Mis datos\\red.dat"}, "t8s.exe \"C:\\Mis datos\\red.dat\""},
      {{""}, "t8s.exe \"\""},
      {{"say \"hi\""}, "t8s.exe \"say \\\"hi\\\"\""},
      {{"C:\\dir with blank\\"}, "t8s.exe \"C:\\dir with blank\\\\\""},  // a trailing backslash is doubled
      {{"C:\\plain\\"}, "t8s.exe C:\\plain\\"},                         // untouched without blanks
  };
  for (const Case& c : cases) EXPECT_EQ(WindowsCommandLine("t8s.exe", c.args), c.line);
  EXPECT_EQ(WindowsCommandLine("C:\\Program Files\\cmd.exe", {"/c"}), "\"C:\\Program Files\\cmd.exe\" /c");
}

}  // namespace
}  // namespace veltra
