// The SATURN batch files run by the Windows shell (cmd.exe): the lines the forms write
// (SET PATH=, Start /w, Call, ERASE, IF EXIST, COPY) start the programs they name, and the
// run waits for them. The programs are the Windows builds of the SATURN-shaped programs and
// the stand-in text viewer, in the directory that VELTRA_STANDINS names; they assign the
// example town, whose listing is written only at the end of the assignment.
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
    const std::string town = std::string(VELTRA_TEST_DATA) + "/../../examples/pueblo/";
    dir.Write("red_1.dat", test::ReadFile(town + "pueblo.dat"));
    dir.Write("viajes.csv", test::ReadFile(town + "pueblo.csv"));
    t.run.Files.SaturnFile = "red.dat";
    t.run.Cfg.MatrizBinaria = "viajes.csv";
    // Only the batch file's own PATH leads to the programs.
    t.run.Cfg.PathSaturn = standIns;
  }
};

TEST_F(WindowsSaturnRun, OneFileFormStartsEachProgramAndWaitsForIt) {
  t.run.OsCode = 11;  // "Start /w $SATNET ..." lines
  RunSaturn(ProgramEnvOf(t.run), "red_1.dat", 1);
  EXPECT_TRUE(dir.Exists("red_1.lpn"));
  EXPECT_TRUE(dir.Exists("red_1.lpa"));
  EXPECT_FALSE(dir.Exists("_sh.bat"));
}

TEST_F(WindowsSaturnRun, FourFileFormCallsErasesCopiesAndShowsTheListing) {
  t.run.Cfg.VersionSaturn = "9.1";  // "Call SATNET ...", DBOS and KILL_DBO, which do not exist here
  t.run.Cfg.BorrarLPN = 1;          // "ERASE red_1.LPN" after the assignment
  t.run.Cfg.PausaSatass = 1;        // "IF EXIST red_1.LPA wordpad red_1.LPA"
  dir.Write("red_1.ufa", "old");   // "ERASE red_1.U*" before SATNET
  RunSaturn(ProgramEnvOf(t.run), "red_1.dat", 1);
  EXPECT_FALSE(dir.Exists("red_1.lpn"));
  EXPECT_TRUE(dir.Exists("red_1.lpa"));
  EXPECT_NE(dir.Read("red_1.ufa"), "old");  // erased before SATNET, written anew by SATALL
  EXPECT_EQ(dir.Read("visor.txt"), "wordpad red_1.LPA\r\n");
  EXPECT_FALSE(dir.Exists("_sh.bat"));
}

TEST_F(WindowsSaturnRun, ProgramsAreNotFoundWithoutTheirPath) {
  t.run.Cfg.PathSaturn = dir.Path();  // a PATH without the programs
  t.run.OsCode = 11;
  RunSaturn(ProgramEnvOf(t.run), "red_1.dat", 1);
  EXPECT_FALSE(dir.Exists("red_1.lpa"));
  EXPECT_FALSE(dir.Exists("_sh.bat"));
}

}  // namespace
}  // namespace veltra

#endif  // _WIN32
