// The whole optimisation loop of the real program on the example town, with the engines built
// next to veltra (t8s, SATNET and the others) or with SATURN results prepared in advance.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "support/test_support.h"
#include "util/conversions.h"
#include "util/files.h"
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
  // One iteration, whose SATURN results are the town's listing again.
  void OneIterationOnTheListing() {
    Set("Converge", "Iteraciones", "1");
    dir.Write("pueblo_1.lpa", test::ReadFile(kListing));
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
  e.OneIterationOnTheListing();
  e.dir.Write("nodos.txt", "104 1 1\n105 2 2\n106 3 10\n102 1 2\n108 2 10\n");
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

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// A junction the node list names but the network does not have is left out: said once (not
// after every SATURN run), in the errors file and the report, and the run does not end as if
// its result were complete.
TEST(Loop, UnknownNodeOfTheNodeListIsReportedOnceInTheErrorsFileAndTheReport) {
  ExampleRun e;
  e.WithoutOutsidePrograms();
  e.dir.Write("nodos.txt", test::ReadFile(kExamples + "nodos.txt") + "777   4   1\n");
  e.dir.Write("pueblo_1.lpa", ScaledListing(1.5, 300.0));
  e.dir.Write("pueblo_2.lpa", ScaledListing(1.5, 300.0));
  EXPECT_EQ(e.Run(), 2) << e.output;
  EXPECT_EQ(Count(e.output, "Leyendo nodos..."), 3u);
  EXPECT_EQ(Count(e.output, "ERROR - Nodo 777 no reconocido"), 1u) << e.output;
  EXPECT_TRUE(e.Logged("   ATENCION: El resultado no esta completo:\n"
                       "      Nodos de la lista de nodos omitidos: 1 (ver Errores.txt)\n"));
  EXPECT_EQ(test::ReadLines(e.dir.File("Errores.txt")), std::vector<std::string>{"ERROR - Nodo 777 no reconocido"});
  const std::string report = e.dir.Read("pueblo_informe.html");
  EXPECT_NE(report.find("ERROR - Nodo 777 no reconocido"), std::string::npos);
  EXPECT_NE(report.find("Resultado incompleto"), std::string::npos);
}

// A network section that asks for tests over a range and gives none searches 40 to
// MaximoCiclo, not the 0 to 0 of a [Parametros] whose own mode (CYOP) has no range.
TEST(Loop, NetworkSearchingARangeOfItsOwnTakes40ToMaximoCiclo) {
  ExampleRun e;
  e.Set("Transyt1", "OptimizaCiclo", "2");
  e.Set("Parametros", "CorreSaturn", "0");
  e.OneIterationOnTheListing();
  ASSERT_EQ(e.Run(), 0) << e.output;
  EXPECT_TRUE(e.Logged("   Corriendo Transyt/test (1,1,40)...\n"));
  EXPECT_TRUE(e.Logged("   Corriendo Transyt/test (1,1,120)...\n"));
  EXPECT_FALSE(e.Logged("   Corriendo Transyt/test (1,1,0)..."));
  EXPECT_TRUE(e.Logged("      Ciclos:      40      44      48")) << e.output;
  EXPECT_FALSE(e.Logged("ciclo nulo"));
}

// Card 1 writes the simulated time in five columns: 3600 is a value it holds, and TRANSYT runs
// with it, saying that a period of more than a day is taken as minutes.
TEST(Loop, SimulatedTimeOfAnHourRuns) {
  ExampleRun e;
  e.Set("Parametros", "CorreSaturn", "0");
  e.Set("Transyt1", "TiempoSim", "3600");
  e.OneIterationOnTheListing();
  ASSERT_EQ(e.Run(), 0) << e.output;
  EXPECT_EQ(Field(test::ReadLines(e.dir.File("pueblo_tr_1_1.dat"))[1], 16, 20), " 3600");
  EXPECT_TRUE(e.Logged("a simulated time of 3600 minutes (more than a day)")) << e.output;
  EXPECT_FALSE(e.Logged("sin optimizar")) << e.output;
}

// Inputs that would read as something they do not say stop the run, naming the file, the
// line and the columns, in the messages and the errors file: a letter O in a node number
// (the node read as 0 and its traffic vanished) and a listing whose columns ran together (a
// fixed flow read above its total gave negative flows and a negative precision).
TEST(Loop, InputsThatCannotBeReadAsWrittenStopNamingFileLineAndColumns) {
  struct Case {
    const char* name;
    const char* error;
  };
  const Case cases[] = {
      {"pueblo.dat", "ERROR - Red Saturn pueblo.dat, linea 22: valor \"1O5\" no es un numero en las columnas 6-10"},
      {"pueblo_1.lpa", "ERROR - Listado Saturn pueblo_1.lpa, linea 10, columnas 39-58: valores juntos"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ExampleRun e;
    e.WithoutOutsidePrograms();
    e.Set("Parametros", "Mensajes", "pueblo.msg");
    std::vector<std::string> network = test::ReadLines(kExamples + "pueblo.dat");
    std::vector<std::string> listing = test::ReadLines(kListing);
    if (std::string(c.name) == "pueblo.dat") {
      ASSERT_EQ(network[21].substr(0, 10), "       105");
      network[21].replace(7, 3, "1O5");
    } else {
      ASSERT_EQ(listing[9].substr(0, 18), "   101   102   103");
      listing[9].replace(48, 10, Printf("%10.2f", 1.2e10));  // fourteen characters where ten fit
    }
    e.dir.WriteLines("pueblo.dat", network);
    e.dir.WriteLines("pueblo_1.lpa", listing);
    EXPECT_EQ(e.Run(), 1) << e.output;
    EXPECT_TRUE(e.Logged(c.error)) << e.output;
    EXPECT_NE(e.dir.Read("Errores.txt").find(c.error), std::string::npos);
    EXPECT_NE(e.dir.Read("pueblo.msg").find(c.error), std::string::npos);
    EXPECT_NE(e.dir.Read("pueblo_informe.html").find("Detenida: "), std::string::npos);
  }
}

// An assignment whose listing says that it stopped short of convergence is named, and the run
// does not end as if its result were complete.
TEST(Loop, AssignmentThatDidNotConvergeIsNamed) {
  ExampleRun e;
  e.WithoutOutsidePrograms();
  e.OneIterationOnTheListing();
  e.dir.Write("pueblo_1.lpa", test::ReadFile(kListing) + "        THE LOOP LIMIT WAS REACHED BEFORE THE TURN FLOWS SETTLED.\r\n");
  EXPECT_EQ(e.Run(), 2) << e.output;
  EXPECT_TRUE(e.Logged("   ATENCION: Asignacion Saturn (1) sin converger:\n"
                       "      THE LOOP LIMIT WAS REACHED BEFORE THE TURN FLOWS SETTLED.\n"));
  EXPECT_TRUE(e.Logged("      Asignacion Saturn sin converger en las iteraciones: 1\n"));
}

// What the assignment program states of its own convergence is shown for each assignment it
// states it for and set in the report's iteration table; a figure it does not state is "-".
TEST(Loop, AssignmentsOwnConvergenceIsShownAndReported) {
  ExampleRun e;
  e.WithoutOutsidePrograms();
  e.OneIterationOnTheListing();
  e.dir.Write("pueblo_1.lpa", test::ReadFile(kListing) +
                                  "  LAST ASSIGNMENT: RELATIVE GAP 1.23E-07, AVERAGE EXCESS 0.0012 S PER TRIP, LARGEST "
                                  "ROUTE EXCESS - S (- OF ITS PAIR'S FREE-FLOW COST).\r\n");
  ASSERT_EQ(e.Run(), 0) << e.output;
  EXPECT_TRUE(e.Logged("   Asignacion Saturn (1): brecha relativa 1.2e-07, exceso medio 0.0012 s/viaje, mayor exceso - s\n"))
      << e.output;
  EXPECT_FALSE(e.Logged("Asignacion Saturn (0):"));  // the starting listing states none
  // The iteration table's row of an iteration, up to its end.
  const std::string html = e.dir.Read("pueblo_informe.html");
  const auto row = [&html](const std::string& first) {
    const size_t at = html.find("><td>" + first + "</td>");
    return at == std::string::npos ? std::string() : html.substr(at, html.find("</tr>", at) - at);
  };
  const auto endsWith = [](const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
  };
  EXPECT_TRUE(endsWith(row("1"), "<td>1.2e-07</td><td>0.0012</td><td>-</td>")) << row("1");
  EXPECT_TRUE(endsWith(row("0 (inicial)"), "<td>-</td><td>-</td><td>-</td>")) << row("0 (inicial)");
}

#ifndef _WIN32
// A program in the working directory is found before the engines beside veltra.
void WriteProgram(const ExampleRun& e, const std::string& name, const std::string& script) {
  e.dir.Write(name, "#!/bin/sh\n" + script);
  std::filesystem::permissions(e.dir.File(name), std::filesystem::perms::owner_all);
}

// t8s refusing the final data file of a network: the failure and t8s's own error are named on
// the console, in the messages and errors files and in the report; the network keeps the cycle
// and timings its signals have (the summary never shows it with another cycle), and the run
// does not end with 0.
TEST(Loop, RefusedTransytFileIsNamedAndTheNetworkKeepsItsTimings) {
  ExampleRun e;
  e.Set("Parametros", "Mensajes", "pueblo.msg");
  e.Set("Transyt1", "OptimizaCiclo", "-1");
  e.Set("Transyt1", "Ciclo", "80");
  const std::string realT8s = ExtractFileDir(VELTRA_EXE) + "/t8s";
  WriteProgram(e, "t8s",
               "if head -1 \"$1\" | grep -q Avenida; then\n"
               "  printf ' ERRORS IN THE DATA FILE %s:\\r\\n   ERROR: la prueba rechaza este archivo\\r\\n' \"$1\" > \"$2\"\n"
               "  echo \"t8s de prueba: $1 rechazado\" >&2\n"
               "  exit 1\n"
               "fi\n"
               "exec '" + realT8s + "' \"$@\"\n");
  EXPECT_EQ(e.Run(), 2) << e.output;
  const std::string failure =
      "ERROR - Transyt (1,1): t8s termino con codigo de salida 1; pueblo_tr_1_1.prt sin FINAL SETTINGS (t8s rechazo el "
      "archivo de datos)\n"
      "        Red 1 sin optimizar en la iteracion 1: mantiene su ciclo y sus tiempos anteriores\n"
      "        t8s: ERROR: la prueba rechaza este archivo\n"
      "        (salida de los programas en pueblo_programas.log)\n";
  EXPECT_TRUE(e.Logged(failure)) << e.output;
  std::string messages = e.dir.Read("pueblo.msg");
  messages.erase(std::remove(messages.begin(), messages.end(), '\r'), messages.end());
  EXPECT_NE(messages.find(failure), std::string::npos);
  EXPECT_TRUE(e.Logged("   ATENCION: El resultado no esta completo:\n      Red 1 sin optimizar en las iteraciones: 1"));
  EXPECT_NE(e.dir.Read("Errores.txt").find(failure.substr(0, 60)), std::string::npos);
  EXPECT_NE(e.dir.Read("pueblo_programas.log").find("t8s de prueba: _red_.dat rechazado"), std::string::npos);
  const std::string report = e.dir.Read("pueblo_informe.html");
  EXPECT_NE(report.find("<strong>sin optimizar</strong>: Transyt (1,1)"), std::string::npos);
  // The signals of network 1 keep the 90 s of the network file, never the 80 s of the section.
  for (const std::string& line : test::ReadLines(e.dir.File("pueblo_ciclos.csv"))) {
    if (line.empty() || line[0] == ',') continue;
    EXPECT_EQ(Split(line, ',')[1], "90") << line;
  }
  EXPECT_NE(e.dir.Read("pueblo_1.dat").find("\n  104    4    3    2    0   90    0    0    0\r"), std::string::npos);
}

// An assignment program that fails (SATALL refusing trips it cannot load) stops the run in
// order, naming the program, its exit code and what it said (the program after it, left
// without its files, fails too); the report says why the run stopped.
TEST(Loop, FailingAssignmentProgramStopsTheRun) {
  ExampleRun e;
  WriteProgram(e, "SATALL", "echo \"SATALL: zona 9 de la matriz no esta en la red\"\nexit 1\n");
  EXPECT_EQ(e.Run(), 1) << e.output;
  const std::string stop = "ERROR - Saturn (1): SATALL termino con codigo de salida 1; SATEASY termino con codigo de salida 1";
  const std::string failure = stop + "\n        SATALL: zona 9 de la matriz no esta en la red\n";
  EXPECT_TRUE(e.Logged(failure + "        (salida de los programas en pueblo_programas.log)\n\nDeteniendo proceso ...\n"))
      << e.output;
  EXPECT_FALSE(e.Logged("Termina por"));
  EXPECT_EQ(test::ReadLines(e.dir.File("Errores.txt")),
            (std::vector<std::string>{stop, "        SATALL: zona 9 de la matriz no esta en la red"}));
  EXPECT_NE(e.dir.Read("pueblo_informe.html").find("Detenida: Saturn (1): SATALL termino con codigo de salida 1"),
            std::string::npos);
}
#endif

}  // namespace
}  // namespace veltra
