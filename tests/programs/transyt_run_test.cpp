#include "programs/transyt_run.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/test_support.h"
#include "transyt/print_files.h"
#include "support/search_model.h"

namespace veltra {
namespace {

using test::CopyRunsData;

// A data file whose card 1 asks for `cycle`, the stand-in program and its indices.
class TransytRun : public ::testing::Test {
 protected:
  TransytRun() {
    CopyRunsData("t8s");
    dir.WriteLines("data.dat", {"Red de prueba", "    1   70"});
    dir.WriteLines("indices.txt", {"70 305.0"}, "\n");
  }

  test::TempDir dir;
  test::TestRun t;
  veltra::Run& run = t.run;
};

TEST_F(TransytRun, RunsTheCopyAndRenamesItsPrintFile) {
  RunTransyt(ProgramEnvOf(run), "data.dat", "data.prt");

  EXPECT_DOUBLE_EQ(ReadPerformanceIndex("data.prt"), 305.0);
  EXPECT_EQ(dir.Read("sh_seen.bat"), "t8s _red_.dat _red_.prt <_opt.dat\r\n");
  EXPECT_EQ(dir.Read("t8s.log"), "prt 70 1\n");  // the answer file gave "1"
  EXPECT_EQ(dir.Read("_red_.dat"), dir.Read("data.dat"));
  EXPECT_FALSE(dir.Exists("_red_.prt"));
  EXPECT_FALSE(dir.Exists("_sh.bat"));
  EXPECT_FALSE(dir.Exists("_opt.dat"));
  EXPECT_EQ(t.platform.slept, 1000);
  EXPECT_EQ(t.console.str(), "");
}

TEST_F(TransytRun, PauseAfterTheRunFollowsEsperaTransyt) {
  struct Case {
    int espera;
    int sleptMs;
  } cases[] = {{1, 1000}, {0, 0}, {5, 5000}, {-3, 0}, {2000000000, 3600000}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.espera);
    t.platform.slept = 0;
    run.Cfg.EsperaTransyt = c.espera;
    RunTransyt(ProgramEnvOf(run), "data.dat", "data.prt");
    EXPECT_EQ(t.platform.slept, c.sleptMs);
    EXPECT_DOUBLE_EQ(ReadPerformanceIndex("data.prt"), 305.0);
  }
}

TEST_F(TransytRun, PauseLineNamesTheWorkingPrintFile) {
  struct Case {
    bool cyop;
    int pausaTransyt, pausaCyop, osCode;
    const char* batch;
  } cases[] = {
      {false, 1, 0, 11, "t8s _red_.dat _red_.prt <_opt.dat\r\nIF EXIST _red_.prt start /w wordpad _red_.prt\r\n"},
      {false, 1, 0, 10, "t8s _red_.dat _red_.prt <_opt.dat\r\nIF EXIST _red_.prt start /w wordpad _red_.prt\r\n"},
      {false, 1, 0, 17, "t8s _red_.dat _red_.prt <_opt.dat\r\nIF EXIST _red_.prt start /w wordpad _red_.prt\r\n"},
      {false, 1, 0, 9, "t8s _red_.dat _red_.prt <_opt.dat\r\nIF EXIST _red_.prt wordpad _red_.prt\r\n"},
      {false, 0, 1, 11, "t8s _red_.dat _red_.prt <_opt.dat\r\n"},
      {false, 2, 0, 11, "t8s _red_.dat _red_.prt <_opt.dat\r\n"},
      {true, 0, 1, 11, "t8s _red_.dat _red_.cyo <_opt.dat\r\nIF EXIST _red_.cyo start /w wordpad _red_.cyo\r\n"},
      {true, 0, 1, 3, "t8s _red_.dat _red_.cyo <_opt.dat\r\nIF EXIST _red_.cyo wordpad _red_.cyo\r\n"},
      {true, 1, 0, 11, "t8s _red_.dat _red_.cyo <_opt.dat\r\n"},
  };
  CopyRunsData("cyop_printed.cyo", "cyop.cyo");
  for (const auto& c : cases) {
    run.Cfg.PausaTransyt = c.pausaTransyt;
    run.Cfg.PausaCyop = c.pausaCyop;
    run.OsCode = c.osCode;
    if (c.cyop)
      RunCyop(ProgramEnvOf(run), "data.dat", "data.cyo");
    else
      RunTransyt(ProgramEnvOf(run), "data.dat", "data.prt");
    EXPECT_EQ(dir.Read("sh_seen.bat"), c.batch) << c.osCode;
    EXPECT_TRUE(dir.Exists(c.cyop ? "data.cyo" : "data.prt")) << c.osCode;
  }
  EXPECT_EQ(t.console.str(), "");  // a missing text editor is no error
}

TEST_F(TransytRun, OnlyTheExactNameT8sRuns) {
  dir.Write("data.prt", "earlier run");
  for (const char* exe : {"T8S", "t8s.exe", "transyt", ""}) {
    run.Cfg.TransytExe = exe;
    RunTransyt(ProgramEnvOf(run), "data.dat", "data.prt");
    RunCyop(ProgramEnvOf(run), "data.dat", "data.cyo");
    EXPECT_FALSE(dir.Exists("_sh.bat")) << exe;
    EXPECT_FALSE(dir.Exists("_opt.dat")) << exe;
    EXPECT_FALSE(dir.Exists("_red_.dat")) << exe;
    EXPECT_FALSE(dir.Exists("t8s.log")) << exe;
    EXPECT_EQ(dir.Read("data.prt"), "earlier run") << exe;
  }
  EXPECT_EQ(t.platform.slept, 0);
}

TEST_F(TransytRun, WorkingCopyIsRunInPlace) {
  dir.WriteLines("_red_.dat", {"Red de prueba", "    1   70"});
  RunTransyt(ProgramEnvOf(run), "_red_.dat", "final.prt");
  EXPECT_TRUE(dir.Exists("_red_.prt"));
  EXPECT_FALSE(dir.Exists("final.prt"));
  EXPECT_DOUBLE_EQ(ReadPerformanceIndex("_red_.prt"), 305.0);
}

TEST_F(TransytRun, PrintFileOfAnEarlierRunIsDeletedFirst) {
  dir.Write("data.cyo", "earlier run");
  RunCyop(ProgramEnvOf(run), "data.dat", "data.cyo");  // no "cyop.cyo": the stand-in writes nothing
  EXPECT_FALSE(dir.Exists("data.cyo"));
  EXPECT_FALSE(dir.Exists("_red_.cyo"));
}

TEST_F(TransytRun, AnswerFileThatStaysIsReportedForCyopOnly) {
  dir.Write("lock_answers", "");
  RunCyop(ProgramEnvOf(run), "data.dat", "data.cyo");
  EXPECT_EQ(t.console.str(), "No pudo borrar \"_opt.dat\" (data.dat, data.cyo)\n");
  std::filesystem::remove_all("_opt.dat");
  RunTransyt(ProgramEnvOf(run), "data.dat", "data.prt");
  EXPECT_EQ(t.console.str(), "No pudo borrar \"_opt.dat\" (data.dat, data.cyo)\n");
  EXPECT_TRUE(dir.Exists("data.prt"));
}

TEST_F(TransytRun, MissingProgramIsReportedAndLeavesNoPrintFile) {
  std::filesystem::remove("t8s");
  RunTransyt(ProgramEnvOf(run), "data.dat", "data.prt");
  EXPECT_FALSE(dir.Exists("data.prt"));
  EXPECT_NE(t.console.str().find("Programa t8s no encontrado"), std::string::npos) << t.console.str();
  EXPECT_FALSE(dir.Exists("_sh.bat"));
  EXPECT_FALSE(dir.Exists("_opt.dat"));
}

}  // namespace
}  // namespace veltra
