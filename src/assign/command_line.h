// The veltra-assign program: reads TNTP files, solves, reports each iteration and writes flows.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace veltra::assign {

// Exit codes: 0 converged, 2 not converged (the iteration limit came first, or a link's time is
// held at the ceiling), 1 bad input.
int RunAssignCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace veltra::assign
