#include "saturn/junctions.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "model/tables.h"
#include "util/conversions.h"
#include "util/text.h"

namespace veltra {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A node number of section 1 sits right-aligned in five columns. A number wider than them runs
// its last digits into the next field, where they would be read as that field's value (an arm
// count, a continuation code): the card is refused, naming the field, instead.
int32_t NodeNumberAt(const NetworkReader& reader, const std::string& line, int first, int last, const char* field) {
  const int32_t number = IntAt(line, first, last);
  bool full = true;
  for (int c = first; c <= last; ++c) full = full && IsDigit(Column(line, c));
  if (full && IsDigit(Column(line, last + 1))) {
    int end = last + 1;
    while (IsDigit(Column(line, end + 1))) ++end;
    reader.Fail(Printf("%s %s mas ancho que sus columnas %d-%d (maximo 99999)", field,
                       Field(line, first, end).c_str(), first, last));
  }
  return number;
}

// Arm card: A-node, lanes, time or speed, length and the turn slots.
void ReadArmCard(NetworkReader& reader, TNodo& node, TConector& arm, const std::string& line) {
  const bool speeds = reader.sat.Param.SPEEDS;
  arm.Field1_5 = RealAt(line, 1, 5);
  arm.ANode = NodeNumberAt(reader, line, 6, 10, "nodo A de la tarjeta de brazo");
  arm.ContinuationCode = Field(line, 11, 11);
  arm.LaneText = Trim(Field(line, 12, 15));
  std::string digits;
  for (char c : arm.LaneText)
    if (c != 'B' && c != 'F') digits.push_back(c);
  arm.Lanes = TextToInt(digits);
  arm.BusLane = arm.LaneText.find('B') != std::string::npos;
  arm.LeadingF = !arm.LaneText.empty() && arm.LaneText.front() == 'F';
  arm.TrailingF = !arm.LaneText.empty() && arm.LaneText.back() == 'F';
  if (arm.Lanes != 0) {
    const int32_t value = IntAt(line, 16, 20);
    arm.Length = IntAt(line, 21, 25);
    if (speeds) {
      arm.Speed = value;
      if (value != 0) arm.Time = SpeedTimeOver(arm.Length, value);
    } else {
      arm.Time = value;
      if (value != 0) arm.Speed = SpeedTimeOver(arm.Length, value);
    }
  }

  const int present = (static_cast<int>(line.size()) - 25) / 10;
  for (int j = 1; j <= node.ArmCount - 1 && j <= present; ++j) {
    TMovimiento& slot = At(arm.Slots, j);
    slot.TurnValue = SqueezedIntAt(line, 10 * j + 16, 10 * j + 20);
    slot.Code = Field(line, 10 * j + 21, 10 * j + 22);
    slot.FirstLane = IntAt(line, 10 * j + 23, 10 * j + 23);
    slot.LastLane = IntAt(line, 10 * j + 25, 10 * j + 25);
    for (size_t k = 0; k < node.TurnCodeFlags.size(); ++k)
      if (slot.Code.find(kTurnCodeLetters[k]) != std::string::npos) node.TurnCodeFlags[k] = 1;
    if (slot.Code.find('G') != std::string::npos) arm.HasGTurn = true;
    if (slot.Code.find('X') != std::string::npos) arm.HasXTurn = true;
    if (slot.Code.find('F') != std::string::npos) arm.HasFTurn = true;
    if (slot.TurnValue != 0) ++arm.TurnCount;
  }
}

void ReadContinuationCard(NetworkReader& reader, TConector& arm, const std::string& line) {
  const int32_t value1 = IntAt(line, 11, 15);
  const int32_t value2 = IntAt(line, 16, 20);
  arm.ContField21_25 = IntAt(line, 21, 25);
  arm.ContField36_40 = RealAt(line, 36, 40);
  arm.ContField43_45 = IntAt(line, 43, 45);
  auto complement = [&arm](int32_t value) { return value > 0 ? SpeedTimeOver(arm.Length, value) : 0; };
  if (reader.sat.Param.SPEEDS) {
    arm.Speed1 = value1;
    arm.Speed2 = value2;
    arm.Time1 = complement(value1);
    arm.Time2 = complement(value2);
  } else {
    arm.Time1 = value1;
    arm.Time2 = value2;
    arm.Speed1 = complement(value1);
    arm.Speed2 = complement(value2);
  }
}

void ReadStageCards(NetworkReader& reader, TPlanSemaforo& plan) {
  for (int k = 1; k <= plan.StageCount; ++k) {
    const std::string line = reader.NextCard("las tarjetas de etapa");
    TFase& stage = At(plan.Stages, k);
    stage.StageNumber = k;
    stage.GreenTime = IntAt(line, 11, 15);
    stage.Intergreen = IntAt(line, 16, 20);
    stage.EntryCount = IntAt(line, 21, 25);
    if (stage.EntryCount > kMaxMovementNodes)
      reader.LimitExceeded(reader.Position(), "nodos de movimiento en una etapa", kMaxMovementNodes);
    for (int i = 1; i <= std::min(stage.EntryCount, 10); ++i)
      At(stage.MovementNodes, i) = IntAt(line, 5 * i + 21, 5 * i + 25);
    if (stage.EntryCount > 10) {
      const std::string more = reader.NextCard("la segunda tarjeta de la etapa");
      for (int i = 11; i <= stage.EntryCount; ++i)
        At(stage.MovementNodes, i) = IntAt(more, 5 * (i - 10) + 21, 5 * (i - 10) + 25);
    }
  }
}

// A plan with one stage: with an intergreen over 15 s a second stage takes the intergreen,
// since TRANSYT needs at least two stages.
void ConvertSingleStage(NetworkReader& reader, TPlanSemaforo& plan) {
  if (plan.StageCount != 1) {
    plan.SingleStage = 0;
    return;
  }
  plan.SingleStage = 1;
  const int32_t intergreen = plan.Stages[1].Intergreen;
  MessageLog& log = reader.log;
  if (intergreen > 15) {
    plan.Stages[1].Intergreen = 4;
    TFase& second = plan.Stages[2];
    second = TFase();
    second.StageNumber = 2;
    second.GreenTime = intergreen - 8;
    second.Intergreen = 4;
    second.EntryCount = 0;
    plan.StageCount = 2;
    if (reader.FirstRead())
      log.Warning(Printf("   ATENCION: Nodo %d con una fase y entreverde %d, inconsistente con Transyt\r"
                      "             Convertido en Transyt a dos fases.",
                      plan.NodeNumber, intergreen));
  } else if (reader.FirstRead()) {
    log.Line();
    log.Error(Printf("   ERROR: Nodo %d con una fase y entreverde %d, invalido para Transyt\r"
                    "          Se requiere que el entreverde sea mayor a 15 segundos.",
                    plan.NodeNumber, intergreen));
    log.Line();
  }
}

// 4- and 6-stage plans whose second half repeats the first: 1 with equal times, -1 when
// only the movements repeat.
int32_t RepeatIndicator(const TPlanSemaforo& plan) {
  if (plan.StageCount != 4 && plan.StageCount != 6) return 0;
  const int h = plan.StageCount / 2;
  for (int k = 1; k <= h; ++k) {
    const TFase& first = At(plan.Stages, k);
    const TFase& repeat = At(plan.Stages, k + h);
    for (int i = 1; i <= std::min(first.EntryCount, kMaxMovementNodes); ++i)
      if (At(first.MovementNodes, i) != At(repeat.MovementNodes, i)) return 0;
  }
  for (int k = 1; k <= h; ++k) {
    const TFase& first = At(plan.Stages, k);
    const TFase& repeat = At(plan.Stages, k + h);
    if (first.GreenTime != repeat.GreenTime || first.Intergreen != repeat.Intergreen ||
        first.EntryCount != repeat.EntryCount)
      return -1;
  }
  return 1;
}

}  // namespace

int32_t DirectionOfTurn(int32_t d, int32_t keep) {
  if (d >= 1 && d <= 1300) return 1;
  if (d >= 1301 && d <= 2300) return 0;
  if (d >= 2301 && d <= 3600) return -1;
  if (d >= -3599 && d <= -2300) return 1;
  if (d >= -2299 && d <= -1300) return 0;
  if (d >= -1299 && d <= 0) return -1;
  return keep;
}

void ReadJunction(NetworkReader& reader) {
  SaturnVars& sat = reader.sat;
  MessageLog& log = reader.log;
  const std::string card = reader.Current();
  const size_t cardPosition = reader.Position();
  const int32_t number = NodeNumberAt(reader, card, 1, 5, "nodo de la tarjeta de nodo");
  const int32_t index = reader.RegisterNode(number, cardPosition);
  reader.NoteJunctionCard(number, cardPosition);

  const int32_t armCount = IntAt(card, 6, 10);
  if (armCount > kMaxArms) reader.LimitExceeded(cardPosition, "brazos en un nodo", kMaxArms);
  if (armCount < 0) reader.FailAt(cardPosition, Printf("numero de brazos invalido (%d)", armCount));

  TNodo& node = At(sat.Nodes, index);
  node.NodeClass = 1;
  node.ArmCount = armCount;
  node.JunctionType = IntAt(card, 11, 15);
  node.Field16_20 = IntAt(card, 16, 20);
  node.Field21_25 = IntAt(card, 21, 25);
  node.Field31_35 = IntAt(card, 31, 35);
  node.Field36_40 = RealAt(card, 36, 40);
  node.Field41_45 = RealAt(card, 41, 45);
  node.Arms.fill(TConector());
  node.SignalPlan = 0;

  int32_t planIndex = 0;
  if (node.JunctionType == 3) {
    node.NodeClass = 2;
    if (sat.Network.SignalPlanCount >= sat.Capacity().SignalPlans)
      reader.LimitExceeded(cardPosition, "planes de semaforo", sat.Capacity().SignalPlans);
    TPlanSemaforo plan;
    plan.NodeNumber = number;
    plan.RepeatIndicator = 0;
    plan.StageCount = node.Field16_20;
    plan.Offset = node.Field21_25;
    plan.CycleTime = IntAt(card, 26, 30);
    if (plan.StageCount < 1 || plan.StageCount > 6)
      log.Line(Printf("\r   ERROR: Semaforo %d con numero de fases incorrecta (%d)\r", number, plan.StageCount));
    if (plan.CycleTime == 0) log.Line(Printf("\r   ERROR: Semaforo %d con ciclo nulo\r", number));
    if (plan.Offset > plan.CycleTime)
      log.Line(Printf("\r   ERROR: Semaforo %d con desfase invalido (%d)\r", number, plan.Offset));
    if (plan.StageCount > kMaxStages) reader.LimitExceeded(cardPosition, "etapas en un plan de semaforo", kMaxStages);
    sat.SignalPlans.push_back(plan);
    planIndex = static_cast<int32_t>(sat.SignalPlans.size()) - 1;
    sat.Network.SignalPlanCount = planIndex;
    node.SignalPlan = planIndex;
  }

  for (int a = 1; a <= armCount; ++a) {
    const std::string line = reader.NextCard("las tarjetas de brazo");
    TConector& arm = At(node.Arms, a);
    ReadArmCard(reader, node, arm, line);
    if (arm.ContinuationCode == "*") ReadContinuationCard(reader, arm, reader.NextCard("la continuacion del brazo"));
  }

  if (planIndex != 0) {
    TPlanSemaforo& plan = At(sat.SignalPlans, planIndex);
    ReadStageCards(reader, plan);
    ConvertSingleStage(reader, plan);
    plan.RepeatIndicator = RepeatIndicator(plan);
  }

  // The node an arm comes from is the end of the approach link built from the arm: it is
  // known to the network even when no other card names it, so that its coordinates give
  // the approach its direction.
  std::array<int32_t, kMaxArms + 1> approaches{};
  for (int a = 1; a <= armCount; ++a) approaches[static_cast<size_t>(a)] = At(node.Arms, a).ANode;
  for (int a = 1; a <= armCount; ++a)
    if (approaches[static_cast<size_t>(a)] != 0) reader.RegisterNode(approaches[static_cast<size_t>(a)], cardPosition);
}

void BuildJunctionLinksAndTurns(NetworkReader& reader) {
  SaturnVars& sat = reader.sat;
  const std::array<float, kMaxKnobs> noKnobs{};
  for (size_t i = 1; i < sat.Nodes.size(); ++i) {
    const int32_t armCount = sat.Nodes[i].ArmCount;
    for (int a = 1; a <= armCount; ++a) {
      const TConector& arm = At(sat.Nodes[i].Arms, a);
      if (arm.Lanes == 0) continue;
      Tardat link;
      link.ANode = arm.ANode;
      link.BNode = sat.Nodes[i].Number;
      link.Key = SaturnVars::LinkKey(link.ANode, link.BNode);
      link.KindFlags = 1 << 1;
      if (arm.HasGTurn) link.KindFlags |= 1 << 5;
      if (arm.Lanes < 0) link.KindFlags |= 1 << 4;
      link.Lanes = std::abs(arm.Lanes);
      link.Speed1 = arm.Speed;
      link.Time1 = arm.Time;
      link.Length = arm.Length;
      link.DirectionText = "1";
      reader.AppendLink(std::move(link), noKnobs, reader.JunctionCardOf(sat.Nodes[i].Number));
    }
  }
  const int32_t full = BuildTurns(sat);
  if (full != 0) reader.LimitExceeded(reader.JunctionCardOf(full), "giros", sat.Capacity().Turns);
  BuildStageMasks(sat);
}

int32_t BuildTurns(SaturnVars& sat) {
  for (size_t i = 1; i < sat.Nodes.size(); ++i) {
    TNodo& node = sat.Nodes[i];
    const int n = node.ArmCount;
    for (int p = 1; p <= n; ++p) {
      TConector& arm = At(node.Arms, p);
      if (arm.Lanes == 0) continue;
      for (int r = 1; r <= n - 1; ++r) {
        int q = p + r;
        if (q > n) q -= n;
        TMovimiento& slot = At(arm.Slots, r);
        slot.ExitNode = At(node.Arms, q).ANode;
        if (slot.TurnValue == 0) continue;
        if (sat.Network.TurnCount >= sat.Capacity().Turns) return node.Number;
        TGiro turn;
        turn.ANode = arm.ANode;
        turn.JunctionNode = node.Number;
        turn.CNode = slot.ExitNode;
        turn.Key = SaturnVars::TurnKey(turn.JunctionNode, turn.ANode, turn.CNode);
        turn.Marked = slot.TurnValue < 0;
        turn.Lanes = arm.Lanes;
        turn.TurnValue = slot.TurnValue;
        turn.Code = slot.Code;
        turn.FirstLane = slot.FirstLane;
        turn.LastLane = slot.LastLane;
        turn.HasXTurn = arm.HasXTurn;
        sat.Turns.push_back(std::move(turn));
        sat.Network.TurnCount = static_cast<int32_t>(sat.Turns.size()) - 1;
        slot.Turn = sat.Network.TurnCount;
      }
    }
  }
  return 0;
}

void BuildStageMasks(SaturnVars& sat) {
  // Stage masks: bit k-1 of a turn is set by every stage k that lists its movement. A stage
  // movement whose A-node is no arm of the junction, or whose C-node no exit of that arm,
  // names nothing and is passed over.
  for (size_t i = 1; i < sat.Nodes.size(); ++i) {
    TNodo& node = sat.Nodes[i];
    if (node.SignalPlan == 0) continue;
    TPlanSemaforo& plan = At(sat.SignalPlans, node.SignalPlan);
    for (int k = 1; k <= plan.StageCount; ++k) {
      TFase& stage = At(plan.Stages, k);
      const int32_t bit = 1 << (k - 1);
      const int pairs = RoundEven(stage.EntryCount / 2.0);
      for (int m = 1; m <= pairs; ++m) {
        const int32_t aNode = At(stage.MovementNodes, 2 * m - 1);
        const int32_t cNode = At(stage.MovementNodes, 2 * m);
        int arm = 0;
        for (int p = 1; p <= node.ArmCount && arm == 0; ++p)
          if (At(node.Arms, p).ANode == aNode) arm = p;
        if (arm == 0) continue;
        TConector& a = At(node.Arms, arm);
        if (cNode != 0) {
          for (int r = 1; r <= node.ArmCount - 1; ++r) {
            TMovimiento& slot = At(a.Slots, r);
            if (slot.ExitNode != cNode) continue;
            stage.GreenLanes = slot.LastLane - slot.FirstLane + 1;
            if (slot.Turn != 0) At(sat.Turns, slot.Turn).StageMask += bit;
            break;
          }
        } else {
          stage.GreenLanes = a.Lanes;
          for (int r = 1; r <= node.ArmCount - 1; ++r) {
            const TMovimiento& slot = At(a.Slots, r);
            if (slot.Turn != 0) At(sat.Turns, slot.Turn).StageMask += bit;
          }
        }
      }
    }
  }
}

void ResolveIndices(SaturnVars& sat) {
  for (size_t i = 1; i < sat.Nodes.size(); ++i) {
    TNodo& node = sat.Nodes[i];
    for (int a = 1; a <= node.ArmCount; ++a) {
      TConector& arm = At(node.Arms, a);
      if (arm.Lanes == 0) continue;
      arm.ApproachLink = sat.FindLink(arm.ANode, node.Number);
      if (arm.ApproachLink != 0) At(sat.Links, arm.ApproachLink).BusLane = arm.BusLane;
    }
  }
  for (int32_t l = 1; l <= sat.Network.LinkCount; ++l) {
    Tardat& link = At(sat.Links, l);
    link.AIndex = sat.FindNode(link.ANode);
    link.BIndex = sat.FindNode(link.BNode);
  }
  for (int32_t t = 0; t <= sat.Network.TurnCount; ++t) {
    TGiro& turn = At(sat.Turns, t);
    turn.AIndex = sat.FindNode(turn.ANode);
    turn.JunctionIndex = sat.FindNode(turn.JunctionNode);
    turn.CIndex = sat.FindNode(turn.CNode);
  }
}

namespace {

// Every link's one-way mark, angle and straight-line length.
void LinkGeometry(SaturnVars& sat) {
  for (int32_t l = 1; l <= sat.Network.LinkCount; ++l) {
    Tardat& link = At(sat.Links, l);
    link.OneWay = link.DirectionText == "1";
    const TNodo& a = At(sat.Nodes, link.AIndex);
    const TNodo& b = At(sat.Nodes, link.BIndex);
    const double theta = DirectionAngle(b.X, b.Y, a.X, a.Y);
    link.Angle = RoundEven(theta * 572.9577951308232);
    link.GeometricLength = static_cast<float>(std::hypot(double(b.X) - a.X, double(b.Y) - a.Y));
  }
}

// Every arm's approach angle, length and link marks, from its approach link (or the link the
// other way round).
void ArmApproaches(SaturnVars& sat) {
  for (size_t i = 1; i < sat.Nodes.size(); ++i) {
    TNodo& node = sat.Nodes[i];
    for (int p = 1; p <= node.ArmCount; ++p) {
      TConector& arm = At(node.Arms, p);
      int32_t h = sat.FindLink(arm.ANode, node.Number);
      if (h != 0) {
        const Tardat& link = At(sat.Links, h);
        arm.ApproachAngle = link.Angle;
        arm.LinkMarks[0] = (link.KindFlags >> 2) & 1;
        arm.LinkMarks[1] = (link.KindFlags >> 3) & 1;
      } else {
        h = sat.FindLink(node.Number, arm.ANode);
        if (h != 0) {
          const int32_t angle = At(sat.Links, h).Angle;
          arm.ApproachAngle = angle > 1800 ? angle - 1800 : angle + 1800;
        }
      }
      if (h != 0) arm.GeometricLength = At(sat.Links, h).GeometricLength;
    }
  }
}

// Turn directions by the turn angle; of several turns of one arm found straight ahead, only
// the one nearest to 180 degrees stays so, the others lean right or left.
void TurnDirections(SaturnVars& sat) {
  struct Straight {
    int32_t Turn;
    int32_t Deviation;
    int32_t D;
  };
  std::vector<Straight> straight;
  for (size_t i = 1; i < sat.Nodes.size(); ++i) {
    TNodo& node = sat.Nodes[i];
    const int n = node.ArmCount;
    for (int p = 1; p <= n; ++p) {
      const TConector& entry = At(node.Arms, p);
      if (entry.Lanes == 0) continue;
      straight.clear();
      for (int r = 1; r <= n - 1; ++r) {
        int q = p + r;
        if (q > n) q -= n;
        const TConector& exit = At(node.Arms, q);
        const int32_t t = sat.FindTurn(entry.ANode, node.Number, exit.ANode);
        if (t == 0) continue;
        TGiro& turn = At(sat.Turns, t);
        const int32_t d = exit.ApproachAngle - entry.ApproachAngle;
        turn.TurnAngle = d;
        turn.Direction = DirectionOfTurn(d, turn.Direction);
        if (turn.Direction == 0) straight.push_back({t, std::abs(std::abs(d) - 1800), d});
      }
      if (straight.size() <= 1) continue;
      for (const Straight& s : straight) {
        int32_t& direction = At(sat.Turns, s.Turn).Direction;
        if (s.D >= 1 && s.D <= 1799) direction = 1;
        else if (s.D >= 1801 && s.D <= 3599) direction = -1;
        else if (s.D >= -3599 && s.D <= -1800) direction = 1;
        else if (s.D >= -1799 && s.D <= 0) direction = -1;
      }
      const Straight* best = &straight.front();
      for (const Straight& s : straight)
        if (s.Deviation < best->Deviation) best = &s;
      At(sat.Turns, best->Turn).Direction = 0;
    }
  }
}

// Every turn's entry and exit links; the entry link takes the turn's bus lane and lanes.
void TurnLinks(SaturnVars& sat) {
  for (int32_t t = 1; t <= sat.Network.TurnCount; ++t) {
    TGiro& turn = At(sat.Turns, t);
    turn.EntryLink = sat.FindLink(turn.ANode, turn.JunctionNode);
    turn.BusLane = At(sat.Links, turn.EntryLink).BusLane;
    if (turn.EntryLink != 0) At(sat.Links, turn.EntryLink).Lanes = turn.Lanes;
    turn.ExitLink = sat.FindLink(turn.JunctionNode, turn.CNode);
  }
}

}  // namespace

void DeriveGeometry(SaturnVars& sat) {
  LinkGeometry(sat);
  ArmApproaches(sat);
  TurnDirections(sat);
  TurnLinks(sat);
}

void NumberArms(SaturnVars& sat) {
  for (size_t i = 1; i < sat.Nodes.size(); ++i) {
    TNodo& node = sat.Nodes[i];
    const int n = node.ArmCount;
    if (n <= 0) continue;
    int first = 1;
    for (int p = 2; p <= n; ++p)
      if (std::abs(At(node.Arms, p).ApproachAngle - 900) <
          std::abs(At(node.Arms, first).ApproachAngle - 900))
        first = p;
    int number = 1;
    At(node.Arms, first).ArmNumber = number++;
    for (int p = first - 1; p >= 1; --p) At(node.Arms, p).ArmNumber = number++;
    for (int p = n; p > first; --p) At(node.Arms, p).ArmNumber = number++;
  }
}

int32_t BuildLaneGroups(SaturnVars& sat) {
  for (size_t i = 1; i < sat.Nodes.size(); ++i) {
    TNodo& node = sat.Nodes[i];
    for (int p = 1; p <= node.ArmCount; ++p) {
      TConector& arm = At(node.Arms, p);
      arm.GroupCount = 0;
      for (auto& group : arm.Groups) group = TGrupoCarriles();
      if (arm.Lanes == 0) continue;
      if (node.JunctionType == 0) {
        TGrupoCarriles& group = arm.Groups[1];
        arm.GroupCount = 1;
        group.Direction = 0;
        group.LaneCount = arm.Lanes;
        group.FirstLane = 1;
        group.LastLane = arm.Lanes;
        continue;
      }
      // The slots with a turn, in slot order: a slot that starts beyond the lanes used so far
      // opens a new group, one that overlaps them joins the current group. With a single
      // turn that turn makes the one group.
      int32_t previousLast = 0;
      for (int r = 1; r <= node.ArmCount - 1; ++r) {
        TMovimiento& slot = At(arm.Slots, r);
        if (slot.Turn == 0) continue;
        const int32_t t = sat.FindTurn(arm.ANode, node.Number, slot.ExitNode);
        slot.Direction = At(sat.Turns, t).Direction;
        const bool hasX = slot.Code.find('X') != std::string::npos;
        const bool hasF = slot.Code.find('F') != std::string::npos;
        // A first slot without lane digits starts the first group rather than joining none.
        if (arm.TurnCount == 1 || slot.FirstLane > previousLast || arm.GroupCount == 0) {
          if (arm.GroupCount >= kMaxLaneGroups) return node.Number;
          TGrupoCarriles& group = At(arm.Groups, ++arm.GroupCount);
          group.Direction = slot.Direction;
          group.LaneCount = slot.LastLane - slot.FirstLane + 1;
          group.FirstLane = slot.FirstLane;
          group.LastLane = slot.LastLane;
          group.Exits = IntText(slot.ExitNode);
          group.HasX = hasX;
          group.HasF = hasF;
        } else {
          TGrupoCarriles& group = At(arm.Groups, arm.GroupCount);
          if (group.Direction != slot.Direction) group.Direction = 0;
          group.LaneCount = std::max(group.LaneCount, group.LaneCount + (slot.LastLane - previousLast));
          group.FirstLane = std::min(group.FirstLane, slot.FirstLane);
          group.LastLane = std::max(group.LastLane, slot.LastLane);
          group.Exits += '/';
          AppendInt(group.Exits, slot.ExitNode);
          group.HasX = group.HasX || hasX;
          group.HasF = group.HasF || hasF;
        }
        previousLast = slot.LastLane;
        if (arm.TurnCount == 1) break;
      }
    }
  }
  return 0;
}

void BuildLaneGroups(NetworkReader& reader) {
  const int32_t full = BuildLaneGroups(reader.sat);
  if (full != 0) reader.LimitExceeded(reader.JunctionCardOf(full), "grupos de carriles en un brazo", kMaxLaneGroups);
}

}  // namespace veltra
