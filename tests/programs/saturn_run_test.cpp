#include "programs/saturn_run.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/test_support.h"

namespace veltra {
namespace {

using Lines = std::vector<std::string>;

// The batch files of iteration 1 of "red.dat" with matrix "mat/viajes.ufm".
std::vector<SaturnBatch> Batches(const Settings& cfg, int osCode) {
  return SaturnBatchFiles(cfg, osCode, "dir/red_1.dat");
}

Settings Quiet(const char* version) {
  Settings cfg;
  cfg.VersionSaturn = version;
  cfg.MatrizBinaria = "mat/viajes.ufm";
  return cfg;
}

// Every option that adds a line.
Settings Loud(const char* version) {
  Settings cfg = Quiet(version);
  cfg.PathSaturn = "C:\\SATURN";
  cfg.PausaSatnet = 1;
  cfg.PausaSatass = 1;
  cfg.CorreSatass = 1;
  cfg.BorrarLPT = 1;
  cfg.BorrarUFC = 1;
  cfg.BorrarSaturn = 1;
  return cfg;
}

const Lines kControl = {"", "ERASE $SAT9.CTL", "ERASE $SAT2.CTL"};

Lines Cat(std::initializer_list<Lines> parts) {
  Lines all;
  for (const Lines& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

TEST(SaturnBatch, FormIsChosenByVersionTextAndSystem) {
  struct Case {
    const char* version;
    int os;
    size_t files;
    bool dbos;  // forms A and B start the DOS extender
  };
  const Case cases[] = {
      {"9.1", 11, 4, true},  {"9.3", 9, 4, true},   {"9.4", 11, 1, true},   {"9.5", 3, 1, true},
      {"10.1", 11, 1, false}, {"10.1", 10, 1, false}, {"11.0", 17, 1, false}, {"10.1", 9, 4, false},
      {"10.1", 12, 4, false}, {"9.2", 11, 1, false},  {"9.10", 11, 1, false}, {"100", 11, 1, false},
      {"", 11, 0, false},     {"10", 11, 0, false},   {"1", 11, 0, false},    {"09.1", 11, 0, false},
  };
  for (const Case& c : cases) {
    std::vector<SaturnBatch> batches = Batches(Quiet(c.version), c.os);
    ASSERT_EQ(batches.size(), c.files) << c.version << " " << c.os;
    if (c.files > 0) {
      EXPECT_EQ(batches[0].Lines[1] == "DBOS", c.dbos) << c.version << " " << c.os;
    }
  }
}

TEST(SaturnBatch, EveryFormWithEveryOption) {
  const Lines header = {"@ECHO OFF", "SET PATH=C:\\SATURN"};
  const Lines erase = {"ERASE red_1.LPT", "ERASE red_1.UFC", "ERASE red_1.UFN", "ERASE red_1.UFS", "ERASE red_1.LPN"};
  struct Case {
    const char* version;
    int os;
    std::vector<Lines> files;
  };
  const Case cases[] = {
      {"9.1", 11,
       {Cat({header, {"DBOS", "ERASE red_1.LP*", "ERASE red_1.U*", "Call SATNET red_1", "KILL_DBO"}}),
        Cat({header, {"DBOS", "IF EXIST red_1 wordpad red_1"}, kControl, {"Call SATALL red_1 mat/viajes", "KILL_DBO"}}),
        Cat({header, {"DBOS"}, kControl, {"Call SATASS red_1 mat/viajes", "KILL_DBO"}}),
        Cat({header, {"DBOS"}, erase, {"COPY red_1.LPA red_1.LPA", "KILL_DBO", "IF EXIST red_1.LPA wordpad red_1.LPA"}})}},
      {"9.4", 11,
       {Cat({header,
             {"DBOS", "ERASE red_1.LP*", "ERASE red_1.U*", "Call SATNET red_1", "IF EXIST red_1 wordpad red_1"},
             kControl, {"Call SATALL red_1 mat/viajes"}, kControl, {"Call SATASS red_1 mat/viajes"}, erase,
             {"COPY red_1.LPA red_1.LPA", "KILL_DBO", "IF EXIST red_1.LPA wordpad red_1.LPA"}})}},
      {"10.1", 17,
       {Cat({header, {"ERASE red_1.LP*", "Start /w $SATNET red_1", "IF EXIST red_1.LPN start /w wordpad red_1.LPN"},
             kControl, {"Start /w $SATALL red_1 mat/viajes"}, kControl, {"Start /w $SATASS red_1 mat/viajes"}, erase,
             {"IF EXIST red_1.LPA Start /w wordpad red_1.LPA"}})}},
      {"10.1", 9,
       {Cat({header, {"ERASE red_1.LP*", "$SATNET red_1"}}),
        Cat({header, {"IF EXIST red_1.LPN wordpad red_1.LPN"}, kControl, {"$SATALL red_1 mat/viajes"}}),
        Cat({header, kControl, {"$SATASS red_1 mat/viajes"}}),
        Cat({header, erase, {"COPY red_1.LPA red_1.LPA", "IF EXIST red_1.LPA wordpad red_1.LPA"}})}},
  };
  for (const Case& c : cases) {
    std::vector<SaturnBatch> batches = Batches(Loud(c.version), c.os);
    ASSERT_EQ(batches.size(), c.files.size()) << c.version;
    for (size_t f = 0; f < batches.size(); ++f) {
      EXPECT_EQ(batches[f].Lines, c.files[f]) << c.version << " os " << c.os << " file " << f + 1;
      // Every run but the last is followed by the pause.
      EXPECT_EQ(batches[f].Wait, f + 1 < batches.size() && batches.size() == 4) << c.version << " file " << f + 1;
    }
  }
}

TEST(SaturnBatch, EraseLinesFollowBorrarSaturnAndTheSingleSettings) {
  struct Case {
    int borrarSaturn, lpt, ufc, ufn, ufs, lpn;
    Lines erase;
  };
  const Case cases[] = {
      {0, 0, 0, 0, 0, 0, {}},
      {0, 0, 0, 1, 0, 1, {"ERASE red_1.UFN", "ERASE red_1.LPN"}},
      {1, 0, 0, 0, 0, 0, {"ERASE red_1.UFN", "ERASE red_1.UFS", "ERASE red_1.LPN"}},
      {2, 0, 0, 0, 0, 0, {"ERASE red_1.UFA", "ERASE red_1.KP"}},
      {2, 1, 0, 0, 1, 0, {"ERASE red_1.LPT", "ERASE red_1.UFS", "ERASE red_1.UFA", "ERASE red_1.KP"}},
      {3, 0, 0, 0, 0, 0, {"ERASE red_1.UFN", "ERASE red_1.UFS", "ERASE red_1.LPN", "ERASE red_1.UFA", "ERASE red_1.KP"}},
      {3, 0, 1, 1, 1, 1,
       {"ERASE red_1.UFC", "ERASE red_1.UFN", "ERASE red_1.UFS", "ERASE red_1.LPN", "ERASE red_1.UFA", "ERASE red_1.KP"}},
  };
  for (const Case& c : cases) {
    Settings cfg = Quiet("10.1");
    cfg.BorrarSaturn = c.borrarSaturn;
    cfg.BorrarLPT = c.lpt;
    cfg.BorrarUFC = c.ufc;
    cfg.BorrarUFN = c.ufn;
    cfg.BorrarUFS = c.ufs;
    cfg.BorrarLPN = c.lpn;
    Lines lines = Batches(cfg, 11)[0].Lines;
    // In the one-file form the erase lines close the file.
    Lines tail(lines.begin() + 11, lines.end());
    EXPECT_EQ(tail, c.erase) << "BorrarSaturn " << c.borrarSaturn;
  }
}

// Stand-in SATURN programs: each records its name and arguments, and copies the batch file
// that started it aside as the next "captura_%d.bat".
void StandIn(const test::TempDir& dir, const std::string& name) {
  dir.Write(name,
            "#!/bin/sh\n"
            "echo \"$(basename \"$0\") $*\" >> llamadas.txt\n"
            "n=$(ls captura_*.bat 2>/dev/null | wc -l)\n"
            "cp _sh.bat captura_$((n + 1)).bat\n");
  std::filesystem::permissions(dir.File(name), std::filesystem::perms::owner_all);
}

struct SaturnRun : ::testing::Test {
  test::TempDir dir;
  test::TestRun t;
  void SetUp() override {
    t.run.Files.SaturnFile = "red.dat";
    t.run.Cfg.MatrizBinaria = "viajes.ufm";
    t.run.Cfg.EsperaSaturn = 3;
  }
  std::string Capture(int n) const { return dir.Read(Printf("captura_%d.bat", n)); }
};

TEST_F(SaturnRun, OneFileFormRunsTheProgramsInOrderAndRemovesTheBatchFile) {
  for (const char* name : {"SATNET", "SATALL", "SATEASY"}) StandIn(dir, name);
  t.run.OsCode = 11;
  RunSaturn(ProgramEnvOf(t.run), t.run.Files.SaturnNetwork(1), 1);

  EXPECT_EQ(t.console.str(), "   Corriendo Saturn (1)...\n");
  EXPECT_EQ(dir.Read("llamadas.txt"), "SATNET red_1\nSATALL red_1 viajes\nSATEASY red_1 viajes\n");
  const std::string eleven =
      "@ECHO OFF\r\nERASE red_1.LP*\r\nStart /w $SATNET red_1\r\n\r\nERASE $SAT9.CTL\r\nERASE $SAT2.CTL\r\n"
      "Start /w $SATALL red_1 viajes\r\n\r\nERASE $SAT9.CTL\r\nERASE $SAT2.CTL\r\nStart /w $SATEASY red_1 viajes\r\n";
  EXPECT_EQ(Capture(1), eleven);
  EXPECT_FALSE(dir.Exists("_sh.bat"));
  EXPECT_EQ(t.platform.slept, 0);
}

// A hidden program's console output is kept in the programs' log, between its command line and
// its exit code; a program that ends with another code than 0 is told with the last lines it
// wrote, and the programs after it still run as their batch file says.
TEST_F(SaturnRun, AFailingProgramIsToldWithItsExitCodeAndItsOutputKept) {
  for (const char* name : {"SATNET", "SATEASY"}) StandIn(dir, name);
  dir.Write("SATALL", "#!/bin/sh\necho \"SATALL: zona 9 de la matriz no existe en la red\"\necho aviso >&2\nexit 1\n");
  std::filesystem::permissions(dir.File("SATALL"), std::filesystem::perms::owner_all);
  t.run.OsCode = 11;
  t.run.EngineLog = "red_programas.log";
  const ProgramRun run = RunSaturn(ProgramEnvOf(t.run), "red_1.dat", 1);
  EXPECT_TRUE(run.Ran);
  EXPECT_EQ(run.FailureText(), "SATALL termino con codigo de salida 1");
  EXPECT_EQ(run.OutputTail, (Lines{"SATALL: zona 9 de la matriz no existe en la red", "aviso"}));
  EXPECT_EQ(dir.Read("llamadas.txt"), "SATNET red_1\nSATEASY red_1 viajes\n");
  EXPECT_EQ(test::ReadLines(dir.File("red_programas.log")),
            (Lines{"=== Saturn (1): red_1.dat", "> $SATNET red_1", "< $SATNET: codigo de salida 0",
                   "> $SATALL red_1 viajes", "SATALL: zona 9 de la matriz no existe en la red", "aviso",
                   "< $SATALL: codigo de salida 1", "> $SATEASY red_1 viajes", "< $SATEASY: codigo de salida 0"}));
}

TEST_F(SaturnRun, FourFileFormPausesAfterEachProgramButTheLast) {
  StandIn(dir, "DBOS");
  t.run.Cfg.VersionSaturn = "9.1";
  t.run.Cfg.BorrarSaturn = 2;
  RunSaturn(ProgramEnvOf(t.run), t.run.Files.SaturnNetwork(2), 2);

  EXPECT_EQ(dir.Read("llamadas.txt"), "DBOS \nDBOS \nDBOS \nDBOS \n");
  EXPECT_EQ(Capture(1), "@ECHO OFF\r\nDBOS\r\nERASE red_2.LP*\r\nERASE red_2.U*\r\nCall SATNET red_2\r\nKILL_DBO\r\n");
  EXPECT_EQ(Capture(2),
            "@ECHO OFF\r\nDBOS\r\n\r\nERASE $SAT9.CTL\r\nERASE $SAT2.CTL\r\nCall SATALL red_2 viajes\r\nKILL_DBO\r\n");
  EXPECT_EQ(Capture(3),
            "@ECHO OFF\r\nDBOS\r\n\r\nERASE $SAT9.CTL\r\nERASE $SAT2.CTL\r\nCall SATEASY red_2 viajes\r\nKILL_DBO\r\n");
  EXPECT_EQ(Capture(4),
            "@ECHO OFF\r\nDBOS\r\nERASE red_2.UFA\r\nERASE red_2.KP\r\nCOPY red_2.LPA red_2.LPA\r\nKILL_DBO\r\n");
  EXPECT_FALSE(dir.Exists("_sh.bat"));
  EXPECT_EQ(t.platform.slept, 3 * 3000);
}

TEST_F(SaturnRun, NothingRunsWhenSaturnIsNotToBeRun) {
  StandIn(dir, "SATNET");
  t.run.Cfg.CorreSaturn = 0;
  RunSaturn(ProgramEnvOf(t.run), t.run.Files.SaturnNetwork(1), 1);
  EXPECT_EQ(t.console.str(), "");
  EXPECT_FALSE(dir.Exists("llamadas.txt"));
  EXPECT_FALSE(dir.Exists("_sh.bat"));
}

TEST_F(SaturnRun, UnknownVersionRunsNothing) {
  StandIn(dir, "SATNET");
  t.run.Cfg.VersionSaturn = "";
  RunSaturn(ProgramEnvOf(t.run), t.run.Files.SaturnNetwork(1), 1);
  EXPECT_EQ(t.console.str(), "   Corriendo Saturn (1)...\n");
  EXPECT_FALSE(dir.Exists("llamadas.txt"));
  EXPECT_FALSE(dir.Exists("_sh.bat"));
}

}  // namespace
}  // namespace veltra
