// The Sioux Falls example end to end with our engines, as configured (labelled "large": about
// 3 s in a Release build, some 20 s under the sanitizers).
#include "example_run.h"

namespace veltra::examples {
namespace {

TEST(ExampleSiouxFalls, EndsNormallyWithEveryOutputAndEachListingRead) {
  ExampleRun e("siouxfalls", {"siouxfalls.dat", "nodos.txt", "siouxfalls_tr.dat"});
  ASSERT_EQ(e.ExitCode, 0) << e.Output;
  EXPECT_FALSE(e.Logged("ERROR")) << e.Output;
  EXPECT_TRUE(e.Logged("   Termina por ")) << e.Output;
  for (int it = 1; it <= 4; ++it) {
    EXPECT_TRUE(e.Logged("   Leyendo resultados Saturn (" + std::to_string(it) + ")...")) << it;
    EXPECT_NE(ReadFile(e.Dir / ("siouxfalls_" + std::to_string(it) + ".lpa")).find("GRAND TOTALS"), std::string::npos) << it;
    for (int net = 1; net <= 3; ++net) {
      const std::string base = "siouxfalls_tr_" + std::to_string(it) + "_" + std::to_string(net);
      for (const char* ext : {".dat", ".prt", ".dxf", ".svg"}) EXPECT_TRUE(fs::exists(e.Dir / (base + ext))) << base << ext;
    }
  }
  for (const char* name : {"siouxfalls_ciclos.csv", "siouxfalls_repartos.csv", "siouxfalls.msg", "siouxfalls_F.dat",
                           "siouxfalls_tr_F_1.prt", "siouxfalls_tr_F_3.prt"})
    EXPECT_TRUE(fs::exists(e.Dir / name)) << name;
  EXPECT_TRUE(fs::exists(e.Dir / "siouxfalls_nodos.xlsx") || fs::exists(e.Dir / "siouxfalls_nodos.csv"));
  // The cycle search ran in every network of every iteration.
  for (const char* step : {"Ciclo Indices (1,1)", "Ciclo Indices (4,3)"}) EXPECT_TRUE(e.Logged(step)) << step;
}

}  // namespace
}  // namespace veltra::examples
