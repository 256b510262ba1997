#include "assign/tntp.h"

#include <charconv>
#include <cmath>
#include <fstream>

#include "util/text.h"

namespace veltra::assign {

namespace {

constexpr int32_t kMaxNodes = 20'000'000;

[[noreturn]] void Fail(const std::string& path, size_t lineNo, const std::string& what) {
    throw InputError(path + ":" + std::to_string(lineNo) + ": " + what);
}

// A real as a message shows it: shortest round form, "1e+308" rather than 309 digits.
std::string Real(double value) { return Printf("%.10g", value); }

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

std::vector<std::string> Tokens(const std::string& text) {
    std::vector<std::string> tokens;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && IsSpace(text[i])) ++i;
        size_t start = i;
        while (i < text.size() && !IsSpace(text[i])) ++i;
        if (i > start) tokens.push_back(text.substr(start, i - start));
    }
    return tokens;
}

bool IsBlankLine(const std::string& line) {
    for (char c : line)
        if (!IsSpace(c)) return false;
    return true;
}

std::string Trimmed(const std::string& text) {
    size_t first = 0, last = text.size();
    while (first < last && IsSpace(text[first])) ++first;
    while (last > first && IsSpace(text[last - 1])) --last;
    return text.substr(first, last - first);
}

double ParseReal(const std::string& text, const std::string& path, size_t lineNo, const std::string& field) {
    double value = 0;
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (begin != end && *begin == '+') ++begin;
    auto [ptr, ec] = std::from_chars(begin, end, value);
    if (ec != std::errc() || ptr != end || begin == end || !std::isfinite(value))
        Fail(path, lineNo, field + ": \"" + text + "\" is not a number");
    return value;
}

int32_t ParseInt(const std::string& text, const std::string& path, size_t lineNo, const std::string& field) {
    int32_t value = 0;
    const char* begin = text.data();
    const char* end = begin + text.size();
    auto [ptr, ec] = std::from_chars(begin, end, value);
    if (ec != std::errc() || ptr != end || begin == end) {
        // Some files write whole numbers as reals ("1.0").
        double real = ParseReal(text, path, lineNo, field);
        if (real != std::floor(real) || std::fabs(real) > 2e9) Fail(path, lineNo, field + ": \"" + text + "\" is not a whole number");
        value = static_cast<int32_t>(real);
    }
    return value;
}

// Metadata: "<KEY> value" lines up to "<END OF METADATA>". Returns the index of the first data line.
struct Metadata {
    int32_t Zones = -1, Nodes = -1, FirstThru = -1, Links = -1;
};

// Metadata taken line by line until the first data line.
class MetadataReader {
public:
    explicit MetadataReader(const std::string& path) : path_(path) {}
    // True when the line is metadata (or a blank or comment line among it); false from the
    // first data line on.
    bool Take(const std::string& text, size_t lineNo) {
        if (done_) return false;
        std::string line = Trimmed(text);
        if (line.empty() || line[0] == '~') return true;
        if (line[0] != '<') {
            done_ = true; // data without an end-of-metadata mark
            return false;
        }
        size_t close = line.find('>');
        if (close == std::string::npos) Fail(path_, lineNo, "metadata: missing \">\"");
        std::string key = line.substr(1, close - 1);
        std::string value = Trimmed(line.substr(close + 1));
        if (key == "END OF METADATA") {
            done_ = true;
            return true;
        }
        int32_t* target = key == "NUMBER OF ZONES" ? &Meta.Zones
                        : key == "NUMBER OF NODES" ? &Meta.Nodes
                        : key == "FIRST THRU NODE" ? &Meta.FirstThru
                        : key == "NUMBER OF LINKS" ? &Meta.Links : nullptr;
        if (target) {
            *target = ParseInt(value, path_, lineNo, key);
            if (*target < 0) Fail(path_, lineNo, key + ": must not be negative");
        }
        return true;
    }
    Metadata Meta;

private:
    const std::string& path_;
    bool done_ = false;
};

size_t ReadMetadata(const std::vector<std::string>& lines, const std::string& path, Metadata& meta) {
    MetadataReader reader(path);
    size_t i = 0;
    while (i < lines.size() && reader.Take(lines[i], i + 1)) ++i;
    meta = reader.Meta;
    return i;
}

// Strips ";" ends and comments after "~".
std::string DataPart(const std::string& line) {
    size_t tilde = line.find('~');
    return tilde == std::string::npos ? line : line.substr(0, tilde);
}

} // namespace

// The file's lines without CR or LF ends. A trips file may hold all destinations of an origin
// on one line, a few hundred thousand pairs; a longer line is a file without line ends or no
// text at all, and is refused before it is held whole in memory.
std::vector<std::string> ReadTntpLines(const std::string& path) {
    std::vector<std::string> lines;
    try {
        if (!LoadLines(path, lines, kMaxTntpLineLength)) throw InputError(path + ": cannot open the file");
    } catch (const LineTooLongError& error) {
        Fail(path, error.Line, "line longer than " + std::to_string(error.Limit) + " characters");
    }
    return lines;
}

int32_t TntpZoneCount(const std::string& path, const std::vector<std::string>& lines) {
    Metadata meta;
    ReadMetadata(lines, path, meta);
    return meta.Zones;
}

TntpNetwork ReadTntpNetwork(const std::string& path) {
    const std::vector<std::string> lines = ReadTntpLines(path);
    Metadata meta;
    size_t first = ReadMetadata(lines, path, meta);
    if (meta.Nodes < 0) Fail(path, first, "<NUMBER OF NODES> is missing");
    if (meta.Zones < 0) Fail(path, first, "<NUMBER OF ZONES> is missing");
    if (meta.Zones > meta.Nodes) Fail(path, first, "<NUMBER OF ZONES> is larger than <NUMBER OF NODES>");
    // A misprinted node count must not make the engine reserve gigabytes before the first link.
    if (meta.Nodes > kMaxNodes) Fail(path, first, "<NUMBER OF NODES> is above " + std::to_string(kMaxNodes));
    TntpNetwork net;
    net.Nodes = meta.Nodes;
    net.Zones = meta.Zones;
    net.FirstThruNode = meta.FirstThru < 0 ? 1 : meta.FirstThru;
    static const char* const kFields[] = {"init_node", "term_node", "capacity", "length", "free_flow_time",
                                          "b", "power", "speed", "toll", "link_type"};
    for (size_t i = first; i < lines.size(); ++i) {
        std::string data = DataPart(lines[i]);
        for (char& c : data)
            if (c == ';') c = ' ';
        std::vector<std::string> tokens = Tokens(data);
        if (tokens.empty()) continue;
        size_t lineNo = i + 1;
        if (tokens.size() < 10) Fail(path, lineNo, std::string(kFields[tokens.size()]) + ": missing");
        if (tokens.size() > 10) Fail(path, lineNo, "more than 10 fields in a link row");
        TntpLink link;
        link.Init = ParseInt(tokens[0], path, lineNo, kFields[0]);
        link.Term = ParseInt(tokens[1], path, lineNo, kFields[1]);
        double* reals[] = {&link.Capacity, &link.Length, &link.FreeTime, &link.B, &link.Power, &link.Speed, &link.Toll};
        for (int f = 0; f < 7; ++f) {
            *reals[f] = ParseReal(tokens[2 + f], path, lineNo, kFields[2 + f]);
            if (*reals[f] < 0) Fail(path, lineNo, std::string(kFields[2 + f]) + ": must not be negative");
        }
        link.Type = ParseInt(tokens[9], path, lineNo, kFields[9]);
        if (link.Init < 1 || link.Init > net.Nodes) Fail(path, lineNo, "init_node: " + tokens[0] + " is not a node 1.." + std::to_string(net.Nodes));
        if (link.Term < 1 || link.Term > net.Nodes) Fail(path, lineNo, "term_node: " + tokens[1] + " is not a node 1.." + std::to_string(net.Nodes));
        if (link.Capacity <= 0 && link.FreeTime * link.B > 0 && link.Power > 0)
            Fail(path, lineNo, "capacity: must be positive on a link whose time grows with flow");
        // The congested time is t0 * B * (v / c)^P: a product that is already past the largest
        // double would turn every time on the link into infinity.
        if (!std::isfinite(link.FreeTime * link.B))
            Fail(path, lineNo, "b: " + tokens[5] + " times free_flow_time " + tokens[4] + " overflows a double");
        if (link.FreeTime > kTimeCeiling)
            Fail(path, lineNo, "free_flow_time: " + tokens[4] + " is above the largest time the engine works with (" +
                                   Real(kTimeCeiling) + ")");
        link.Line = static_cast<int32_t>(lineNo);
        net.Links.push_back(link);
    }
    if (meta.Links >= 0 && static_cast<int32_t>(net.Links.size()) != meta.Links)
        Fail(path, lines.size(), "<NUMBER OF LINKS> is " + std::to_string(meta.Links) + " but the file has " +
                                     std::to_string(net.Links.size()) + " link rows");
    return net;
}

namespace {

// The trips of a TNTP trips file, taken line by line, so that a large matrix is never held as
// text in memory.
class TripsReader {
public:
    TripsReader(const std::string& path, int32_t zones) : path_(path), zones_(zones), meta_(path) {}

    void Take(const std::string& line, size_t lineNo) {
        if (meta_.Take(line, lineNo)) {
            lastMeta_ = lineNo;
            return;
        }
        CheckZones();
        std::string data = DataPart(line);
        if (IsBlankLine(data)) return;
        size_t start = data.find_first_not_of(" \t\v\f");
        if (data.compare(start, 6, "Origin") == 0) {
            std::vector<std::string> tokens = Tokens(data);
            if (tokens[0] == "Origin") {
                if (tokens.size() != 2) Fail(path_, lineNo, "Origin: expected \"Origin <zone>\"");
                origin_ = ParseInt(tokens[1], path_, lineNo, "origin");
                if (origin_ < 1 || origin_ > zones_)
                    Fail(path_, lineNo, "origin: " + tokens[1] + " is not a zone 1.." + std::to_string(zones_));
                return;
            }
        }
        if (origin_ < 0) Fail(path_, lineNo, "trips before the first \"Origin\" line");
        // "destination : trips;" pairs, several to a line.
        size_t begin = 0;
        while (begin < data.size()) {
            size_t end = data.find(';', begin);
            if (end == std::string::npos) end = data.size();
            std::string item = data.substr(begin, end - begin);
            begin = end + 1;
            if (IsBlankLine(item)) continue;
            size_t colon = item.find(':');
            if (colon == std::string::npos) Fail(path_, lineNo, "destination: \"" + Trimmed(item) + "\" has no \":\"");
            std::string destText = Trimmed(item.substr(0, colon));
            std::string tripText = Trimmed(item.substr(colon + 1));
            int32_t destination = ParseInt(destText, path_, lineNo, "destination");
            if (destination < 1 || destination > zones_)
                Fail(path_, lineNo, "destination: " + destText + " is not a zone 1.." + std::to_string(zones_));
            double trips = ParseReal(tripText, path_, lineNo, "trips to " + destText);
            if (trips < 0) Fail(path_, lineNo, "trips to " + destText + ": must not be negative");
            builder_.Add(origin_ - 1, destination - 1, trips);
        }
    }

    Demand Finish() {
        CheckZones();
        Demand demand = builder_.Build();
        builder_ = DemandBuilder();
        return demand;
    }

private:
    // The file's own zone count, once its metadata has been read, against the network's.
    void CheckZones() {
        if (checked_) return;
        checked_ = true;
        if (meta_.Meta.Zones >= 0 && meta_.Meta.Zones != zones_)
            Fail(path_, lastMeta_, "<NUMBER OF ZONES> is " + std::to_string(meta_.Meta.Zones) + " but the network has " +
                                       std::to_string(zones_));
    }

    const std::string& path_;
    int32_t zones_;
    MetadataReader meta_;
    size_t lastMeta_ = 0;
    bool checked_ = false;
    int32_t origin_ = -1;
    DemandBuilder builder_;
};

} // namespace

Demand ReadTntpTrips(const std::string& path, int32_t zones) {
    TripsReader reader(path, zones);
    try {
        if (!ForEachLine(path, kMaxTntpLineLength, [&reader](std::string& line, size_t lineNo) { reader.Take(line, lineNo); }))
            throw InputError(path + ": cannot open the file");
    } catch (const LineTooLongError& error) {
        Fail(path, error.Line, "line longer than " + std::to_string(error.Limit) + " characters");
    }
    return reader.Finish();
}

Demand ReadTntpTrips(const std::string& path, const std::vector<std::string>& lines, int32_t zones) {
    TripsReader reader(path, zones);
    for (size_t i = 0; i < lines.size(); ++i) reader.Take(lines[i], i + 1);
    return reader.Finish();
}

std::vector<TntpFlow> ReadTntpFlows(const std::string& path) {
    const std::vector<std::string> lines = ReadTntpLines(path);
    std::vector<TntpFlow> flows;
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string data = DataPart(lines[i]);
        for (char& c : data)
            if (c == ';') c = ' ';
        std::vector<std::string> tokens = Tokens(data);
        if (tokens.empty()) continue;
        if (flows.empty() && !tokens[0].empty() && !std::isdigit(static_cast<unsigned char>(tokens[0][0]))) continue; // header
        size_t lineNo = i + 1;
        if (tokens.size() < 4) Fail(path, lineNo, std::string(tokens.size() < 3 ? "volume" : "cost") + ": missing");
        TntpFlow flow;
        flow.From = ParseInt(tokens[0], path, lineNo, "from");
        flow.To = ParseInt(tokens[1], path, lineNo, "to");
        flow.Volume = ParseReal(tokens[2], path, lineNo, "volume");
        flow.Cost = ParseReal(tokens[3], path, lineNo, "cost");
        flows.push_back(flow);
    }
    return flows;
}

void CheckGeneralisedCosts(const std::string& path, const TntpNetwork& tntp, double tollWeight, double distanceWeight) {
    struct Part { const char* Field; const char* Option; double Weight; double TntpLink::*Value; };
    const Part parts[] = {{"toll", "--toll-weight", tollWeight, &TntpLink::Toll},
                          {"length", "--distance-weight", distanceWeight, &TntpLink::Length}};
    for (const TntpLink& link : tntp.Links) {
        double cost = link.FreeTime;
        for (const Part& part : parts) {
            if (part.Weight == 0) continue;
            double product = part.Weight * (link.*part.Value);
            if (!std::isfinite(product))
                Fail(path, link.Line, std::string(part.Field) + ": " + Real(link.*part.Value) + " times " + part.Option + " " +
                                          Real(part.Weight) + " overflows a double");
            cost += product;
        }
        if (cost < 0)
            Fail(path, link.Line, "negative generalised cost " + Real(cost) + " from --toll-weight/--distance-weight");
        if (!(cost <= kTimeCeiling))
            Fail(path, link.Line, "generalised cost " + Real(cost) + " from --toll-weight/--distance-weight is above the largest the engine works with (" +
                                      Real(kTimeCeiling) + ")");
    }
}

Network BuildNetwork(const TntpNetwork& tntp, Demand trips, double tollWeight, double distanceWeight) {
    std::vector<int32_t> tails, heads;
    Network net;
    for (const TntpLink& link : tntp.Links) {
        tails.push_back(link.Init - 1);
        heads.push_back(link.Term - 1);
        net.Costs.push_back(LinkCost::Bpr(link.FreeTime, link.B, link.Capacity, link.Power));
        net.Toll.push_back(link.Toll);
        net.Length.push_back(link.Length);
    }
    net.Links = Graph(tntp.Nodes, std::move(tails), std::move(heads));
    net.NoThroughNodes = std::max(0, std::min(tntp.FirstThruNode - 1, tntp.Nodes));
    UserClass userClass;
    userClass.Name = "1";
    userClass.Trips = std::move(trips);
    userClass.TollWeight = tollWeight;
    userClass.DistanceWeight = distanceWeight;
    net.Classes.push_back(std::move(userClass));
    return net;
}

} // namespace veltra::assign
