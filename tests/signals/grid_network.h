// The grid of signalised junctions that the engine's tests and benchmarks share: six links a
// junction (50 junctions: 300 links), platoons along rows and columns, and loops.
#pragma once

#include <string>
#include <vector>

namespace veltra::signals::test {

// Junctions on a grid ten wide, 300 m apart, two stages each. At each: eastbound and westbound
// through links and an eastbound left turn (stage 1), northbound and southbound through links
// and a northbound left turn (stage 2); through links are fed by the neighbour's link of the
// same direction and by the crossing left turn. Cycle 90 s in 45 steps unless given.
std::vector<std::string> GridNetwork(int junctions, int cycle = 90, int steps = 45);

}  // namespace veltra::signals::test
