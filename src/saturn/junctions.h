// Section 1 of the SATURN network data file: junction, arm, continuation and stage cards, and
// what is derived from them: simulation links, turns with their stage masks, index
// resolution, geometry and turn directions, arm numbering and lane groups.
#pragma once

#include "model/saturn_vars.h"
#include "saturn/network_reader.h"

namespace veltra {

// Record handler of section 1: the current line is a junction card; its arm, continuation
// and stage cards are read after it.
void ReadJunction(NetworkReader& reader);
// After section 1: a link per arm with lanes, a turn per movement, and the stage masks.
void BuildJunctionLinksAndTurns(NetworkReader& reader);
// A turn per movement of every arm with lanes, in node and arm order, with the slots' exit
// nodes and turn indices. Returns the number of the node whose turns overflow the table, else 0.
int32_t BuildTurns(SaturnVars& sat);
// Bit k-1 of a turn's stage mask for every stage k of its junction's plan that lists it.
void BuildStageMasks(SaturnVars& sat);
// After the tables are sorted: approach links of the arms, end-node positions of links and turns.
void ResolveIndices(SaturnVars& sat);
// With coordinates: link angles and lengths, approach angles, turn angles and directions,
// entry and exit links of the turns.
void DeriveGeometry(SaturnVars& sat);
// With coordinates: arm 1 is the arm travelling closest to +Y, the others follow it.
void NumberArms(SaturnVars& sat);
// The lane groups of every arm. Returns the number of a node with an arm whose slots would
// form more lane groups than an arm holds (its groups are left incomplete), else 0.
int32_t BuildLaneGroups(SaturnVars& sat);
// The same in the reader: an arm with too many lane groups stops the run.
void BuildLaneGroups(NetworkReader& reader);

// Turn direction of a turn angle d (tenths of a degree): 1 right, 0 straight ahead, -1 left;
// `keep` when d lies outside every range.
int32_t DirectionOfTurn(int32_t d, int32_t keep);

}  // namespace veltra
