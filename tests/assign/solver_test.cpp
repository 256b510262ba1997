#include "assign/assignment.h"
#include "assign/tntp.h"

#include <gtest/gtest.h>

#include <string>

using namespace veltra::assign;

namespace {

// Builds a network from (tail, head, cost) rows with nodes numbered from 0.
struct LinkRow {
    int32_t Tail, Head;
    LinkCost Cost;
    double Toll = 0;
};

Network MakeNetwork(int32_t nodes, const std::vector<LinkRow>& rows) {
    Network net;
    std::vector<int32_t> tails, heads;
    for (const LinkRow& r : rows) {
        tails.push_back(r.Tail);
        heads.push_back(r.Head);
        net.Costs.push_back(r.Cost);
        net.Toll.push_back(r.Toll);
        net.Length.push_back(0);
    }
    net.Links = Graph(nodes, tails, heads);
    return net;
}

UserClass OneTrip(int32_t origin, int32_t destination, double trips, double tollWeight = 0) {
    DemandBuilder builder;
    builder.Add(origin, destination, trips);
    UserClass c;
    c.Trips = builder.Build();
    c.TollWeight = tollWeight;
    return c;
}

// t = a + b v as a BPR link: t0 = a, B = b / a, c = 1, P = 1; a = 0 through the power form.
LinkCost Linear(double a, double b) {
    if (a == 0) return LinkCost::SpeedFlowPower(0, b, 1, 1);
    return LinkCost::Bpr(a, b / a, 1, 1);
}

// Two parallel routes 0->1: t1 = 10 + v1, t2 = 20 + 0.5 v2.
Network TwoRoutes(double trips) {
    Network net = MakeNetwork(2, {{0, 1, Linear(10, 1)}, {0, 1, Linear(20, 0.5)}});
    net.Classes.push_back(OneTrip(0, 1, trips));
    return net;
}

// Braess's network: s=0, a=1, b=2, e=3; s->a and b->e take T/100, s->b and a->e 45, a->b nothing.
Network Braess(bool withBridge) {
    std::vector<LinkRow> rows = {{0, 1, Linear(0, 0.01)}, {0, 2, Linear(45, 0)}, {1, 3, Linear(45, 0)}, {2, 3, Linear(0, 0.01)}};
    if (withBridge) rows.push_back({1, 2, Linear(0, 0)});
    Network net = MakeNetwork(4, rows);
    net.Classes.push_back(OneTrip(0, 3, 4000));
    return net;
}

const Algorithm kAlgorithms[] = {Algorithm::B, Algorithm::FrankWolfe, Algorithm::ConjugateFrankWolfe};

AssignmentResult Solve(const Network& net, Algorithm method, double gap = 1e-10, int32_t threads = 1) {
    SolverSettings settings;
    settings.WorkPerThread = 1; // every requested thread takes part, however small the network
    settings.Method = method;
    settings.TargetGap = gap;
    settings.MaxIterations = 5000;
    settings.Threads = threads;
    Assignment assignment(net, settings);
    return assignment.Solve();
}

} // namespace

TEST(Equilibrium, TwoParallelRoutesEqualiseTheirTimes) {
    struct Row { double Trips, Route1, Route2; };
    const Row rows[] = {
        {40, 20, 20},  // both used: 10 + v1 = 20 + 0.5 (40 - v1)
        {8, 8, 0},     // too few trips to reach the second route's free time
        {10, 10, 0},   // exactly at the switch point
    };
    for (Algorithm method : kAlgorithms) {
        for (const Row& r : rows) {
            AssignmentResult result = Solve(TwoRoutes(r.Trips), method, 1e-9);
            ASSERT_TRUE(result.Converged) << "algorithm " << int(method) << " trips " << r.Trips;
            double tolerance = method == Algorithm::B ? 1e-6 : 1e-3;
            EXPECT_NEAR(result.Flow[0], r.Route1, tolerance) << "algorithm " << int(method) << " trips " << r.Trips;
            EXPECT_NEAR(result.Flow[1], r.Route2, tolerance) << "algorithm " << int(method) << " trips " << r.Trips;
        }
    }
}

TEST(Equilibrium, BraessBridgeDrawsEveryoneAndRaisesTheTime) {
    struct Row { bool Bridge; double SA, SB, AE, BE, Time; };
    const Row rows[] = {{false, 2000, 2000, 2000, 2000, 65}, {true, 4000, 0, 0, 4000, 80}};
    for (const Row& r : rows) {
        AssignmentResult result = Solve(Braess(r.Bridge), Algorithm::B);
        ASSERT_TRUE(result.Converged);
        EXPECT_NEAR(result.Flow[0], r.SA, 1e-6);
        EXPECT_NEAR(result.Flow[1], r.SB, 1e-6);
        EXPECT_NEAR(result.Flow[2], r.AE, 1e-6);
        EXPECT_NEAR(result.Flow[3], r.BE, 1e-6);
        EXPECT_NEAR(result.ShortestCost / 4000, r.Time, 1e-9);
    }
}

// Zone 0 reaches zone 1 only through a connector, then by two identical routes. With a capacity
// of 1 the connector's time, the same for every route, is some 1e12 times the routes': the
// relative gap of the all-or-nothing loading (everyone on one route) is below 1e-10, and the
// equilibrium splits the trips evenly all the same. With a capacity of 1e-30 its time is held at
// the ceiling, beside which the routes' times vanish: that is never called converged.
TEST(Equilibrium, IdenticalRoutesBehindASaturatedConnectorSplitEvenly) {
    LinkCost route = LinkCost::Bpr(10, 0.15, 1000, 4);
    for (double capacity : {1.0, 1e-30}) {
        Network net = MakeNetwork(5, {{0, 2, LinkCost::Bpr(1, 0.15, capacity, 4)}, {2, 3, route}, {3, 1, route}, {2, 4, route}, {4, 1, route}});
        net.NoThroughNodes = 2;
        net.Classes.push_back(OneTrip(0, 1, 2000));
        for (Algorithm method : kAlgorithms) {
            AssignmentResult result = Solve(net, method, 1e-8);
            if (capacity < 1) {
                EXPECT_FALSE(result.Converged) << int(method);
                EXPECT_EQ(result.LinksAtCeiling, std::vector<int32_t>{0}) << int(method);
                continue;
            }
            EXPECT_TRUE(result.Converged) << int(method);
            EXPECT_TRUE(result.LinksAtCeiling.empty()) << int(method);
            EXPECT_GT(result.Iterations, 0) << int(method) << ": the loading is not an equilibrium";
            EXPECT_NEAR(result.Flow[1], 1000, 1) << int(method);
            EXPECT_NEAR(result.Flow[3], 1000, 1) << int(method);
        }
    }
}

// A delay curve the engine does not know, as the junction programs supply: t = 10 + v.
class LinearDelay : public LinkCostFunction {
public:
    double Value(double v) const override { return 10 + v; }
    double Derivative(double) const override { return 1; }
    double Integral(double v) const override { return 10 * v + 0.5 * v * v; }
};

TEST(Equilibrium, SuppliedDelayCurvesAreUsedLikeBuiltInOnes) {
    LinearDelay delay;
    Network net = TwoRoutes(40);
    net.Costs[0] = LinkCost::FromFunction(delay);
    for (Algorithm method : kAlgorithms) {
        AssignmentResult result = Solve(net, method, 1e-9);
        EXPECT_NEAR(result.Flow[0], 20, method == Algorithm::B ? 1e-6 : 1e-3) << int(method);
        EXPECT_NEAR(result.Objective, 10 * 20 + 200 + 20 * 20 + 0.25 * 400, 1e-3) << int(method);
    }
}

TEST(Equilibrium, PreloadedFlowTakesRoomOnItsLink) {
    Network net = TwoRoutes(40);
    net.FixedFlow = {10, 0};
    AssignmentResult result = Solve(net, Algorithm::B);
    // 10 + (v1 + 10) = 20 + 0.5 (40 - v1)  =>  v1 = 40 / 3
    EXPECT_NEAR(result.ClassFlow[0][0], 40.0 / 3, 1e-6);
    EXPECT_NEAR(result.Flow[0], 40.0 / 3 + 10, 1e-6);
}

TEST(Equilibrium, NewPreloadsRestartFromThePreviousSolution) {
    for (Algorithm method : kAlgorithms) {
        SolverSettings settings;
        settings.Method = method;
        settings.TargetGap = 1e-9;
        settings.MaxIterations = 5000;
        Network net = TwoRoutes(40);
        Assignment assignment(net, settings);
        ASSERT_TRUE(assignment.Solve().Converged);
        assignment.SetFixedFlow({10, 0});
        AssignmentResult result = assignment.Solve();
        ASSERT_TRUE(result.Converged) << int(method);
        EXPECT_NEAR(result.ClassFlow[0][0], 40.0 / 3, method == Algorithm::B ? 1e-6 : 1e-3) << int(method);
    }
}

TEST(Equilibrium, ClassesShareTimesButWeighTollsTheirOwnWay) {
    // Route 1 costs 100 in toll; class "cars" ignores it, class "trucks" counts it fully.
    Network net = MakeNetwork(2, {{0, 1, Linear(10, 1), 100}, {0, 1, Linear(20, 0.5)}});
    net.Classes.push_back(OneTrip(0, 1, 20, 0));
    net.Classes.push_back(OneTrip(0, 1, 20, 1));
    AssignmentResult result = Solve(net, Algorithm::B);
    ASSERT_TRUE(result.Converged);
    EXPECT_NEAR(result.ClassFlow[1][0], 0, 1e-9); // trucks never pay the toll
    // cars: 10 + v1 = 20 + 0.5 (40 - v1) is v1 = 20, all of the cars
    EXPECT_NEAR(result.ClassFlow[0][0], 20, 1e-6);
    EXPECT_NEAR(result.Flow[1], 20, 1e-6);
}

TEST(Equilibrium, TwoIdenticalClassesGiveTheFlowsOfOne) {
    Network one = Braess(true), two = Braess(true);
    one.Classes[0] = OneTrip(0, 3, 3000);
    two.Classes[0] = OneTrip(0, 3, 1000);
    two.Classes.push_back(OneTrip(0, 3, 2000));
    AssignmentResult a = Solve(one, Algorithm::B), b = Solve(two, Algorithm::B);
    for (size_t link = 0; link < a.Flow.size(); ++link) EXPECT_NEAR(a.Flow[link], b.Flow[link], 1e-6) << link;
}

TEST(Equilibrium, ZonesAreNeverPassedThrough) {
    // 0 -> 1 -> 2 through zone 1 is free; the detour 0 -> 3 -> 2 costs 5.
    Network net = MakeNetwork(4, {{0, 1, Linear(1, 0)}, {1, 2, Linear(1, 0)}, {0, 3, Linear(2, 0)}, {3, 2, Linear(3, 0)}});
    net.Classes.push_back(OneTrip(0, 2, 100));
    for (int32_t zones : {0, 3}) {
        net.NoThroughNodes = zones;
        for (Algorithm method : kAlgorithms) {
            AssignmentResult result = Solve(net, method);
            double viaZone = zones == 0 ? 100 : 0;
            EXPECT_NEAR(result.Flow[1], viaZone, 1e-9) << "zones " << zones << " algorithm " << int(method);
            EXPECT_NEAR(result.Flow[3], 100 - viaZone, 1e-9) << "zones " << zones << " algorithm " << int(method);
        }
    }
}

TEST(Equilibrium, UnreachableDestinationIsReportedNotAssigned) {
    Network net = MakeNetwork(3, {{0, 1, Linear(1, 0)}});
    net.Classes.push_back(OneTrip(0, 2, 5));
    for (Algorithm method : kAlgorithms) {
        SolverSettings settings;
        settings.Method = method;
        Assignment assignment(net, settings);
        try {
            assignment.Solve();
            FAIL() << "no error for algorithm " << int(method);
        } catch (const AssignmentError& e) {
            EXPECT_NE(std::string(e.what()).find("node 1 to node 3"), std::string::npos) << e.what();
        }
    }
}

TEST(Equilibrium, NewLinkCostsRestartFromThePreviousSolution) {
    Network net = TwoRoutes(40);
    SolverSettings settings;
    settings.TargetGap = 1e-10;
    Assignment assignment(net, settings);
    AssignmentResult first = assignment.Solve();
    ASSERT_TRUE(first.Converged);
    // Route 2 becomes slower: 20 + 2 v2  =>  10 + v1 = 20 + 2 (40 - v1)  =>  v1 = 30
    assignment.SetLinkCosts({Linear(10, 1), Linear(20, 2)});
    AssignmentResult second = assignment.Solve();
    ASSERT_TRUE(second.Converged);
    EXPECT_NEAR(second.Flow[0], 30, 1e-6);
    // Warm start: the first record is measured at the previous flows under the new costs.
    EXPECT_NEAR(second.Convergence.front().RelativeGap, (20 * 30 + 20 * 60 - 40 * 30) / (40.0 * 30), 1e-9);
}

// A congested grid with an origin at every node.
Network Grid(int32_t side) {
    std::vector<LinkRow> rows;
    auto node = [side](int32_t x, int32_t y) { return y * side + x; };
    for (int32_t y = 0; y < side; ++y) {
        for (int32_t x = 0; x < side; ++x) {
            double t0 = 1 + (x * 7 + y * 3) % 5; // uneven times, so that many routes are used
            if (x + 1 < side) {
                rows.push_back({node(x, y), node(x + 1, y), LinkCost::Bpr(t0, 0.15, 1500, 4)});
                rows.push_back({node(x + 1, y), node(x, y), LinkCost::Bpr(t0, 0.15, 1500, 4)});
            }
            if (y + 1 < side) {
                rows.push_back({node(x, y), node(x, y + 1), LinkCost::Bpr(t0, 0.15, 1500, 4)});
                rows.push_back({node(x, y + 1), node(x, y), LinkCost::Bpr(t0, 0.15, 1500, 4)});
            }
        }
    }
    Network net = MakeNetwork(side * side, rows);
    DemandBuilder builder;
    int32_t nodes = side * side;
    for (int32_t o = 0; o < nodes; ++o)
        for (int32_t k = 1; k <= 4; ++k) builder.Add(o, (o * 37 + k * 101) % nodes, 50 + (o + k) % 7 * 10);
    UserClass c;
    c.Trips = builder.Build();
    net.Classes.push_back(c);
    return net;
}

TEST(Equilibrium, FlowsDoNotDependOnTheNumberOfThreads) {
    Network net = Grid(12);
    for (Algorithm method : kAlgorithms) {
        double gap = method == Algorithm::B ? 1e-8 : 1e-2;
        AssignmentResult one = Solve(net, method, gap, 1), three = Solve(net, method, gap, 3);
        EXPECT_TRUE(one.Converged) << int(method);
        EXPECT_EQ(one.Iterations, three.Iterations);
        for (size_t link = 0; link < one.Flow.size(); ++link)
            EXPECT_EQ(one.Flow[link], three.Flow[link]) << "algorithm " << int(method) << " link " << link;
    }
}
