// The example town of examples/pueblo/ through the real program: start-up reads the network, its
// flows, the node list, the networks' settings, the priority lists and the street names.
#include <gtest/gtest.h>

#include "run/veltra.h"
#include "support/test_support.h"
#include "util/text.h"

namespace veltra {
namespace {

const std::string kExamples = std::string(VELTRA_TEST_DATA) + "/../../examples/pueblo/";

// The example in a fresh directory with a configuration that runs no iteration.
void CopyExample(const test::TempDir& dir) {
  for (const char* name : {"pueblo.dat", "pueblo.csv", "nodos.txt", "calles.csv"}) dir.Write(name, test::ReadFile(kExamples + name));
  dir.Write("pueblo.lpa", test::ReadFile(std::string(VELTRA_TEST_DATA) + "/saturn/pueblo.lpa"));
  std::string ini = test::ReadFile(kExamples + "Veltra.INI");
  size_t at = ini.find("TipoIteracion=2");
  ASSERT_NE(at, std::string::npos);
  ini.replace(at, 15, "TipoIteracion=0");
  dir.Write("prueba.ini", ini);
}

TEST(ExampleStartUp, ReadsTheExampleTownAndEndsNormally) {
  test::TempDir dir;
  CopyExample(dir);
  std::string output;
  int code = test::RunVeltra({"pueblo.dat", "nodos.txt", "pueblo_tr.dat", "prueba.ini"}, dir.Path(), output);
  EXPECT_EQ(code, 0) << output;
  EXPECT_NE(output.find("\nLeyendo red Saturn/Inner...\nLeyendo nodos...\n"), std::string::npos) << output;
  for (const char* failure : {"Abortando", "Proceso Abortado", "no reconocido", "Externo", "ATENCION", "Semaforo", "inval",
                              "Lectura erronea", "no existe en red", "sin coordenadas", "ERROR - Red"})
    EXPECT_EQ(output.find(failure), std::string::npos) << failure << "\n" << output;
  // The start-up flows are those of iteration 0.
  EXPECT_NE(output.find("      Pcu-Hr/Hr:     362.1"), std::string::npos) << output;
  EXPECT_FALSE(dir.Exists("Errores.txt"));
  const std::string messages = dir.Read("pueblo.msg");
  EXPECT_NE(messages.find("Leyendo red Saturn/Inner...\r\nLeyendo nodos...\r\n"), std::string::npos);
}

TEST(ExampleStartUp, AnUnreadableNodeListStopsAfterThreeSecondsWithoutTheErrorsFile) {
  test::TempDir dir;
  CopyExample(dir);
  dir.WriteLines("nodos.txt", {"10 1 1", "11 dos 1"});
  test::TestPlatform platform;
  std::ostringstream console;
  const int code = VeltraMain({dir.File("pueblo.dat"), "nodos.txt", "pueblo_tr.dat", "prueba.ini"}, platform, console);
  EXPECT_EQ(code, 1);
  EXPECT_NE(console.str().find("ERROR - Lectura erronea en archivo NODOS.TXT (2)\n"), std::string::npos) << console.str();
  EXPECT_EQ(platform.slept, 3000);
  EXPECT_FALSE(dir.Exists("Errores.txt"));
}

TEST(ExampleStartUp, ATruncatedNetworkStopsInOrderWithTheErrorsFile) {
  test::TempDir dir;
  CopyExample(dir);
  std::string network = dir.Read("pueblo.dat");
  dir.Write("pueblo.dat", network.substr(0, network.find("55555")) + "55555\r\n  101 2000 1000\r\n");
  std::string output;
  int code = test::RunVeltra({"pueblo.dat", "nodos.txt", "pueblo_tr.dat", "prueba.ini"}, dir.Path(), output);
  EXPECT_EQ(code, 1) << output;
  const std::string message = "ERROR - Red Saturn pueblo.dat: el archivo termina dentro de la seccion 5 (falta \"99999\")";
  EXPECT_NE(output.find(message), std::string::npos) << output;
  EXPECT_EQ(test::ReadLines(dir.File("Errores.txt")), std::vector<std::string>{message});
  EXPECT_EQ(output.find("Leyendo nodos..."), std::string::npos);
}

}  // namespace
}  // namespace veltra
