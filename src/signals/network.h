// The signal network as the engine sees it: everything a TRANSYT-style data file says about
// the network, its signalised nodes and its links, held in compact 0-based tables.
// The engine knows only the data file; it never sees the loop's model.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace veltra::signals {

constexpr int kMaxSources = 5;  // upstream links of one link (card 32)
constexpr int kMaxStagesPerNode = 6;

// Card 1: network and run data.
struct RunData {
  int Cycle = 0;             // seconds
  int Steps = 0;             // time steps per cycle
  int SimulatedMinutes = 60; // period over which random and oversaturation delay builds up
  int StartLoss = 2;         // seconds of lost time at the start of every effective green
  int EndGain = 2;           // seconds of the amber used as effective green
  bool Equisat = true;       // start the optimisation from equisaturation splits
  bool CyopRun = false;      // the file was written for the cycle table
  int FlowFactor = 100;      // percent applied to every flow
  int SpeedFactor = 100;     // percent applied to every cruise speed (or cruise time divisor)
  bool CruiseAsSpeed = true; // cruise values are speeds in km/h (else cruise times in seconds)
  int Optimise = 2;          // 0 evaluate only, 1 offsets only, 2 offsets and change times
  double Dispersion = 0.35;  // Robertson's alpha; 0 switches platoon dispersion off
  int Output = 0;            // 1 and above also print the cyclic flow profiles of every link
  double DelayWeight = 9.3;  // index per PCU-hour of delay
  double StopWeight = 1.7;   // index per 100 stops
};

struct SignalNode {
  int Number = 0;       // TRANSYT node number
  int Line = 0;         // line of its timing card
  int Stages = 0;       // stages of the pattern (of the half cycle for a double-cycled node)
  bool Doubled = false; // cards 22 and 23: the pattern runs twice per cycle
  bool Optimise = false;
  int Group = -1;       // coordinated group, -1 when none
  std::array<int, kMaxStagesPerNode> Start{};    // given stage start times, seconds
  std::array<int, kMaxStagesPerNode> MinStage{}; // minimum stage lengths, seconds (intergreen included)
};

// A green period of a link: from the start of stage StartStage plus StartLag to the start of
// stage EndStage plus EndLag.
struct GreenPeriod {
  int StartStage = 0;
  int StartLag = 0;
  int EndStage = 0;
  int EndLag = 0;
};

struct Source {
  int Link = -1;       // index of the upstream link
  double Flow = 0.0;   // PCU/h taken from it
  int Cruise = 0;      // cruise value from its stop line to this one
};

struct GiveWay {
  int Opposing1 = -1;     // link index opposing all of the flow, -1 when none
  int Opposing2 = -1;     // link index opposing the share below, -1 when none
  double OpposedShare = 0.0; // share of the flow that the second opposing link opposes
  double Saturation = 0.0;   // PCU/h when no opposing vehicle is present
  std::array<int, 5> Constants{}; // fields 6, 7, 9, 11 and 12 of the card, listed as given
};

struct SignalLink {
  int Number = 0;
  int Line = 0;            // line of its first card
  int Node = -1;           // index of the controlling node, -1 when uncontrolled
  int NodeNumber = 0;      // as given on card 31 (for messages)
  int PeriodCount = 0;
  std::array<GreenPeriod, 2> Periods{};
  int Length = 0;          // metres
  int Detail = 0;          // public-transport detail datum (listed only)
  double Saturation = 0.0; // PCU/h of green
  int Lanes = 1;
  bool HasControlCard = false;
  double Flow = 0.0;       // PCU/h
  double UniformFlow = 0.0;// PCU/h arriving evenly over the cycle
  int Cruise = 0;          // cruise value when the link has no upstream link
  int SourceCount = 0;
  std::array<Source, kMaxSources> Sources{};
  bool HasFlowCard = false;
  bool GivesWay = false;
  GiveWay Gw;
  int SharedLeader = -1;   // card 7: the link whose stop line this one shares, -1 when none
  bool Graph = false;      // card 35: print its profiles
  double QueueLimit = 0.0; // card 38: PCU above which the queue is penalised (0 = none)
  double QueuePenalty = 0.0; // card 38: index per PCU of excess queue
};

struct SignalNetwork {
  std::string Title;
  RunData Run;
  std::vector<SignalNode> Nodes;
  std::vector<SignalLink> Links;
  int GroupCount = 0;
};

// What reading a data file found besides the network.
struct ReadReport {
  std::vector<std::string> Warnings; // listed in the print file; the run goes on
  std::vector<std::string> Errors;   // the run stops without a result
  bool Ok() const { return Errors.empty(); }
};

// Reads the lines of a data file (title, then cards). Lines starting with "*" and blank lines
// are comments. Every problem is named with the file, the line and the field.
SignalNetwork ReadDataFile(const std::vector<std::string>& lines, const std::string& fileName, ReadReport& report);

}  // namespace veltra::signals
