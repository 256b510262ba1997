// Small signal networks written as data files, shared by the engine's tests.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "signals/network.h"

namespace veltra::signals::test {

// One card: every field "%5d".
std::string Card(std::initializer_list<int> fields);

struct RunOptions {
  int Cycle = 60;
  int Steps = 60;
  int Optimise = 2;
  int Dispersion = 1;
  int StartLoss = 2;
  int EndGain = 2;
  int DelayWeight = 930;
  int StopWeight = 170;
  int Equisat = 1;
  int Minutes = 60;
};
std::string CardOne(const RunOptions& o);

// An arterial of `nodes` two-stage junctions 300 m apart: eastbound and westbound main-road
// links green in stage 1, fed by the previous junction's main-road link, and a side road
// green in stage 2 arriving evenly. Node i is numbered i; its links 100 i + 1 (eastbound),
// 100 i + 2 (side road), 100 i + 3 (westbound). All nodes are optimised unless `optimise` is false.
std::vector<std::string> Arterial(int nodes, const RunOptions& o, bool optimise = true);

// An isolated two-stage junction: two links, flow ratios y1 and y2 of a saturation flow of
// 1800 PCU/h, intergreens of 5 s (the start lag), minimum stages of 7 s.
std::vector<std::string> Isolated(double y1, double y2, const RunOptions& o);

// Reads lines as a data file; fails the test on any error.
SignalNetwork Parse(const std::vector<std::string>& lines);

}  // namespace veltra::signals::test

namespace veltra::signals {
// The engine's tests use the builders unqualified.
using test::Card;
using test::CardOne;
using test::Parse;
using test::RunOptions;
}  // namespace veltra::signals
