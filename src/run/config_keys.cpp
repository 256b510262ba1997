#include "run/config_keys.h"

#include <climits>

#include "util/text.h"

namespace veltra {

namespace {

using S = Settings;
using N = NetworkSettings;

// The values of a numbered key, each entry after a "/", make the text its list is parsed from.
template <auto Member>
void SetJoined(NetworkSettings& net, const std::vector<std::string>& values) {
  std::string text;
  for (const std::string& value : values) text += "/" + value;
  net.*Member = text;
}

void SetPublicTransportDetails(NetworkSettings& net, const std::vector<std::string>& values) {
  net.TPublicoDet.clear();
  for (const std::string& value : values) net.TPublicoDet.push_back(PublicTransportDetail::Parse(value));
}

constexpr ValueSource Global(const char* key) { return {key, nullptr}; }
constexpr ValueSource Fixed(const char* value) { return {nullptr, value}; }

// The largest cycle, the default cycle and simulated time of card 1.
constexpr KeyRange kCycleRange{0, 99999};
// The per-iteration tables (cycle and stage-start history) are sized by the iterations.
constexpr KeyRange kIterationRange{0, 1000};
// A negative start is refused with a message of its own when the run starts.
constexpr KeyRange kStartRange{INT_MIN, 1000};

}  // namespace

const std::vector<GlobalKey>& GlobalKeys() {
  static const std::vector<GlobalKey> keys = {
      {"Parametros", "Mensajes", &S::Mensajes, "null", "", {}, "file that receives a copy of every console message"},
      {"Parametros", "Errores", &S::Errores, "Errores.txt", "", {}, "errors file, written only when errors were found"},
      {"Parametros", "NombreRed", &S::NombreRed, nullptr, "", {},
       "default title of every TRANSYT network (data files, drawings, reports)", "\"Red generada por ...\""},
      {"Parametros", "ResumenCiclo", &S::ResumenCiclo, "null", "", {},
       "cycle summary CSV (cycles per network and iteration, performance, precision)"},
      {"Parametros", "ResumenReparto", &S::ResumenReparto, "null", "", {},
       "split summary CSV (stage lengths per node and iteration)"},
      {"Parametros", "InformeNodos", &S::InformeNodos, "null", "", {},
       "spreadsheet report of the signal timings (`.xlsx`, with a CSV companion)"},
      {"Parametros", "InformeHtml", &S::InformeHtml, nullptr, "", {},
       "run report page (see [Reading a run](#reading-a-run)); `null`: none", "`<saturn>_informe.html`"},
      {"Parametros", "AnchoPista", &S::AnchoPista, "3.5", "m", {}, "default lane width"},
      {"Parametros", "FactorVelPubl", &S::FactorVelPubl, "0.9", "", {}, "public-transport speed factor on TRANSYT bus links"},
      {"Parametros", "BusquedaCiclo", &S::BusquedaCiclo, "0", "", {},
       "from this iteration on, a network keeps its cycle (no more cycle search); 0 is 99", "0 (= 99)"},
      {"Parametros", "LargoMaximo", &S::LargoMaximo, "2000", "m", {}, "longest link length written to TRANSYT"},
      {"Parametros", "MaximoCiclo", &S::MaximoCiclo, "120", "s", kCycleRange,
       "largest cycle; default of `Ciclo`, `TiempoSim` and `CicloMaximo`"},
      {"Parametros", "MinimoCicloDoble", &S::MinimoCicloDoble, "80", "s", kCycleRange,
       "shortest cycle at which a node may run double-cycled"},
      {"Parametros", "Cede1Arco", &S::Cede1Arco, "715", "pcu/h", {},
       "saturation flow per lane of a give-way link opposed by one link"},
      {"Parametros", "Cede2Arcos", &S::Cede2Arcos, "600", "pcu/h", {},
       "saturation flow per lane of a give-way link opposed by two links"},
      {"Parametros", "DobleIgual", &S::DobleIgual, "0", "", {},
       "1: double-cycled nodes repeat equal halves; any other value is -1", "0 (= -1)"},
      {"Parametros", "OptimizaCiclo", &S::OptimizaCiclo, "1", "", {},
       "cycle mode: -1 keep, 0 preassigned (`Ciclo`), 1 CYOP, 2 tests over a range, 3 CYOP then tests around its "
       "cycle, 4 and 5 tests with a structure per cycle"},
      {"Parametros", "ActualizaDesfase", &S::ActualizaDesfase, "1", "", {}, "1: write TRANSYT's offsets back into SATURN"},
      {"Parametros", "CicloMinimo", &S::CicloMinimo, nullptr, "", kFieldRange,
       "cycle search range (read in modes 2 to 5); in mode 3 the distances below and above CYOP's cycle",
       "40 (modes 2, 4, 5); 10 (mode 3)"},
      {"Parametros", "CicloMaximo", &S::CicloMaximo, nullptr, "", kFieldRange,
       "cycle search range (read in modes 2 to 5); in mode 3 the distance above CYOP's cycle",
       "`MaximoCiclo` (modes 2, 4, 5); 10 (mode 3)"},
      {"Parametros", "DxfCompleto", &S::DxfCompleto, "0", "", {},
       "1: the DXF drawing also writes every result of the links (cruise, delay, stops, queue); the SVG picture "
       "always has them"},
      {"Parametros", "GradoSaturacion", &S::GradoSaturacion, "900.0", "", {},
       "degree of saturation in percent, as TRANSYT prints it (90 for 90%): links at or above it are drawn red; "
       "900: none red, and no degrees of saturation in the DXF drawing"},
      {"Parametros", "PasoCiclo", &S::PasoCiclo, "4", "s", kFieldRange, "step of the cycle search"},
      {"Parametros", "TipoIteracion", &S::TipoIteracion, "2", "", {},
       "2: all networks each iteration with SATURN between iterations; 1: each network on its own, one after the "
       "other"},
      {"Parametros", "CorreSaturn", &S::CorreSaturn, "1", "", {}, "1: run SATURN after each iteration"},
      {"Parametros", "CorreTransyt", &S::CorreTransyt, "1", "", {}, "1: run TRANSYT on the final data file of each network"},
      {"Parametros", "SaturnVisible", &S::SaturnVisible, "0", "", {}, "1: show SATURN's window (Windows)"},
      {"Parametros", "TransytVisible", &S::TransytVisible, "0", "", {}, "1: show TRANSYT's window (Windows)"},
      {"Parametros", "BorrarTransyt", &S::BorrarTransyt, "0", "", {},
       "clean-up level of the final TRANSYT files after use: 1 companion files, 2 also print files, 3 also data files"},
      {"Parametros", "BorrarCyop", &S::BorrarCyop, "0", "", {}, "clean-up level of the CYOP files, as `BorrarTransyt`"},
      {"Parametros", "BorrarTest", &S::BorrarTest, "0", "", {}, "clean-up level of the test-run files, as `BorrarTransyt`"},
      {"Parametros", "BorrarAnterior", &S::BorrarAnterior, "0", "", {}, "1: delete the TRANSYT files of earlier runs at start-up"},
      {"Parametros", "CopiarUltimaIt", &S::CopiarUltimaIt, "null", "", {},
       "folder that receives the last iteration's TRANSYT files"},
      {"Parametros", "CopiarFinal", &S::CopiarFinal, "0", "", {},
       "1: copy the last iteration's TRANSYT files to `<transyt>_Final_*`"},
      {"Parametros", "PausaSatnet", &S::PausaSatnet, "0", "", {}, "1: open SATNET's listing in WordPad after the run"},
      {"Parametros", "PausaSatass", &S::PausaSatass, "0", "", {}, "1: open the assignment listing in WordPad after the run"},
      {"Parametros", "PausaTransyt", &S::PausaTransyt, "0", "", {}, "1: open TRANSYT's print file in WordPad after the run"},
      {"Parametros", "PausaCyop", &S::PausaCyop, "0", "", {}, "1: open CYOP's print file in WordPad after the run"},
      {"Parametros", "AjustePublico", &S::AjustePublico, "0", "", {},
       "1: the flow of a public-transport link above its entering flow becomes its secondary flow"},
      {"Parametros", "GuardarFinal", &S::GuardarFinal, "0", "", {},
       "1: choose the best iteration (lowest SATURN GRAND TOTALS pcu-hours) and copy its files to `_F` names"},
      {"Parametros", "Limite325", &S::Limite325, "0", "", {}, "1: TRANSYT networks of up to 325 nodes instead of 200"},
      {"Parametros", "FlujoAuxiliar", &S::FlujoAuxiliar, "1", "", {},
       "0: general-traffic links get no secondary flow on their TRANSYT flow card"},
      {"Parametros", "TransytExe", &S::TransytExe, "t8s", "", {}, "name of the TRANSYT/CYOP program"},
      {"Parametros", "EsperaTransyt", &S::EsperaTransyt, "1", "s", {},
       "pause after each TRANSYT or CYOP run, for programs that release their print file late"},
      {"Parametros", "CorredorFlujosat", &S::CorredorFlujosat, "900", "pcu/h", kFieldRange,
       "saturation flow of corridor links with a green stage"},
      {"Parametros", "CorredorCapacidad", &S::CorredorCapacidad, "1465", "pcu/h", kFieldRange,
       "capacity of corridor links without one"},

      {"Exporta", "GeneraDxf", &S::GeneraDxf, "0", "", {}, "1: a DXF and an SVG drawing per network and iteration"},
      {"Exporta", "FactorAjuste", &S::FactorAjuste, "1.0", "", {}, "drawing scale"},
      {"Exporta", "TituloLetraNombre", &S::TituloLetraNombre, "STANDARD", "", {}, "text style of the drawing title"},
      {"Exporta", "TituloLetraTamano", &S::TituloLetraTamano, "14", "", {}, "title size"},
      {"Exporta", "TituloPosHrztal", &S::TituloPosHrztal, "0", "", {}, "title position across: -1 left, 0 centre, 1 right (inside the frame)"},
      {"Exporta", "TituloPosVrtcal", &S::TituloPosVrtcal, "0", "", {}, "title position up: -1 bottom, 0 middle, 1 top (inside the frame; -1 or 1 keeps it off the network's middle)"},
      {"Exporta", "NodosLetraTamano", &S::NodosLetraTamano, "8", "", {}, "node label size"},
      {"Exporta", "ArcosLetraTamano", &S::ArcosLetraTamano, "8", "", {}, "link label size"},
      {"Exporta", "CallesLetraTamano", &S::CallesLetraTamano, "8", "", {}, "street label size"},
      {"Exporta", "ArcosNombreCalle", &S::ArcosNombreCalle, "null", "", {}, "street-name file"},
      {"Exporta", "CallesPosVrtcal", &S::CallesPosVrtcal, "0", "", {}, "street label position"},

      {"Saturn", "PathSaturn", &S::PathSaturn, "", "", {},
       "folder of the SATURN programs (\"SET PATH=\" line of the run batch file)"},
      {"Saturn", "VersionSaturn", &S::VersionSaturn, "10.1", "", {},
       "batch form: \"9.1\"/\"9.3\" four files with DBOS; \"9.4\"/\"9.5\" one file; 10 and later `$SATNET`-style "
       "commands"},
      {"Saturn", "MatrizBinaria", &S::MatrizBinaria, "null", "", {}, "trip matrix given to SATALL and SATASS/SATEASY"},
      {"Saturn", "CorreSatass", &S::CorreSatass, "0", "", {}, "1: SATASS, otherwise SATEASY, after SATALL"},
      {"Saturn", "BorrarSaturn", &S::BorrarSaturn, "0", "", {},
       "1 or 3: erase the UFN, UFS and LPN files after the run; 2 or 3: also UFA and KP"},
      {"Saturn", "BorrarLPT", &S::BorrarLPT, "0", "", {}, "1: erase the LPT file after the run"},
      {"Saturn", "BorrarLPN", &S::BorrarLPN, "0", "", {}, "1: erase the LPN file after the run"},
      {"Saturn", "BorrarUFN", &S::BorrarUFN, "0", "", {}, "1: erase the UFN file after the run"},
      {"Saturn", "BorrarUFS", &S::BorrarUFS, "0", "", {}, "1: erase the UFS file after the run"},
      {"Saturn", "BorrarUFA", &S::BorrarUFA, "0", "", {}, "read, no effect"},
      {"Saturn", "BorrarUFC", &S::BorrarUFC, "0", "", {}, "1: erase the UFC file after the run"},
      {"Saturn", "CorredorBus", &S::CorredorBus, "0", "", {}, "read, no effect"},
      {"Saturn", "EsperaSaturn", &S::EsperaSaturn, "3", "s", {},
       "pause after each SATURN step, for programs that release their files late"},
      {"Saturn", "LineasPrivado", &S::LineasPrivado, "", "", {}, "bus lines whose flows count as assigned traffic"},
      {"Saturn", "Conteos", &S::Conteos, "null", "", {}, "counts file used instead of the SATURN listing"},
      {"Saturn", "CicloPrioridadSaturn", &S::CicloPrioridadSaturn, "", "", {},
       "SATURN node / network pairs whose cycle has priority"},

      {"Converge", "Iteraciones", &S::Iteraciones, "3", "", kIterationRange,
       "iteration limit (counted from 1 even after a restart)"},
      {"Converge", "IteracionInicial", &S::IteracionInicial, "0", "", kStartRange,
       "restart after this iteration: needs `<saturn>_<n>.lpa`; a negative one stops the run"},
      {"Converge", "PrecisionSaturn", &S::PrecisionSaturn, "0.05", "", {},
       "the run converges when sum of abs(turn flow differences) / (2 x sum of both flows) is not above this"},
      {"Converge", "Promediado", &S::Promediado, "0", "", KeyRange{0, 1},
       "1: the signals are set on the average of the flows assigned so far and the run converges when that "
       "average settles (docs/convergence.md); 0: on the last assignment's flows. Needs `TipoIteracion` 2"},
      {"Converge", "PrecisionIRSaturn", &S::PrecisionIRSaturn, "0.05", "", {}, "read, no effect"},
      {"Converge", "PrecisionIRTransyt", &S::PrecisionIRTransyt, "0.05", "", {}, "read, no effect"},
  };
  return keys;
}

const std::vector<NetworkKey>& NetworkKeys() {
  static const std::vector<NetworkKey> keys = {
      {"Ciclo", &N::Ciclo, Global("MaximoCiclo"), Global("MaximoCiclo"), kFieldRange,
       "the network's cycle (mode 0; 0 or below: CYOP's structure at its magnitude) and CYOP's starting cycle"},
      {"AnchoPista", &N::AnchoPista, Global("AnchoPista"), Global("AnchoPista"), {}, "lane width"},
      {"BusquedaCiclo", &N::BusquedaCiclo, Global("BusquedaCiclo"), Global("BusquedaCiclo"), {},
       "iterations with cycle search; 0 is 99"},
      {"OptimizaCiclo", &N::OptimizaCiclo, Global("OptimizaCiclo"), Global("OptimizaCiclo"), {}, "cycle mode"},
      {"ActualizaDesfase", &N::ActualizaDesfase, Global("ActualizaDesfase"), Global("ActualizaDesfase"), {},
       "1: write TRANSYT's offsets back into SATURN"},
      {"CicloMinimo", &N::CicloMinimo, Global("CicloMinimo"), Global("CicloMinimo"), kFieldRange,
       "cycle search range (see above)",
       "[Parametros] `CicloMinimo` when [Parametros] searches a range of the same kind, else the mode's own"},
      {"CicloMaximo", &N::CicloMaximo, Global("CicloMaximo"), Global("CicloMaximo"), kFieldRange,
       "cycle search range (see above)",
       "[Parametros] `CicloMaximo` when [Parametros] searches a range of the same kind, else the mode's own"},
      {"GradoSaturacion", &N::GradoSaturacion, Global("GradoSaturacion"), Global("GradoSaturacion"), {},
       "degree of saturation (%) drawn in red"},
      {"PasoCiclo", &N::PasoCiclo, Global("PasoCiclo"), Global("PasoCiclo"), kFieldRange, "step of the cycle search"},
      {"NombreRed", &N::NombreRed, Global("NombreRed"), Global("NombreRed"), {},
       "network title (data files, drawings, reports)"},
      {"Cede1Arco", &N::Cede1Arco, Global("Cede1Arco"), Global("Cede1Arco"), {},
       "give-way saturation flow per lane, one opposing link"},
      {"Cede2Arcos", &N::Cede2Arcos, Global("Cede2Arcos"), Global("Cede2Arcos"), {},
       "give-way saturation flow per lane, two opposing links"},
      {"CicloSimple", &N::CicloSimple, Fixed("0"), Fixed("0"), {}, "1: force single cycling in the cycle search"},
      {"CicloDoble", &N::CicloDoble, Fixed("0"), Fixed("0"), {},
       "1: force double cycling in the cycle search (not with `CicloSimple`)"},
      {"DobleIgual", &N::DobleIgual, Global("DobleIgual"), Fixed("-1"), {}, "1: double-cycled halves equal"},
      {"NodoSimple", &N::NodoSimple, Fixed(""), Fixed(""), {}, "TRANSYT nodes always single cycled (comma list)"},
      {"NodoDoble", &N::NodoDoble, Fixed(""), Fixed(""), {}, "TRANSYT nodes always double cycled (comma list)"},
      {"NodoPrioridad", &N::NodoPrioridad, Fixed(""), Fixed(""), {},
       "TRANSYT nodes given priority in the data file (comma list)"},
      {"CicloPrioridad", &N::CicloPrioridad, Fixed(""), Fixed(""), {},
       "SATURN nodes (comma list), or -1 for every unsignalised node, whose cycle follows the network's"},
      {"NoOptimiza", &N::NoOptimiza, Fixed(""), Fixed(""), {}, "TRANSYT nodes whose timings are kept (comma list)"},
      {"AjustePublico", &N::AjustePublico, Global("AjustePublico"), Fixed("0"), {},
       "1: the flow of a public-transport link above its entering flow becomes its secondary flow"},
      {"FlujoAuxiliar", &N::FlujoAuxiliar, Global("FlujoAuxiliar"), Fixed("1"), {},
       "0: general-traffic links get no secondary flow"},
      {"CorredorFlujosat", &N::CorredorFlujosat, Global("CorredorFlujosat"), Global("CorredorFlujosat"), kFieldRange,
       "saturation flow of corridor links with a green stage"},
      {"CorredorCapacidad", &N::CorredorCapacidad, Global("CorredorCapacidad"), Global("CorredorCapacidad"), kFieldRange,
       "capacity of corridor links without one"},
      {"FactorAjuste", &N::FactorAjuste, Global("FactorAjuste"), Fixed("1.0"), {}, "drawing scale"},
      {"TituloLetraTamano", &N::TituloLetraTamano, Global("TituloLetraTamano"), Fixed("14"), {}, "title size"},
      {"TiempoSim", &N::TiempoSim, Global("MaximoCiclo"), Global("MaximoCiclo"), kFieldRange,
       "simulated time of TRANSYT, in minutes (card 1 columns 16-20; `t8s` warns of more than a day)"},
      {"MinimoCicloDoble", &N::MinimoCicloDoble, Global("MinimoCicloDoble"), Global("MinimoCicloDoble"), kCycleRange,
       "shortest cycle at which a node may run double-cycled"},
      {"TpoD1", &N::TpoD1, Fixed("2"), Fixed("2"), kFieldRange, "start lag of green"},
      {"TpoD2", &N::TpoD2, Fixed("2"), Fixed("2"), kFieldRange, "end gain of green"},
      {"equisat", &N::equisat, Fixed("1"), Fixed("1"), kFieldRange,
       "1: start the optimisation from equisaturation splits (0: from the timings written); VELTRA's t8s tries both "
       "and keeps the better, and its cycle table always uses equisaturation splits"},
      {"FactFlu", &N::FactFlu, Fixed("0"), Fixed("0"), kFieldRange, "flow factor"},
      {"FactVel", &N::FactVel, Fixed("0"), Fixed("0"), kFieldRange, "speed factor"},
      {"TpoVelo", &N::TpoVelo, Fixed("1"), Fixed("1"), kFieldRange, "links given by cruise speed (1) or time"},
      {"Optimiza", &N::Optimiza, Fixed("2"), Fixed("2"), kFieldRange,
       "optimisation level: 0 evaluate the timings, 1 offsets, 2 offsets and stage change times"},
      {"Dispersion", &N::Dispersion, Fixed("1"), Fixed("1"), kFieldRange, "platoon dispersion"},
      {"Output", &N::Output, Fixed("0"), Fixed("0"), kFieldRange, "print-file detail"},
      {"Pdelay", &N::Pdelay, Fixed("930"), Fixed("930"), kFieldRange, "weight of delay in the performance index"},
      {"Pstop", &N::Pstop, Fixed("170"), Fixed("170"), kFieldRange, "weight of stops in the performance index"},
      {"Grupo_k", &SetJoined<&N::Grupo>, Fixed(""), Fixed(""), kListValueRange,
       "groups of TRANSYT nodes double-cycled together (comma list each)"},
      {"Lag35_k", &SetJoined<&N::Lag35>, Fixed(""), Fixed(""), kListValueRange,
       "end lag of the links of a movement (A, B, C node, value)"},
      {"FlujoSat_k", &SetJoined<&N::FlujoSat>, Fixed(""), Fixed(""), kListValueRange,
       "saturation flow of the links of a movement (A, B, C node, value)"},
      {"TPublicoDet_k", &SetPublicTransportDetails, Fixed(""), Fixed(""), kListValueRange,
       "public-transport stops (A, B, C node, then share in percent, cruise increment and detail value)"},
      {"FlujoS30_k", &SetJoined<&N::FlujoS30>, Fixed(""), Fixed(""), kListValueRange,
       "give-way saturation flow of the links of a movement (A, B, C node, value)"},
      {"VerdeMin_k", &SetJoined<&N::VerdeMin>, Fixed(""), Fixed(""), kListValueRange,
       "minimum greens of a TRANSYT node (node, then stages 1 to 6)"},
      {"FlujoArco1_k", &SetJoined<&N::FlujoArco1>, Fixed(""), Fixed(""), kListValueRange,
       "give-way percentage of the links of a movement (A, B, C node, value)"},
      {"Cola_k", &SetJoined<&N::Cola>, Fixed(""), Fixed(""), kListValueRange,
       "queue cards of the links of a movement (A, B, C node, two values)"},
      {"Grafico_k", &SetJoined<&N::Grafico>, Fixed(""), Fixed(""), kListValueRange,
       "graph cards of the links of a movement (A, B, C node, mode)"},
      {"Coordina_k", &SetJoined<&N::Coordina>, Fixed(""), Fixed(""), kListValueRange,
       "TRANSYT nodes coordinated together (comma list each)"},
      {"Duplica_k", &SetJoined<&N::Duplica>, Fixed(""), Fixed(""), kListValueRange,
       "a stage's offset and times copied to another SATURN node (node, stage, node, stage)"},
  };
  return keys;
}

const GlobalKey* FindGlobalKey(const std::string& name) {
  for (const GlobalKey& key : GlobalKeys())
    if (name == key.Name) return &key;
  return nullptr;
}

namespace {

std::string RangeText(const std::optional<KeyRange>& range) {
  if (!range) return std::string();
  if (range->Low == INT_MIN) return Printf("at most %lld", static_cast<long long>(range->High));
  return Printf("%lld to %lld", static_cast<long long>(range->Low), static_cast<long long>(range->High));
}

std::string ValueText(const char* value, const char* unit) {
  if (*value == '\0') return "empty";
  return *unit == '\0' ? std::string(value) : std::string(value) + " " + unit;
}

std::string SourceText(const ValueSource& source) {
  if (source.GlobalKey == nullptr) return ValueText(source.Value, "");
  const GlobalKey* key = FindGlobalKey(source.GlobalKey);
  return "[" + std::string(key != nullptr ? key->Section : "?") + "] `" + source.GlobalKey + "`";
}

}  // namespace

std::string ReferenceKeyTable(const std::string& section) {
  std::string table;
  if (section == "Transyt") {
    table = "| Key | Default in the section | Without a section | Range | Effect |\n|---|---|---|---|---|\n";
    for (const NetworkKey& key : NetworkKeys())
      table += Printf("| `%s` | %s | %s | %s | %s |\n", key.Name,
                      key.Shown != nullptr ? key.Shown : SourceText(key.Missing).c_str(),
                      SourceText(key.WithoutSection).c_str(), RangeText(key.Range).c_str(), key.Meaning);
    return table;
  }
  table = "| Key | Default | Range | Effect |\n|---|---|---|---|\n";
  for (const GlobalKey& key : GlobalKeys()) {
    if (section != key.Section) continue;
    const std::string shown = key.Shown != nullptr ? key.Shown : ValueText(key.Default, key.Unit);
    table += Printf("| `%s` | %s | %s | %s |\n", key.Name, shown.c_str(), RangeText(key.Range).c_str(), key.Meaning);
  }
  return table;
}

}  // namespace veltra
