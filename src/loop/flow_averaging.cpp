#include "loop/flow_averaging.h"

#include <algorithm>
#include <unordered_map>

#include "loop/convergence.h"

namespace veltra {

namespace {

std::array<float, 2> ConnectorFlows(const TFlujoArco& flows) {
  return {flows[FlowSlot::ZoneConnectors], flows[FlowSlot::NodeConnectors]};
}

template <class Row>
bool SameKeys(const std::vector<std::string>& keys, const std::vector<Row>& table) {
  if (keys.size() != table.size()) return false;
  for (size_t i = 0; i < keys.size(); ++i)
    if (keys[i] != table[i].Key) return false;
  return true;
}

// Lines the averaged values up with the table as read: each value stays with its key, a key the
// table no longer has is dropped, and a new one starts from what was just assigned to it.
template <class Row, class Value, class Assigned>
void Align(std::vector<std::string>& keys, std::vector<Value>& values, const std::vector<Row>& table,
           Assigned assigned) {
  if (SameKeys(keys, table) && values.size() == table.size()) return;
  std::unordered_map<std::string, size_t> before;
  for (size_t i = 0; i < keys.size() && i < values.size(); ++i) before.emplace(keys[i], i);
  std::vector<Value> aligned(table.size());
  for (size_t i = 0; i < table.size(); ++i) {
    const auto it = before.find(table[i].Key);
    aligned[i] = it != before.end() ? values[it->second] : assigned(i);
  }
  keys.resize(table.size());
  for (size_t i = 0; i < table.size(); ++i) keys[i] = table[i].Key;
  values = std::move(aligned);
}

}  // namespace

const AveragingStep& FoldAssignment(FlowAverage& average, const SaturnVars& sat, int iteration) {
  const auto assignedTurn = [&](size_t t) { return sat.Turns[t].AssignedFlow; };
  const auto assignedLink = [&](size_t l) {
    return l < sat.LinkFlows.size() ? ConnectorFlows(sat.LinkFlows[l]) : std::array<float, 2>{};
  };
  Align(average.TurnKeys, average.TurnFlows, sat.Turns, assignedTurn);
  Align(average.LinkKeys, average.LinkConnectorFlows, sat.Links, assignedLink);

  AveragingStep step;
  step.Iteration = iteration;
  // The gap between what was assigned and what the signals were set on, as the plain loop
  // measures it.
  step.RawPrecision = MarkedTurnGap(sat, [&](size_t t) { return sat.Turns[t].AssignedFlow; }).Precision();
  if (average.Weight <= 0) {
    average.Weight = 1;
  } else {
    const bool rose = average.Steps.empty() || step.RawPrecision >= average.Steps.back().RawPrecision;
    average.Weight += rose ? kStepGrowthOnRise : kStepGrowthOnFall;
  }
  step.Step = 1 / average.Weight;
  for (size_t t = 1; t < sat.Turns.size(); ++t) {
    float& x = average.TurnFlows[t];
    x += static_cast<float>(step.Step * (sat.Turns[t].AssignedFlow - x));
  }
  for (size_t l = 1; l < sat.Links.size(); ++l) {
    const std::array<float, 2> y = assignedLink(l);
    for (size_t k = 0; k < 2; ++k)
      average.LinkConnectorFlows[l][k] += static_cast<float>(step.Step * (y[k] - average.LinkConnectorFlows[l][k]));
  }

  // How far the averaged flows moved from those the signals were set on.
  const TurnFlowGap moved = MarkedTurnGap(sat, [&](size_t t) { return average.TurnFlows[t]; });
  step.SumDif = moved.SumDif;
  step.SumPro = moved.SumPro;
  step.Turns = moved.Turns;
  step.Precision = moved.Precision();
  average.Steps.push_back(step);
  return average.Steps.back();
}

void HandAveragedFlows(const FlowAverage& average, SaturnVars& sat) {
  const size_t turns = std::min({sat.Turns.size(), average.TurnFlows.size(), average.TurnKeys.size()});
  for (size_t t = 1; t < turns; ++t)
    if (sat.Turns[t].Key == average.TurnKeys[t]) sat.Turns[t].AssignedFlow = average.TurnFlows[t];
  const size_t links =
      std::min({sat.Links.size(), sat.LinkFlows.size(), average.LinkConnectorFlows.size(), average.LinkKeys.size()});
  for (size_t l = 1; l < links; ++l) {
    if (sat.Links[l].Key != average.LinkKeys[l]) continue;
    sat.LinkFlows[l][FlowSlot::ZoneConnectors] = average.LinkConnectorFlows[l][0];
    sat.LinkFlows[l][FlowSlot::NodeConnectors] = average.LinkConnectorFlows[l][1];
  }
}

}  // namespace veltra
