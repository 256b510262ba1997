// Give-way relations: which links of an approach give way to which opposing links, and the
// share of the giving-way link's flow that is opposed.
#include <algorithm>
#include <set>

#include "construction/construction.h"
#include "model/tables.h"
#include "util/conversions.h"
#include "util/text.h"

namespace veltra {

namespace {

// A list of link indices kept as their "%d" texts, so 12 comes before 9; duplicates once.
class LinksAsText {
 public:
  void Add(int32_t link) { items_.insert(Printf("%d", link)); }
  std::vector<int32_t> Links() const {
    std::vector<int32_t> links;
    for (const std::string& item : items_) links.push_back(TextToInt(item));
    return links;
  }

 private:
  std::set<std::string> items_;
};

// A share in percent, held within 0..100 (a link flow raised to the minimum of 10 can exceed the
// flow it is a part of).
int Percentage(double value) { return std::clamp(RoundEven(value), 0, 100); }

// The percentage not taken by `part` of `whole`; 0 when there is no flow to divide by.
int RemainingPercentage(double part, double whole) { return whole > 0 ? Percentage((1 - part / whole) * 100) : 0; }

// The turn of the given class among the link's exits: the last such exit of Salidas.
const TGiro* TurnOfClass(const SaturnVars& sat, const TArco& arco, int clase) {
  const TGiro* found = nullptr;
  for (int32_t exit : ExitList(arco.Salidas)) {
    const TGiro* turn = TurnOf(sat, arco.NodoA, arco.NodoB, exit);
    if (turn != nullptr && DirectionClass(turn->Direction) == clase) found = turn;
  }
  return found;
}

// Rule R: the part of the link's flow that does not turn left.
int NotTurningLeftPercentage(const SaturnVars& sat, const TArco& arco) {
  if (SingleExit(arco.Salidas)) return 0;
  const TGiro* left = TurnOfClass(sat, arco, -1);
  if (left == nullptr) return 0;
  if (arco.EsPublico != 0) {
    return RemainingPercentage(left->FixedFlow, sat.LinkFlow(arco.IndiceTramo, FlowSlot::Fixed));
  }
  if (arco.Flujo == 0) return 100;
  return RemainingPercentage(left->AssignedFlow, arco.Flujo);
}

void AddGiveWay(QorVars& qor, const TArco& giving, int32_t opposing1, int32_t opposing2, int percentage) {
  TCaso& caso = At(qor.Casos, qor.AddCase());
  caso.Link = giving.Numero;
  caso.Opposing1 = opposing1;
  caso.Opposing2 = opposing2;
  caso.Percentage = giving.FlujoArco1 > 0 ? giving.FlujoArco1 : percentage;
  caso.Length = giving.Largo;
  caso.Lanes = giving.Carriles;
  caso.FirstLane = giving.CarrilInicio;
  caso.LastLane = giving.CarrilFin;
}

// One giving-way link against its only opposing link.
void SingleOpposingRelation(const SaturnVars& sat, QorVars& qor, int kind, int32_t c, int32_t d) {
  const TArco& giving = At(qor.Arcos, c);
  const int32_t opposing = At(qor.Arcos, d).Numero;
  if (kind == 1) {
    AddGiveWay(qor, giving, opposing, 0, 0);
  } else if (kind == 2) {
    AddGiveWay(qor, giving, 0, opposing, NotTurningLeftPercentage(sat, giving));
  } else if (kind == 3 && giving.Clase == 1) {
    int percentage = 0;
    if (!SingleExit(giving.Salidas)) {
      percentage = RemainingPercentage(giving.Flujo, sat.LinkFlow(giving.IndiceTramo, giving.EsPublico != 0 ? FlowSlot::Fixed
                                                                                                       : FlowSlot::Assigned));
    }
    AddGiveWay(qor, giving, 0, opposing, percentage);
  }
}

// Angle group of a bearing difference in steps of 45 degrees (-8..8).
char AngleGroup(int delta) {
  static const char groups[] = "AABBCCDDABBCCDDAA";
  return groups[delta + 8];
}

// True when a slot of the arm with a code holding `letter` leads to one of the link's exits.
// Exits compare as numbers: the exit 4 is not among the exits "34".
bool CarriesCode(const TNodo& node, const TConector& arm, const TArco& arco, char letter) {
  const int slots = std::min(node.ArmCount - 1, kMaxSlots);
  for (int j = 1; j <= slots; ++j) {
    const TMovimiento& slot = At(arm.Slots, j);
    if (slot.Code.find(letter) != std::string::npos && ExitsInclude(arco.Salidas, slot.ExitNode)) return true;
  }
  return false;
}

}  // namespace

void ClasificarOpuestos(const NetworkBuild& build, int32_t c, int kind, const std::vector<int32_t>& opuestos) {
  QorVars& qor = build.Qor;
  const TArco& giving = At(qor.Arcos, c);
  int32_t L = 0, S = 0, R = 0;
  for (int32_t j : opuestos) {
    const TArco& candidate = At(qor.Arcos, j);
    const int delta = RoundEven((candidate.Rumbo - giving.Rumbo) / 450.0);
    if (delta < -8 || delta > 8) {
      build.Log.Line(Printf("Caso %d: %d", kind, delta));
      continue;
    }
    const char group = AngleGroup(delta);
    const int32_t n = candidate.Numero;
    if (kind == 1) {
      if (group == 'A') {
        S = n;
      } else if (group == 'B' && giving.Clase != 1) {
        if (S == 0 || candidate.Clase == 0) S = n;
      } else if (group == 'C' && giving.Clase == -1) {
        R = n;
      } else if (group == 'D' && giving.Clase != 1) {
        if (L == 0 || candidate.Clase == 0) L = n;
      }
    } else if (kind == 2) {
      if (group == 'C' && candidate.Clase == 0) R = n;
    } else if (kind == 3) {
      if (group == 'D' && !(candidate.Clase == 1 && SingleExit(candidate.Salidas))) L = n;
    }
  }
  if (static_cast<int64_t>(L) + S + R <= 0) return;

  int32_t opposing1 = 0, opposing2 = 0;
  int percentage = 0;
  if (L >= 1) {
    opposing1 = L;
    if (S >= 1) {
      opposing2 = S;
      const TGiro* right = TurnOfClass(build.Sat, giving, 1);
      const bool defined = right != nullptr && giving.Flujo > 0;
      percentage = defined ? Percentage(100.0 * right->AssignedFlow / giving.Flujo) : 0;
    } else {
      opposing2 = R;
    }
  } else if (S >= 1) {
    opposing1 = S;
    if (R > 0) opposing2 = R;
  } else if (SingleExit(giving.Salidas)) {
    opposing1 = R;
  } else {
    percentage = NotTurningLeftPercentage(build.Sat, giving);
    opposing2 = R;
  }
  AddGiveWay(qor, giving, opposing1, opposing2, percentage);
}

void AnalizarCedas(const NetworkBuild& build, NetworkPosition r) {
  QorVars& qor = build.Qor;
  const SaturnVars& sat = build.Sat;
  qor.ClearCases();
  for (const MovementEntry& e : build.Cfg.Network(r).FlujoArco1)
    for (int32_t link : LinksOfMovement(qor, e.A, e.B, e.C)) At(qor.Arcos, link).FlujoArco1 = e.Value;

  // A relation needs a giving and an opposing link, both ending at the junction: only the
  // junctions the network's links end at are looked at, in node order.
  std::vector<int32_t> junctions;
  for (int32_t i = 1; i <= qor.NumArcos; ++i) {
    const int32_t m = sat.FindNode(At(qor.Arcos, i).NodoB);
    if (m > 0) junctions.push_back(m);
  }
  std::sort(junctions.begin(), junctions.end());
  junctions.erase(std::unique(junctions.begin(), junctions.end()), junctions.end());
  for (int32_t m : junctions) {
    const TNodo& node = At(sat.Nodes, m);
    const bool signalised = node.JunctionType == 3;
    const bool marked = node.TurnCodeFlags[0] != 0 || node.TurnCodeFlags[1] != 0 || node.TurnCodeFlags[3] != 0;
    if (signalised && !marked) continue;
    const int armCount = std::min(node.ArmCount, kMaxArms);
    for (int a = 1; a <= armCount; ++a) {
      const TConector& arm = At(node.Arms, a);
      if (arm.Lanes == 0) continue;
      const bool case1 = arm.HasGTurn || (!signalised && arm.HasXTurn);
      const bool case2 = !case1 && signalised && (arm.HasXTurn || arm.HasFTurn);
      if (!case1 && !case2) continue;

      LinksAsText giving, opposing;
      for (int32_t link : LinksOfMovement(qor, arm.ANode, node.Number, 0)) {
        const TArco& arco = At(qor.Arcos, link);
        if (case1 ? (arm.HasGTurn ? arco.EsPublico == 0 : arco.Clase == -1)
                  : (arco.EsPublico == 0 && (CarriesCode(node, arm, arco, 'X') || CarriesCode(node, arm, arco, 'F'))))
          giving.Add(link);
      }
      for (int b = 1; b <= armCount; ++b) {
        const TConector& other = At(node.Arms, b);
        if (b == a || other.HasGTurn) continue;
        for (int32_t link : LinksOfMovement(qor, other.ANode, node.Number, 0)) {
          const TArco& arco = At(qor.Arcos, link);
          const bool general = arco.EsPublico == 0;
          // A public-transport link with a general twin is opposed through its twin.
          if (general || (case1 && qor.LinkByNumber(arco.Numero - 3) == 0)) opposing.Add(link);
        }
      }

      int kind = !signalised ? 1 : (node.TurnCodeFlags[1] != 0 ? 2 : 3);
      const std::vector<int32_t> opposingLinks = opposing.Links();
      if (opposingLinks.empty()) continue;
      for (int32_t c : giving.Links()) {
        const TArco& arco = At(qor.Arcos, c);
        if (signalised && arco.MarcaX != 0) kind = 2;
        if (signalised && arco.MarcaF != 0) kind = 3;
        if (opposingLinks.size() == 1)
          SingleOpposingRelation(sat, qor, kind, c, opposingLinks[0]);
        else
          ClasificarOpuestos(build, c, kind, opposingLinks);
      }
    }
  }
}

}  // namespace veltra
