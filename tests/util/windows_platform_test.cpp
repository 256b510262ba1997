// The Windows side of the platform: programs started and waited for, with their input file,
// exit code and the batch file run by cmd.exe.
#ifdef _WIN32

#include <gtest/gtest.h>

#include "support/test_support.h"
#include "util/files.h"
#include "util/platform.h"
#include "util/text.h"

namespace veltra {
namespace {

std::string Shell(WindowsPlatform& platform) {
  std::string shell = platform.GetEnv("ComSpec");
  return shell.empty() ? std::string("C:\\windows\\system32\\cmd.exe") : shell;
}

TEST(WindowsPlatform, ProgramsAreWaitedForAndGiveTheirExitCode) {
  test::TempDir dir;
  WindowsPlatform platform;
  ProcessSpec launch;
  launch.Program = Shell(platform);
  launch.Args = {"/c", "exit 3"};
  EXPECT_EQ(platform.StartAndWait(launch), 3);
  launch.Program = dir.File("no_such_program.exe");
  EXPECT_EQ(platform.StartAndWait(launch), -1);
}

TEST(WindowsPlatform, InputFileAndWorkingDirectoryReachTheProgram) {
  test::TempDir dir;
  dir.WriteLines("sub/in.txt", {"b", "a"});
  WindowsPlatform platform;
  ProcessSpec launch;
  launch.Program = Shell(platform);
  launch.Args = {"/c", "more > out.txt"};
  launch.StdinFile = dir.File("sub/in.txt");
  launch.WorkDir = dir.File("sub");
  ASSERT_EQ(platform.StartAndWait(launch), 0);
  EXPECT_EQ(test::ReadLines(dir.File("sub/out.txt")), (std::vector<std::string>{"b", "a"}));
  // A missing input file starts nothing.
  launch.StdinFile = dir.File("missing.txt");
  EXPECT_EQ(platform.StartAndWait(launch), -1);
}

TEST(WindowsPlatform, BatchFileRunsInTheShellWithItsBlanksInThePath) {
  test::TempDir dir;
  dir.WriteLines("con blanco/_sh.bat", {"@ECHO OFF", "IF EXIST marca.txt COPY marca.txt copia.txt", "exit /b 4"});
  dir.Write("marca.txt", "x");
  WindowsPlatform platform;
  int code = 0;
  ASSERT_TRUE(platform.RunBatchWithSystemShell(dir.File("con blanco/_sh.bat"), true, "", code));
  EXPECT_EQ(code, 4);
  EXPECT_TRUE(dir.Exists("copia.txt"));
}

TEST(WindowsPlatform, ExecutableAndVersionAreTheSystemsOwn) {
  WindowsPlatform platform;
  EXPECT_TRUE(EndsWith(Lower(platform.ExecutablePath()), "test_util.exe")) << platform.ExecutablePath();
  EXPECT_GE(platform.OsVersionCode(), 10);  // 2000 or later
}

}  // namespace
}  // namespace veltra

#endif  // _WIN32
