// veltra-tntp: a network of the "Transportation Networks for Research" files as a SATURN
// network data file, a trip matrix and a node list, either as a pure buffer network (the
// links' BPR curves as buffer speed-flow curves: the same equilibrium as the TNTP network) or
// as a junction network (every link a simulation link, every node a simulation junction).
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "satprog/junction_model.h"

namespace veltra::satprog {

// The parts of a TNTP network the converter uses.
struct TntpLink {
  int32_t From = 0, To = 0;
  double Capacity = 0;  // veh/h
  double Length = 0;    // in the file's unit (ConversionSettings::MetresPerLengthUnit)
  double FreeTime = 0;  // minutes
  double B = 0, Power = 0;
};
struct TntpNode {
  int32_t Number = 0;
  double X = 0, Y = 0;
};
struct TntpNet {
  int32_t Zones = 0;
  int32_t FirstThruNode = 1;
  std::vector<TntpLink> Links;
  std::vector<TntpNode> Nodes;  // empty without a node file
};

enum class ConversionMode { Buffer, Signals };

// The unit of the node file's coordinates. Detected: longitude and latitude when every x is
// within +-180 and every y within +-90, metres otherwise.
enum class CoordinateUnit { Detected, Degrees, Metres, Feet };

struct ConversionSettings {
  ConversionMode Mode = ConversionMode::Buffer;
  std::string Title = "NETWORK CONVERTED FROM TNTP";
  int32_t Cycle = 90;                // s, every signal
  int32_t Intergreen = 5;            // s, after each of the two stages
  double LaneSaturationFlow = 1800;  // pcu/h per lane
  int32_t MaxNodesPerNetwork = 50;   // signals per TRANSYT network in the node list
  // The TNTP files give lengths in miles (Chicago Sketch), feet (Anaheim) or kilometres;
  // the network file wants metres.
  double MetresPerLengthUnit = 1609.344;
  // Longitude and latitude are projected to metres (equirectangular, about the centre of the
  // network's extent), feet made metres; the drawings and the arms' bearings want metres.
  CoordinateUnit Coordinates = CoordinateUnit::Detected;
  // Which turns from the major road of a priority junction cross the opposing stream and so
  // give way: the left turns where traffic drives on the right.
  DrivingSide Side = DrivingSide::Right;
};

struct Conversion {
  std::vector<std::string> DataFile;  // BASE.dat
  std::vector<std::string> NodeList;  // BASE_nodos.txt
  std::vector<std::string> Warnings;
  std::vector<std::string> Notes;     // what the converter decided that the user should know
  int32_t Signals = 0, PriorityJunctions = 0;
  // The priority junctions where turns give way, by their arms (three, four, more), and those
  // where none does (a road that only continues, or one approach).
  int32_t GiveWayThreeArms = 0, GiveWayFourArms = 0, GiveWayMoreArms = 0, NoGiveWay = 0;
  // Links of the TNTP file, and what became of the parallel ones (a second link between the
  // same two nodes in the same direction, which the network file cannot hold as such).
  int32_t LinksRead = 0, LinksWritten = 0;
  int32_t ParallelMerged = 0;  // folded into the first one's arm or buffer link (capacity summed)
  int32_t ParallelSplit = 0;   // kept as links of their own through a node added for each (two links each)
  int32_t LoopsDropped = 0;    // links from a node to itself, left out
};

// Raised on data the network file cannot hold (a number its columns cannot take, a coordinate
// that is not what its unit says), with a message naming the link or node and the value.
struct ConversionError {
  std::string Message;
};

Conversion ConvertTntp(const TntpNet& net, const ConversionSettings& settings);

// The node coordinates file ("node X Y ;" rows after a header line).
std::vector<TntpNode> ReadTntpNodes(const std::string& path);

}  // namespace veltra::satprog

namespace veltra::satprog {

// veltra-tntp --buffer|--signals --net NET_net.tntp --trips NET_trips.tntp [--nodes NET_node.tntp]
//             [--length-unit mi|ft|km|m] [--coordinates degrees|metres|feet] --out BASE: writes
//             BASE.dat, BASE.csv and BASE_nodos.txt (lengths in miles unless the unit is given).
// Returns the exit code: 0 written (and after --help), 1 usage error (the whole usage text when
// no argument is given) or input that cannot be converted, with a message on `out` and nothing
// written.
int RunTntpConverter(const std::vector<std::string>& args, std::ostream& out);

}  // namespace veltra::satprog
