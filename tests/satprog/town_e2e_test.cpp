// The example town end to end: VELTRA, the TRANSYT stand-in t8s and these programs in place
// of SATURN, with the listings read at every iteration.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(TownEndToEnd, TheLoopRunsOnTheseProgramsInPlaceOfSaturn) {
  const fs::path dir = fs::temp_directory_path() / "veltra_satprog_town";
  fs::remove_all(dir);
  fs::create_directories(dir / "bin");
  const fs::path examples = VELTRA_EXAMPLES;
  for (const char* name : {"pueblo.dat", "pueblo.lpa", "pueblo.ufm", "nodos.txt", "calles.csv", "Veltra.INI"})
    fs::copy_file(examples / name, dir / name);
  fs::copy_file(fs::path(VELTRA_TEST_DATA) / "satprog" / "pueblo.csv", dir / "pueblo.csv");
  // Only TRANSYT's stand-in on the PATH; SATNET and the others are found next to veltra.
  fs::create_symlink(fs::path(VELTRA_TOOLS) / "t8s", dir / "bin" / "t8s");
  const std::string command = "cd '" + dir.string() + "' && PATH='" + (dir / "bin").string() +
                              ":/usr/bin:/bin' '" + VELTRA_EXE + "' pueblo.dat nodos.txt pueblo_tr.dat > veltra.out 2>&1";
  const int status = std::system(command.c_str());
  const std::string output = ReadFile(dir / "veltra.out");
  ASSERT_TRUE(WIFEXITED(status)) << output;
  EXPECT_EQ(WEXITSTATUS(status), 0) << output;
  EXPECT_NE(output.find("   Leyendo resultados Saturn (1)..."), std::string::npos) << output;
  EXPECT_NE(output.find("   Leyendo resultados Saturn (2)..."), std::string::npos) << output;
  EXPECT_EQ(output.find("ERROR"), std::string::npos) << output;
  for (const char* iteration : {"pueblo_1", "pueblo_2"}) {
    const std::string listing = ReadFile(dir / (std::string(iteration) + ".lpa"));
    EXPECT_NE(listing.find("VELTRA SATALL"), std::string::npos) << iteration;
    EXPECT_NE(listing.find("GRAND TOTALS"), std::string::npos) << iteration;
    EXPECT_TRUE(fs::exists(dir / (std::string(iteration) + "_flows.csv"))) << iteration;
  }
}

}  // namespace
