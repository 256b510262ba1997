#include "util/batch.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "support/test_support.h"

namespace veltra {
namespace {

// A stand-in program that records its name, arguments and standard input in calls.log.
void WriteRecorder(const test::TempDir& dir, const std::string& name, const std::string& subdir = "") {
  std::string path = subdir.empty() ? name : subdir + "/" + name;
  dir.Write(path,
            "#!/bin/sh\n"
            "input=$(cat)\n"
            "echo \"$(basename \"$0\") $* [$input]\" >> \"" + dir.Path() + "/calls.log\"\n");
  chmod(dir.File(path).c_str(), 0755);
}

struct BatchRun {
  test::TestPlatform platform;
  std::vector<std::string> messages;
  bool Run(const test::TempDir& dir, const std::vector<std::string>& lines) {
    dir.WriteLines("_sh.bat", lines);
    BatchOptions options;
    options.Report = [this](const std::string& m) { messages.push_back(m); };
    return RunBatchFile(platform, "_sh.bat", options);
  }
};

TEST(Batch, RunsProgramsWithArgumentsAndInputRedirection) {
  test::TempDir dir;
  WriteRecorder(dir, "t8s");
  WriteRecorder(dir, "satnet");
  dir.WriteLines("_opt.dat", {"1"});
  BatchRun batch;
  EXPECT_TRUE(batch.Run(dir, {"@ECHO OFF", "t8s _red_.dat _red_.prt <_opt.dat", "Start /w $SATNET RED_1",
                              "Call SATNET RED_2", "DBOS", "KILL_DBO", "IF EXIST RED_1.LPN start /w wordpad RED_1.LPN"}));
  EXPECT_EQ(dir.Read("calls.log"), "t8s _red_.dat _red_.prt [1\r]\nsatnet RED_1 []\nsatnet RED_2 []\n");
  EXPECT_TRUE(batch.messages.empty());
}

TEST(Batch, FileCommands) {
  test::TempDir dir;
  dir.Write("a.lpa", "listing");
  dir.Write("net.UFN", "x");
  dir.Write("net.ufs", "x");
  dir.Write("other.ufn", "x");
  BatchRun batch;
  EXPECT_TRUE(batch.Run(dir, {"ERASE net.U*", "COPY a.lpa b.lpa", "COPY a.lpa a.lpa", "IF EXIST b.lpa COPY b.lpa c.lpa",
                              "IF EXIST nothing.lpa COPY b.lpa d.lpa", "ERASE missing.*"}));
  EXPECT_FALSE(dir.Exists("net.UFN"));
  EXPECT_FALSE(dir.Exists("net.ufs"));
  EXPECT_TRUE(dir.Exists("other.ufn"));
  EXPECT_EQ(dir.Read("b.lpa"), "listing");
  EXPECT_EQ(dir.Read("a.lpa"), "listing");
  EXPECT_EQ(dir.Read("c.lpa"), "listing");
  EXPECT_FALSE(dir.Exists("d.lpa"));
}

TEST(Batch, SetPathDirectsTheProgramSearch) {
  test::TempDir dir;
  std::filesystem::create_directories(dir.File("saturn"));
  WriteRecorder(dir, "SATALL", "saturn");
  BatchRun batch;
  EXPECT_TRUE(batch.Run(dir, {"SET PATH=" + dir.File("saturn"), "$SATALL NET MAT"}));
  EXPECT_EQ(dir.Read("calls.log"), "SATALL NET MAT []\n");
}

TEST(Batch, ProgramsAreAlsoFoundBesideTheExecutable) {
  test::TempDir dir;
  std::filesystem::create_directories(dir.File("bin"));
  WriteRecorder(dir, "t8s", "bin");
  BatchRun batch;
  batch.platform.exePath = dir.File("bin/veltra");
  EXPECT_TRUE(batch.Run(dir, {"SET PATH=/nonexistent", "t8s x"}));
  EXPECT_EQ(dir.Read("calls.log"), "t8s x []\n");
}

TEST(Batch, FailuresAreReportedWithTheLine) {
  struct Case {
    std::vector<std::string> lines;
    std::string message;
  };
  const Case cases[] = {
      {{"@ECHO OFF", "nosuchprogram a b"}, "ERROR - Programa nosuchprogram no encontrado (_sh.bat, linea 2)"},
      {{"GOTO END"}, "ERROR - Programa GOTO no encontrado (_sh.bat, linea 1)"},
      {{"dir > x.txt"}, "ERROR - Linea no reconocida: dir > x.txt (_sh.bat, linea 1)"},
      {{"IF ERRORLEVEL 1 x"}, "ERROR - Linea no reconocida: IF ERRORLEVEL 1 x (_sh.bat, linea 1)"},
      {{"ERASE"}, "ERROR - Linea no reconocida: ERASE (_sh.bat, linea 1)"},
      {{"Start x"}, "ERROR - Linea no reconocida: Start x (_sh.bat, linea 1)"},
  };
  for (const auto& c : cases) {
    test::TempDir dir;
    BatchRun batch;
    EXPECT_FALSE(batch.Run(dir, c.lines));
    ASSERT_EQ(batch.messages.size(), 1u);
    EXPECT_EQ(batch.messages[0], c.message);
  }
}

TEST(Batch, MissingBatchFileFails) {
  test::TempDir dir;
  test::TestPlatform platform;
  EXPECT_FALSE(RunBatchFile(platform, "none.bat", BatchOptions()));
}

}  // namespace
}  // namespace veltra
