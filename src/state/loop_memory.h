// What the loop keeps from one iteration to the next besides the model's tables: the averaged
// coupling's flows and steps (Promediado=1), each network's index for its starting timings, and
// what the assignment program stated of its own convergence in each iteration.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace veltra {

// What folding one assignment into the average did. Precisions are the loop's flow precision,
// the sum of the absolute differences over twice the sum of both flows, on the turns the TRANSYT
// links carry.
struct AveragingStep {
  int Iteration = 0;
  double Step = 1;                // weight of the new assignment in the average
  double RawPrecision = 0;        // assigned flows against the averaged flows the signals were set on
  double SumDif = 0, SumPro = 0;  // the averaged flows against those before: behind Precision
  double Precision = 0;           // how much the averaged flows moved
  int Turns = 0;                  // turns compared
};

// The averaged flows, with the turn and link keys they belong to: a reload that changes the
// network's tables keeps each flow with its turn or link.
struct FlowAverage {
  std::vector<std::string> TurnKeys;
  std::vector<float> TurnFlows;  // assigned flow, PCU/h
  std::vector<std::string> LinkKeys;
  std::vector<std::array<float, 2>> LinkConnectorFlows;  // the two connector flows of each link
  double Weight = 0;  // b of the last step; 0: nothing folded yet
  std::vector<AveragingStep> Steps;

  // The step of `iteration`, or nullptr when that assignment was not folded.
  const AveragingStep* StepOf(int iteration) const {
    for (const AveragingStep& step : Steps)
      if (step.Iteration == iteration) return &step;
    return nullptr;
  }
};

// How close an assignment came to equilibrium, as the assignment program's listing states it:
// the relative gap, the average excess cost per trip over its pair's shortest route (s) and the
// largest excess of a used route (s). A measure the listing does not give is negative.
struct AssignmentConvergence {
  bool Stated = false;
  double RelativeGap = -1, AverageExcess = -1, LargestExcess = -1;
};

struct LoopMemory {
  FlowAverage Averaging;
  // Per network position (index 0 unused): the performance index of the starting timings on the
  // starting flows; negative: not evaluated.
  std::vector<double> StartingIndex;
  // Per iteration (index 0: the starting listing).
  std::vector<AssignmentConvergence> Assignment;

  // The convergence the listing of `iteration` stated; not stated when it was not read.
  AssignmentConvergence AssignmentOf(int iteration) const {
    return iteration >= 0 && static_cast<size_t>(iteration) < Assignment.size() ? Assignment[static_cast<size_t>(iteration)]
                                                                               : AssignmentConvergence();
  }
};

}  // namespace veltra
