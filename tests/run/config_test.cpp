#include "run/config.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/test_support.h"
#include "util/files.h"
#include "util/text.h"

namespace veltra {
namespace {

// A working directory with a network file, a node list and an optional configuration.
struct ConfigFixture {
  test::TempDir dir;
  test::TestRun t;
  Run& run = t.run;

  explicit ConfigFixture(const std::string& ini = "", bool withIni = true) {
    dir.Write("red.dat", "network\n");
    dir.Write("nodos.txt", "1 1 1\n");
    if (withIni) dir.Write("Veltra.INI", ini);
  }
  bool Read(std::vector<std::string> args = {"red.dat", "nodos.txt", "tr.dat"}) {
    return ReadGlobalConfiguration(run, args);
  }
  std::string Console() const { return t.console.str(); }
};

TEST(Configuration, DefaultsWithoutConfigurationFile) {
  ConfigFixture f("", false);
  EXPECT_TRUE(f.Read());
  const Settings& c = f.run.Cfg;
  EXPECT_EQ(c.Mensajes, "null");
  EXPECT_EQ(c.Errores, "Errores.txt");
  EXPECT_EQ(c.NombreRed, "Red generada por \"" + ExtractFileName(f.t.platform.ExecutablePath()) + "\" (red.dat)");
  EXPECT_DOUBLE_EQ(c.AnchoPista, 3.5);
  EXPECT_DOUBLE_EQ(c.FactorVelPubl, 0.9);
  EXPECT_EQ(c.BusquedaCiclo, 99);
  EXPECT_EQ(c.LargoMaximo, 2000);
  EXPECT_EQ(c.MaximoCiclo, 120);
  EXPECT_EQ(c.MinimoCicloDoble, 80);
  EXPECT_EQ(c.Cede1Arco, 715);
  EXPECT_EQ(c.Cede2Arcos, 600);
  EXPECT_EQ(c.DobleIgual, -1);
  EXPECT_EQ(c.OptimizaCiclo, CycleMode::Cyop);
  EXPECT_EQ(c.CicloMinimo, 0);
  EXPECT_EQ(c.CicloMaximo, 0);
  EXPECT_DOUBLE_EQ(c.GradoSaturacion, 900.0);
  EXPECT_EQ(c.PasoCiclo, 4);
  EXPECT_EQ(c.TipoIteracion, IterationMode::AllNetworks);
  EXPECT_EQ(c.TransytExe, "t8s");
  EXPECT_EQ(c.EsperaTransyt, 1);
  EXPECT_EQ(c.CorredorFlujosat, 900);
  EXPECT_EQ(c.CorredorCapacidad, 1465);
  EXPECT_FALSE(c.GeneraDxf);
  EXPECT_EQ(c.TituloLetraNombre, "STANDARD");
  EXPECT_EQ(c.TituloLetraTamano, 14);
  EXPECT_EQ(c.VersionSaturn, "10.1");
  EXPECT_EQ(c.EsperaSaturn, 3);
  EXPECT_EQ(c.Iteraciones, 3);
  EXPECT_DOUBLE_EQ(c.PrecisionSaturn, 0.05);
  EXPECT_EQ(c.Promediado, 0);
  EXPECT_TRUE(c.UseListing());
  EXPECT_TRUE(c.HiddenSaturn());
  EXPECT_EQ(c.TransytNodeLimit(), 200);
  // The header says the file is missing, with its full name.
  std::string expected = Printf("   * %-70s *", ("No existe " + (std::filesystem::path(f.dir.Path()) / "Veltra.INI").string() + ". Se asumen valores por defecto.").c_str());
  EXPECT_NE(f.Console().find(expected + "\n"), std::string::npos) << f.Console();
  // The trip matrix "null" does not exist either.
  EXPECT_NE(f.Console().find("\nERROR - Matriz null no existe\n"), std::string::npos);
}

TEST(Configuration, RulesBetweenKeys) {
  struct Case {
    std::string ini;
    int busqueda, dobleIgual, cicloMinimo, cicloMaximo;
  };
  const Case cases[] = {
      {"[Parametros]\nBusquedaCiclo=0\n", 99, -1, 0, 0},
      {"[Parametros]\nBusquedaCiclo=5\nDobleIgual=2\n", 5, -1, 0, 0},
      {"[Parametros]\nDobleIgual=1\n", 99, 1, 0, 0},
      {"[Parametros]\nOptimizaCiclo=3\n", 99, -1, 10, 10},
      {"[Parametros]\nOptimizaCiclo=2\nMaximoCiclo=110\n", 99, -1, 40, 110},
      {"[Parametros]\nOptimizaCiclo=5\nCicloMinimo=50\nCicloMaximo=90\n", 99, -1, 50, 90},
      {"[Parametros]\nOptimizaCiclo=1\nCicloMinimo=50\nCicloMaximo=90\n", 99, -1, 0, 0},
      {"[parametros]\nbusquedaciclo = 7\n", 7, -1, 0, 0},
      {"[Parametros]\nBusquedaCiclo=siete\n", 99, -1, 0, 0},
  };
  for (const auto& c : cases) {
    ConfigFixture f(c.ini);
    f.Read();
    EXPECT_EQ(f.run.Cfg.BusquedaCiclo, c.busqueda) << c.ini;
    EXPECT_EQ(f.run.Cfg.DobleIgual, c.dobleIgual) << c.ini;
    EXPECT_EQ(f.run.Cfg.CicloMinimo, c.cicloMinimo) << c.ini;
    EXPECT_EQ(f.run.Cfg.CicloMaximo, c.cicloMaximo) << c.ini;
  }
}

TEST(Configuration, MissingStreetFileIsReportedAndSwitchedOff) {
  ConfigFixture f("[Exporta]\nArcosNombreCalle=calles.csv\n[Saturn]\nMatrizBinaria=mat.ufm\n");
  f.dir.Write("mat.ufm", "");
  f.Read();
  EXPECT_EQ(f.run.Cfg.ArcosNombreCalle, "null");
  EXPECT_NE(f.Console().find("\nERROR - Archivo calles.csv no existe\n\n"), std::string::npos);
  EXPECT_EQ(f.Console().find("ERROR - Matriz"), std::string::npos);
}

TEST(Configuration, MissingInputFilesAreReported) {
  test::TempDir dir;
  test::TestRun t;
  EXPECT_FALSE(ReadGlobalConfiguration(t.run, {"red.dat", "nodos.txt", "tr.dat"}));
  std::string out = t.console.str();
  EXPECT_NE(out.find("\nERROR - Red Saturn red.dat no existe\n\n"), std::string::npos);
  EXPECT_NE(out.find("\nERROR - Archivo nodos.txt no existe\n\n"), std::string::npos);
}

TEST(Configuration, OperatingSystemLine) {
  const std::pair<int, const char*> cases[] = {{0, "wvWinXP"}, {11, "wvWinXP"}, {1, "wvWin95"}, {10, "wvWin2000"},
                                               {17, "wvWin7"},   {13, nullptr}};
  for (const auto& [code, name] : cases) {
    ConfigFixture f;
    f.t.platform.osCode = code;
    f.Read();
    std::string expected = name ? Printf("\n\nSistema Operativo: \"%s\"\n\n", name) : std::string("\n\n\n");
    EXPECT_EQ(f.Console().substr(0, expected.size()), expected) << code;
    EXPECT_EQ(f.run.OsCode, code == 0 ? 11 : code);
  }
}

TEST(Configuration, FourthArgumentIsReadFromTheSaturnDirectory) {
  ConfigFixture f("", false);
  f.dir.Write("otra.ini", "[Parametros]\nMaximoCiclo=90\n");
  std::filesystem::create_directories(f.dir.File("elsewhere"));
  f.dir.Write("elsewhere/otra.ini", "[Parametros]\nMaximoCiclo=70\n");
  f.Read({"red.dat", "nodos.txt", "tr.dat", "elsewhere/otra.ini"});
  EXPECT_EQ(f.run.Cfg.MaximoCiclo, 90);
  EXPECT_EQ(f.run.ConfigFileName, "otra.ini");
}

TEST(Configuration, RelativePathsWithDirectoriesSurviveTheDirectoryChange) {
  test::TempDir dir;
  dir.Write("data/red.dat", "network\n");
  dir.Write("data/nodos.txt", "1 1 1\n");
  test::TestRun t;
  EXPECT_TRUE(ReadGlobalConfiguration(t.run, {"data/red.dat", "data/nodos.txt", "data/tr.dat"}));
  EXPECT_EQ(std::filesystem::current_path().string(), dir.File("data"));
  EXPECT_EQ(t.run.Files.SaturnFile, dir.File("data/red.dat"));
  EXPECT_NE(t.console.str().find("Nombre Red Saturn : data/red.dat\n"), std::string::npos);
}

TEST(Configuration, HeaderEchoesTheConfigurationLines) {
  std::string longLine(75, 'x');
  ConfigFixture f("[Parametros]\r\nLargoMaximo=2500\r\n" + longLine + "\r\n");
  f.Read();
  std::string out = f.Console();
  const char* asterisks = "   **************************************************************************";
  std::string expected = std::string("Parametros:\n") + asterisks + "\n" + Printf("   * %-70s *\n", "[Parametros]") +
                         Printf("   * %-70s *\n", "LargoMaximo=2500") + "   * " + longLine + " *\n" + asterisks + "\n\n";
  EXPECT_NE(out.find(expected), std::string::npos) << out;
  EXPECT_NE(out.find("\n                             V . E . L . T . R . A .\n"), std::string::npos);
  EXPECT_NE(out.find("\nNombre Red Saturn : red.dat\nNodos a Optimizar : nodos.txt\nNombre Red Transyt: tr.dat\n"
                     "Fecha de Ejecución: "),
            std::string::npos);
  EXPECT_NE(out.find("\n\nCorriendo sobre wvWinXP\n\n\nParametros:\n"), std::string::npos);
  EXPECT_EQ(f.run.Cfg.LargoMaximo, 2500);
}

TEST(Configuration, MessagesFileCopiesTheLogAfterItIsOpened) {
  {
    ConfigFixture f("[Parametros]\nMensajes=NULL\n");
    f.Read();
    EXPECT_FALSE(f.run.Log.MessagesFileOpen());
    EXPECT_FALSE(f.dir.Exists("NULL"));
  }
  ConfigFixture f("[Parametros]\nMensajes=mensajes.txt\nErrores=err.txt\n");
  f.Read();
  f.run.Log.Line("linea\rsegunda");
  f.run.Log.CloseMessagesFile();
  std::string file = f.dir.Read("mensajes.txt");
  // The operating-system line came before the file was opened; the header is in it.
  EXPECT_EQ(file.find("Sistema Operativo"), std::string::npos);
  EXPECT_EQ(file.substr(0, 36), "\r\n                             V . E");
  EXPECT_NE(file.find("linea\rsegunda\r\n"), std::string::npos);
  EXPECT_NE(f.Console().find("linea\nsegunda\n"), std::string::npos);
  EXPECT_EQ(f.run.Log.ErrorsFileName, "err.txt");
}

// A network position with a hand-made node list: TRANSYT nodes 5 and 7 in network 3.
void OneNetwork(Run& run, int number = 3) {
  test::SetNetwork(run.Qor, 1, number);
  run.Qor.RedNodos[1].SetTransytNode(10, 5);
  run.Qor.RedNodos[1].SetTransytNode(11, 7);
}

TEST(Configuration, BothProgramPausesAreReadFromTheirSections) {
  ConfigFixture f("[Parametros]\nEsperaTransyt=0\n[Saturn]\nEsperaSaturn=0\n");
  f.Read();
  EXPECT_EQ(f.run.Cfg.EsperaTransyt, 0);
  EXPECT_EQ(f.run.Cfg.EsperaSaturn, 0);
}

TEST(Configuration, MissingNetworkSectionTakesFixedValues) {
  ConfigFixture f(
      "[Parametros]\nFlujoAuxiliar=0\nAjustePublico=1\nGradoSaturacion=0.9\nMaximoCiclo=100\nCorredorFlujosat=1000\n"
      "[Exporta]\nFactorAjuste=2\n[Transyt4]\n");
  f.Read();
  OneNetwork(f.run);
  ReadNetworkConfiguration(f.run, NetworkPosition(1));
  const NetworkSettings& n = f.run.Cfg.Red[1];
  EXPECT_EQ(n.FlujoAuxiliar, 1);
  EXPECT_EQ(n.AjustePublico, 0);
  EXPECT_DOUBLE_EQ(n.FactorAjuste, 1.0);
  EXPECT_EQ(n.Ciclo, 100);
  EXPECT_EQ(n.TiempoSim, 100);
  EXPECT_EQ(n.DobleIgual, -1);
  EXPECT_EQ(n.BusquedaCiclo, 99);
  EXPECT_EQ(n.Pdelay, 930);
  EXPECT_TRUE(n.Grupo.Empty());
  // Saturation flows and the saturation threshold keep the global values.
  EXPECT_DOUBLE_EQ(n.GradoSaturacion, 0.9);
  EXPECT_EQ(n.CorredorFlujosat, 1000);
  EXPECT_EQ(n.CorredorCapacidad, 1465);

  // An empty section that exists takes the global values.
  OneNetwork(f.run, 4);
  ReadNetworkConfiguration(f.run, NetworkPosition(1));
  EXPECT_EQ(f.run.Cfg.Red[1].FlujoAuxiliar, 0);
  EXPECT_EQ(f.run.Cfg.Red[1].AjustePublico, 1);
  EXPECT_DOUBLE_EQ(f.run.Cfg.Red[1].FactorAjuste, 2.0);
}

// A network that searches a range [Parametros] does not search takes its own mode's range,
// never the 0 to 0 of a global mode without one; a range of the same kind is inherited.
TEST(Configuration, NetworkSearchRangeFollowsTheNetworksOwnMode) {
  struct Case {
    const char* ini;
    int cicloMinimo, cicloMaximo;
  };
  const Case cases[] = {
      {"[Transyt3]\nOptimizaCiclo=2\n", 40, 120},
      {"[Parametros]\nMaximoCiclo=100\n[Transyt3]\nOptimizaCiclo=4\n", 40, 100},
      {"[Transyt3]\nOptimizaCiclo=3\n", 10, 10},
      {"[Parametros]\nOptimizaCiclo=3\n[Transyt3]\nOptimizaCiclo=5\n", 40, 120},
      {"[Parametros]\nOptimizaCiclo=2\nCicloMinimo=60\nCicloMaximo=90\n[Transyt3]\nOptimizaCiclo=4\n", 60, 90},
      {"[Parametros]\nOptimizaCiclo=2\nCicloMinimo=60\n[Transyt3]\nOptimizaCiclo=3\n", 10, 10},
      {"[Transyt3]\nOptimizaCiclo=2\nCicloMinimo=70\n", 70, 120},
      {"[Parametros]\nOptimizaCiclo=2\n[Transyt3]\nOptimizaCiclo=1\n", 40, 120},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ini);
    ConfigFixture f(c.ini);
    f.Read();
    OneNetwork(f.run);
    ReadNetworkConfiguration(f.run, NetworkPosition(1));
    EXPECT_EQ(f.run.Cfg.Red[1].CicloMinimo, c.cicloMinimo);
    EXPECT_EQ(f.run.Cfg.Red[1].CicloMaximo, c.cicloMaximo);
  }
}

TEST(Configuration, NetworkSectionKeysAndNumberedLists) {
  ConfigFixture f(
      "[Parametros]\nDobleIgual=2\n[Transyt3]\nCiclo=-90\nDobleIgual=2\nCicloSimple=1\nCicloDoble=1\n"
      "Grupo_1=5,7\nGrupo_3=9\nVerdeMin_1=5,10,12\nVerdeMin_2=7,8,8\nTPublicoDet_1=10,20,30\n"
      "TPublicoDet_2= 1.6 ,x,3,40,5,6\nNodoSimple=5,12\nNodoDoble=7, 13\nNodoPrioridad=14\nNoOptimiza=5\n");
  f.Read();
  OneNetwork(f.run);
  ReadNetworkConfiguration(f.run, NetworkPosition(1));
  const NetworkSettings& n = f.run.Cfg.Red[1];
  EXPECT_EQ(n.Ciclo, -90);
  EXPECT_EQ(n.DobleIgual, 2);
  EXPECT_FALSE(n.CicloSimple);
  EXPECT_FALSE(n.CicloDoble);
  EXPECT_EQ(n.Grupo.Text(), "/5,7");
  EXPECT_EQ(n.VerdeMin.Text(), "/5,10,12/7,8,8");
  ASSERT_EQ(n.VerdeMin.Entries().size(), 2u);
  EXPECT_EQ(n.VerdeMin.Entries()[1].Node, 7);
  EXPECT_EQ(n.VerdeMin.Entries()[1].Greens, (std::array<int32_t, 7>{0, 8, 8, 0, 0, 0, 0}));
  // Fields that are no numbers count as 0; a real node number rounds to the nearest.
  ASSERT_EQ(n.TPublicoDet.size(), 2u);
  const PublicTransportDetail& first = n.TPublicoDet[0];
  EXPECT_EQ((std::array<int32_t, 5>{first.A, first.B, first.C, first.CruiseIncrement, first.Value}),
            (std::array<int32_t, 5>{10, 20, 30, 0, 0}));
  EXPECT_DOUBLE_EQ(first.Share, 0.0);
  const PublicTransportDetail& second = n.TPublicoDet[1];
  EXPECT_EQ((std::array<int32_t, 5>{second.A, second.B, second.C, second.CruiseIncrement, second.Value}),
            (std::array<int32_t, 5>{2, 0, 3, 5, 6}));
  EXPECT_DOUBLE_EQ(second.Share, 0.4);
  std::string out = f.Console();
  EXPECT_NE(out.find("ERROR - CicloSimple y CicloDoble no deben estar activos\n"
                     "        simultaneamente. Se anulan ambas opciones.\n"),
            std::string::npos);
  EXPECT_NE(out.find("ERROR - Nodo (NodoSimple) 12 no existe en red 3\n"), std::string::npos);
  EXPECT_NE(out.find("ERROR - Nodo (NodoDoble)  13 no existe en red 3\n"), std::string::npos);
  EXPECT_NE(out.find("ERROR - Nodo (NodoPrioridad) 14 no existe en red 3\n"), std::string::npos);
  EXPECT_EQ(out.find("(NoOptimiza)"), std::string::npos);
  EXPECT_EQ(out.find("(NodoSimple) 5 "), std::string::npos);
}

TEST(Configuration, ManyNumberedEntriesAreReadInOrder) {
  std::string ini = "[Transyt1]\n";
  for (int k = 1; k <= 10000; ++k) ini += Printf("Cola_%d=%d,2,3,4,5\n", k, k);
  ConfigFixture f(ini);
  f.Read();
  OneNetwork(f.run, 1);
  ReadNetworkConfiguration(f.run, NetworkPosition(1));
  const std::string& cola = f.run.Cfg.Red[1].Cola.Text();
  EXPECT_EQ(cola.substr(0, 20), "/1,2,3,4,5/2,2,3,4,5");
  EXPECT_EQ(std::count(cola.begin(), cola.end(), '/'), 10000);
}

TEST(Configuration, BinaryConfigurationFileReadsAsDefaults) {
  std::string junk;
  for (int i = 0; i < 3000; ++i) junk.push_back(static_cast<char>((i * 37) % 256));
  ConfigFixture f(junk + "\n[Parametros]\nMaximoCiclo=\x01\x02\n");
  EXPECT_TRUE(f.Read());
  EXPECT_EQ(f.run.Cfg.MaximoCiclo, 120);
}

}  // namespace
}  // namespace veltra

namespace veltra {
namespace {

// Values no setting can mean stop the run before anything is sized or searched by them: the
// per-iteration tables, the cycle negated for a CYOP structure, the search range.
TEST(ConfigurationLimits, SettingsOutsideTheirRangeStopNamingFileSectionAndKey) {
  struct Case {
    const char* ini;
    bool networkSection;
    const char* text;
  };
  const Case cases[] = {
      {"[Converge]\nIteracionInicial=1000000\n", false, "[Converge] IteracionInicial=1000000 fuera de rango (-2147483648 a 1000)"},
      {"[Converge]\nIteraciones=2000000000\n", false, "[Converge] Iteraciones=2000000000 fuera de rango (0 a 1000)"},
      {"[Converge]\nPromediado=2\n", false, "[Converge] Promediado=2 fuera de rango (0 a 1)"},
      {"[Parametros]\nMaximoCiclo=-5\n", false, "[Parametros] MaximoCiclo=-5 fuera de rango (0 a 99999)"},
      {"[Parametros]\nOptimizaCiclo=2\nCicloMaximo=100000\n", false, "[Parametros] CicloMaximo=100000 fuera de rango"},
      {"[Transyt1]\nCiclo=-2147483648\n", true, "[Transyt1] Ciclo=-2147483648 fuera de rango (-9999 a 99999)"},
      {"[Transyt1]\nPasoCiclo=2147483647\n", true, "[Transyt1] PasoCiclo=2147483647 fuera de rango"},
      {"[Transyt1]\nTiempoSim=100000\n", true, "[Transyt1] TiempoSim=100000 fuera de rango (-9999 a 99999)"},
      {"[Transyt1]\nVerdeMin_1=3,1E39,5\n", true, "[Transyt1] VerdeMin_1: valor \"1E39\" fuera de rango (-99999 a 99999)"},
      {"[Transyt1]\nFlujoSat_1=1,2,3,1800\nFlujoSat_2=1,2,3,-2147483648\n", true, "[Transyt1] FlujoSat_2: valor \"-2147483648\""},
      {"[Transyt1]\nFlujoArco1_1=1 2 3 100000\n", true, "[Transyt1] FlujoArco1_1: valor \"100000\""},
      {"[Transyt1]\nTPublicoDet_1=1,2,3,50,9e9,4\n", true, "[Transyt1] TPublicoDet_1: valor \"9e9\""},
      {"[Transyt1]\nCoordina_1=1/1E10\n", true, "[Transyt1] Coordina_1: valor \"1E10\""},
      {"[Transyt1]\nCorredorFlujosat=2000000000\n", true, "[Transyt1] CorredorFlujosat=2000000000 fuera de rango (-9999 a 99999)"},
      {"[Transyt1]\nPdelay=1000000\n", true, "[Transyt1] Pdelay=1000000 fuera de rango"},
      {"[Transyt1]\nequisat=-10000\n", true, "[Transyt1] equisat=-10000 fuera de rango (-9999 a 99999)"},
      {"[Parametros]\nCorredorCapacidad=-2147483648\n", false, "[Parametros] CorredorCapacidad=-2147483648 fuera de rango"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ini);
    ConfigFixture f(c.ini);
    if (c.networkSection) {
      f.Read();
      OneNetwork(f.run, 1);
      EXPECT_THROW(ReadNetworkConfiguration(f.run, NetworkPosition(1)), RunStop);
    } else {
      EXPECT_THROW(f.Read(), RunStop);
    }
    ASSERT_FALSE(f.run.Log.Errors.empty());
    const std::string& error = f.run.Log.Errors.back();
    EXPECT_EQ(error.rfind("ERROR - Configuracion ", 0), 0u) << error;
    EXPECT_NE(error.find("Veltra.INI, ["), std::string::npos) << error;
    EXPECT_NE(error.find(c.text), std::string::npos) << error;
  }
}

TEST(ConfigurationLimits, SettingsAtTheirBoundsAreKept) {
  ConfigFixture f("[Converge]\nIteracionInicial=1000\nIteraciones=1000\n[Parametros]\nMaximoCiclo=99999\n"
                  "[Transyt1]\nCiclo=-9999\nCicloMaximo=99999\nTiempoSim=3600\n");
  f.Read();
  OneNetwork(f.run, 1);
  ReadNetworkConfiguration(f.run, NetworkPosition(1));
  EXPECT_EQ(f.run.Cfg.IteracionInicial, 1000);
  EXPECT_EQ(f.run.Cfg.Iteraciones, 1000);
  EXPECT_EQ(f.run.Cfg.Red[1].Ciclo, -9999);
  EXPECT_EQ(f.run.Cfg.Red[1].CicloMaximo, 99999);
  // Card 1 writes the simulated time in five columns: an hour fits.
  EXPECT_EQ(f.run.Cfg.Red[1].TiempoSim, 3600);

  // The widest card values, and words that are no numbers, are read as before.
  ConfigFixture g("[Transyt1]\nVerdeMin_1=3,99999,-99999,x\nFlujoSat_1=1,2,3,1800\nCorredorFlujosat=99999\n");
  g.Read();
  OneNetwork(g.run, 1);
  ReadNetworkConfiguration(g.run, NetworkPosition(1));
  EXPECT_EQ(g.run.Cfg.Red[1].VerdeMin.Text(), "/3,99999,-99999,x");
  EXPECT_EQ(g.run.Cfg.Red[1].FlujoSat.Text(), "/1,2,3,1800");
  EXPECT_EQ(g.run.Cfg.Red[1].CorredorFlujosat, 99999);
}

}  // namespace
}  // namespace veltra
