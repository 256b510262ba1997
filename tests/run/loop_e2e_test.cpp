// The whole optimisation loop of the real program on the example town, with the engines built
// next to veltra (t8s, SATNET and the others) or with SATURN results prepared in advance.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "support/test_support.h"
#include "util/conversions.h"
#include "util/text.h"

namespace veltra {
namespace {

const std::string kExamples = std::string(VELTRA_TEST_DATA) + "/../../examples/pueblo/";
// The town's listing with the hand-set flows these tests were written for.
const std::string kListing = std::string(VELTRA_TEST_DATA) + "/saturn/pueblo.lpa";

// Sets key=value in a section of an INI text, replacing the key where the section has it.
std::string WithSetting(const std::string& ini, const std::string& section, const std::string& key,
                        const std::string& value) {
  std::istringstream in(ini);
  std::string line, out, current;
  bool done = false;
  while (std::getline(in, line)) {
    std::string trimmed = Trim(line);
    if (!done && StartsWith(trimmed, "[") && current == section) {
      out += key + "=" + value + "\n";  // the key was not in its section: add it at the end
      done = true;
    }
    if (StartsWith(trimmed, "[")) current = trimmed.substr(1, trimmed.find(']') - 1);
    if (!done && current == section && StartsWith(trimmed, key + "=")) {
      line = key + "=" + value;
      done = true;
    }
    out += line + "\n";
  }
  if (!done) out += (current == section ? "" : "[" + section + "]\n") + key + "=" + value + "\n";
  return out;
}

// The example's listing with the total flow of every turn row multiplied by `factor` and the
// GRAND TOTALS line replaced.
std::string ScaledListing(double factor, double grandHours) {
  std::vector<std::string> lines;
  LoadLines(kListing, lines);
  std::string out;
  for (std::string line : lines) {
    int32_t a, b, c;
    if (line.size() >= 58 && IntegerField(Field(line, 1, 6), 6, a) && IntegerField(Field(line, 7, 12), 6, b) &&
        IntegerField(Field(line, 13, 18), 6, c)) {
      double total = TextToReal(Field(line, 49, 58)) * factor;
      line = line.substr(0, 48) + Printf("%10.2f", total) + line.substr(58);
    }
    if (line.find("GRAND TOTALS") != std::string::npos) line = Printf("  %-20s%10.1f    %10.1f", "GRAND TOTALS", grandHours, 12877.6);
    out += line + "\r\n";
  }
  return out;
}

struct ExampleRun {
  test::TempDir dir;
  std::string ini;
  std::string output;

  ExampleRun() {
    for (const char* name : {"pueblo.dat", "pueblo.csv", "nodos.txt", "calles.csv"})
      dir.Write(name, test::ReadFile(kExamples + name));
    dir.Write("pueblo.lpa", test::ReadFile(kListing));
    ini = test::ReadFile(kExamples + "Veltra.INI");
  }
  void Set(const std::string& section, const std::string& key, const std::string& value) {
    ini = WithSetting(ini, section, key, value);
  }
  // No outside program: TRANSYT is not run and SATURN's results are the listings in place.
  void WithoutOutsidePrograms() {
    Set("Parametros", "TransytExe", "ninguno");
    Set("Parametros", "CorreTransyt", "0");
    Set("Parametros", "CorreSaturn", "0");
    for (const char* network : {"Transyt1", "Transyt2", "Transyt10"}) Set(network, "OptimizaCiclo", "-1");
  }
  int Run() {
    dir.Write("Veltra.INI", ini);
    return test::RunVeltra({"pueblo.dat", "nodos.txt", "pueblo_tr.dat"}, dir.Path(), output);
  }
  bool Logged(const std::string& text) const { return output.find(text) != std::string::npos; }
  size_t Where(const std::string& text) const { return output.find(text); }
};

TEST(Loop, RunsUntilTheFlowsSettleWithTheOutsidePrograms) {
  ExampleRun e;
  ASSERT_EQ(e.Run(), 0) << e.output;
  EXPECT_TRUE(e.Logged("\n\nIteracion 1\n")) << e.output;
  EXPECT_TRUE(e.Logged("\n\nIteracion 2\n"));
  EXPECT_TRUE(e.Logged("   Corriendo CYOP (2,2)...\n"));
  EXPECT_TRUE(e.Logged("   Corriendo Saturn (2)...\n   Leyendo resultados Saturn (2)...\nLeyendo nodos...\n"));
  EXPECT_TRUE(e.Logged("   Termina por Precision Flujos Saturn ("));
  EXPECT_FALSE(e.Logged("ERROR"));
  for (const char* file : {"pueblo_1.dat", "pueblo_2.dat", "pueblo_2.lpa", "pueblo_tr_2_1.dat", "pueblo_tr_2_1.prt",
                           "pueblo_tr_2_2.dxf", "pueblo_tr_2_2.svg", "pueblo_ciclos.csv", "pueblo_repartos.csv",
                           "pueblo_F.dat", "pueblo_tr_F_1.dat", "pueblo_tr_F_1.svg", "pueblo_tr_F_2.svg"})
    EXPECT_TRUE(e.dir.Exists(file)) << file;
  EXPECT_FALSE(e.dir.Exists("_sh.bat"));
#ifdef VELTRA_HAVE_XLSXWRITER
  EXPECT_TRUE(e.dir.Exists("pueblo_nodos.xlsx"));
#else
  EXPECT_TRUE(e.dir.Exists("pueblo_nodos.csv"));
#endif
  // The drawings and the workbook open in programs made for their formats.
  const std::string scripts = std::string(VELTRA_TEST_DATA) + "/../output/";
  auto python = [&](const std::string& module, const std::string& script, const std::string& files) {
    if (std::system(("/usr/bin/python3 -c 'import " + module + "' >/dev/null 2>&1").c_str()) != 0) return std::string("skipped");
    std::string out;
    int code = test::RunShell("/usr/bin/python3 '" + scripts + script + "' " + files, e.dir.Path(), out);
    return code == 0 ? out : "FAILED\n" + out;
  };
  std::string dxf = python("ezdxf", "check_dxf.py", "pueblo_tr_*.dxf");
  EXPECT_EQ(dxf.find("FAILED"), std::string::npos) << dxf;
  EXPECT_EQ(std::count(dxf.begin(), dxf.end(), '\n') >= 4 || dxf == "skipped", true) << dxf;
  // Every picture, the final copies too, reads at a glance: no text over another text or a
  // junction, a heading above the network, a legend and a scale bar.
  std::string svg = python("xml", "check_svg.py", "--layout pueblo_tr_*.svg");
  EXPECT_EQ(svg.find("FAILED"), std::string::npos) << svg;
  EXPECT_TRUE(svg == "skipped" || svg.find("OK pueblo_tr_F_2.svg") != std::string::npos) << svg;
  std::string workbook = python("openpyxl", "dump_xlsx.py", "pueblo_nodos.xlsx");
  if (workbook != "skipped" && e.dir.Exists("pueblo_nodos.xlsx")) {
    size_t sheets[4];
    const char* names[4] = {"SHEET Red_1 (1)\n", "SHEET Red_2 (1)\n", "SHEET Red_1 (2)\n", "SHEET Red_2 (2)\n"};
    for (int k = 0; k < 4; ++k) sheets[k] = workbook.find(names[k]);
    for (int k = 0; k < 4; ++k) ASSERT_NE(sheets[k], std::string::npos) << names[k] << workbook;
    EXPECT_LT(sheets[0], sheets[1]);
    EXPECT_LT(sheets[1], sheets[2]);
    EXPECT_LT(sheets[2], sheets[3]);
  }
  // The cycle summary: its header and one line per iteration.
  std::vector<std::string> cycles = test::ReadLines(e.dir.File("pueblo_ciclos.csv"));
  size_t iterations = 0;
  for (size_t at = e.output.find("\n\nIteracion "); at != std::string::npos; at = e.output.find("\n\nIteracion ", at + 1))
    ++iterations;
  ASSERT_EQ(cycles.size(), iterations + 1);
  EXPECT_EQ(cycles[0], ",Red 1,Red 2,Pcu-Hr/Hr,Pcu-Km/Hr,Precision");
  EXPECT_EQ(cycles[1].substr(0, 2), "1,");
}

TEST(Loop, RestartsAfterTheInitialIteration) {
  ExampleRun e;
  e.WithoutOutsidePrograms();
  e.Set("Converge", "IteracionInicial", "3");
  e.Set("Converge", "Iteraciones", "3");
  e.dir.Write("pueblo_3.lpa", test::ReadFile(kListing));
  e.dir.Write("pueblo_4.lpa", ScaledListing(1.5, 362.1));
  ASSERT_EQ(e.Run(), 0) << e.output;
  EXPECT_TRUE(e.Logged("\n\nIteracion 4\n")) << e.output;
  EXPECT_FALSE(e.Logged("Iteracion 5"));
  EXPECT_TRUE(e.Logged("   Termina por Maximo de iteraciones alcanzado (4)\n"));
  EXPECT_TRUE(e.dir.Exists("pueblo_4.dat"));
  EXPECT_TRUE(e.dir.Exists("pueblo_tr_4_1.dxf"));
  // The start-up flows are those of iteration 3; no base figures are computed in a restart.
  EXPECT_TRUE(e.Logged("         Pcu-Hr/Hr:       0.0       0.0       0.0       0.0"));
}

TEST(Loop, MissingRestartListingStops) {
  ExampleRun e;
  e.WithoutOutsidePrograms();
  e.Set("Converge", "IteracionInicial", "2");
  EXPECT_EQ(e.Run(), 1);
  EXPECT_TRUE(e.Logged("ERROR - No existe pueblo_2.lpa.\n        Proceso no puede continuar desde iteracion 2.\n"))
      << e.output;
  EXPECT_FALSE(e.Logged("Leyendo red Saturn/Inner..."));
}

TEST(Loop, FinalIterationIsTheEarlierOfTwoEqualBest) {
  ExampleRun e;
  e.WithoutOutsidePrograms();
  e.Set("Parametros", "GuardarFinal", "1");
  e.Set("Converge", "Iteraciones", "5");
  e.dir.Write("pueblo_1.lpa", ScaledListing(1.5, 300.0));
  e.dir.Write("pueblo_2.lpa", ScaledListing(1.5, 300.0));
  ASSERT_EQ(e.Run(), 0) << e.output;
  EXPECT_TRUE(e.Logged("   Termina por Precision Flujos Saturn (0.0000)\n")) << e.output;
  EXPECT_TRUE(e.Logged("   Indice de Rendimiento Saturn Final\n      Pcu-Hr/Hr:     362.1     300.0     300.0\n"));
  EXPECT_TRUE(e.Logged("\n   Iteración seleccionada : 1\n"));
  EXPECT_EQ(e.dir.Read("pueblo_F.lpa"), e.dir.Read("pueblo_1.lpa"));
  EXPECT_EQ(e.dir.Read("pueblo_F.dat"), e.dir.Read("pueblo_1.dat"));
  EXPECT_EQ(e.dir.Read("pueblo_tr_F_2.dic"), e.dir.Read("pueblo_tr_1_2.dic"));
  // The picture of the chosen iteration, not of the last, goes under the final name.
  ASSERT_TRUE(e.dir.Exists("pueblo_tr_F_2.svg"));
  EXPECT_EQ(e.dir.Read("pueblo_tr_F_2.svg"), e.dir.Read("pueblo_tr_1_2.svg"));
}

TEST(Loop, NetworksAreTakenInTheTextOrderOfTheirNumbers) {
  ExampleRun e;
  e.WithoutOutsidePrograms();
  e.Set("Converge", "Iteraciones", "1");
  e.dir.Write("nodos.txt", "104 1 1\n105 2 2\n106 3 10\n102 1 2\n108 2 10\n");
  e.dir.Write("pueblo_1.lpa", test::ReadFile(kListing));
  ASSERT_EQ(e.Run(), 0) << e.output;
  size_t one = e.Where("   Construyendo arcos Transyt (1,1)...");
  size_t ten = e.Where("   Construyendo arcos Transyt (1,10)...");
  size_t two = e.Where("   Construyendo arcos Transyt (1,2)...");
  ASSERT_NE(one, std::string::npos) << e.output;
  EXPECT_LT(one, ten);
  EXPECT_LT(ten, two);
  EXPECT_NE(two, std::string::npos);
  for (const char* file : {"pueblo_tr_1_1.dxf", "pueblo_tr_1_10.dxf", "pueblo_tr_1_2.dxf"})
    EXPECT_TRUE(e.dir.Exists(file)) << file;
}

TEST(Loop, NetworksOneAfterAnotherInTheFirstMode) {
  ExampleRun e;
  e.WithoutOutsidePrograms();
  e.Set("Parametros", "TipoIteracion", "1");
  ASSERT_EQ(e.Run(), 0) << e.output;
  EXPECT_FALSE(e.Logged("Iteracion 1\n")) << e.output;
  size_t first = e.Where("   Construyendo arcos Transyt (1,1)...");
  size_t second = e.Where("   Construyendo arcos Transyt (1,2)...");
  ASSERT_NE(first, std::string::npos);
  ASSERT_NE(second, std::string::npos);
  // Each network stops on its own test: the flows are not read back in this mode.
  size_t stop = e.Where("   Termina por Precision Flujos Saturn (0.0000)");
  EXPECT_LT(first, stop);
  EXPECT_LT(stop, second);
  EXPECT_FALSE(e.Logged("Leyendo resultados Saturn"));
}

TEST(Loop, EarlierRunFilesAreDeletedAndTheLastIterationCopied) {
  ExampleRun e;
  e.WithoutOutsidePrograms();
  e.Set("Parametros", "BorrarAnterior", "1");
  e.Set("Parametros", "CopiarFinal", "1");
  e.Set("Parametros", "CopiarUltimaIt", "ultima");
  e.Set("Converge", "Iteraciones", "1");
  e.dir.Write("pueblo_1.lpa", test::ReadFile(kListing));
  e.dir.Write("pueblo_tr_7_3.top", "old");
  e.dir.Write("pueblo_tr_7_3.prt", "old");
  e.dir.Write("ultima/.keep", "");
  ASSERT_EQ(e.Run(), 0) << e.output;
  EXPECT_FALSE(e.dir.Exists("pueblo_tr_7_3.top"));
  EXPECT_FALSE(e.dir.Exists("pueblo_tr_7_3.prt"));
  for (const char* file : {"pueblo_tr_Final_1.dat", "pueblo_tr_Final_2.top", "ultima/pueblo_tr_1_1.dat", "ultima/pueblo_tr_1_2.giro"})
    EXPECT_TRUE(e.dir.Exists(file)) << file;
  EXPECT_EQ(e.dir.Read("pueblo_tr_Final_2.top"), e.dir.Read("pueblo_tr_1_2.top"));
}

TEST(Loop, NoIterationModeGoesStraightToTheEnd) {
  ExampleRun e;
  e.Set("Parametros", "TipoIteracion", "0");
  ASSERT_EQ(e.Run(), 0) << e.output;
  EXPECT_FALSE(e.Logged("Construyendo arcos"));
  EXPECT_FALSE(e.Logged("Corriendo Saturn"));
  EXPECT_FALSE(e.Logged("Corriendo CYOP"));
  EXPECT_EQ(test::ReadLines(e.dir.File("pueblo_ciclos.csv")).size(), 1u);
}

}  // namespace
}  // namespace veltra
