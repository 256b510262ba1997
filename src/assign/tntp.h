// Readers of the "Transportation Networks for Research" text files (_net, _trips, _flow) and the
// adapter from them to an assignment network. Every fault in a file stops the read with a message
// naming the file, the line and the field.
#pragma once

#include "assign/network.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace veltra::assign {

// The longest line the TNTP readers take (all destinations of a large zone system's origin
// fit on one line); a longer one is refused with the file, the line and this limit.
constexpr size_t kMaxTntpLineLength = 4u * 1024u * 1024u;

class InputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TntpLink {
    int32_t Init = 0, Term = 0; // node numbers as in the file (1-based)
    double Capacity = 0, Length = 0, FreeTime = 0, B = 0, Power = 0, Speed = 0, Toll = 0;
    int32_t Type = 0;
    int32_t Line = 0; // line of the file it was read from, for messages
};

struct TntpNetwork {
    int32_t Zones = 0;
    int32_t Nodes = 0;
    int32_t FirstThruNode = 1;
    std::vector<TntpLink> Links; // in the file's order
};

struct TntpFlow {
    int32_t From = 0, To = 0;
    double Volume = 0, Cost = 0;
};

TntpNetwork ReadTntpNetwork(const std::string& path);
// The file's lines; a file that cannot be opened, or a line longer than kMaxTntpLineLength,
// throws InputError.
std::vector<std::string> ReadTntpLines(const std::string& path);
// <NUMBER OF ZONES> of the metadata of lines already read (path names the file in messages),
// or -1 when the file gives none.
int32_t TntpZoneCount(const std::string& path, const std::vector<std::string>& lines);
// Trips between zones 1..zones; node index = zone number - 1.
Demand ReadTntpTrips(const std::string& path, int32_t zones);
Demand ReadTntpTrips(const std::string& path, const std::vector<std::string>& lines, int32_t zones);
std::vector<TntpFlow> ReadTntpFlows(const std::string& path);

// One class with the given weights; BPR cost functions as in the file; node n is index n - 1.
Network BuildNetwork(const TntpNetwork& tntp, Demand trips, double tollWeight, double distanceWeight);

// Refuses, naming the file (path), the link's line and the field, a link whose generalised cost at
// free flow, free_flow_time + tollWeight * toll + distanceWeight * length, is negative, overflows a
// double or passes the engine's ceiling (kTimeCeiling).
void CheckGeneralisedCosts(const std::string& path, const TntpNetwork& tntp, double tollWeight, double distanceWeight);

} // namespace veltra::assign
