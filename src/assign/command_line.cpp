#include "assign/command_line.h"

#include "assign/assignment.h"
#include "assign/flow_writer.h"
#include "assign/tntp.h"
#include "util/progress.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <new>

namespace veltra::assign {

namespace {

const char* const kUsage =
    "usage: veltra-assign --net NET_net.tntp --trips NET_trips.tntp [options]\n"
    "\n"
    "Solves the deterministic user equilibrium of a TNTP network and reports, per iteration, the\n"
    "relative gap, the average excess cost per trip and the largest excess of a used route over\n"
    "its origin-destination pair's shortest route.\n"
    "\n"
    "options:\n"
    "  --net FILE             the network (TNTP _net file); required\n"
    "  --trips FILE           the trips (TNTP _trips file); required\n"
    "  --out FILE             write init_node,term_node,flow,cost per link to FILE; default: none\n"
    "  --gap G                target relative gap; default 1e-8\n"
    "  --excess E             Algorithm B: every used route within E times the free-flow cost of\n"
    "                         its pair's shortest route; default 1e-6\n"
    "  --max-iter N           iteration limit; default 1000\n"
    "  --threads N            threads, 0 for one per core; default 0 (results do not depend on it)\n"
    "  --algorithm b|fw|cfw   Algorithm B, Frank-Wolfe or conjugate Frank-Wolfe; default b\n"
    "  --toll-weight W        generalised cost per unit of toll; default 0\n"
    "  --distance-weight W    generalised cost per unit of length; default 0\n"
    "  --progress S           a progress line (iteration, relative gap, largest route excess) on\n"
    "                         the error stream every S seconds (0 to 3600; 0: every iteration),\n"
    "                         even when it is not a terminal; default: every 2 s when the error\n"
    "                         stream is a terminal and the iteration report goes to a file, else\n"
    "                         none\n"
    "  --no-progress          no progress line, even on a terminal\n"
    "  --help                 this text (nothing is read or written)\n"
    "\n"
    "Messages are in English. Without arguments this text is shown and the exit code is 1.\n"
    "\n"
    "exit codes:\n"
    "  0  converged\n"
    "  1  bad input or a wrong command line (nothing solved)\n"
    "  2  not converged (the iteration limit came first, or a link's time is held at the ceiling)\n";

struct Options {
    std::string Net, Trips, Out;
    SolverSettings Settings;
    double TollWeight = 0, DistanceWeight = 0;
    ProgressChoice Progress;
    bool Help = false;
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
        if (name == "--help" || name == "-h") {
            o.Help = true;
            return o;
        }
        if (name == "--no-progress") {
            o.Progress.Off = true;
            continue;
        }
        bool known = name == "--net" || name == "--trips" || name == "--out" || name == "--gap" || name == "--excess" ||
                     name == "--max-iter" || name == "--threads" || name == "--algorithm" || name == "--toll-weight" ||
                     name == "--distance-weight" || name == "--progress";
        if (!known) throw UsageError("unknown option " + name);
        if (i + 1 >= args.size()) throw UsageError(name + ": a value is missing");
        const std::string& value = args[++i];
        if (name == "--net") o.Net = value;
        else if (name == "--trips") o.Trips = value;
        else if (name == "--out") o.Out = value;
        else if (name == "--gap") {
            o.Settings.TargetGap = RealOption(name, value);
            if (o.Settings.TargetGap < 0) throw UsageError("--gap: must not be negative");
        } else if (name == "--excess") {
            o.Settings.ExcessTolerance = RealOption(name, value);
            if (o.Settings.ExcessTolerance < 0) throw UsageError("--excess: must not be negative");
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
        } else if (name == "--progress") {
            if (!ReadProgressInterval(value, o.Progress.Interval))
                throw UsageError("--progress: \"" + value + "\" is not a number of seconds from 0 to " +
                                 std::to_string(static_cast<int>(kMaxProgressInterval)));
            o.Progress.Forced = true;
        } else if (name == "--toll-weight") o.TollWeight = RealOption(name, value);
        else o.DistanceWeight = RealOption(name, value);
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

// The trips, refused when there is nothing to assign: an empty file or one whose trips are all
// zero or within a zone is a mistake (a wrong file, a failed export), not an equilibrium.
Demand ReadTrips(const std::string& path, int32_t zones) {
    Demand trips = ReadTntpTrips(path, zones);
    if (trips.Total() > 0) return trips;
    // Refused: read again, now as text, only to say where.
    std::vector<std::string> lines = ReadTntpLines(path);
    bool blank = true;
    for (const std::string& line : lines)
        if (line.find_first_not_of(" \t\v\f") != std::string::npos) blank = false;
    if (blank) throw InputError(path + ":1: the file is empty: no trips to assign");
    throw InputError(path + ":" + std::to_string(lines.size()) +
                     ": the file ends without a single trip between different zones: nothing to assign");
}

std::string Figure(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6e", value);
    return text;
}

// "1.234560e+00 (2.3e-07 of free flow)", or "-" where the method keeps no routes.
std::string LargestExcess(double absolute, double relative) {
    if (absolute < 0) return "-";
    char text[64];
    std::snprintf(text, sizeof text, "%.6e (%.1e of free flow)", absolute, relative);
    return text;
}

} // namespace

int RunAssignCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                     const Terminals& terminals) {
    if (args.empty()) {
        err << kUsage;
        return 1;
    }
    Options options;
    try {
        options = ParseOptions(args);
    } catch (const UsageError& e) {
        err << "veltra-assign: " << e.what() << "\n" << kUsage;
        return 1;
    }
    if (options.Help) {
        out << kUsage;
        return 0;
    }
    bool outputOpened = false;
    try {
        TntpNetwork tntp = ReadTntpNetwork(options.Net);
        CheckGeneralisedCosts(options.Net, tntp, options.TollWeight, options.DistanceWeight);
        Demand trips = ReadTrips(options.Trips, tntp.Zones);
        Network network = BuildNetwork(tntp, std::move(trips), options.TollWeight, options.DistanceWeight);
        // The output file is made now, so that a folder that does not exist is found before the
        // solve rather than after it.
        std::ofstream file;
        if (!options.Out.empty()) {
            file.open(options.Out, std::ios::binary | std::ios::trunc);
            if (!file) throw InputError(options.Out + ": cannot create the file (does its folder exist?)");
            outputOpened = true;
        }
        char line[256];
        std::snprintf(line, sizeof line, "%s: %d nodes, %d links, %d zones, %.1f trips between different zones\n",
                      AlgorithmName(options.Settings.Method), network.Links.NodeCount(), network.Links.LinkCount(), tntp.Zones,
                      network.Classes[0].Trips.Total());
        out << line;
        // Every iteration is reported on the output; where that goes to a file, a person at the
        // console still sees how the solve closes in.
        ProgressLine progress(err, options.Progress, terminals.Error && !terminals.Output);
        Assignment assignment(network, options.Settings);
        AssignmentResult result = assignment.Solve([&](const IterationRecord& r) {
            std::snprintf(line, sizeof line, "iteration %5d  relative gap %.6e  average excess %.6e  largest excess ",
                          r.Iteration, r.RelativeGap, r.AverageExcess);
            out << line << LargestExcess(r.LargestExcess, r.LargestRelativeExcess);
            std::snprintf(line, sizeof line, "  %.3f s\n", r.Seconds);
            out << line << std::flush;
            if (progress.Due()) {
                std::snprintf(line, sizeof line, "veltra-assign: iteration %d, relative gap %.3e", r.Iteration, r.RelativeGap);
                std::string text = line;
                if (r.LargestRelativeExcess >= 0) {
                    std::snprintf(line, sizeof line, ", largest route excess %.1e of free flow", r.LargestRelativeExcess);
                    text += line;
                }
                progress.Write(text);
            }
        });
        for (int32_t link : result.LinksAtCeiling) {
            const TntpLink& l = tntp.Links[link];
            std::snprintf(line, sizeof line,
                          "warning: link %d-%d (%s:%d): its time is held at the ceiling %.0e at a flow of %.6g; the "
                          "equilibrium through it is only as good as that\n",
                          l.Init, l.Term, options.Net.c_str(), l.Line, kTimeCeiling, result.Flow[link]);
            out << line;
        }
        const char* outcome = result.Converged                  ? "converged"
                              : !result.LinksAtCeiling.empty()   ? "not converged, links at the time ceiling,"
                                                                 : "iteration limit reached";
        std::snprintf(line, sizeof line, "%s after %d iterations: relative gap %s, average excess %s, largest excess ",
                      outcome, result.Iterations,
                      Figure(result.RelativeGap).c_str(), Figure(result.AverageExcess).c_str());
        out << line << LargestExcess(result.LargestExcess, result.LargestRelativeExcess);
        std::snprintf(line, sizeof line, ", objective %.10g, total cost %.10g, %.3f s\n", result.Objective, result.TotalCost,
                      result.Convergence.empty() ? 0.0 : result.Convergence.back().Seconds);
        out << line;
        if (outputOpened) {
            WriteFlowsCsv(file, network, result);
            if (!file.flush()) throw InputError(options.Out + ": cannot write the file");
        }
        return result.Converged ? 0 : 2;
    } catch (const InputError& e) {
        err << "veltra-assign: " << e.what() << "\n";
    } catch (const AssignmentError& e) {
        err << "veltra-assign: " << options.Trips << ": " << e.what() << "\n";
    } catch (const std::bad_alloc&) {
        err << "veltra-assign: " << options.Net << ": the network and trips do not fit in memory\n";
    } catch (const std::exception& e) {
        err << "veltra-assign: internal error: " << e.what() << "\n";
    }
    // Nothing was solved: no output file that looks like a result is left behind.
    if (outputOpened) std::remove(options.Out.c_str());
    return 1;
}

} // namespace veltra::assign
