#include "assign/flow_writer.h"

#include <cstdio>

namespace veltra::assign {

void WriteFlowsCsv(std::ostream& out, const Network& network, const AssignmentResult& result) {
    std::vector<double> fixed;
    if (!network.Classes.empty()) fixed = ClassFixedCost(network, network.Classes[0]);
    out << "init_node,term_node,flow,cost\n";
    char row[128];
    const Graph& g = network.Links;
    for (int32_t a = 0; a < g.LinkCount(); ++a) {
        double cost = result.Time[a] + (fixed.empty() ? 0.0 : fixed[a]);
        std::snprintf(row, sizeof row, "%d,%d,%.10g,%.10g\n", g.Tail(a) + 1, g.Head(a) + 1, result.Flow[a], cost);
        out << row;
    }
}

} // namespace veltra::assign
