#include "saturn/network_writer.h"

#include <algorithm>

#include "model/tables.h"
#include "util/conversions.h"
#include "util/text.h"

namespace veltra {

namespace {

constexpr size_t kNone = static_cast<size_t>(-1);
constexpr const char* kIncludeMarker = "%INCLUDE";
// Movement nodes that fit on a stage card; the rest go on one continuation line.
constexpr int kNodesOnStageCard = 10;

// A field of a junction record: the text right-aligned in `width` columns. A value wider than
// its field would push every field after it along the card, and SATURN would read the
// junction wrongly; the writing stops instead, naming the junction and the value.
std::string Fit(const std::string& text, int width, int32_t node) {
  if (text.size() > static_cast<size_t>(width))
    throw NetworkFieldError(Printf("nodo %d: el valor %s no cabe en %d columnas", node, Trim(text).c_str(), width));
  return text;
}
std::string Num(int32_t value, int width, int32_t node) { return Fit(IntText(value, width), width, node); }

bool BeginsWith5(const std::string& line, const char* code) { return line.compare(0, 5, code) == 0; }

// Lines the network reader passes over: comments, include markers and blank lines.
bool ReaderSkips(const std::string& line) { return line.empty() || line[0] == '*' || line[0] == '%' || IsBlank(line); }

bool HoldsEnd(const std::string& text) { return Contains(Upper(RemoveBlanks(text)), "&END"); }

// The junction section starts at the first "11111" line. A file whose section header is the
// digit 1 alone loads just as well, so without a "11111" line the header is looked for where
// the reader finds it: the first line after the two namelists and the title.
size_t JunctionSectionStart(const std::vector<std::string>& lines) {
  for (size_t k = 0; k < lines.size(); ++k)
    if (BeginsWith5(lines[k], "11111")) return k;

  size_t pos = 0;
  auto nextLine = [&]() {
    while (pos < lines.size() && ReaderSkips(lines[pos])) ++pos;
    return pos < lines.size();
  };
  while (nextLine()) {
    bool end = HoldsEnd(lines[pos++]);
    if (end) break;
  }
  if (nextLine()) ++pos;  // the title
  while (nextLine()) {
    std::vector<std::string> items = Split(lines[pos++], ',');
    if (HoldsEnd(items.back())) break;
  }
  if (nextLine() && lines[pos][0] == '1') return pos;
  return kNone;
}

// Copies lines [first, last) leaving out the contents of included files: the "%INCLUDE"
// markers frame them and are never written; the "$" directive line stays.
void CopyOwnLines(const std::vector<std::string>& lines, size_t first, size_t last, bool& insideInclude,
                  TextWriter& out) {
  for (size_t k = first; k < last; ++k) {
    if (lines[k] == kIncludeMarker) {
      insideInclude = !insideInclude;
      continue;
    }
    if (!insideInclude) out.Line(lines[k]);
  }
}

void WriteMovementNodes(const TFase& stage, int32_t node, TextWriter& out) {
  const int count = std::min<int>(stage.EntryCount, kMaxMovementNodes);
  for (int e = 1; e <= count; ++e) {
    out.Write(Num(At(stage.MovementNodes, e), 5, node));
    if (e == kNodesOnStageCard && count > kNodesOnStageCard) {
      out.EndLine();
      out.Write(Printf("%25s", ""));
    }
  }
  out.EndLine();
}

void WriteStages(const TPlanSemaforo& plan, int32_t node, TextWriter& out) {
  if (plan.SingleStage) {
    // TRANSYT saw the single stage as two: its intergreen is given back as the time from the
    // end of stage 1's green to the start of the next cycle's green.
    const TFase& first = plan.Stages[1];
    const TFase& second = plan.Stages[2];
    out.Write(std::string(10, ' ') + Num(first.GreenTime, 5, node) +
              Num(first.Intergreen + second.GreenTime + second.Intergreen, 5, node) + Num(first.EntryCount, 5, node));
    WriteMovementNodes(first, node, out);
    return;
  }
  const int stageCount = std::min<int>(plan.StageCount, kMaxStages);
  for (int s = 1; s <= stageCount; ++s) {
    const TFase& stage = At(plan.Stages, s);
    out.Write(std::string(10, ' ') + Num(stage.GreenTime, 5, node) + Num(stage.Intergreen, 5, node) +
              Num(stage.EntryCount, 5, node));
    WriteMovementNodes(stage, node, out);
  }
}

void WriteArm(const TConector& arm, int armCount, bool speeds, int32_t node, TextWriter& out) {
  out.Write(std::string(5, ' ') + Num(arm.ANode, 5, node) + Fit(Printf("%1s", arm.ContinuationCode.c_str()), 1, node) +
            Fit(Printf("%4s", arm.LaneText.c_str()), 4, node));
  out.Write(Num(speeds ? arm.Speed : arm.Time, 5, node) + Num(arm.Length, 5, node));
  if (arm.Lanes != 0) {
    const int slotCount = std::min(armCount - 1, kMaxSlots);
    for (int j = 1; j <= slotCount; ++j) {
      const TMovimiento& slot = At(arm.Slots, j);
      out.Write(Num(slot.TurnValue, 5, node) + Fit(Printf("%2s", slot.Code.c_str()), 2, node) + Num(slot.FirstLane, 1, node) +
                Num(slot.LastLane, 2, node));
    }
  }
  out.EndLine();
  if (arm.ContinuationCode == "*")
    out.Line(Num(speeds ? arm.Speed1 : arm.Time1, 15, node) + Num(speeds ? arm.Speed2 : arm.Time2, 5, node) +
             Num(arm.ContField21_25, 5, node) + Fit(Printf("%15.1f", static_cast<double>(arm.ContField36_40)), 15, node) +
             Num(arm.ContField43_45, 5, node));
}

void WriteJunction(SaturnVars& sat, TNodo& node, const std::vector<int32_t>& cicloRed, TextWriter& out) {
  const int32_t n = node.Number;
  out.Write(Num(n, 5, n) + Num(node.ArmCount, 5, n) + Num(node.JunctionType, 5, n));

  TPlanSemaforo* plan = nullptr;
  if (node.JunctionType == 3 && node.SignalPlan > 0 && static_cast<size_t>(node.SignalPlan) < sat.SignalPlans.size())
    plan = &At(sat.SignalPlans, node.SignalPlan);
  if (plan != nullptr) {
    // An offset of a whole cycle or more means the same as starting the cycle at 0.
    if (plan->Offset >= plan->CycleTime) plan->Offset = 0;
    out.Write(Num(plan->SingleStage ? 1 : plan->StageCount, 5, n) + Num(plan->Offset, 5, n) + Num(plan->CycleTime, 5, n));
  } else {
    const size_t position = static_cast<size_t>(node.TransytNetworkPosition);
    const int32_t cycle = node.TransytNetworkPosition > 0 && position < cicloRed.size() ? cicloRed[position] : 0;
    out.Write(Num(node.Field16_20, 5, n) + Num(node.Field21_25, 5, n) + Num(cycle, 5, n));
  }
  out.Line(Num(node.Field31_35, 5, n) + Num(RoundEven(node.Field36_40), 5, n) + Num(RoundEven(node.Field41_45), 5, n));

  const int armCount = std::min(node.ArmCount, kMaxArms);
  for (int a = 1; a <= armCount; ++a) WriteArm(At(node.Arms, a), node.ArmCount, sat.Param.SPEEDS, n, out);

  if (plan != nullptr) WriteStages(*plan, n, out);
}

}  // namespace

void WriteSaturnNetwork(SaturnVars& sat, const std::vector<int32_t>& cicloRed, TextWriter& out) {
  const std::vector<std::string>& lines = sat.NetworkLines;
  bool insideInclude = false;
  const size_t start = JunctionSectionStart(lines);
  if (start == kNone) {
    // No junction section: the file is written as it was, without the included text.
    CopyOwnLines(lines, 0, lines.size(), insideInclude, out);
    return;
  }
  CopyOwnLines(lines, 0, start + 1, insideInclude, out);

  for (size_t n = 1; n < sat.Nodes.size(); ++n) {
    TNodo& node = sat.Nodes[n];
    if (node.Number > 0 && node.NodeClass != 0) WriteJunction(sat, node, cicloRed, out);
  }

  size_t end = start + 1;
  while (end < lines.size() && !BeginsWith5(lines[end], "99999")) ++end;
  if (end == lines.size()) return;
  out.Line(lines[end]);
  CopyOwnLines(lines, end + 1, lines.size(), insideInclude, out);
}

}  // namespace veltra
