#include "assign/command_line.h"

#include "assign/assignment.h"
#include "assign/flow_writer.h"
#include "assign/tntp.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <new>

namespace veltra::assign {

namespace {

const char* const kUsage =
    "usage: veltra-assign --net NET_net.tntp --trips NET_trips.tntp [--gap 1e-8] [--max-iter N]\n"
    "                     [--threads N] [--algorithm b|fw|cfw] [--toll-weight W] [--distance-weight W]\n"
    "                     [--out flows.csv]\n";

struct Options {
    std::string Net, Trips, Out;
    SolverSettings Settings;
    double TollWeight = 0, DistanceWeight = 0;
};

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

double RealOption(const std::string& name, const std::string& text) {
    double value = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || ptr != text.data() + text.size() || text.empty() || !std::isfinite(value))
        throw UsageError(name + ": \"" + text + "\" is not a number");
    return value;
}

int32_t IntOption(const std::string& name, const std::string& text) {
    int32_t value = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || ptr != text.data() + text.size() || text.empty())
        throw UsageError(name + ": \"" + text + "\" is not a whole number");
    return value;
}

Options ParseOptions(const std::vector<std::string>& args) {
    Options o;
    o.Settings.TargetGap = 1e-8;
    o.Settings.MaxIterations = 1000;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& name = args[i];
        if (i + 1 >= args.size()) throw UsageError(name + ": a value is missing");
        const std::string& value = args[++i];
        if (name == "--net") o.Net = value;
        else if (name == "--trips") o.Trips = value;
        else if (name == "--out") o.Out = value;
        else if (name == "--gap") {
            o.Settings.TargetGap = RealOption(name, value);
            if (o.Settings.TargetGap < 0) throw UsageError("--gap: must not be negative");
        } else if (name == "--max-iter") {
            o.Settings.MaxIterations = IntOption(name, value);
            if (o.Settings.MaxIterations < 0) throw UsageError("--max-iter: must not be negative");
        } else if (name == "--threads") {
            o.Settings.Threads = IntOption(name, value);
            if (o.Settings.Threads < 0) throw UsageError("--threads: must not be negative");
        } else if (name == "--algorithm") {
            if (value == "b") o.Settings.Method = Algorithm::B;
            else if (value == "fw") o.Settings.Method = Algorithm::FrankWolfe;
            else if (value == "cfw") o.Settings.Method = Algorithm::ConjugateFrankWolfe;
            else throw UsageError("--algorithm: \"" + value + "\" is not b, fw or cfw");
        } else if (name == "--toll-weight") o.TollWeight = RealOption(name, value);
        else if (name == "--distance-weight") o.DistanceWeight = RealOption(name, value);
        else throw UsageError("unknown option " + name);
    }
    if (o.Net.empty()) throw UsageError("--net is required");
    if (o.Trips.empty()) throw UsageError("--trips is required");
    return o;
}

const char* AlgorithmName(Algorithm a) {
    switch (a) {
    case Algorithm::B: return "Algorithm B";
    case Algorithm::FrankWolfe: return "Frank-Wolfe";
    case Algorithm::ConjugateFrankWolfe: return "conjugate Frank-Wolfe";
    }
    return "";
}

} // namespace

int RunAssignCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    Options options;
    try {
        options = ParseOptions(args);
    } catch (const UsageError& e) {
        err << "veltra-assign: " << e.what() << "\n" << kUsage;
        return 1;
    }
    try {
        TntpNetwork tntp = ReadTntpNetwork(options.Net);
        Demand trips = ReadTntpTrips(options.Trips, tntp.Zones);
        Network network = BuildNetwork(tntp, std::move(trips), options.TollWeight, options.DistanceWeight);
        // Generalised costs must not be negative, or shortest paths lose their meaning.
        std::vector<double> fixed = ClassFixedCost(network, network.Classes[0]);
        for (size_t a = 0; a < fixed.size(); ++a)
            if (fixed[a] < 0)
                throw InputError(options.Net + ": link " + std::to_string(a + 1) +
                                 ": negative generalised cost from --toll-weight/--distance-weight");
        char line[160];
        std::snprintf(line, sizeof line, "%s: %d nodes, %d links, %d zones, %.1f trips between different zones\n", AlgorithmName(options.Settings.Method),
                      network.Links.NodeCount(), network.Links.LinkCount(), tntp.Zones, network.Classes[0].Trips.Total());
        out << line;
        Assignment assignment(network, options.Settings);
        AssignmentResult result = assignment.Solve([&](const IterationRecord& r) {
            std::snprintf(line, sizeof line, "iteration %5d  relative gap %.6e  %.3f s\n", r.Iteration, r.RelativeGap, r.Seconds);
            out << line << std::flush;
        });
        std::snprintf(line, sizeof line,
                      "%s after %d iterations: relative gap %.6e, objective %.10g, total cost %.10g, %.3f s\n",
                      result.Converged ? "converged" : "iteration limit reached", result.Iterations, result.RelativeGap,
                      result.Objective, result.TotalCost,
                      result.Convergence.empty() ? 0.0 : result.Convergence.back().Seconds);
        out << line;
        if (!options.Out.empty()) {
            std::ofstream file(options.Out, std::ios::binary);
            if (!file) throw InputError(options.Out + ": cannot create the file");
            WriteFlowsCsv(file, network, result);
            if (!file.flush()) throw InputError(options.Out + ": cannot write the file");
        }
        return result.Converged ? 0 : 2;
    } catch (const InputError& e) {
        err << "veltra-assign: " << e.what() << "\n";
        return 1;
    } catch (const AssignmentError& e) {
        err << "veltra-assign: " << options.Trips << ": " << e.what() << "\n";
        return 1;
    } catch (const std::bad_alloc&) {
        err << "veltra-assign: " << options.Net << ": the network and trips do not fit in memory\n";
        return 1;
    }
}

} // namespace veltra::assign
