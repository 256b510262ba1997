// SaturnVars: the in-memory copy of one SATURN network data file (nodes with arms and turn
// slots, links, turns, signal plans, zones, bus routes) and the flows of an assignment.
// Tables are 1-based; element 0 is a placeholder and an index of 0 means none.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <map>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

namespace veltra {

// What one record of the network file can carry. The tables of nodes, links, turns, plans,
// zones and routes have no such limit: they are sized by the network read.
constexpr int kMaxArms = 8;
constexpr int kMaxSlots = 7;
constexpr int kMaxLaneGroups = 5;
constexpr int kMaxStages = 8;
constexpr int kMaxMovementNodes = 20;
constexpr int kMaxConnectors = 10;
constexpr int kMaxRouteNodes = 401;
constexpr int kMaxKnobs = 8;
constexpr int kMaxOptionLines = 5;

// A coordinate the file never gave: the single nearest to -1e15 (bit pattern 0xD8635FA9).
constexpr float kCoordinateNotSet = -1e15f;
constexpr float kBoundStartMin = 1e15f;
constexpr float kBoundStartMax = -1e15f;

// Turn code flag positions of a node, in this order: "G", "X", "M", "F", "W", "C", "D", "E".
constexpr char kTurnCodeLetters[8] = {'G', 'X', 'M', 'F', 'W', 'C', 'D', 'E'};

// One turn slot of an arm.
struct TMovimiento {
  int32_t ExitNode = 0;   // A-node of the arm the slot's number of positions after this one
  int32_t TurnValue = 0;  // 0: no movement; negative: marked movement
  std::string Code;       // 2-character priority/marking code
  int32_t FirstLane = 0;
  int32_t LastLane = 0;
  int32_t Direction = 0;  // copy of the movement's turn direction (lane groups)
  int32_t Turn = 0;       // index in Turns
};

// One lane group of an arm (built from the turn slots).
struct TGrupoCarriles {
  int32_t Direction = 0;  // -1 left, 0 straight ahead, 1 right
  int32_t LaneCount = 0;
  int32_t FirstLane = 0;
  int32_t LastLane = 0;
  uint8_t Mark = 0;       // re-classification mark of the TRANSYT construction
  std::string Exits;      // exit nodes: "%d" then "/%d" each
  bool HasX = false;
  bool HasF = false;
  // Indices in Arcos of the TRANSYT links built for the group: 1 general traffic or public
  // transport only, 2 public transport, 3 detailed public transport.
  std::array<int32_t, 4> LinkSlots{};
};

// One arm of a node: the approach from its A-node.
struct TConector {
  int32_t ANode = 0;
  std::array<uint8_t, 2> LinkMarks{};  // section-4 marks of A-node -> node: [0] value >= 0, [1] value < 0
  float Field1_5 = 0;
  std::string ContinuationCode;  // "*": a continuation line follows
  int32_t Speed1 = 0, Speed2 = 0;
  int32_t Time1 = 0, Time2 = 0;
  int32_t ContField21_25 = 0;
  float ContField36_40 = 0;
  int32_t ContField43_45 = 0;
  std::string LaneText;  // columns 12-15, trimmed
  int32_t Lanes = 0;     // lane text without "B" and "F"; may be negative
  int32_t Time = 0;
  int32_t Speed = 0;
  int32_t Length = 0;
  float GeometricLength = 0;
  int32_t ApproachAngle = 0;  // direction of travel into the node, tenths of a degree
  int32_t ApproachLink = 0;   // index in Links of A-node -> node
  int32_t TurnCount = 0;
  std::array<TMovimiento, kMaxSlots + 1> Slots;  // 1..arm count - 1
  int32_t GroupCount = 0;
  std::array<TGrupoCarriles, kMaxLaneGroups + 1> Groups;  // 1..GroupCount
  int32_t ArmNumber = 0;  // numbering from the arm travelling closest to +Y
  bool HasGTurn = false;
  bool BusLane = false;
  bool TrailingF = false;
  bool LeadingF = false;
  bool HasXTurn = false;
  bool HasFTurn = false;
};

// One SATURN node.
struct TNodo {
  int32_t Number = 0;
  uint8_t NodeClass = 0;  // 0 external, 1 junction card, 2 signalised, 3 priority node (TRANSYT writer)
  uint8_t DrawingMark = 0;
  uint8_t HasCoordinates = 0;
  uint8_t Optimise = 0;
  int32_t DuplicatePlan = 0;   // duplication source written by the SATURN update: plan index
  int32_t DuplicateStage = 0;  // and stage
  float X = kCoordinateNotSet;
  float Y = kCoordinateNotSet;
  int32_t ArmCount = 0;
  int32_t JunctionType = 0;  // 3 signalised; 0 not a simulation junction
  int32_t SignalPlan = 0;    // index in SignalPlans
  int32_t Field16_20 = 0;
  int32_t Field21_25 = 0;
  int32_t TransytNetworkPosition = 0;  // network whose cycle an unsignalised node follows
  int32_t Field31_35 = 0;
  float Field36_40 = 0;
  float Field41_45 = 0;
  std::array<TConector, kMaxArms + 1> Arms;  // 1..ArmCount
  int32_t TransytNetwork = 0;  // network number
  int32_t TransytNode = 0;     // TRANSYT node number in that network
  uint8_t TransytMark = 0;
  std::array<uint8_t, 8> TurnCodeFlags{};  // see kTurnCodeLetters
  uint8_t MinGreenGiven = 0;
  std::array<int32_t, 7> MinGreen{};  // given minimum greens of stages 1..6
};

// One directed link.
struct Tardat {
  std::string Key;        // "%9d%9d" of A-node and B-node
  uint8_t KindFlags = 0;  // bit 0 section 3, 1 from an arm, 2 mark >= 0, 3 mark < 0, 4 negative lanes, 5 "G" code
  int32_t ANode = 0, BNode = 0;
  uint8_t BusLane = 0;
  uint8_t OneWay = 0;
  int32_t Lanes = 0;
  int32_t Angle = 0;  // A to B, tenths of a degree
  int32_t AIndex = 0, BIndex = 0;
  int32_t Speed1 = 0, Speed2 = 0;
  int32_t Time1 = 0, Time2 = 0;
  int32_t Length = 0;
  int32_t Capacity = 0;
  float GeometricLength = 0;
  std::string DirectionText;  // "1" links from arms; section 3: "2" = both directions
  std::string SpeedMarker;    // "S": the two values are speeds
  float ExtraValue = 0;
  std::string Name;  // at most 25 characters
};

// One turning movement A -> junction -> C.
struct TGiro {
  std::string Key;  // "%9d%9d%9d" of junction node, A-node, C-node
  int32_t ANode = 0, JunctionNode = 0, CNode = 0;
  int32_t AIndex = 0, JunctionIndex = 0, CIndex = 0;
  int32_t EntryLink = 0, ExitLink = 0;
  uint8_t Marked = 0;
  uint8_t BusLane = 0;
  int32_t StageMask = 0;
  int32_t Lanes = 0;
  int32_t TurnValue = 0;
  std::string Code;
  int32_t FirstLane = 0, LastLane = 0;
  float ListingValue = 0;
  int32_t TurnAngle = 0;
  int32_t Direction = 0;  // 1 right, 0 straight ahead, -1 left
  float AssignedFlow = 0, FixedFlow = 0, TotalFlow = 0;
  float TurnSumDifference = 0;
  std::array<float, 8> ClassFlows{};
  uint8_t HasXTurn = 0;
};

// One stage block of a signal plan.
struct TFase {
  int32_t StageNumber = 0;
  int32_t GreenLanes = 0;
  int32_t GreenTime = 0;
  int32_t Intergreen = 0;
  int32_t MinimumGreen = 0;
  int32_t EntryCount = 0;
  std::array<int32_t, kMaxMovementNodes + 1> MovementNodes{};  // 1..EntryCount, pairs (A-node, C-node)
};

// The signal plan of one signalised node.
struct TPlanSemaforo {
  int32_t NodeNumber = 0;
  uint8_t SingleStage = 0;
  int32_t RepeatIndicator = 0;
  int32_t StageCount = 0;
  int32_t Offset = 0;
  int32_t CycleTime = 0;
  std::array<TFase, kMaxStages + 1> Stages;  // 1..StageCount
};

// One centroid connector of a zone.
struct TConexion {
  int32_t Buffer = 0;  // 0 section 2, 1 section 3
  int32_t Node = 0;
  int32_t SecondValue = 0;
  int32_t TargetOrSpeed = 0;
  int32_t Time = 0;
  int32_t Length = 0;
  std::string DirectionText;
  std::string SpeedMarker;
};

// One zone.
struct Tcent {
  int32_t ZoneNumber = 0;
  float X = kCoordinateNotSet;
  float Y = kCoordinateNotSet;
  int32_t ConnectorCount = 0;
  std::array<TConexion, kMaxConnectors + 1> Connectors;  // 1..ConnectorCount
};

// One bus route.
struct TLinea {
  int32_t RouteNumber = 0;
  int32_t RouteGroup = 0;
  std::string Suffix;
  int32_t Frequency = 0;
  int32_t NodeCount = 0;
  std::vector<int32_t> Nodes{0};  // 1..NodeCount; nodes inserted by path completion are negated
  std::vector<uint8_t> Inserted{0};  // 1..NodeCount: the node was inserted by path completion
};

// The positions of a link's flows (TFlujoArco), as the listing and counts readers fill them:
// the record's numbering, kept here alone; everything else names the position.
enum class FlowSlot : size_t {
  ListingValue = 0,     // third value column of the link's listing row (the time on the link)
  TurnAssigned = 3,     // 2, 3, 4: assigned flow of the turns entering over the link, by direction -1, 0, 1
  TurnFixed = 6,        // 5, 6, 7: their fixed flow, by direction
  Assigned = 8,         // assigned flow (total minus fixed)
  Fixed = 9,            // fixed flow, raised to the sum of its turns' fixed flows when that is larger
  Total = 10,           // total flow
  ZoneConnectors = 11,  // assigned flow of the connector rows of the two layouts
  NodeConnectors = 12,
  TurnsAssigned = 13,   // 13, 14, 15: the sums over the turns entering over the link
  TurnsFixed = 14,
  TurnsTotal = 15,
  CountedAssigned = 16,  // 16, 17: counts of the movements leaving over the link (counts file)
  CountedFixed = 17,
  VolumeCapacity = 19,  // total flow / capacity (0 when the capacity is 0)
};

// The flows of one link; positions 1, 18, 20 and 21 hold nothing. The loop names every
// position it uses; a position number reaches the record as laid out.
struct TFlujoArco {
  std::array<float, 22> Slots{};
  float& operator[](FlowSlot slot) { return Slots[static_cast<size_t>(slot)]; }
  float operator[](FlowSlot slot) const { return Slots[static_cast<size_t>(slot)]; }
  float& operator[](size_t position) { return Slots[position]; }
  float operator[](size_t position) const { return Slots[position]; }
  auto begin() const { return Slots.begin(); }
  auto end() const { return Slots.end(); }
  // The position of a per-direction slot (TurnAssigned, TurnFixed) for direction -1, 0 or 1.
  static FlowSlot ByDirection(FlowSlot middle, int32_t direction) {
    return static_cast<FlowSlot>(static_cast<size_t>(middle) + static_cast<size_t>(std::clamp(direction, -1, 1) + 1) - 1);
  }
};

struct TNetwork {
  std::string Name;
  bool Loaded = false;
  bool FlowsRead = false;
  bool SpareFlag = false;
  bool HasCoordinates = false;
  bool BufferOnly = true;
  int32_t ZoneCount = 0;
  int32_t NodeCount = 0;
  int32_t LinkCount = 0;
  int32_t TurnCount = 0;
  int32_t SignalPlanCount = 0;
  int32_t BusLineCount = 0;
  std::array<bool, 7> SectionPresent{};  // 1..6
  float Xmin = kBoundStartMin, Xmax = kBoundStartMax, Ymin = kBoundStartMin, Ymax = kBoundStartMax;
};

// The &PARAM settings of the network file.
struct TParam {
  bool PLOD = false, DUTCH = false, FOZZY = false, EZBUS = false, SPEEDS = false;
  int32_t NOMADS = 0;
  int32_t KNOBS = 0;
  float FLAREX = 2, FLAREF = 2;
  std::array<float, 10> BUSPCU{0, 1, 0, 0, 0, 0, 0, 0, 0, 0};  // BUSPCU(1)..BUSPCU(9)
  bool FilknbGiven = false;
  std::string FilknbName;  // full path
  bool XyformGiven = false;
  std::string XyformText;
  int32_t CoordinateWidth = 0;  // width of the X and Y fields taken from XYFORM
};

// Figures of the assignment listing and the convergence test per iteration (0 = the start).
struct TIterationFigures {
  float SubTotalHr = 0, SubTotalKm = 0;      // "SUB-TOTALS" Pcu-Hr/Hr and Pcu-Km/Hr
  float GrandTotalHr = 0, GrandTotalKm = 0;  // "GRAND TOTALS"
  float TurnHr = 0, TurnKm = 0;              // turn figures of the convergence test
  float Precision = 0;
  float SumDif = 0, SumPro = 0;              // the flow differences behind Precision
  bool Tested = false;                       // the convergence test computed this slot
};

// Bounds a caller may set on the tables of one network: a network file with more stops the
// reading in order, naming the table. By default there is none: the tables grow with the
// network read, and each reload reuses the room the last one took.
constexpr int32_t kUnbounded = std::numeric_limits<int32_t>::max();
struct SaturnCapacities {
  int32_t Nodes = kUnbounded;
  int32_t Links = kUnbounded;
  int32_t Turns = kUnbounded;
  int32_t SignalPlans = kUnbounded;
  int32_t Zones = kUnbounded;
  int32_t BusLines = kUnbounded;
};

class SaturnVars {
 public:
  explicit SaturnVars(const SaturnCapacities& capacity = SaturnCapacities());

  // Fixed for the model's life: the tables below are sized by it.
  const SaturnCapacities& Capacity() const { return capacity_; }

  TNetwork Network;
  TParam Param;
  std::vector<TNodo> Nodes;
  std::vector<Tardat> Links;
  std::vector<std::array<float, kMaxKnobs>> LinkKnobs;
  std::vector<TGiro> Turns;
  std::vector<TPlanSemaforo> SignalPlans;
  std::vector<Tcent> Zones;
  std::vector<TLinea> BusLines;
  std::vector<TFlujoArco> LinkFlows;
  std::vector<std::array<float, 8>> LinkClassFlows;

  // "%9d" of a node number -> position in Nodes where it was first stored; sorted as text.
  std::map<std::string, int32_t> NodeIndex;
  // Index in Links of the first link whose A index is i or greater (1..NodeCount + 1).
  std::vector<int32_t> FirstLinkOfNode;

  std::vector<std::string> OptionLines;
  std::string NetworkTitle;
  std::vector<std::string> NetworkLines;
  std::vector<std::string> ListingLines;
  std::set<std::string> ConnectorList;
  std::string NetworkFileName;  // the data file read last

  // Bus PCU per link and per turn (indexed by position in Links / Turns), sized when the routes
  // are summed.
  std::vector<float> SelectedBusLink, OtherBusLink, SelectedBusTurn, OtherBusTurn;

  // Kept for the whole run, across reloads of the network: the turns that TRANSYT links
  // carry and their assigned flow at that time (convergence test), grown to the turns marked,
  // and the per-iteration figures, grown as iterations come.
  std::vector<uint8_t> TurnMarks;
  std::vector<float> PreviousTurnFlows;
  std::vector<TIterationFigures> Figures;
  TIterationFigures& FiguresOf(int iteration);
  // The figures of an iteration as kept; zero figures for one not reached.
  TIterationFigures FiguresAt(int iteration) const;

  // Bounds copied as plain values when reading ends.
  float Xmin = kBoundStartMin, Xmax = kBoundStartMax, Ymin = kBoundStartMin, Ymax = kBoundStartMax;

  // Empties every table of the network before a (re)load. TurnMarks, PreviousTurnFlows and
  // Figures are kept.
  void Clear();

  // Lookups; each returns 0 when nothing matches.
  int32_t FindNode(int32_t number) const;  // last match
  int32_t FindNodeByTransyt(int32_t transytNode) const;  // last match
  int32_t SignalPlanOfTransyt(int32_t transytNode) const;
  int32_t FindZone(int32_t zone) const;               // last match
  int32_t FindLink(int32_t aNode, int32_t bNode) const;  // last match
  int32_t FindTurn(int32_t aNode, int32_t junctionNode, int32_t cNode) const;  // binary search on the keys

  // The flow at `slot` of link `link` (index in Links); 0 when the link has no flows.
  float LinkFlow(int32_t link, FlowSlot slot) const;
  // The signal plan of the node at index `node`; nullptr when it has none.
  const TPlanSemaforo* PlanOf(int32_t node) const;
  TPlanSemaforo* PlanOf(int32_t node);

  // Registers a node number: its position in Nodes, appending a new external node when the
  // number is new. Returns 0 when the table is full.
  int32_t RegisterNode(int32_t number);

  // After reading: Nodes in ascending node order (the order of NodeIndex, whose positions
  // follow), Links and Turns in ascending key order. LinkKnobs rows move with their links, and
  // the turn index of every turn slot follows its turn.
  void SortTables();
  // FirstLinkOfNode from Links and Nodes in ascending node order.
  void BuildFirstLinkOfNode();
  // Cuts every table to its count plus its spare entries.
  void TrimTables();

  // The indexes behind the lookups are rebuilt on demand; a writer that reorders or changes
  // keys of Nodes, Links or Zones calls this.
  void InvalidateIndexes();

  static std::string LinkKey(int32_t aNode, int32_t bNode);
  static std::string TurnKey(int32_t junctionNode, int32_t aNode, int32_t cNode);
  static void AppendLinkKey(std::string& key, int32_t aNode, int32_t bNode);
  static void AppendTurnKey(std::string& key, int32_t junctionNode, int32_t aNode, int32_t cNode);

 private:
  SaturnCapacities capacity_;

  void EnsureNodeIndex() const;
  void EnsureLinkIndex() const;
  void EnsureZoneIndex() const;

  mutable bool nodeIndexValid_ = false;
  mutable bool linkIndexValid_ = false;
  mutable bool zoneIndexValid_ = false;
  mutable size_t nodeIndexedCount_ = 0;
  mutable size_t linkIndexedCount_ = 0;
  mutable size_t zoneIndexedCount_ = 0;
  mutable std::unordered_map<int32_t, int32_t> nodeByNumber_;
  mutable std::unordered_map<uint64_t, int32_t> linkByNodes_;  // A-node and B-node of a key of two numbers
  mutable std::unordered_map<std::string, int32_t> linkByKey_;   // any other key
  mutable std::unordered_map<int32_t, int32_t> zoneByNumber_;
  // The key a lookup searches for, kept so that a lookup allocates nothing.
  mutable std::string keyScratch_;
};

}  // namespace veltra
