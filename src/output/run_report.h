// The run report: one self-contained HTML page that says what a run did, for the engineer who
// opens it from disk after the run. It holds no scripts and loads nothing from outside: the
// charts are inline SVG and the drawings are the run's own SVG pictures, inlined.
//
// The report is filled from plain records, so that the page can be written and tested without
// a run; the driver gathers the records from its tables at the end of the run.
#pragma once

#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace veltra {

// One row per SATURN assignment: row 0 is the starting network, row i the assignment of
// iteration i. Values a run did not compute are left at 0 and flagged by the Has* fields.
struct ReportIteration {
  int Iteration = 0;
  bool HasConvergence = false;  // false for the starting network and for restarts
  double SumDif = 0, SumPro = 0, Precision = 0;
  double TurnPcuHr = 0, TurnPcuKm = 0;      // on the turns of the TRANSYT networks
  double SubPcuHr = 0, SubPcuKm = 0;        // listing's SUB-TOTALS
  double GrandPcuHr = 0, GrandPcuKm = 0;    // listing's GRAND TOTALS
  // How close the assignment came to equilibrium, as its listing states it (the relative gap, the
  // average excess per trip and the largest route excess, s); negative where not stated.
  double RelativeGap = -1, AverageExcess = -1, LargestExcess = -1;
  // The averaged coupling: how much the averaged flows moved, and the new assignment's weight.
  bool HasAveraged = false;
  double AveragedPrecision = 0, Step = 0;
};

// One link of a network as the print file of the shown iteration gives it: its TRANSYT number,
// its node (TRANSYT and SATURN numbers), flow (pcu/h), degree of saturation (%), mean delay
// (s per pcu) and largest queue (pcu).
struct ReportLinkResult {
  int Link = 0, TransytNode = 0, SaturnNode = 0;
  double Flow = 0, DegreeOfSaturation = 0, Delay = 0, Queue = 0;
};

// One TRANSYT network over the run: per iteration (index 0 unused) its cycle, the structure
// chosen (single, or the double-cycled nodes) and the performance index of its final timings.
struct ReportNetwork {
  int Number = 0;
  std::string Name;
  std::vector<int> Cycle;
  std::vector<std::string> Structure;
  std::vector<double> PerformanceIndex;  // negative: not read
  std::vector<std::string> NotOptimised;  // why the network kept its timings in that iteration; empty: optimised
  // The links' results in the shown iteration's print file, and that file's name.
  std::vector<ReportLinkResult> Links;
  std::string LinksFile;
  double StartingIndex = -1;  // the starting timings on the starting flows; negative: not evaluated
};

// What an outside program left wrong or told during the run.
struct ReportNote {
  int Iteration = 0;
  int Network = 0;       // 0: the assignment
  bool Failure = false;  // part of what keeps the result from being complete
  std::string Text;
};

// The timings of one signal node in the chosen iteration, and before the loop changed them.
struct ReportJunction {
  int Network = 0;
  int SaturnNode = 0;
  int TransytNode = 0;
  int Cycle = 0;
  int Offset = 0;
  std::vector<int> Greens;       // stage by stage
  std::vector<int> Intergreens;  // after each stage's green
  // As the SATURN network gave them at the start; HasBefore false when not known.
  bool HasBefore = false;
  int CycleBefore = 0, OffsetBefore = 0;
  std::vector<int> GreensBefore, IntergreensBefore;
};

struct ReportDrawing {
  std::string Caption;
  std::string Svg;  // the picture's whole text, as written beside the DXF drawing
};

struct RunReport {
  std::string Title;
  std::vector<std::pair<std::string, std::string>> Inputs;    // label, value
  std::vector<std::pair<std::string, std::string>> Settings;  // key, value
  std::string StopReason;
  double PrecisionThreshold = 0;
  int LastIteration = 0;
  int ChosenIteration = -1;  // -1: no choice was made (GuardarFinal off)
  bool Averaged = false;     // the signals were set on averaged flows (Promediado=1)
  std::string ChosenReason;
  std::vector<ReportIteration> Iterations;
  std::vector<ReportNetwork> Networks;
  int TimingsIteration = 0;  // the iteration whose timings Junctions holds
  std::vector<ReportJunction> Junctions;
  std::vector<ReportDrawing> Drawings;
  std::vector<std::string> FilesWritten;
  // What keeps the result from being complete (one line each; empty: complete), the programs'
  // failures and warnings, the errors file's lines, and where the programs' output is kept.
  std::vector<std::string> Incomplete;
  std::vector<ReportNote> Notes;
  std::vector<std::string> Errors;
  std::string EngineLog;
};

// True when the starting network's GRAND TOTALS pcu-hours are lower than every iteration's:
// the loop did not improve on the timings it was given.
bool StartBeatsEveryIteration(const RunReport& report);

void WriteRunReport(const RunReport& report, std::ostream& out);

// A line chart as an SVG element: one polyline per series, point i at x = firstX + i, with axes,
// tick labels and a legend; an optional horizontal reference line (a threshold). Values that
// are not finite leave a gap.
struct ChartSeries {
  std::string Name;
  std::string Colour;
  std::vector<double> Values;
};
std::string LineChartSvg(const std::string& title, const std::vector<ChartSeries>& series, int firstX,
                         const std::string& xLabel, bool hasReference, double reference,
                         const std::string& referenceLabel);

}  // namespace veltra
