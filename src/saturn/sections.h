// Sections 2 to 5 of the SATURN network data file (centroid connectors, buffer network, link
// marks, coordinates), the zone table built from the connectors, and the knob file.
#pragma once

#include "saturn/network_reader.h"

namespace veltra {

void ReadSimulationConnectors(NetworkReader& reader);  // section 2 record
void ReadBufferRecord(NetworkReader& reader);          // section 3 record (and its knob line)
void ReadLinkMark(NetworkReader& reader);              // section 4 record
void ReadCoordinates(NetworkReader& reader);           // section 5 record
// Zones from ConnectorList, after section 3.
void BuildZones(NetworkReader& reader);
// The knob file named by FILKNB.
void ReadKnobFile(NetworkReader& reader);

}  // namespace veltra
