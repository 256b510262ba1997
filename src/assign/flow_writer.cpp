#include "assign/flow_writer.h"

#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <string>

namespace veltra::assign {

void WriteFlowsCsv(std::ostream& out, const Network& network, const AssignmentResult& result) {
    std::vector<double> fixed;
    if (!network.Classes.empty()) fixed = ClassFixedCost(network, network.Classes[0]);
    out << "init_node,term_node,flow,cost\n";
    char row[128];
    const Graph& g = network.Links;
    for (int32_t a = 0; a < g.LinkCount(); ++a) {
        double cost = result.Time[a] + (fixed.empty() ? 0.0 : fixed[a]);
        // The engine's values are finite by construction; a file with "nan" in it would be read
        // by the next program as a number, so a fault is stopped here rather than written.
        if (!std::isfinite(result.Flow[a]) || !std::isfinite(cost))
            throw std::logic_error("link " + std::to_string(g.Tail(a) + 1) + "-" + std::to_string(g.Head(a) + 1) +
                                   ": its flow or cost is not a finite number");
        std::snprintf(row, sizeof row, "%d,%d,%.10g,%.10g\n", g.Tail(a) + 1, g.Head(a) + 1, result.Flow[a], cost);
        out << row;
    }
}

} // namespace veltra::assign
