// The veltra-assign program: reads TNTP files, solves, reports each iteration and writes flows.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace veltra::assign {

// Exit codes: 0 the gap was reached, 2 the iteration limit stopped it first, 1 bad input.
int RunAssignCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace veltra::assign
