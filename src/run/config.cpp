#include "run/config.h"

#include <cctype>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <limits>
#include <tuple>
#include <utility>

#include "model/tables.h"
#include "run/report_builder.h"
#include "util/conversions.h"
#include "util/files.h"
#include "util/ini.h"
#include "util/text.h"

namespace veltra {

const char* const kTitleLine = "Optimizacion conjunta de asignacion Saturn y semaforos Transyt";

namespace {

const char* const kCreditLine1 = "Acoplamiento iterativo Saturn / Transyt / Cyop";
const char* const kCreditLine2 = "Equipo VELTRA";
const char* const kAsterisks = "   **************************************************************************";

std::string EchoLine(const std::string& text) { return Printf("   * %-70s *", text.c_str()); }

std::string LocalDateTime() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  char date[64] = "", time[64] = "";
  std::strftime(date, sizeof date, "%x", &local);
  std::strftime(time, sizeof time, "%X", &local);
  return std::string(date) + " " + time;
}

void WriteHeader(Run& run, const IniFile& ini) {
  MessageLog& log = run.Log;
  log.Line();
  log.Line("                             V . E . L . T . R . A .");
  log.Line(kTitleLine);
  log.Line(kCreditLine1);
  log.Line(kCreditLine2);
  log.Line();
  log.Line("Nombre Red Saturn : ", run.Args[0]);
  log.Line("Nodos a Optimizar : ", run.Args[1]);
  log.Line("Nombre Red Transyt: ", run.Args[2]);
  log.Line("Fecha de Ejecución: ", LocalDateTime());
  log.Line();
  log.Line("Corriendo sobre ", run.OsName);
  log.EmptyLines(2);
  log.Line("Parametros:");
  log.Line(kAsterisks);
  if (ini.Exists()) {
    for (const auto& line : ini.Lines()) log.Line(EchoLine(line));
  } else {
    log.Line(EchoLine("No existe " + run.ConfigurationPath() + ". Se asumen valores por defecto."));
  }
  log.Line(kAsterisks);
  log.Line();
}

void MissingFileMessage(Run& run, const std::string& text) {
  run.Log.Line();
  run.Log.Line(text);
  run.Log.Line();
}

// A node list item names a node of network r when some SATURN node of r has it as TRANSYT number.
bool NodeInNetwork(const Run& run, NetworkPosition r, int32_t transytNode) {
  return transytNode != 0 && run.Qor.NodeOfTransyt(r, transytNode) != 0;
}

void CheckNodeList(Run& run, NetworkPosition r, const std::string& list, const char* name, bool asInteger) {
  int number = run.Qor.NumberOf(r).Value();
  for (const auto& item : Split(list, ',')) {
    if (Trim(item).empty()) continue;
    if (NodeInNetwork(run, r, TextToInt(item))) continue;
    if (asInteger)
      run.Log.Error(Printf("ERROR - Nodo (%s) %d no existe en red %d", name, TextToInt(item), number));
    else
      run.Log.Error(Printf("ERROR - Nodo (%s) %s no existe en red %d", name, item.c_str(), number));
  }
}

// The highest iteration number a run can reach or start from: the per-iteration tables (cycle
// and stage-start history) are sized by it before anything is read.
constexpr int kMaxIteration = 1000;

// What a five-column field of a TRANSYT card or a SATURN junction card can hold: cycles,
// simulated times, card 1's settings and saturation flows all end in such fields, the sign of
// a negative value taking one of the five columns.
constexpr int kFieldLowest = -9999;
constexpr int kFieldHighest = 99999;

// A setting outside what it can mean stops the run, naming the file, the section and the key.
void CheckRange(Run& run, const std::string& section, const char* key, int value, int low, int high) {
  if (value >= low && value <= high) return;
  run.Log.Fatal(Printf("ERROR - Configuracion %s, [%s] %s=%d fuera de rango (%d a %d)", run.ConfigurationPath().c_str(),
                       section.c_str(), key, value, low, high),
                1, Listed::Yes);
}

void CheckField(Run& run, const std::string& section, const char* key, int value) {
  CheckRange(run, section, key, value, kFieldLowest, kFieldHighest);
}

// The numbers of the numbered keys end in card fields too, some of them negated on the way
// (the coordinated nodes of card 2), so either sign of the widest field is accepted here;
// the card writer refuses a value its five columns cannot hold.
constexpr int kMaxCardValue = 99999;

bool IsListSeparator(char c) { return c == ',' || c == '/' || c == ';' || std::isspace(static_cast<unsigned char>(c)); }

// Every number of a numbered key's value (items separated by "," or blanks) within the card
// fields: 1E39 for a minimum green would otherwise be held at the integer limits and overflow
// the sums of greens and flows made of it.
void CheckListValue(Run& run, const std::string& section, const std::string& name, const std::string& value) {
  size_t i = 0;
  while (i < value.size()) {
    while (i < value.size() && IsListSeparator(value[i])) ++i;
    size_t end = i;
    while (end < value.size() && !IsListSeparator(value[end])) ++end;
    if (end == i) break;
    const std::string token = value.substr(i, end - i);
    i = end;
    if (std::fabs(TextToReal(token)) <= kMaxCardValue) continue;
    run.Log.Fatal(Printf("ERROR - Configuracion %s, [%s] %s: valor \"%s\" fuera de rango (%d a %d)",
                         run.ConfigurationPath().c_str(), section.c_str(), name.c_str(), token.c_str(), -kMaxCardValue,
                         kMaxCardValue),
                  1, Listed::Yes);
  }
}

// Reads Key_1, Key_2, ... until the first absent k, appending "/" + value to the list; each
// value is checked as it is read.
std::string ReadNumberedList(Run& run, const IniFile& ini, const std::string& section, const std::string& key) {
  std::string list;
  for (int k = 1;; ++k) {
    std::string name = key + "_" + std::to_string(k);
    if (!ini.HasKey(section, name)) break;
    const std::string value = ini.ReadString(section, name, "");
    CheckListValue(run, section, name, value);
    list += "/" + value;
  }
  return list;
}

// The cycle settings of one section (the global part or a network's own): cycles are written
// in five columns, and the search bounds and step give the cycles written.
void CheckCycles(Run& run, const std::string& section, int cicloMinimo, int cicloMaximo, int pasoCiclo,
                 int minimoCicloDoble) {
  CheckField(run, section, "CicloMinimo", cicloMinimo);
  CheckField(run, section, "CicloMaximo", cicloMaximo);
  // A step below 1 is replaced by 1 when the search runs, with a warning.
  CheckField(run, section, "PasoCiclo", pasoCiclo);
  CheckRange(run, section, "MinimoCicloDoble", minimoCicloDoble, 0, kFieldHighest);
}

// The kind of range a cycle mode searches: none, cycles from CicloMinimo to CicloMaximo, or
// distances below and above CYOP's cycle.
enum class RangeKind { None, Cycles, AroundCyop };

RangeKind RangeKindOf(CycleMode mode) {
  switch (mode) {
    case CycleMode::RangeTests:
    case CycleMode::StructureTests:
    case CycleMode::SingleStructureTests:
      return RangeKind::Cycles;
    case CycleMode::CyopThenTests:
      return RangeKind::AroundCyop;
    default:
      return RangeKind::None;
  }
}

// The search range a mode takes when its section gives none: 40 to MaximoCiclo for the
// searches over cycles, 10 below and 10 above CYOP's cycle for mode 3.
std::pair<int, int> DefaultRange(RangeKind kind, int maximoCiclo) {
  if (kind == RangeKind::Cycles) return {40, maximoCiclo};
  if (kind == RangeKind::AroundCyop) return {10, 10};
  return {0, 0};
}

}  // namespace

std::string OsDisplayName(int code) {
  static const char* const names[] = {"",         "wvWin95",   "wvWin95OSR2", "wvWin98",  "wvWin98SE", "wvWinME",
                                      "wvWinNT31", "wvWinNT35", "wvWinNT351",  "wvWinNT4", "wvWin2000", "wvWinXP"};
  if (code >= 1 && code <= 11) return names[code];
  if (code == 17) return "wvWin7";
  return std::string();
}

void UsageStop(Run& run) {
  MessageLog& log = run.Log;
  log.ConsoleLine("Veltra.exe");
  log.ConsoleLine(std::string(kTitleLine) + ", version " + VELTRA_VERSION);
  log.ConsoleLine("");
  log.ConsoleLine("Uso:");
  log.ConsoleLine(std::string("  ") + "Veltra.exe" +
                  "   <saturn-filename>   <nodes-filename>   <transyt-filename>   [Archivo INI]");
  log.ConsoleLine("");
  run.Sys.Sleep(3000);
  throw RunStop{1, false};
}

namespace {

// Makes the working directory the SATURN file's directory. A file argument that is relative
// and names a directory is first made absolute, so that it still names the same file once
// the working directory has changed.
void LocateWorkingDirectory(Run& run) {
  auto anchor = [](std::string& name) {
    if (!ExtractFileDir(name).empty() && !std::filesystem::path(name).is_absolute()) name = ExpandFileName(name);
  };
  run.Files.SaturnFile = run.Args[0];
  run.Files.NodesFile = run.Args[1];
  run.Files.TransytFile = run.Args[2];
  if (run.WorkDir.empty()) {
    anchor(run.Files.SaturnFile);
    anchor(run.Files.NodesFile);
    anchor(run.Files.TransytFile);
    run.WorkDir = ExtractFileDir(ExpandFileName(run.Files.SaturnFile));
    std::error_code ec;
    std::filesystem::current_path(run.WorkDir, ec);
    if (ec) throw FileError("ERROR - No se puede usar el directorio " + run.WorkDir);
  }
  run.ConfigFileName = run.Args.size() == 4 ? ExtractFileName(run.Args[3]) : std::string("Veltra.INI");
}

}  // namespace

bool ReadGlobalConfiguration(Run& run, const std::vector<std::string>& args) {
  MessageLog& log = run.Log;
  Settings& cfg = run.Cfg;

  // 1. Operating system.
  run.OsCode = run.Sys.OsVersionCode();
  if (run.OsCode == 0) run.OsCode = 11;
  run.OsName = OsDisplayName(run.OsCode);
  log.EmptyLines(2);
  if (!run.OsName.empty()) log.Line(Printf("Sistema Operativo: \"%s\"", run.OsName.c_str()));
  log.Line();

  // 2. Command line.
  run.Args = args;
  if (args.size() != 3 && args.size() != 4) UsageStop(run);

  // 3. Working directory and configuration file; the report lists what the run writes there.
  LocateWorkingDirectory(run);
  run.FilesAtStart = FilesInWorkingDirectory();
  IniFile ini(run.ConfigurationPath());

  // 4. Input files.
  bool inputsFound = true;
  std::string saturnData = RunFiles::NetworkFileOf(run.Files.SaturnFile);
  if (!FileExists(saturnData)) {
    MissingFileMessage(run, Printf("ERROR - Red Saturn %s no existe", saturnData.c_str()));
    inputsFound = false;
  }
  if (!FileExists(run.Files.NodesFile)) {
    MissingFileMessage(run, Printf("ERROR - Archivo %s no existe", run.Files.NodesFile.c_str()));
    inputsFound = false;
  }

  // 5, 6. Messages file and errors list.
  cfg.Mensajes = ini.ReadString("Parametros", "Mensajes", "null");
  if (Lower(cfg.Mensajes) != "null" && !log.OpenMessagesFile(cfg.Mensajes))
    throw FileError("ERROR - No se pudo crear el archivo de mensajes " + cfg.Mensajes);
  cfg.Errores = ini.ReadString("Parametros", "Errores", "Errores.txt");
  log.ErrorsFileName = cfg.Errores;
  log.Errors.clear();

  // 7. Start-up header.
  WriteHeader(run, ini);

  // 8. [Parametros]
  const std::string P = "Parametros";
  std::string exeName = ExtractFileName(run.Sys.ExecutablePath());
  if (exeName.empty()) exeName = "veltra";
  cfg.NombreRed = ini.ReadString(P, "NombreRed", "Red generada por \"" + exeName + "\" (" + run.Args[0] + ")");
  cfg.ResumenCiclo = ini.ReadString(P, "ResumenCiclo", "null");
  cfg.ResumenReparto = ini.ReadString(P, "ResumenReparto", "null");
  cfg.InformeNodos = ini.ReadString(P, "InformeNodos", "null");
  cfg.InformeHtml = ini.ReadString(P, "InformeHtml", run.Files.Report());
  cfg.AnchoPista = ini.ReadFloat(P, "AnchoPista", 3.5);
  cfg.FactorVelPubl = ini.ReadFloat(P, "FactorVelPubl", 0.9);
  cfg.BusquedaCiclo = ini.ReadInteger(P, "BusquedaCiclo", 0);
  if (cfg.BusquedaCiclo == 0) cfg.BusquedaCiclo = 99;
  cfg.LargoMaximo = ini.ReadInteger(P, "LargoMaximo", 2000);
  cfg.MaximoCiclo = ini.ReadInteger(P, "MaximoCiclo", 120);
  cfg.MinimoCicloDoble = ini.ReadInteger(P, "MinimoCicloDoble", 80);
  cfg.Cede1Arco = ini.ReadInteger(P, "Cede1Arco", 715);
  cfg.Cede2Arcos = ini.ReadInteger(P, "Cede2Arcos", 600);
  cfg.DobleIgual = ini.ReadInteger(P, "DobleIgual", 0);
  if (cfg.DobleIgual != 1) cfg.DobleIgual = -1;
  cfg.OptimizaCiclo = static_cast<CycleMode>(ini.ReadInteger(P, "OptimizaCiclo", 1));
  cfg.ActualizaDesfase = ini.ReadInteger(P, "ActualizaDesfase", 1);
  cfg.CicloMinimo = 0;
  cfg.CicloMaximo = 0;
  if (RangeKindOf(cfg.OptimizaCiclo) != RangeKind::None) {
    const auto [low, high] = DefaultRange(RangeKindOf(cfg.OptimizaCiclo), cfg.MaximoCiclo);
    cfg.CicloMinimo = ini.ReadInteger(P, "CicloMinimo", low);
    cfg.CicloMaximo = ini.ReadInteger(P, "CicloMaximo", high);
  }
  cfg.DxfCompleto = ini.ReadInteger(P, "DxfCompleto", 0);
  cfg.GradoSaturacion = ini.ReadFloat(P, "GradoSaturacion", 900.0);
  cfg.PasoCiclo = ini.ReadInteger(P, "PasoCiclo", 4);
  cfg.TipoIteracion = static_cast<IterationMode>(ini.ReadInteger(P, "TipoIteracion", 2));
  cfg.CorreSaturn = ini.ReadInteger(P, "CorreSaturn", 1);
  cfg.CorreTransyt = ini.ReadInteger(P, "CorreTransyt", 1);
  cfg.SaturnVisible = ini.ReadInteger(P, "SaturnVisible", 0);
  cfg.TransytVisible = ini.ReadInteger(P, "TransytVisible", 0);
  cfg.BorrarTransyt = ini.ReadInteger(P, "BorrarTransyt", 0);
  cfg.BorrarCyop = ini.ReadInteger(P, "BorrarCyop", 0);
  cfg.BorrarTest = ini.ReadInteger(P, "BorrarTest", 0);
  cfg.BorrarAnterior = ini.ReadInteger(P, "BorrarAnterior", 0);
  cfg.CopiarUltimaIt = ini.ReadString(P, "CopiarUltimaIt", "null");
  cfg.CopiarFinal = ini.ReadInteger(P, "CopiarFinal", 0);
  cfg.PausaSatnet = ini.ReadInteger(P, "PausaSatnet", 0);
  cfg.PausaSatass = ini.ReadInteger(P, "PausaSatass", 0);
  cfg.PausaTransyt = ini.ReadInteger(P, "PausaTransyt", 0);
  cfg.PausaCyop = ini.ReadInteger(P, "PausaCyop", 0);
  cfg.AjustePublico = ini.ReadInteger(P, "AjustePublico", 0);
  cfg.GuardarFinal = ini.ReadInteger(P, "GuardarFinal", 0);
  cfg.Limite325 = ini.ReadInteger(P, "Limite325", 0);
  cfg.FlujoAuxiliar = ini.ReadInteger(P, "FlujoAuxiliar", 1);
  cfg.TransytExe = ini.ReadString(P, "TransytExe", "t8s");
  cfg.EsperaTransyt = ini.ReadInteger(P, "EsperaTransyt", 1);
  cfg.CorredorFlujosat = ini.ReadInteger(P, "CorredorFlujosat", 900);
  cfg.CorredorCapacidad = ini.ReadInteger(P, "CorredorCapacidad", 1465);

  // [Exporta]
  const std::string E = "Exporta";
  cfg.GeneraDxf = ini.ReadBool(E, "GeneraDxf", false);
  cfg.FactorAjuste = ini.ReadFloat(E, "FactorAjuste", 1.0);
  cfg.TituloLetraNombre = ini.ReadString(E, "TituloLetraNombre", "STANDARD");
  cfg.TituloLetraTamano = ini.ReadInteger(E, "TituloLetraTamano", 14);
  cfg.TituloPosHrztal = ini.ReadInteger(E, "TituloPosHrztal", 0);
  cfg.TituloPosVrtcal = ini.ReadInteger(E, "TituloPosVrtcal", 0);
  cfg.NodosLetraTamano = ini.ReadInteger(E, "NodosLetraTamano", 8);
  cfg.ArcosLetraTamano = ini.ReadInteger(E, "ArcosLetraTamano", 8);
  cfg.CallesLetraTamano = ini.ReadInteger(E, "CallesLetraTamano", 8);
  cfg.ArcosNombreCalle = ini.ReadString(E, "ArcosNombreCalle", "null");
  cfg.CallesPosVrtcal = ini.ReadInteger(E, "CallesPosVrtcal", 0);
  if (Lower(cfg.ArcosNombreCalle) != "null" && !FileExists(cfg.ArcosNombreCalle)) {
    MissingFileMessage(run, Printf("ERROR - Archivo %s no existe", cfg.ArcosNombreCalle.c_str()));
    cfg.ArcosNombreCalle = "null";
  }

  // [Saturn]
  const std::string S = "Saturn";
  cfg.PathSaturn = ini.ReadString(S, "PathSaturn", "");
  cfg.VersionSaturn = ini.ReadString(S, "VersionSaturn", "10.1");
  cfg.MatrizBinaria = ini.ReadString(S, "MatrizBinaria", "null");
  cfg.CorreSatass = ini.ReadInteger(S, "CorreSatass", 0);
  cfg.BorrarSaturn = ini.ReadInteger(S, "BorrarSaturn", 0);
  cfg.BorrarLPT = ini.ReadInteger(S, "BorrarLPT", 0);
  cfg.BorrarLPN = ini.ReadInteger(S, "BorrarLPN", 0);
  cfg.BorrarUFN = ini.ReadInteger(S, "BorrarUFN", 0);
  cfg.BorrarUFS = ini.ReadInteger(S, "BorrarUFS", 0);
  cfg.BorrarUFA = ini.ReadInteger(S, "BorrarUFA", 0);
  cfg.BorrarUFC = ini.ReadInteger(S, "BorrarUFC", 0);
  cfg.CorredorBus = ini.ReadInteger(S, "CorredorBus", 0);
  cfg.EsperaSaturn = ini.ReadInteger(S, "EsperaSaturn", 3);
  cfg.LineasPrivado = ini.ReadString(S, "LineasPrivado", "");
  cfg.Conteos = ini.ReadString(S, "Conteos", "null");
  cfg.CicloPrioridadSaturn = ini.ReadString(S, "CicloPrioridadSaturn", "");
  if (!FileExists(cfg.MatrizBinaria))
    MissingFileMessage(run, Printf("ERROR - Matriz %s no existe", cfg.MatrizBinaria.c_str()));

  // [Converge]
  const std::string C = "Converge";
  cfg.Iteraciones = ini.ReadInteger(C, "Iteraciones", 3);
  cfg.IteracionInicial = ini.ReadInteger(C, "IteracionInicial", 0);
  cfg.PrecisionSaturn = ini.ReadFloat(C, "PrecisionSaturn", 0.05);
  cfg.PrecisionIRSaturn = ini.ReadFloat(C, "PrecisionIRSaturn", 0.05);
  cfg.PrecisionIRTransyt = ini.ReadFloat(C, "PrecisionIRTransyt", 0.05);

  // The largest cycle is also the default cycle and simulated time of card 1.
  CheckRange(run, P, "MaximoCiclo", cfg.MaximoCiclo, 0, kFieldHighest);
  CheckField(run, P, "CorredorFlujosat", cfg.CorredorFlujosat);
  CheckField(run, P, "CorredorCapacidad", cfg.CorredorCapacidad);
  CheckCycles(run, P, cfg.CicloMinimo, cfg.CicloMaximo, cfg.PasoCiclo, cfg.MinimoCicloDoble);
  CheckRange(run, C, "Iteraciones", cfg.Iteraciones, 0, kMaxIteration);
  // A negative start is refused with its own message when the run starts.
  CheckRange(run, C, "IteracionInicial", cfg.IteracionInicial, std::numeric_limits<int>::min(), kMaxIteration);

  return inputsFound;
}

void ReadNetworkConfiguration(Run& run, NetworkPosition r) {
  const Settings& g = run.Cfg;
  NetworkSettings& n = run.Cfg.Network(r);
  n = NetworkSettings();
  int number = run.Qor.NumberOf(r).Value();
  IniFile ini(run.ConfigurationPath());
  const std::string section = Printf("Transyt%d", number);

  if (!ini.HasSection(section)) {
    n.NombreRed = g.NombreRed;
    n.AnchoPista = g.AnchoPista;
    n.BusquedaCiclo = g.BusquedaCiclo;
    n.OptimizaCiclo = g.OptimizaCiclo;
    n.ActualizaDesfase = g.ActualizaDesfase;
    n.CicloMinimo = g.CicloMinimo;
    n.CicloMaximo = g.CicloMaximo;
    n.PasoCiclo = g.PasoCiclo;
    n.Cede1Arco = g.Cede1Arco;
    n.Cede2Arcos = g.Cede2Arcos;
    n.MinimoCicloDoble = g.MinimoCicloDoble;
    n.Ciclo = g.MaximoCiclo;
    n.TiempoSim = g.MaximoCiclo;
    n.CicloSimple = false;
    n.CicloDoble = false;
    n.DobleIgual = -1;
    n.AjustePublico = 0;
    n.FlujoAuxiliar = 1;
    n.FactorAjuste = 1.0;
    n.TituloLetraTamano = 14;
    n.TpoD1 = 2;
    n.TpoD2 = 2;
    n.equisat = 1;
    n.FactFlu = 0;
    n.FactVel = 0;
    n.TpoVelo = 1;
    n.Optimiza = 2;
    n.Dispersion = 1;
    n.Output = 0;
    n.Pdelay = 930;
    n.Pstop = 170;
    // A network without a section of its own still draws and saturates bus corridors with
    // the global values: a saturation flow or saturation threshold of 0 would be meaningless.
    n.GradoSaturacion = g.GradoSaturacion;
    n.CorredorFlujosat = g.CorredorFlujosat;
    n.CorredorCapacidad = g.CorredorCapacidad;
    return;
  }

  n.Ciclo = ini.ReadInteger(section, "Ciclo", g.MaximoCiclo);
  n.AnchoPista = ini.ReadFloat(section, "AnchoPista", g.AnchoPista);
  n.BusquedaCiclo = ini.ReadInteger(section, "BusquedaCiclo", g.BusquedaCiclo);
  if (n.BusquedaCiclo == 0) n.BusquedaCiclo = 99;
  n.OptimizaCiclo =
      static_cast<CycleMode>(ini.ReadInteger(section, "OptimizaCiclo", static_cast<int>(g.OptimizaCiclo)));
  n.ActualizaDesfase = ini.ReadInteger(section, "ActualizaDesfase", g.ActualizaDesfase);
  // A range given in [Parametros] serves the networks that search the same kind of range;
  // a network whose mode searches another kind (or [Parametros] none, as in mode 1) takes
  // its mode's own defaults rather than a range of 0 to 0.
  int defaultMinimo = g.CicloMinimo, defaultMaximo = g.CicloMaximo;
  const RangeKind kind = RangeKindOf(n.OptimizaCiclo);
  if (kind != RangeKind::None && kind != RangeKindOf(g.OptimizaCiclo))
    std::tie(defaultMinimo, defaultMaximo) = DefaultRange(kind, g.MaximoCiclo);
  n.CicloMinimo = ini.ReadInteger(section, "CicloMinimo", defaultMinimo);
  n.CicloMaximo = ini.ReadInteger(section, "CicloMaximo", defaultMaximo);
  n.GradoSaturacion = ini.ReadFloat(section, "GradoSaturacion", g.GradoSaturacion);
  n.PasoCiclo = ini.ReadInteger(section, "PasoCiclo", g.PasoCiclo);
  n.NombreRed = ini.ReadString(section, "NombreRed", g.NombreRed);
  n.Cede1Arco = ini.ReadInteger(section, "Cede1Arco", g.Cede1Arco);
  n.Cede2Arcos = ini.ReadInteger(section, "Cede2Arcos", g.Cede2Arcos);
  n.CicloSimple = ini.ReadBool(section, "CicloSimple", false);
  n.CicloDoble = ini.ReadBool(section, "CicloDoble", false);
  n.DobleIgual = ini.ReadInteger(section, "DobleIgual", g.DobleIgual);
  if (n.CicloSimple && n.CicloDoble) {
    run.Log.Error("ERROR - CicloSimple y CicloDoble no deben estar activos");
    run.Log.Line("        simultaneamente. Se anulan ambas opciones.");
    n.CicloSimple = false;
    n.CicloDoble = false;
  }
  n.NodoSimple = ini.ReadString(section, "NodoSimple", "");
  n.NodoDoble = ini.ReadString(section, "NodoDoble", "");
  n.NodoPrioridad = ini.ReadString(section, "NodoPrioridad", "");
  n.CicloPrioridad = ini.ReadString(section, "CicloPrioridad", "");
  n.NoOptimiza = ini.ReadString(section, "NoOptimiza", "");
  n.AjustePublico = ini.ReadInteger(section, "AjustePublico", g.AjustePublico);
  n.FlujoAuxiliar = ini.ReadInteger(section, "FlujoAuxiliar", g.FlujoAuxiliar);
  n.CorredorFlujosat = ini.ReadInteger(section, "CorredorFlujosat", g.CorredorFlujosat);
  n.CorredorCapacidad = ini.ReadInteger(section, "CorredorCapacidad", g.CorredorCapacidad);
  n.FactorAjuste = ini.ReadFloat(section, "FactorAjuste", g.FactorAjuste);
  n.TituloLetraTamano = ini.ReadInteger(section, "TituloLetraTamano", g.TituloLetraTamano);
  n.TiempoSim = ini.ReadInteger(section, "TiempoSim", g.MaximoCiclo);
  n.MinimoCicloDoble = ini.ReadInteger(section, "MinimoCicloDoble", g.MinimoCicloDoble);
  n.TpoD1 = ini.ReadInteger(section, "TpoD1", 2);
  n.TpoD2 = ini.ReadInteger(section, "TpoD2", 2);
  n.equisat = ini.ReadInteger(section, "equisat", 1);
  n.FactFlu = ini.ReadInteger(section, "FactFlu", 0);
  n.FactVel = ini.ReadInteger(section, "FactVel", 0);
  n.TpoVelo = ini.ReadInteger(section, "TpoVelo", 1);
  n.Optimiza = ini.ReadInteger(section, "Optimiza", 2);
  n.Dispersion = ini.ReadInteger(section, "Dispersion", 1);
  n.Output = ini.ReadInteger(section, "Output", 0);
  n.Pdelay = ini.ReadInteger(section, "Pdelay", 930);
  n.Pstop = ini.ReadInteger(section, "Pstop", 170);

  n.Grupo = ReadNumberedList(run, ini, section, "Grupo");
  n.Lag35 = ReadNumberedList(run, ini, section, "Lag35");
  n.FlujoSat = ReadNumberedList(run, ini, section, "FlujoSat");
  for (int k = 1;; ++k) {
    std::string name = Printf("TPublicoDet_%d", k);
    if (!ini.HasKey(section, name)) break;
    const std::string value = ini.ReadString(section, name, "");
    CheckListValue(run, section, name, value);
    std::vector<std::string> f = Split(value + ",,,,,,", ',');
    n.TPublicoDetKey.push_back(
        Printf("%8d%8d%8d", TextToInt(f[0]), TextToInt(f[1]), TextToInt(f[2])));
    n.TPublicoDet4.push_back(f[3]);
    n.TPublicoDet5.push_back(f[4]);
    n.TPublicoDet6.push_back(f[5]);
  }
  n.FlujoS30 = ReadNumberedList(run, ini, section, "FlujoS30");
  n.VerdeMin = ReadNumberedList(run, ini, section, "VerdeMin");
  n.FlujoArco1 = ReadNumberedList(run, ini, section, "FlujoArco1");
  n.Cola = ReadNumberedList(run, ini, section, "Cola");
  n.Grafico = ReadNumberedList(run, ini, section, "Grafico");
  n.Coordina = ReadNumberedList(run, ini, section, "Coordina");
  n.Duplica = ReadNumberedList(run, ini, section, "Duplica");

  // Card 1 of the TRANSYT data file and the saturation flows of the corridor links.
  const std::pair<const char*, int> fields[] = {
      {"Ciclo", n.Ciclo},         {"TiempoSim", n.TiempoSim}, {"TpoD1", n.TpoD1},
      {"TpoD2", n.TpoD2},         {"equisat", n.equisat},     {"FactFlu", n.FactFlu},
      {"FactVel", n.FactVel},     {"TpoVelo", n.TpoVelo},     {"Optimiza", n.Optimiza},
      {"Dispersion", n.Dispersion}, {"Output", n.Output},     {"Pdelay", n.Pdelay},
      {"Pstop", n.Pstop},         {"CorredorFlujosat", n.CorredorFlujosat},
      {"CorredorCapacidad", n.CorredorCapacidad}};
  for (const auto& [key, value] : fields) CheckField(run, section, key, value);
  CheckCycles(run, section, n.CicloMinimo, n.CicloMaximo, n.PasoCiclo, n.MinimoCicloDoble);

  CheckNodeList(run, r, n.NodoSimple, "NodoSimple", true);
  CheckNodeList(run, r, n.NodoDoble, "NodoDoble", false);
  CheckNodeList(run, r, n.NodoPrioridad, "NodoPrioridad", false);
  CheckNodeList(run, r, n.NoOptimiza, "NoOptimiza", false);
}

}  // namespace veltra
