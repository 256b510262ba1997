// The loop at city scale: the generated city of Berlin Center's size (some 13,000 nodes and
// 29,000 links) converted by veltra-tntp --signals, its 8,149 signals in 169 TRANSYT networks of
// up to 50, runs one iteration with our engines to the end (labelled "large": minutes under the
// sanitizers). The first SATURN assignment that gives the starting listing is the test's own.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/city/city_network.h"

namespace veltra::examples {
namespace {

namespace fs = std::filesystem;

constexpr int kNetworks = 160;  // at least

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs `command` in `dir` with its output in `log`; the exit code.
int RunIn(const fs::path& dir, const std::string& command, const std::string& log) {
  const std::string line = "cd '" + dir.string() + "' && PATH=/usr/bin:/bin " + command + " > '" + log + "' 2>&1 </dev/null";
  const int status = std::system(line.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Exe(const char* name) { return "'" + (fs::path(VELTRA_BIN_DIR) / name).string() + "'"; }

const char* const kConfiguration =
    "[Parametros]\r\n"
    "Mensajes=city.msg\r\n"
    "Errores=Errores.txt\r\n"
    "ResumenCiclo=city_ciclos.csv\r\n"
    "ResumenReparto=city_repartos.csv\r\n"
    "OptimizaCiclo=1\r\n"
    "TipoIteracion=2\r\n"
    "CorreSaturn=1\r\n"
    "CorreTransyt=1\r\n"
    "GuardarFinal=1\r\n"
    "TransytExe=t8s\r\n"
    "EsperaTransyt=0\r\n"
    "[Saturn]\r\n"
    "PathSaturn=\r\n"
    "VersionSaturn=10.1\r\n"
    "MatrizBinaria=city.csv\r\n"
    "EsperaSaturn=0\r\n"
    "[Converge]\r\n"
    "Iteraciones=1\r\n";

TEST(ExampleCity, OneIterationOfThirteenThousandNodesAndEightThousandSignalsRunsToTheEnd) {
  const fs::path dir = fs::temp_directory_path() / ("veltra_city_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);

  assign::bench::CityShape shape;
  shape.LocalStreets = 0.65;  // Berlin Center's share of signals: 8,149 of 13,015 nodes, 29,306 links
  const assign::bench::City city = assign::bench::GenerateCity(shape);
  assign::bench::WriteCityTntp(city, shape.Zones, (dir / "tntp").string());
  ASSERT_EQ(RunIn(dir,
                  Exe("veltra-tntp") + " --signals --net tntp_net.tntp --trips tntp_trips.tntp --nodes tntp_node.tntp"
                                       " --length-unit m --out city",
                  "convert.out"),
            0)
      << ReadText(dir / "convert.out");

  // The converter's node list as it stands: networks of up to 50 neighbouring signals.
  std::ifstream list(dir / "city_nodos.txt");
  std::vector<int> networks;
  int signals = 0;
  for (int saturn = 0, transyt = 0, network = 0; list >> saturn >> transyt >> network; ++signals)
    if (networks.empty() || networks.back() != network) networks.push_back(network);
  ASSERT_GE(signals, 8000);
  ASSERT_GE(networks.size(), static_cast<size_t>(kNetworks));
  {
    std::ofstream ini(dir / "Veltra.INI", std::ios::binary);
    ini << kConfiguration;
  }

  // The assignments to a loose gap in few loops: what is checked is the loop's work at this size,
  // not the assignment's precision. A program in the working directory is the one the run's
  // batch file starts, before the engines next to veltra.
  {
    std::ofstream satall(dir / "SATALL", std::ios::binary);
    satall << "#!/bin/sh\nexec " << Exe("SATALL") << " \"$@\" --gap 0.05 --excess 0.5 --loops 1\n";
  }
  fs::permissions(dir / "SATALL", fs::perms::owner_all, fs::perm_options::add);
  ASSERT_EQ(RunIn(dir, Exe("SATNET") + " city", "satnet.out"), 0) << ReadText(dir / "satnet.out");
  ASSERT_EQ(RunIn(dir, "./SATALL city city", "satall.out"), 0) << ReadText(dir / "satall.out");

  const int code = RunIn(dir, Exe("veltra") + " city.dat city_nodos.txt city_tr.dat", "veltra.out");
  const std::string output = ReadText(dir / "veltra.out");
  ASSERT_LE(code, 2) << output.substr(output.size() > 4000 ? output.size() - 4000 : 0);
  EXPECT_EQ(output.find("Proceso Abortado"), std::string::npos);
  EXPECT_NE(output.find("   Leyendo resultados Saturn (1)..."), std::string::npos);
  EXPECT_NE(output.find("   Termina por "), std::string::npos);
  EXPECT_NE(ReadText(dir / "city_1.lpa").find("GRAND TOTALS"), std::string::npos);
  // Every network built, ran TRANSYT and has its timings in the iteration's SATURN file.
  for (int network : networks) {
    const std::string base = "city_tr_1_" + std::to_string(network);
    EXPECT_TRUE(fs::exists(dir / (base + ".dat"))) << base;
    EXPECT_NE(ReadText(dir / (base + ".prt")).find("FINAL SETTINGS"), std::string::npos) << base;
  }
  // The cycle summary has a column for each network.
  std::ifstream cycles(dir / "city_ciclos.csv");
  std::string header;
  std::getline(cycles, header);
  int columns = 0;
  for (size_t at = header.find(",Red "); at != std::string::npos; at = header.find(",Red ", at + 1)) ++columns;
  EXPECT_EQ(columns, static_cast<int>(networks.size()));
  if (!::testing::Test::HasFailure()) fs::remove_all(dir);
}

}  // namespace
}  // namespace veltra::examples
