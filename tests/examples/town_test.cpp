// The example town end to end with our engines: the result the example shows.
#include <algorithm>
#include <cctype>
#include <regex>

#include "example_run.h"

namespace veltra::examples {
namespace {

const std::vector<std::string> kTownArgs = {"pueblo.dat", "nodos.txt", "pueblo_tr.dat"};

TEST(ExampleTown, ConvergesWithOptimisedOffsetsAndNoWorseTravelTime) {
  ExampleRun e("pueblo", kTownArgs);
  ASSERT_EQ(e.ExitCode, 0) << e.Output;
  EXPECT_FALSE(e.Logged("ERROR")) << e.Output;
  // Converged by the flows, within the iteration limit of its configuration.
  EXPECT_TRUE(e.Logged("   Termina por Precision Flujos Saturn (")) << e.Output;
  EXPECT_FALSE(e.Logged("Termina por Maximo de iteraciones")) << e.Output;
  for (const char* iteration : {"1", "2"}) {
    EXPECT_TRUE(e.Logged(std::string("   Leyendo resultados Saturn (") + iteration + ")...")) << iteration;
    const std::string listing = ReadFile(e.Dir / (std::string("pueblo_") + iteration + ".lpa"));
    EXPECT_NE(listing.find("VELTRA SATALL"), std::string::npos) << iteration;
  }

  // The chosen iteration's total travel time (simulation network, pcu-hours per hour) is not
  // worse than the starting network's (slot 0 of the same line).
  const std::vector<double> hours = LastFigures(e.Output, "Indice de Rendimiento Saturn Global", "Pcu-Hr/Hr:");
  const int chosen = e.ChosenIteration();
  ASSERT_GE(chosen, 1) << e.Output;
  ASSERT_LT(static_cast<size_t>(chosen), hours.size()) << e.Output;
  EXPECT_GT(hours[0], 0.0);
  EXPECT_LE(hours[static_cast<size_t>(chosen)], hours[0]) << e.Output;

  // Offsets optimised: the final print files of both networks give stage starts that are not
  // all at 0 (the starting plans of the town all start their first stage at 0).
  int nonZeroStarts = 0;
  for (const char* prt : {"pueblo_tr_F_1.prt", "pueblo_tr_F_2.prt"}) {
    const std::string text = ReadFile(e.Dir / prt);
    ASSERT_NE(text.find("VELTRA t8s"), std::string::npos) << prt;
    const std::regex row("\\n\\s+\\d+((?:\\s+\\d+)+)\\s+OPT");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), row); it != std::sregex_iterator(); ++it) {
      std::istringstream starts((*it)[1].str());
      for (int start; starts >> start;) nonZeroStarts += start != 0;
    }
  }
  EXPECT_GT(nonZeroStarts, 0);
}

// The example's configuration with [Converge] keys set (replaced where present, else added).
std::function<void(const fs::path&)> WithConverge(const std::vector<std::pair<std::string, std::string>>& keys) {
  return [keys](const fs::path& dir) {
    std::istringstream ini(ReadFile(dir / "Veltra.INI"));
    std::string text;
    for (std::string line; std::getline(ini, line);) {
      bool replaced = false;
      for (const auto& [key, value] : keys) replaced = replaced || line.rfind(key + "=", 0) == 0;
      if (!replaced) text += line + "\n";
      if (line.rfind("[Converge]", 0) == 0)
        for (const auto& [key, value] : keys) text += key + "=" + value + "\n";
    }
    std::ofstream(dir / "Veltra.INI", std::ios::binary) << text;
  };
}

// The averaged coupling on the town: converged to PrecisionSaturn 0.005 on the averaged flows
// within the example's 5 iterations, and its final total travel time (whole network, GRAND
// TOTALS) within 0.5 % of the best of 5 plain iterations.
TEST(ExampleTown, AveragedCouplingConvergesNoWorseThanThePlainLoopsBestIteration) {
  double bestPlain = 0;
  {
    ExampleRun plain("pueblo", kTownArgs, WithConverge({{"PrecisionSaturn", "0"}, {"Iteraciones", "5"}}));
    ASSERT_EQ(plain.ExitCode, 0) << plain.Output;
    const std::vector<double> hours = LastFigures(plain.Output, "Indice de Rendimiento Saturn Final", "Pcu-Hr/Hr:");
    ASSERT_GE(hours.size(), 2u) << plain.Output;
    bestPlain = *std::min_element(hours.begin() + 1, hours.end());
  }
  ExampleRun averaged("pueblo", kTownArgs,
                      WithConverge({{"PrecisionSaturn", "0.005"}, {"Iteraciones", "5"}, {"Promediado", "1"}}));
  ASSERT_EQ(averaged.ExitCode, 0) << averaged.Output;
  EXPECT_TRUE(averaged.Logged("   Termina por Precision Flujos Saturn promediados (")) << averaged.Output;
  EXPECT_FALSE(averaged.Logged("Termina por Maximo de iteraciones")) << averaged.Output;
  const std::vector<double> hours = LastFigures(averaged.Output, "Indice de Rendimiento Saturn Final", "Pcu-Hr/Hr:");
  ASSERT_GE(hours.size(), 2u) << averaged.Output;
  EXPECT_LE(hours.back(), 1.005 * bestPlain) << averaged.Output;
}

// Trips of zones the network does not have cannot be assigned: the assignment program refuses
// them, and the run stops on it instead of converging on a network that lost its traffic.
TEST(ExampleTown, MatrixZonesAbsentFromTheNetworkStopTheRun) {
  ExampleRun e("pueblo", kTownArgs, [](const fs::path& dir) {
    std::istringstream matrix(ReadFile(dir / "pueblo.csv"));
    std::ofstream out(dir / "pueblo.csv", std::ios::binary);
    for (std::string line; std::getline(matrix, line);) {
      // Origin zones 1-9 become 101-109.
      if (!line.empty() && std::isdigit(static_cast<unsigned char>(line[0]))) line = "10" + line;
      out << line << "\n";
    }
  });
  EXPECT_EQ(e.ExitCode, 1) << e.Output;
  EXPECT_TRUE(e.Logged("ERROR - Saturn (1): SATALL termino con codigo de salida 1")) << e.Output;
  EXPECT_TRUE(e.Logged("101")) << e.Output;
  EXPECT_FALSE(e.Logged("Termina por")) << e.Output;
  EXPECT_NE(ReadFile(e.Dir / "Errores.txt").find("SATALL"), std::string::npos);
}

}  // namespace
}  // namespace veltra::examples
