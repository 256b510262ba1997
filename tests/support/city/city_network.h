// A generated city at the size of the large published networks (about 13,000 nodes, 28,000 links
// and 865 zones): a perturbed street grid with arterials every eighth street, secondary streets
// every fourth, sparser local streets many of them one-way, zone centroids on connectors, and a
// gravity demand. The same seed gives the same network on every machine.
#pragma once

#include "assign/network.h"

#include <cstdint>
#include <string>

namespace veltra::assign::bench {

struct CityShape {
    int32_t Columns = 135, Rows = 90; // intersections
    int32_t Zones = 865;
    double LocalStreets = 0.43; // share of the local street blocks that exist
    double TotalTrips = 170000;
    uint64_t Seed = 20240607;
};

struct City {
    Network Net;
    std::vector<double> Capacity, Length, FreeTime; // [link], as written to the network file
    std::vector<double> X, Y;                       // [node], metres, as written to the node file
};

City GenerateCity(const CityShape& shape);

// The city as TNTP network, trips and node files (base + "_net.tntp", "_trips.tntp", "_node.tntp";
// lengths and coordinates in metres).
void WriteCityTntp(const City& city, int32_t zones, const std::string& base);

} // namespace veltra::assign::bench
