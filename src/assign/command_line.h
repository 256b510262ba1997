// The veltra-assign program: reads TNTP files, solves, reports each iteration and writes flows.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "util/progress.h"

namespace veltra::assign {

// Exit codes: 0 converged, 2 not converged (the iteration limit came first, or a link's time is
// held at the ceiling), 1 bad input or no arguments (the usage text on `err`). The iteration
// report goes to `out`, messages and progress lines to `err`; `terminals` says which of them a
// person watches.
int RunAssignCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                     const Terminals& terminals = {});

} // namespace veltra::assign
