// The real program, run in a fresh directory.
#include <gtest/gtest.h>

#include "support/test_support.h"

namespace veltra {
namespace {

TEST(VeltraProgram, WrongArgumentCountShowsTheUsageText) {
  test::TempDir dir;
  std::string output;
  EXPECT_EQ(test::RunVeltra({"red.dat", "nodos.txt"}, dir.Path(), output), 1);
#ifdef _WIN32
  // The system's own version names the first line; the usage text follows it.
  ASSERT_NE(output.find("Veltra.exe\n"), std::string::npos) << output;
  output = "\n\nSistema Operativo: \"wvWinXP\"\n\n" + output.substr(output.find("Veltra.exe\n"));
#endif
  EXPECT_EQ(output,
            "\n\nSistema Operativo: \"wvWinXP\"\n\n"
            "Veltra.exe\n"
            "Optimizacion conjunta de asignacion Saturn y semaforos Transyt, version " VELTRA_VERSION "\n"
            "\n"
            "Uso:\n"
            "  Veltra.exe   <saturn-filename>   <nodes-filename>   <transyt-filename>   [Archivo INI]\n"
            "\n");
  EXPECT_FALSE(dir.Exists("Errores.txt"));
}

TEST(VeltraProgram, MissingInputFilesEndTheRunInOrder) {
  test::TempDir dir;
  dir.Write("Veltra.INI", "[Parametros]\nMensajes=mensajes.txt\nResumenCiclo=ciclos.csv\n");
  dir.Write("Errores.txt", "from an earlier run\n");
  std::string output;
  EXPECT_EQ(test::RunVeltra({"red.dat", "nodos.txt", "tr.dat"}, dir.Path(), output), 1);
  EXPECT_NE(output.find("\nERROR - Red Saturn red.dat no existe\n\n"), std::string::npos) << output;
  EXPECT_NE(output.find("\nERROR - Archivo nodos.txt no existe\n\n"), std::string::npos);
  EXPECT_NE(output.find("Parametros:\n"), std::string::npos);
  // Nothing was added to the errors list, so the old errors file stays as it was.
  EXPECT_EQ(dir.Read("Errores.txt"), "from an earlier run\n");
  std::string messages = dir.Read("mensajes.txt");
  EXPECT_NE(messages.find("Nombre Red Saturn : red.dat\r\n"), std::string::npos);
  EXPECT_EQ(messages.find("Red Saturn red.dat no existe"), std::string::npos);  // written before the file was opened
  EXPECT_NE(messages.find("ERROR - Matriz null no existe"), std::string::npos);
}

}  // namespace
}  // namespace veltra
