// QorVars: the TRANSYT side of the model. The node correspondence of the TRANSYT networks,
// the TRANSYT links and give-way relations of the network being built, the network cycles,
// and the per-iteration signal history that the reports print.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace veltra {

// TRANSYT node numbers: the node cards' field holds 1..325 (1..200 without Limite325). The
// networks, their links and signal nodes and the iterations have no fixed count: their tables
// are sized by the node list read and grow with the links built and the iterations run.
constexpr int kMaxTransytNode = 325;
constexpr int kHistStages = 6;
constexpr int kHistColumns = 26;

// An integer of one kind (Tag) that the compiler does not let pass for an integer of another.
template <class Tag>
class Tagged {
 public:
  constexpr explicit Tagged(int32_t value = 0) : value_(value) {}
  constexpr int32_t Value() const { return value_; }
  friend constexpr bool operator==(Tagged a, Tagged b) { return a.value_ == b.value_; }
  friend constexpr bool operator!=(Tagged a, Tagged b) { return a.value_ != b.value_; }
  friend constexpr bool operator<=(Tagged a, Tagged b) { return a.value_ <= b.value_; }

 private:
  int32_t value_;
};

// A TRANSYT network's number in the node list: it names the network's configuration section
// ("Transyt%d") and its files, and it is what the SATURN nodes' TRANSYT network field holds.
using NetworkNumber = Tagged<struct NetworkNumberTag>;

// A TRANSYT network's place in network order, 1..NumRedes (the order of the networks'
// numbers sorted as text, so that 10 comes before 2): the index of every per-network table.
using NetworkPosition = Tagged<struct NetworkPositionTag>;

// The positions first..last in network order, for a range-for.
class NetworkPositions {
 public:
  class Iterator {
   public:
    explicit Iterator(int at) : at_(at) {}
    NetworkPosition operator*() const { return NetworkPosition(at_); }
    Iterator& operator++() {
      ++at_;
      return *this;
    }
    bool operator!=(const Iterator& other) const { return at_ != other.at_; }

   private:
    int at_;
  };
  NetworkPositions(NetworkPosition first, NetworkPosition last) : first_(first.Value()), last_(last.Value()) {}
  Iterator begin() const { return Iterator(first_); }
  Iterator end() const { return Iterator(last_ >= first_ ? last_ + 1 : first_); }

 private:
  int first_, last_;
};

// One TRANSYT network of the node list (a row of RedNodos): its number, the TRANSYT node
// number of every SATURN node in it, by the node's index in the node table, and the way back.
class TRedNodos {
 public:
  NetworkNumber Number;

  // Sized for node indices 1..nodeCount, every node outside the network.
  void Reset(NetworkNumber number, size_t nodeCount);
  void SetTransytNode(int32_t nodeIndex, int32_t transytNode);
  // The TRANSYT number of the SATURN node at `nodeIndex`; 0 when it is not in the network.
  int32_t TransytNodeOf(int32_t nodeIndex) const;
  // The index of the first SATURN node that has `transytNode` as its TRANSYT number; 0 when none.
  int32_t NodeOfTransyt(int32_t transytNode) const;
  // Node indices 1..NodeCount().
  size_t NodeCount() const { return transytNodes_.empty() ? 0 : transytNodes_.size() - 1; }
  // The indices of the nodes with a TRANSYT number above 0, ascending: the network's junctions,
  // so that its steps need not look at every node of the city.
  const std::vector<int32_t>& Members() const;

 private:
  void Index() const;

  std::vector<int32_t> transytNodes_;  // [0] unused
  mutable std::unordered_map<int32_t, int32_t> nodeOfTransyt_;
  mutable std::vector<int32_t> members_;
  mutable bool indexed_ = false;
};

// One TRANSYT link of the network under construction. Per-class fields are indexed by the
// direction class plus one: [0] class -1 (left), [1] class 0 (straight), [2] class 1 (right).
struct TArco {
  int32_t Numero = 0;
  int32_t NodoA = 0;
  int32_t NodoB = 0;
  std::string Salidas;  // exit nodes separated by "/"
  int32_t IndiceA = 0;
  int32_t IndiceB = 0;
  int32_t IndiceTramo = 0;
  uint8_t EsPublico = 0;
  uint8_t EsDetalle = 0;
  uint8_t Corredor = 0;
  uint8_t Escrito = 0;
  int32_t Carriles = 0, CarrilInicio = 0, CarrilFin = 0;
  int32_t Largo = 0;
  uint8_t MarcaX = 0, MarcaF = 0;
  float Flujo = 0;
  float FlujoPublico = 0;
  float FlujoConector1 = 0, FlujoConector2 = 0;
  int32_t FlujoSat = 0;
  std::array<float, 3> FlujoClase{};
  std::array<float, 3> FlujoPublicoClase{};
  float ResGradoSat = 0, ResCrucero = 0, ResDemora = 0, ResParadas = 0, ResCola = 0;
  float FraccionPublico = 0;
  int32_t DatoDetalle = 0;
  int32_t Velocidad = 0;
  int32_t NumAguasArriba = 0;
  float FlujoEntrante = 0;
  std::array<int32_t, 6> AguasArriba{};        // 1..NumAguasArriba
  std::array<float, 6> FlujoAguasArriba{};     // 1..NumAguasArriba
  std::array<int32_t, 6> VelAguasArriba{};     // 1..NumAguasArriba
  float Reparto = 0;
  int32_t NumEtapas = 0;
  int32_t MascaraEtapas = 0;
  uint8_t MarcaTramo = 0;
  int32_t Rumbo = 0;
  int32_t IndiceDibujo = 0;
  int32_t Clase = 0;
  int32_t EntreVerdeInicial = 0;
  std::array<int32_t, 3> PresenciaClase{};
  int32_t FlujoArco1 = 0;
  int32_t Lag35 = 0;
};

// One give-way relation (one card 30).
struct TCaso {
  int32_t Link = 0;        // Numero of the link that gives way
  int32_t Opposing1 = 0;
  int32_t Opposing2 = 0;
  int32_t Percentage = 0;
  int32_t Length = 0;
  int32_t GiveWayValue = 0;
  int32_t Lanes = 0, FirstLane = 0, LastLane = 0;
};

// The printed columns of a signal node's history (HistTextos), in the reports' order: the
// stage count, the starts of stages 1..6, the offset, then the greens, the intergreens and
// the minimum greens of stages 1..6.
struct HistColumn {
  static constexpr int StageCount = 0;
  static constexpr int Offset = 7;
  static constexpr int Start(int stage) { return stage; }
  static constexpr int Green(int stage) { return Offset + stage; }
  static constexpr int Intergreen(int stage) { return Offset + kHistStages + stage; }
  static constexpr int MinimumGreen(int stage) { return Offset + 2 * kHistStages + stage; }
};
static_assert(HistColumn::MinimumGreen(kHistStages) == kHistColumns - 1, "the columns fill the history row");

// The signal history of one signal node in one iteration.
struct THistNodo {
  std::array<int32_t, kHistStages + 1> Etapas{};  // 1..6: green time plus intergreen
  std::array<std::string, kHistColumns> Textos;    // the printed columns
  bool Doble = false;                              // the plan runs its half pattern twice
};

// What a TRANSYT data file is for: it decides card 1 (the CYOP run takes no optimisation and
// its own flag) and whether nodes may run double-cycled.
enum class TransytFileKind {
  Cyop,                 // CYOP's run over the cycles
  Test,                 // a test run of the cycle search at one cycle
  SingleStructureTest,  // the same with double cycling not allowed
  Final,                // the iteration's run at the network's cycle
  StartingTimings,      // the signal plans as given, evaluated at their cycle without optimising
};

// A TRANSYT data file as its writer leaves it: its name and the number of its network, which
// together name the companion files written beside it.
struct TransytDataFile {
  std::string Name;
  NetworkNumber Network;
};

class QorVars {
 public:
  QorVars();

  // Node correspondence: the networks of the node list in network order, 1..NumRedes.
  int32_t NumRedes = 0;
  std::vector<TRedNodos> RedNodos;
  std::vector<uint8_t> NodoTransytUsado;  // 1..325

  // Every network, 1..NumRedes; network r's row; its number.
  NetworkPositions Positions() const { return {NetworkPosition(1), NetworkPosition(NumRedes)}; }
  const TRedNodos& Network(NetworkPosition r) const;
  TRedNodos& Network(NetworkPosition r);
  NetworkNumber NumberOf(NetworkPosition r) const { return Network(r).Number; }
  // The networks, numbered in network order, each with every node of a node table of
  // `nodeCount` nodes outside it; every per-network table gets a row for each.
  void SetNetworks(const std::vector<NetworkNumber>& numbers, size_t nodeCount);
  // The position of the network numbered `number`; position 0 when the node list has none.
  NetworkPosition PositionOf(NetworkNumber number) const;

  std::vector<TArco> Arcos;  // 1..NumArcos
  int32_t NumArcos = 0;
  std::vector<TCaso> Casos;  // 1..NumCasos
  int32_t NumCasos = 0;

  std::vector<int32_t> CicloRed;  // by network position
  // The cycle in force for network r.
  int32_t& Cycle(NetworkPosition r);
  int32_t Cycle(NetworkPosition r) const;
  // The last CYOP choice of the cycle search was the double structure.
  bool DoubleStructure = false;

  // History, filled after each network step; grown as iterations come, one row per network.
  std::vector<std::vector<int32_t>> HistCiclo;             // [i][r]
  std::vector<std::vector<int32_t>> NodosSemaforo;         // [r][k], k = 1..NumNodosSemaforo[r]
  std::vector<std::vector<int32_t>> NodosSemaforoTransyt;  // [r][k]
  std::vector<int32_t> NumNodosSemaforo;                   // [r]
  std::vector<std::vector<std::vector<THistNodo>>> Hist;   // [i][r][k]: HistEtapas and HistTextos

  // The per-iteration tables for iteration i exist after this call.
  void EnsureIteration(int iteration);

  // Reverse look-up: the SATURN node index whose TRANSYT number in network r is t (first match), else 0.
  int32_t NodeOfTransyt(NetworkPosition r, int32_t transytNode) const { return Network(r).NodeOfTransyt(transytNode); }
  // Link by number: the last link 1..NumArcos with that Numero, else 0.
  int32_t LinkByNumber(int32_t numero) const;
  // Next link of a movement after `position`: NodoA = a, NodoB = b and, when c is not 0, c among
  // the exits of Salidas. Returns NumArcos + 1 when there is none.
  int32_t NextLinkOfMovement(int32_t position, int32_t a, int32_t b, int32_t c) const;

  // Appends a cleared link and returns its index.
  int32_t AddLink();
  // Clears the links of the previous construction.
  void ClearLinks();

  // Appends a cleared give-way relation and returns its index.
  int32_t AddCase();
  // Zeroes the relations of the previous analysis and sets NumCasos to 0.
  void ClearCases();

  // The two link look-ups above work from an index of Numero, NodoA and NodoB that follows the
  // links as they are appended: a link is indexed as it stands at the first look-up after it was
  // created. A writer that later changes Numero, NodoA or NodoB of a link calls this.
  void InvalidateLinkIndex();

 // Every per-network table (and every iteration's row of the history) holds rows 0..NumRedes;
  // after NumRedes is set by hand (a model built in code), this gives the rows.
  void SizeNetworkTables();

 private:
  void EnsureArcIndex() const;

  std::unordered_map<int32_t, int32_t> positionOfNumber_;

  mutable bool arcIndexValid_ = false;
  mutable int32_t arcIndexedCount_ = 0;
  mutable std::unordered_map<int32_t, int32_t> arcByNumber_;                // Numero -> last index
  mutable std::unordered_map<uint64_t, std::vector<int32_t>> arcsByNodes_;  // (NodoA, NodoB) -> indices
};

// True when the "/"-separated list holds the exit c (entries compared as numbers).
bool ExitsInclude(const std::string& salidas, int32_t c);
// The exits of a "/"-separated list as numbers, in order.
std::vector<int32_t> ExitList(const std::string& salidas);
// True when the list is a single positive number.
bool SingleExit(const std::string& salidas, int32_t* exit = nullptr);

}  // namespace veltra
