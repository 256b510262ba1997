#include "saturn/counts.h"

#include <algorithm>
#include <set>

#include "model/tables.h"
#include "saturn/listing.h"
#include "util/conversions.h"
#include "util/files.h"
#include "util/text.h"

namespace veltra {

void ReadCounts(const std::vector<std::string>& lines, const std::string& countsFile, SaturnVars& sat, MessageLog& log) {
  PrepareFlows(sat);
  std::set<std::string> unknownTurns;
  std::set<std::string> unknownLinks;
  for (size_t i = 1; i < lines.size(); ++i) {
    // Missing trailing fields count as 0.
    const std::vector<std::string> fields = Split(lines[i] + ",,,,,", ',');
    const int32_t a = TextToInt(fields[0]);
    const int32_t b = TextToInt(fields[1]);
    const int32_t c = TextToInt(fields[2]);
    const float assigned = static_cast<float>(TextToReal(fields[3]));
    const float fixed = static_cast<float>(TextToReal(fields[4]));
    if (c > 0) {
      const int32_t t = sat.FindTurn(a, b, c);
      if (t != 0) {
        TGiro& turn = At(sat.Turns, t);
        turn.AssignedFlow += assigned;
        turn.FixedFlow += fixed;
        if (turn.EntryLink > 0 && static_cast<size_t>(turn.EntryLink) < sat.LinkFlows.size()) {
          TFlujoArco& f = At(sat.LinkFlows, turn.EntryLink);
          f[TFlujoArco::ByDirection(FlowSlot::TurnAssigned, turn.Direction)] += assigned;
          f[TFlujoArco::ByDirection(FlowSlot::TurnFixed, turn.Direction)] += fixed;
        }
      } else {
        unknownTurns.insert(Printf("%9d%9d%9d", a, b, c));
      }
    }
    if (b > 0) {
      const int32_t l = sat.FindLink(a, b);
      if (l != 0) {
        TFlujoArco& f = At(sat.LinkFlows, l);
        f[FlowSlot::Assigned] += assigned;
        f[FlowSlot::Fixed] += fixed;
        f[FlowSlot::TurnsAssigned] = f[FlowSlot::Assigned];
        f[FlowSlot::TurnsFixed] = f[FlowSlot::Fixed];
      } else {
        unknownLinks.insert(Printf("%9d%9d", a, b));
      }
    }
    if (c > 0) {
      const int32_t l = sat.FindLink(b, c);
      if (l != 0) {
        TFlujoArco& f = At(sat.LinkFlows, l);
        f[FlowSlot::CountedAssigned] += assigned;
        f[FlowSlot::CountedFixed] += fixed;
      } else {
        unknownLinks.insert(Printf("%9d%9d", b, c));
      }
    }
  }
  if (unknownTurns.empty() && unknownLinks.empty()) return;

  const std::string errorsFile = ChangeExtension(countsFile, ".errores");
  TextWriter out(errorsFile);
  out.Line("Conteos:");
  for (const auto& entry : unknownTurns) out.Line(entry);
  out.Line();
  out.Line("ARCOS:");
  for (const auto& entry : unknownLinks) out.Line(entry);
  out.Close();
  log.Line();
  log.Line("Archivo de Conteos con errores");
  log.Line("Revisar: " + errorsFile);
  log.Line();
}

}  // namespace veltra
