#include "run/config.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <tuple>
#include <type_traits>
#include <utility>

#include "model/tables.h"
#include "run/config_keys.h"
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

void CheckNodeList(Run& run, NetworkPosition r, const NodeList& list, const char* name, bool asInteger) {
  const int number = run.Qor.NumberOf(r).Value();
  for (const NodeListItem& item : list.Items()) {
    if (NodeInNetwork(run, r, item.Number)) continue;
    if (asInteger)
      run.Log.Error(Printf("ERROR - Nodo (%s) %d no existe en red %d", name, item.Number, number));
    else
      run.Log.Error(Printf("ERROR - Nodo (%s) %s no existe en red %d", name, item.Text.c_str(), number));
  }
}

// A setting outside what it can mean stops the run, naming the file, the section and the key.
void CheckRange(Run& run, const std::string& section, const char* key, int64_t value, const KeyRange& range) {
  if (value >= range.Low && value <= range.High) return;
  run.Log.Fatal(Printf("ERROR - Configuracion %s, [%s] %s=%lld fuera de rango (%lld a %lld)",
                       run.ConfigurationPath().c_str(), section.c_str(), key, static_cast<long long>(value),
                       static_cast<long long>(range.Low), static_cast<long long>(range.High)),
                1, Listed::Yes);
}

bool IsListSeparator(char c) { return c == ',' || c == '/' || c == ';' || std::isspace(static_cast<unsigned char>(c)); }

// Every number of a numbered key's value (items separated by "," or blanks) within its range:
// 1E39 for a minimum green would otherwise be held at the integer limits and overflow the sums
// of greens and flows made of it; the card writer then refuses a value its five columns cannot
// hold.
void CheckListValue(Run& run, const std::string& section, const std::string& name, const std::string& value,
                    const KeyRange& range) {
  size_t i = 0;
  while (i < value.size()) {
    while (i < value.size() && IsListSeparator(value[i])) ++i;
    size_t end = i;
    while (end < value.size() && !IsListSeparator(value[end])) ++end;
    if (end == i) break;
    const std::string token = value.substr(i, end - i);
    i = end;
    const double number = TextToReal(token);
    if (number >= static_cast<double>(range.Low) && number <= static_cast<double>(range.High)) continue;
    run.Log.Fatal(Printf("ERROR - Configuracion %s, [%s] %s: valor \"%s\" fuera de rango (%lld a %lld)",
                         run.ConfigurationPath().c_str(), section.c_str(), name.c_str(), token.c_str(),
                         static_cast<long long>(range.Low), static_cast<long long>(range.High)),
                  1, Listed::Yes);
  }
}

// The values of a numbered key (base "Grupo" of "Grupo_k"): Key_1, Key_2, ... until the first
// absent k, each checked as it is read.
std::vector<std::string> ReadNumberedValues(Run& run, const IniFile& ini, const std::string& section,
                                            const NetworkKey& key) {
  const std::string base = std::string(key.Name).substr(0, std::string(key.Name).size() - 2);
  std::vector<std::string> values;
  for (int k = 1;; ++k) {
    const std::string name = base + "_" + std::to_string(k);
    if (!ini.HasKey(section, name)) break;
    values.push_back(ini.ReadString(section, name, ""));
    CheckListValue(run, section, name, values.back(), key.Range.value_or(kListValueRange));
  }
  return values;
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

// A value of type T written as in the file.
template <class T>
T FromText(const std::string& text) {
  if constexpr (std::is_same_v<T, std::string>) {
    return text;
  } else if constexpr (std::is_same_v<T, NodeList>) {
    return NodeList(text);
  } else if constexpr (std::is_same_v<T, double>) {
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
  } else {
    int value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    if constexpr (std::is_same_v<T, bool>) return value != 0;
    else return static_cast<T>(value);
  }
}

// A key's value from the file, `fallback` when it is missing or cannot be read.
template <class T>
T ReadValue(const IniFile& ini, const std::string& section, const char* key, const T& fallback) {
  if constexpr (std::is_same_v<T, std::string>) {
    return ini.ReadString(section, key, fallback);
  } else if constexpr (std::is_same_v<T, NodeList>) {
    return NodeList(ini.ReadString(section, key, fallback.Text()));
  } else if constexpr (std::is_same_v<T, double>) {
    return ini.ReadFloat(section, key, fallback);
  } else if constexpr (std::is_same_v<T, bool>) {
    return ini.ReadBool(section, key, fallback);
  } else {
    return static_cast<T>(ini.ReadInteger(section, key, static_cast<int>(fallback)));
  }
}

// The value of the global key `name`, of the type of the network field it stands for.
template <class T>
T GlobalValue(const Settings& cfg, const char* name) {
  const GlobalKey* key = FindGlobalKey(name);
  std::optional<T> value;
  if (key != nullptr)
    std::visit(
        [&](auto member) {
          if constexpr (std::is_same_v<std::decay_t<decltype(cfg.*member)>, T>) value = cfg.*member;
        },
        key->Field);
  if (!value) throw std::logic_error(std::string("no global key of that type: ") + name);
  return *value;
}

template <class T>
T SourceValue(const Settings& cfg, const ValueSource& source) {
  return source.GlobalKey != nullptr ? GlobalValue<T>(cfg, source.GlobalKey) : FromText<T>(source.Value);
}

// The value of an integer field as checked against its range; 0 for a field of another kind.
template <class Owner, class Field>
int64_t Checked(const Owner& owner, const Field& field) {
  int64_t value = 0;
  std::visit(
      [&](auto member) {
        if constexpr (std::is_member_object_pointer_v<decltype(member)>) {
          using T = std::decay_t<decltype(owner.*member)>;
          if constexpr (std::is_same_v<T, int> || std::is_enum_v<T>) value = static_cast<int64_t>(owner.*member);
        }
      },
      field);
  return value;
}

// Reads a global key into its field; `computed` is the default of a key whose default the
// reader makes.
void ReadGlobalKey(const IniFile& ini, const GlobalKey& key, Settings& cfg, const std::string& computed) {
  std::visit(
      [&](auto member) {
        using T = std::decay_t<decltype(cfg.*member)>;
        const T fallback = FromText<T>(key.Default != nullptr ? std::string(key.Default) : computed);
        cfg.*member = ReadValue<T>(ini, key.Section, key.Name, fallback);
      },
      key.Field);
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

// The default of a global key that the reader makes: the default network title names the
// program and the SATURN file, the report page the SATURN file, and a search range follows the
// mode (read before it) and MaximoCiclo.
std::string ComputedDefault(const Run& run, const std::string& name) {
  if (name == "NombreRed") {
    std::string exeName = ExtractFileName(run.Sys.ExecutablePath());
    if (exeName.empty()) exeName = "veltra";
    return "Red generada por \"" + exeName + "\" (" + run.Args[0] + ")";
  }
  if (name == "InformeHtml") return run.Files.Report();
  if (name == "CicloMinimo" || name == "CicloMaximo") {
    const auto [low, high] = DefaultRange(RangeKindOf(run.Cfg.OptimizaCiclo), run.Cfg.MaximoCiclo);
    return std::to_string(name == "CicloMinimo" ? low : high);
  }
  return std::string();
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
  ReadGlobalKey(ini, *FindGlobalKey("Mensajes"), cfg, "");
  if (Lower(cfg.Mensajes) != "null" && !log.OpenMessagesFile(cfg.Mensajes))
    throw FileError("ERROR - No se pudo crear el archivo de mensajes " + cfg.Mensajes);
  ReadGlobalKey(ini, *FindGlobalKey("Errores"), cfg, "");
  log.ErrorsFileName = cfg.Errores;
  log.Errors.clear();

  // 7. Start-up header.
  WriteHeader(run, ini);

  // 8. Every other key of [Parametros], [Exporta], [Saturn] and [Converge], in the order of
  // the table, then the rules between them.
  for (const GlobalKey& key : GlobalKeys()) {
    const std::string name = key.Name;
    if (name == "Mensajes" || name == "Errores") continue;
    ReadGlobalKey(ini, key, cfg, ComputedDefault(run, name));
  }
  if (cfg.BusquedaCiclo == 0) cfg.BusquedaCiclo = 99;
  if (cfg.DobleIgual != 1) cfg.DobleIgual = -1;
  // The search range is read only for the modes that search one.
  if (RangeKindOf(cfg.OptimizaCiclo) == RangeKind::None) cfg.CicloMinimo = cfg.CicloMaximo = 0;
  if (Lower(cfg.ArcosNombreCalle) != "null" && !FileExists(cfg.ArcosNombreCalle)) {
    MissingFileMessage(run, Printf("ERROR - Archivo %s no existe", cfg.ArcosNombreCalle.c_str()));
    cfg.ArcosNombreCalle = "null";
  }
  if (!FileExists(cfg.MatrizBinaria))
    MissingFileMessage(run, Printf("ERROR - Matriz %s no existe", cfg.MatrizBinaria.c_str()));

  for (const GlobalKey& key : GlobalKeys())
    if (key.Range) CheckRange(run, key.Section, key.Name, Checked(cfg, key.Field), *key.Range);
  // The averaged coupling folds each assignment as it is read back, which networks in turn never do.
  if (cfg.Promediado == 1 && cfg.TipoIteracion == IterationMode::NetworksInTurn)
    log.Warning("   ATENCION: Promediado=1 no tiene efecto con TipoIteracion=1 (no se reasigna entre iteraciones)");

  return inputsFound;
}

void ReadNetworkConfiguration(Run& run, NetworkPosition r) {
  const Settings& g = run.Cfg;
  NetworkSettings& n = run.Cfg.Network(r);
  n = NetworkSettings();
  IniFile ini(run.ConfigurationPath());
  const std::string section = Printf("Transyt%d", run.Qor.NumberOf(r).Value());

  // A network without a section of its own takes fixed values even where [Parametros] or
  // [Exporta] give others, and the global values elsewhere.
  if (!ini.HasSection(section)) {
    for (const NetworkKey& key : NetworkKeys()) {
      std::visit(
          [&](auto member) {
            if constexpr (std::is_same_v<decltype(member), ListSetter>)
              member(n, {});
            else
              n.*member = SourceValue<std::decay_t<decltype(n.*member)>>(g, key.WithoutSection);
          },
          key.Field);
    }
    return;
  }

  // A range given in [Parametros] serves the networks that search the same kind of range; a
  // network whose mode searches another kind (or [Parametros] none, as in mode 1) takes its
  // mode's own defaults rather than a range of 0 to 0.
  auto rangeDefault = [&](const std::string& name, int fallback) {
    const RangeKind kind = RangeKindOf(n.OptimizaCiclo);
    if (kind == RangeKind::None || kind == RangeKindOf(g.OptimizaCiclo)) return fallback;
    const auto [low, high] = DefaultRange(kind, g.MaximoCiclo);
    return name == "CicloMinimo" ? low : high;
  };
  for (const NetworkKey& key : NetworkKeys()) {
    std::visit(
        [&](auto member) {
          if constexpr (!std::is_same_v<decltype(member), ListSetter>) {
            using T = std::decay_t<decltype(n.*member)>;
            T fallback = SourceValue<T>(g, key.Missing);
            if constexpr (std::is_same_v<T, int>)
              if (member == &NetworkSettings::CicloMinimo || member == &NetworkSettings::CicloMaximo)
                fallback = rangeDefault(key.Name, fallback);
            n.*member = ReadValue<T>(ini, section, key.Name, fallback);
          }
        },
        key.Field);
  }
  if (n.BusquedaCiclo == 0) n.BusquedaCiclo = 99;
  if (n.CicloSimple && n.CicloDoble) {
    run.Log.Error("ERROR - CicloSimple y CicloDoble no deben estar activos");
    run.Log.Line("        simultaneamente. Se anulan ambas opciones.");
    n.CicloSimple = false;
    n.CicloDoble = false;
  }

  // The numbered keys, each value checked as it is read.
  for (const NetworkKey& key : NetworkKeys())
    if (const ListSetter* set = std::get_if<ListSetter>(&key.Field)) (*set)(n, ReadNumberedValues(run, ini, section, key));

  // Card 1 of the TRANSYT data file, the cycles and the saturation flows of the corridor links.
  for (const NetworkKey& key : NetworkKeys())
    if (key.Range && !std::holds_alternative<ListSetter>(key.Field))
      CheckRange(run, section, key.Name, Checked(n, key.Field), *key.Range);

  CheckNodeList(run, r, n.NodoSimple, "NodoSimple", true);
  CheckNodeList(run, r, n.NodoDoble, "NodoDoble", false);
  CheckNodeList(run, r, n.NodoPrioridad, "NodoPrioridad", false);
  CheckNodeList(run, r, n.NoOptimiza, "NoOptimiza", false);
}

}  // namespace veltra
