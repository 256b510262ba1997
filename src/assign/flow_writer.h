// The link flows of an assignment as CSV: init_node,term_node,flow,cost, one row per link in the
// network file's order.
#pragma once

#include "assign/assignment.h"
#include "assign/network.h"

#include <ostream>

namespace veltra::assign {

// Node numbers are written 1-based; cost is the first class's generalised cost. Throws
// std::logic_error, having written only whole rows before it, on a value that is not finite.
void WriteFlowsCsv(std::ostream& out, const Network& network, const AssignmentResult& result);

} // namespace veltra::assign
