// Section 6 of the SATURN network data file: bus routes, their completion by the shortest
// path when FOZZY is on, and their PCU flows per link and turn.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/saturn_vars.h"
#include "saturn/network_reader.h"

namespace veltra {

// Record handler of section 6: the current line is a route header of route group `group`.
void ReadBusRoute(NetworkReader& reader, int group);
// Positions in Nodes of the shortest path (by link length) from node position `from` to
// node position `to`, both included; empty when there is none or when from equals to.
std::vector<int32_t> ShortestPath(const SaturnVars& sat, int32_t from, int32_t to);
// The bus PCU of every route on its links and turns, into the selected or the other tables.
void AddBusFlows(SaturnVars& sat, const std::string& selection);

}  // namespace veltra
