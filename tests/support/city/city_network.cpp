#include "support/city/city_network.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <vector>

namespace veltra::assign::bench {

namespace {

// splitmix64: a generator whose sequence is fixed by its definition, unlike the standard library's
// distributions, so that every machine builds the same city.
class Random {
public:
    explicit Random(uint64_t seed) : state_(seed) {}
    uint64_t Next() {
        uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    double Uniform() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }
    double Uniform(double low, double high) { return low + (high - low) * Uniform(); }
    bool Chance(double p) { return Uniform() < p; }
    // A log-normal weight with median 1.
    double Spread(double sigma) {
        double u = std::max(Uniform(), 1e-12), v = Uniform();
        return std::exp(sigma * std::sqrt(-2 * std::log(u)) * std::cos(6.283185307179586 * v));
    }

private:
    uint64_t state_;
};

enum class Kind { Arterial, Secondary, Local };

struct Street {
    int32_t A, B;    // intersections; a one-way street runs from A to B
    bool TwoWay;
    Kind Type;
    double Capacity; // veh/h per direction
    double Speed;    // km/h
};

double Round(double value, double unit) { return std::round(value / unit) * unit; }

// Nodes reachable from root along the given directed pairs, forward or backward.
std::vector<uint8_t> Reached(int32_t nodes, const std::vector<std::pair<int32_t, int32_t>>& arcs, int32_t root, bool forward) {
    std::vector<int32_t> start(nodes + 1, 0), next(arcs.size());
    for (const auto& arc : arcs) ++start[(forward ? arc.first : arc.second) + 1];
    for (int32_t n = 0; n < nodes; ++n) start[n + 1] += start[n];
    std::vector<int32_t> fill(start.begin(), start.end() - 1);
    for (const auto& arc : arcs) next[fill[forward ? arc.first : arc.second]++] = forward ? arc.second : arc.first;
    std::vector<uint8_t> seen(nodes, 0);
    std::vector<int32_t> stack{root};
    seen[root] = 1;
    while (!stack.empty()) {
        int32_t n = stack.back();
        stack.pop_back();
        for (int32_t i = start[n]; i < start[n + 1]; ++i)
            if (!seen[next[i]]) {
                seen[next[i]] = 1;
                stack.push_back(next[i]);
            }
    }
    return seen;
}

} // namespace

City GenerateCity(const CityShape& shape) {
    Random random(shape.Seed);
    const int32_t columns = shape.Columns, rows = shape.Rows, zones = shape.Zones;
    const int32_t crossings = columns * rows;
    const double spacing = 150; // metres
    std::vector<double> x(crossings), y(crossings);
    for (int32_t r = 0; r < rows; ++r)
        for (int32_t c = 0; c < columns; ++c) {
            x[r * columns + c] = c * spacing + random.Uniform(-40, 40);
            y[r * columns + c] = r * spacing + random.Uniform(-40, 40);
        }

    std::vector<Street> streets;
    auto add = [&](int32_t a, int32_t b, int32_t line, bool vertical) {
        Street s{a, b, true, Kind::Local, 0, 0};
        if (line % 8 == 0) {
            s.Type = Kind::Arterial;
            s.Capacity = Round(random.Uniform(900, 1500), 50);
            s.Speed = 50;
        } else if (line % 4 == 0) {
            s.Type = Kind::Secondary;
            s.TwoWay = random.Chance(0.8);
            s.Capacity = Round(random.Uniform(500, 800), 50);
            s.Speed = 40;
        } else {
            if (!random.Chance(shape.LocalStreets)) return;
            s.TwoWay = random.Chance(0.1);
            s.Capacity = Round(random.Uniform(200, 450), 50);
            s.Speed = 30;
        }
        // One-way local streets alternate their direction from one street to the next.
        if (!s.TwoWay && line % 2 == (vertical ? 1 : 0)) std::swap(s.A, s.B);
        streets.push_back(s);
    };
    for (int32_t r = 0; r < rows; ++r)
        for (int32_t c = 0; c + 1 < columns; ++c) add(r * columns + c, r * columns + c + 1, r, false);
    for (int32_t c = 0; c < columns; ++c)
        for (int32_t r = 0; r + 1 < rows; ++r) add(r * columns + c, (r + 1) * columns + c, c, true);

    // Every intersection must reach, and be reached from, every other: streets at an intersection
    // cut off by one-way streets become two-way until that holds.
    const int32_t root = (rows / 2 / 8 * 8) * columns + columns / 2 / 8 * 8;
    for (;;) {
        std::vector<std::pair<int32_t, int32_t>> arcs;
        for (const Street& s : streets) {
            arcs.emplace_back(s.A, s.B);
            if (s.TwoWay) arcs.emplace_back(s.B, s.A);
        }
        std::vector<uint8_t> ahead = Reached(crossings, arcs, root, true), behind = Reached(crossings, arcs, root, false);
        bool connected = true;
        for (int32_t n = 0; n < crossings; ++n) connected = connected && ahead[n] && behind[n];
        if (connected) break;
        // One street per cut intersection and round, so that few streets lose their one-way rule.
        bool changed = false;
        std::vector<uint8_t> mended(crossings, 0);
        for (Street& s : streets) {
            if (s.TwoWay) continue;
            for (int32_t end : {s.A, s.B}) {
                if ((ahead[end] && behind[end]) || mended[end] || s.TwoWay) continue;
                s.TwoWay = true;
                mended[end] = 1;
                changed = true;
            }
        }
        if (changed) continue;
        // Left with islands of two-way streets: each cut intersection gets a two-way local
        // street towards the middle of the grid, where the main network is.
        std::vector<uint8_t> joined(static_cast<size_t>(crossings) * 2, 0); // [node * 2 + 0 right, 1 down]
        for (const Street& s : streets) joined[static_cast<size_t>(std::min(s.A, s.B)) * 2 + (std::abs(s.A - s.B) == 1 ? 0 : 1)] = 1;
        for (int32_t n = 0; n < crossings; ++n) {
            if (ahead[n] && behind[n]) continue;
            int32_t c = n % columns, r = n / columns;
            int32_t toward = std::abs(c - columns / 2) >= std::abs(r - rows / 2) ? (c < columns / 2 ? n + 1 : n - 1)
                                                                                 : (r < rows / 2 ? n + columns : n - columns);
            size_t key = static_cast<size_t>(std::min(n, toward)) * 2 + (std::abs(n - toward) == 1 ? 0 : 1);
            if (joined[key]) continue;
            joined[key] = 1;
            streets.push_back({n, toward, true, Kind::Local, 300, 30});
            changed = true;
        }
        if (!changed) throw std::logic_error("city: the street grid cannot be connected");
    }

    // Zones: centroids 0..zones-1 at distinct intersections, with connectors both ways to it and,
    // for half of them, to a neighbouring one.
    std::vector<int32_t> site(zones);
    std::vector<uint8_t> taken(crossings, 0);
    for (int32_t z = 0; z < zones; ++z) {
        int32_t n;
        do n = static_cast<int32_t>(random.Next() % static_cast<uint64_t>(crossings));
        while (taken[n]);
        taken[n] = 1;
        site[z] = n;
    }

    City city;
    // Nodes as written: the zones a little off the intersection they sit at, then the intersections.
    for (int32_t z = 0; z < zones; ++z) {
        city.X.push_back(x[site[z]] + 25);
        city.Y.push_back(y[site[z]] + 25);
    }
    city.X.insert(city.X.end(), x.begin(), x.end());
    city.Y.insert(city.Y.end(), y.begin(), y.end());
    std::vector<int32_t> tails, heads;
    auto link = [&](int32_t tail, int32_t head, double capacity, double length, double speed) {
        tails.push_back(tail);
        heads.push_back(head);
        city.Capacity.push_back(capacity);
        city.Length.push_back(Round(length, 1));
        city.FreeTime.push_back(Round(length / (speed * 1000.0 / 60.0), 1e-4)); // minutes
    };
    for (int32_t z = 0; z < zones; ++z) {
        int32_t n = site[z];
        std::vector<int32_t> ends{n};
        if (random.Chance(0.5)) ends.push_back(n % columns + 1 < columns ? n + 1 : n - 1);
        for (int32_t end : ends) {
            link(z, zones + end, 9000, 200, 20);
            link(zones + end, z, 9000, 200, 20);
        }
    }
    for (const Street& s : streets) {
        double length = std::hypot(x[s.A] - x[s.B], y[s.A] - y[s.B]);
        link(zones + s.A, zones + s.B, s.Capacity, length, s.Speed);
        if (s.TwoWay) link(zones + s.B, zones + s.A, s.Capacity, length, s.Speed);
    }
    Network& net = city.Net;
    net.Links = Graph(zones + crossings, tails, heads);
    net.NoThroughNodes = zones;
    for (size_t a = 0; a < tails.size(); ++a) net.Costs.push_back(LinkCost::Bpr(city.FreeTime[a], 0.15, city.Capacity[a], 4));
    net.Toll.assign(tails.size(), 0.0);
    net.Length = city.Length;

    // Gravity demand: productions and attractions spread log-normally, trips falling off with
    // distance over a few kilometres; pairs below a tenth of a trip are left out.
    std::vector<double> produce(zones), attract(zones);
    for (int32_t z = 0; z < zones; ++z) {
        produce[z] = random.Spread(0.6);
        attract[z] = random.Spread(0.6);
    }
    std::vector<double> raw(static_cast<size_t>(zones) * zones, 0.0);
    double total = 0;
    for (int32_t o = 0; o < zones; ++o)
        for (int32_t d = 0; d < zones; ++d) {
            if (o == d) continue;
            double distance = std::hypot(x[site[o]] - x[site[d]], y[site[o]] - y[site[d]]);
            double t = produce[o] * attract[d] * std::exp(-distance / 4000.0);
            raw[static_cast<size_t>(o) * zones + d] = t;
            total += t;
        }
    DemandBuilder builder;
    for (int32_t o = 0; o < zones; ++o)
        for (int32_t d = 0; d < zones; ++d) {
            double t = Round(raw[static_cast<size_t>(o) * zones + d] * shape.TotalTrips / total, 0.01);
            if (t >= 0.1) builder.Add(o, d, t);
        }
    UserClass trips;
    trips.Name = "1";
    trips.Trips = builder.Build();
    net.Classes.push_back(std::move(trips));
    return city;
}

void WriteCityTntp(const City& city, int32_t zones, const std::string& base) {
    const Network& net = city.Net;
    const Graph& g = net.Links;
    std::ofstream out(base + "_net.tntp", std::ios::binary);
    out << "<NUMBER OF ZONES> " << zones << "\n<NUMBER OF NODES> " << g.NodeCount() << "\n<FIRST THRU NODE> " << zones + 1
        << "\n<NUMBER OF LINKS> " << g.LinkCount() << "\n<END OF METADATA>\n\n"
        << "~\tinit_node\tterm_node\tcapacity\tlength\tfree_flow_time\tb\tpower\tspeed\ttoll\tlink_type\t;\n";
    char row[256];
    for (int32_t a = 0; a < g.LinkCount(); ++a) {
        std::snprintf(row, sizeof row, "\t%d\t%d\t%.10g\t%.10g\t%.10g\t0.15\t4\t0\t0\t1\t;\n", g.Tail(a) + 1, g.Head(a) + 1,
                      city.Capacity[a], city.Length[a], city.FreeTime[a]);
        out << row;
    }
    const Demand& demand = net.Classes[0].Trips;
    std::ofstream trips(base + "_trips.tntp", std::ios::binary);
    trips << "<NUMBER OF ZONES> " << zones << "\n<TOTAL OD FLOW> " << demand.Total() << "\n<END OF METADATA>\n\n";
    for (int32_t k = 0; k < demand.OriginCount(); ++k) {
        trips << "\nOrigin " << demand.Origins[k] + 1 << "\n";
        int32_t onLine = 0;
        for (int32_t i = demand.Start[k]; i < demand.Start[k + 1]; ++i) {
            std::snprintf(row, sizeof row, "%5d : %.10g;", demand.Destinations[i] + 1, demand.Trips[i]);
            trips << row << (++onLine % 5 == 0 ? "\n" : "\t");
        }
        trips << "\n";
    }
    std::ofstream nodes(base + "_node.tntp", std::ios::binary);
    nodes << "node\tx\ty\t;\n";
    for (size_t n = 0; n < city.X.size(); ++n) {
        std::snprintf(row, sizeof row, "%d\t%.1f\t%.1f\t;\n", static_cast<int>(n + 1), city.X[n], city.Y[n]);
        nodes << row;
    }
    if (!out.flush() || !trips.flush() || !nodes.flush()) throw std::runtime_error(base + ": cannot write the TNTP files");
}

} // namespace veltra::assign::bench
