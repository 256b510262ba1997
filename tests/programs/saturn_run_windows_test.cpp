// The SATURN batch files run by the Windows shell (cmd.exe): the lines the forms write
// (SET PATH=, Start /w, Call, ERASE, IF EXIST, COPY) start the programs they name, and the
// run waits for them. The programs are the stand-ins built for Windows, in the directory that
// VELTRA_STANDINS names.
#ifdef _WIN32

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "programs/saturn_run.h"
#include "support/test_support.h"
#include "util/files.h"

namespace veltra {
namespace {

struct WindowsSaturnRun : ::testing::Test {
  test::TempDir dir;
  test::TestRun t;
  std::string standIns;

  void SetUp() override {
    const char* where = std::getenv("VELTRA_STANDINS");
    if (!where || !*where) GTEST_SKIP() << "VELTRA_STANDINS does not name the stand-in programs";
    standIns = where;
    // The starting listing that the assignment stand-in carries over to the iteration.
    dir.WriteLines("red.lpa", {"  LISTING", "  GRAND TOTALS            100.0          2000.0"});
    dir.Write("red_1.dat", "network\r\n");
    t.run.SaturnFile = "red.dat";
    t.run.Cfg.MatrizBinaria = "viajes.ufm";
    // Only the batch file's own PATH leads to the programs.
    t.run.Cfg.PathSaturn = standIns;
    // The assignment writes its listing late: a run that did not wait would find none.
    _putenv("VELTRA_STANDIN_DELAY_MS=1500");
  }
  void TearDown() override { _putenv("VELTRA_STANDIN_DELAY_MS="); }
};

TEST_F(WindowsSaturnRun, OneFileFormStartsEachProgramAndWaitsForIt) {
  t.run.OsCode = 11;  // "Start /w $SATNET ..." lines
  RunSaturn(t.run, 1);
  EXPECT_TRUE(dir.Exists("red_1.lpn"));
  EXPECT_TRUE(dir.Exists("red_1.lpa"));
  EXPECT_TRUE(dir.Exists("red_1.lpt"));
  EXPECT_FALSE(dir.Exists("_sh.bat"));
}

TEST_F(WindowsSaturnRun, FourFileFormCallsErasesCopiesAndShowsTheListing) {
  t.run.Cfg.VersionSaturn = "9.1";  // "Call SATNET ...", DBOS and KILL_DBO, which do not exist here
  t.run.Cfg.BorrarLPT = 1;          // "ERASE red_1.LPT" after SATEASY wrote it
  t.run.Cfg.PausaSatass = 1;        // "IF EXIST red_1.LPA wordpad red_1.LPA"
  dir.Write("red_1.ufa", "old");   // "ERASE red_1.U*" before SATNET
  RunSaturn(t.run, 1);
  EXPECT_TRUE(dir.Exists("red_1.lpn"));
  EXPECT_TRUE(dir.Exists("red_1.lpa"));
  EXPECT_FALSE(dir.Exists("red_1.lpt"));
  EXPECT_FALSE(dir.Exists("red_1.ufa"));
  EXPECT_EQ(dir.Read("visor.txt"), "wordpad red_1.LPA\r\n");
  EXPECT_FALSE(dir.Exists("_sh.bat"));
}

TEST_F(WindowsSaturnRun, ProgramsAreNotFoundWithoutTheirPath) {
  t.run.Cfg.PathSaturn = dir.Path();  // a PATH without the programs
  t.run.OsCode = 11;
  RunSaturn(t.run, 1);
  EXPECT_FALSE(dir.Exists("red_1.lpa"));
  EXPECT_FALSE(dir.Exists("_sh.bat"));
}

}  // namespace
}  // namespace veltra

#endif  // _WIN32
