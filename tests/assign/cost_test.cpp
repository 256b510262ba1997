#include "assign/link_cost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using namespace veltra::assign;

namespace {

struct Case {
    std::string Name;
    LinkCost Cost;
};

const Case kDegenerate[] = {
    {"B zero", LinkCost::Bpr(5, 0, 100, 4)},
    {"power zero", LinkCost::Bpr(5, 0.15, 100, 0)},
    {"power below one", LinkCost::Bpr(5, 0.15, 100, 0.5)},
    {"power one", LinkCost::Bpr(5, 0.15, 100, 1)},
    {"capacity one", LinkCost::Bpr(5, 0.15, 1, 4)},
    {"capacity tiny", LinkCost::Bpr(5, 0.15, 1e-300, 4)},
    {"capacity zero", LinkCost::Bpr(5, 0.15, 0, 4)},
    {"free time zero", LinkCost::Bpr(0, 0.15, 1e-300, 4)},
    {"huge power", LinkCost::Bpr(5, 0.15, 1, 400)},
    {"speed-flow power", LinkCost::SpeedFlowPower(2, 3, 1000, 2.5)},
    {"speed-flow below free time", LinkCost::SpeedFlowPower(2, 1, 1000, 2.5)},
    {"speed-flow capacity tiny", LinkCost::SpeedFlowPower(0, 3, 1e-300, 0.5)},
};

} // namespace

TEST(LinkCost, EveryFormIsFiniteNonNegativeAndMonotoneOverItsDomain) {
    const double flows[] = {0, 1e-300, 1e-9, 0.5, 1, 100, 1e6, 1e300};
    for (const Case& c : kDegenerate) {
        double lastTime = -1;
        for (double v : flows) {
            double t = LinkTime(c.Cost, v), d = LinkTimeDerivative(c.Cost, v), i = LinkTimeIntegral(c.Cost, v);
            EXPECT_TRUE(std::isfinite(t) && std::isfinite(d) && std::isfinite(i)) << c.Name << " at " << v;
            EXPECT_GE(t, 0) << c.Name << " at " << v;
            EXPECT_GE(d, 0) << c.Name << " at " << v;
            EXPECT_GE(i, 0) << c.Name << " at " << v;
            EXPECT_GE(t, lastTime) << c.Name << " decreases at " << v;
            lastTime = t;
            double pairTime = 0, pairSlope = 0; // the solver's one-power evaluation of both
            LinkTimeAndSlope(c.Cost, v, pairTime, pairSlope);
            EXPECT_NEAR(pairTime, t, 1e-12 * t) << c.Name << " at " << v;
            EXPECT_NEAR(pairSlope, d, 1e-12 * d) << c.Name << " at " << v;
        }
        EXPECT_EQ(LinkTimeIntegral(c.Cost, 0), 0) << c.Name;
    }
}

TEST(LinkCost, DerivativeAndIntegralAgreeWithTheTime) {
    const LinkCost costs[] = {LinkCost::Bpr(5, 0.15, 100, 4), LinkCost::Bpr(3, 1, 50, 1), LinkCost::Bpr(2, 0.5, 80, 0.5),
                              LinkCost::SpeedFlowPower(2, 3, 1000, 2.5), LinkCost::Bpr(5, 0.15, 100, 0)};
    for (const LinkCost& cost : costs) {
        for (double v : {10.0, 60.0, 150.0}) {
            double h = 1e-4 * v;
            double slope = (LinkTime(cost, v + h) - LinkTime(cost, v - h)) / (2 * h);
            EXPECT_NEAR(LinkTimeDerivative(cost, v), slope, 1e-6 * (1 + slope)) << "power " << cost.Power << " at " << v;
            // Simpson's rule over [0, v]
            const int n = 2000;
            double sum = LinkTime(cost, 0) + LinkTime(cost, v);
            for (int k = 1; k < n; ++k) sum += (k % 2 ? 4 : 2) * LinkTime(cost, v * k / n);
            double integral = sum * v / (3 * n);
            EXPECT_NEAR(LinkTimeIntegral(cost, v), integral, 1e-5 * integral) << "power " << cost.Power << " at " << v;
        }
    }
}

TEST(LinkCost, FormulasGiveTheirDocumentedValues) {
    struct Row { LinkCost Cost; double Flow, Time; };
    const Row rows[] = {
        {LinkCost::Bpr(10, 0.15, 100, 4), 100, 11.5},
        {LinkCost::Bpr(10, 0.15, 100, 4), 200, 10 * (1 + 0.15 * 16)},
        {LinkCost::Bpr(10, 0.15, 100, 0), 0, 11.5}, // (v/c)^0 is 1 even at zero flow
        {LinkCost::SpeedFlowPower(2, 3, 1000, 2), 1000, 3},
        {LinkCost::SpeedFlowPower(2, 3, 1000, 2), 500, 2.25},
    };
    for (const Row& r : rows) EXPECT_DOUBLE_EQ(LinkTime(r.Cost, r.Flow), r.Time);
}

// The BPR form of a network rewritten with capacity 1 and B / c^P, or with capacities times 1000
// and B * 1000^P, is the same function of flow: time, slope and integral must agree with the
// closed form (taken in extended precision) over the whole range, up to the ceiling.
TEST(LinkCost, BprIsExactUnderRescalingOfCapacityAndB) {
    const double capacities[] = {1e-3, 0.5, 4958.18, 25900.2, 1e7};
    const double powers[] = {0.5, 1, 4, 10};
    const double flows[] = {1e-3, 1, 4000, 2e5, 1e9};
    const double t0 = 6, b = 0.15;
    for (double c : capacities) {
        for (double p : powers) {
            const LinkCost forms[] = {LinkCost::Bpr(t0, b, c, p), LinkCost::Bpr(t0, b / std::pow(c, p), 1, p),
                                      LinkCost::Bpr(t0, b * std::pow(1000.0, p), 1000 * c, p)};
            for (double v : flows) {
                long double ratio = static_cast<long double>(v) / c;
                long double term = t0 * static_cast<long double>(b) * std::pow(ratio, static_cast<long double>(p));
                long double exact[] = {t0 + term, p * term / v, t0 * static_cast<long double>(v) + term * v / (p + 1)};
                for (const LinkCost& form : forms) {
                    double got[] = {LinkTime(form, v), LinkTimeDerivative(form, v), LinkTimeIntegral(form, v)};
                    for (int k = 0; k < 3; ++k) {
                        std::string where = "c " + std::to_string(c) + " (as " + std::to_string(form.Capacity) + ") P " +
                                            std::to_string(p) + " v " + std::to_string(v) + " value " + std::to_string(k);
                        if (k == 1 && p < 1 && v < 1e-6 * form.Capacity) continue; // the slope floor of a vertical tangent
                        if (exact[k] >= kTimeCeiling) {
                            EXPECT_EQ(got[k], kTimeCeiling) << where;
                        } else {
                            EXPECT_NEAR(got[k], static_cast<double>(exact[k]), 1e-12 * static_cast<double>(exact[k])) << where;
                        }
                    }
                    EXPECT_EQ(AtTimeCeiling(form, v), got[0] == kTimeCeiling) << v;
                }
            }
        }
    }
}
