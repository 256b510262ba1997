// The names of a run's files, made from the names of the command line: a network's files carry
// its number, the SATURN and TRANSYT names lose their extension first.
#include "state/run_files.h"

#include <gtest/gtest.h>

namespace veltra {
namespace {

TEST(RunFiles, EveryNameOfARunFromTheCommandLineNames) {
  RunFiles files;
  files.SaturnFile = "dir/red.dat";
  files.TransytFile = "tr.dat";
  const NetworkNumber n(12);
  const std::pair<std::string, std::string> cases[] = {
      {files.SaturnNetwork(3), "dir/red_3.dat"},
      {files.SaturnResults(3), "dir/red_3"},
      {files.RestartListing(2), "dir/red_2.lpa"},
      {files.TransytData(3, n), "tr_3_12.dat"},
      {files.TransytPrint(3, n), "tr_3_12.prt"},
      {files.Drawing(3, n), "tr_3_12.dxf"},
      {files.Picture(3, n), "tr_3_12.svg"},
      {RunFiles::CyopData(3, n), "cyop_3_12.dat"},
      {RunFiles::CyopPrint(3, n), "cyop_3_12.cyo"},
      {RunFiles::TestData(3, n, 96, false), "t31296.dat"},
      {RunFiles::TestData(3, n, 96, true), "t31296S.dat"},
      {files.ChosenTransyt(n, ".giro"), "tr_F_12.giro"},
      {files.ChosenSaturn(".lpa"), "dir/red_F.lpa"},
      {files.IterationFiles(4, ".top"), "tr_4_*.top"},
      {files.FinalCopies(".top"), "tr_Final_*.top"},
      {files.EarlierRunFiles(".cyo"), "tr_*_*.cyo"},
      {files.ProgramsLog(), "red_programas.log"},
      {files.Report(), "red_informe.html"},
      {RunFiles::NetworkFileOf("dir/red_3"), "dir/red_3.dat"},
      {RunFiles::ListingOf("dir/red.dat"), "dir/red.lpa"},
  };
  for (const auto& [made, expected] : cases) EXPECT_EQ(made, expected);
}

}  // namespace
}  // namespace veltra
