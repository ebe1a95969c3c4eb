// DOF range search on small synthetic sensor maps whose limits are known in
// closed form, so the bracket ends can be predicted exactly: all probes and
// midpoints below are dyadic rationals, computed without rounding.
#include "kinematics/kinmodel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>

namespace {

struct Deleter {
    void operator()(KinModel* m) const { kinDestroy(m); }
};
using Model = std::unique_ptr<KinModel, Deleter>;

// A model with n struts and the translational DOFs x (and y when d = 2); the
// range search reads only the counts from it.
Model bareModel(int n, int d)
{
    Model m(kinCreate());
    const int32_t types[MAX_ACTUATORS] = {};
    const int32_t codes[MAX_DOFS] = {0, 1, 2, 3, 4, 5};
    kinConfigure(m.get(), n, types, 0, 0, 0, d, codes);
    return m;
}

// Sizing matrix (row stride 24) with the given rows.
struct Sizing {
    double m[MAX_DOFS][MAX_ACTUATORS] = {};
};

const double kBisectionWidth = std::ldexp(1.0, -20);

// v = 2x.
void twiceX(KinModel*, const double* dof, double* values) { values[0] = 2.0 * dof[0]; }

// v0 = x, v1 = 0 (a value that is always strictly inside (-1, 1) and only
// serves to size the step as 1 through its sizing entry 4).
void identityWithSizer(KinModel*, const double* dof, double* values)
{
    values[0] = dof[0];
    values[1] = 0.0;
}

TEST(DofRanges, LinearSensorGivesExactUpperAndInnerLowerEnd)
{
    Model m = bareModel(1, 1);
    Sizing s;
    s.m[0][0] = 0.5;
    const double lower[1] = {-1.0};
    const double upper[1] = {1.0};
    double dmin[MAX_DOFS] = {};
    double dmax[MAX_DOFS] = {};
    kinDofRanges(m.get(), twiceX, &s.m[0][0], 1, lower, upper, dmin, dmax);

    // Step 0.25 * 0.5 = 0.125: the fourth probe, 0.5, reads exactly 1.0 and is
    // outside (strict test), and no midpoint below 0.5 is outside.
    EXPECT_EQ(dmax[0], 0.5);
    // Going down the result is the inner end, which climbs from -0.375 towards
    // -0.5 and stops one bisection width (0.125 / 2^20) short of it.
    EXPECT_EQ(dmin[0], -0.5 + 0.125 * kBisectionWidth);
    EXPECT_GT(dmin[0], -0.5);
}

struct ProbeCase {
    double limit;    // the limit is first reached at probe number `limit`
    double expectMax;
    double expectMin;
};

class DofRangeProbeCount : public ::testing::TestWithParam<ProbeCase> {};

TEST_P(DofRangeProbeCount, LimitIsFoundUpToTheTwentiethProbe)
{
    const ProbeCase c = GetParam();
    Model m = bareModel(2, 1);
    Sizing s;
    s.m[0][1] = 4.0;    // step = 0.25 * 4 * 1 = 1
    const double lower[2] = {-c.limit, -1.0};
    const double upper[2] = {c.limit, 1.0};
    double dmin[MAX_DOFS] = {};
    double dmax[MAX_DOFS] = {};
    kinDofRanges(m.get(), identityWithSizer, &s.m[0][0], 2, lower, upper, dmin, dmax);
    EXPECT_EQ(dmax[0], c.expectMax);
    EXPECT_EQ(dmin[0], c.expectMin);
}

INSTANTIATE_TEST_SUITE_P(
    Boundaries, DofRangeProbeCount,
    ::testing::Values(ProbeCase{1.0, 1.0, -1.0 + kBisectionWidth},      // first probe already outside
                      ProbeCase{4.0, 4.0, -4.0 + kBisectionWidth},
                      ProbeCase{20.0, 20.0, -20.0 + kBisectionWidth},   // 20th probe: found
                      ProbeCase{21.0, 0.0, 0.0},                        // 21st probe: given up
                      ProbeCase{22.0, 0.0, 0.0}),                       // never reached
    [](const ::testing::TestParamInfo<ProbeCase>& info) {
        return "LimitAtProbe" + std::to_string(static_cast<int>(info.param.limit));
    });

// v = x with lower -1 and upper 3.
void plainX(KinModel*, const double* dof, double* values) { values[0] = dof[0]; }

TEST(DofRanges, AsymmetricLimitsSizeTheStepFromTheLargerSide)
{
    Model m = bareModel(1, 1);
    Sizing s;
    s.m[0][0] = 1.0;
    const double lower[1] = {-1.0};
    const double upper[1] = {3.0};
    double dmin[MAX_DOFS] = {};
    double dmax[MAX_DOFS] = {};
    kinDofRanges(m.get(), plainX, &s.m[0][0], 1, lower, upper, dmin, dmax);

    // Step 0.25 * 3 = 0.75: probes 0.75, 1.5, 2.25, 3.0 (outside, exact).
    EXPECT_EQ(dmax[0], 3.0);
    // Down: -0.75 inside, -1.5 outside; the inner end approaches -1 from above.
    EXPECT_GT(dmin[0], -1.0);
    EXPECT_LE(dmin[0] + 1.0, 0.75 * kBisectionWidth);
}

// DOF 0 is never limited within 21 probes (v0 = x / 21 against 1 reaches the
// limit exactly at the 21st); DOF 1 is limited at 1. If the probe coordinate
// of DOF 0 were left at 21, v0 would sit on its limit during DOF 1's sweep.
void unlimitedThenLimited(KinModel*, const double* dof, double* values)
{
    values[0] = dof[0] / 21.0 + 0.0 * dof[1];
    values[1] = dof[1] + 0.5 * dof[0] / 21.0;
}

TEST(DofRanges, UnlimitedDofGivesZeroAndTheNextStartsFromZero)
{
    Model m = bareModel(2, 2);
    Sizing s;
    s.m[0][0] = 4.0;    // DOF 0 step 1
    s.m[1][1] = 1.0;    // DOF 1 step 0.25
    const double lower[2] = {-1.0, -1.0};
    const double upper[2] = {1.0, 1.0};
    double dmin[MAX_DOFS] = {};
    double dmax[MAX_DOFS] = {};
    kinDofRanges(m.get(), unlimitedThenLimited, &s.m[0][0], 2, lower, upper, dmin, dmax);
    EXPECT_EQ(dmax[0], 0.0);
    EXPECT_EQ(dmin[0], 0.0);
    EXPECT_EQ(dmax[1], 1.0);
    EXPECT_EQ(dmin[1], -1.0 + 0.25 * kBisectionWidth);
}

TEST(DofRanges, ZeroLimitsGiveZeroRanges)
{
    Model m = bareModel(1, 2);
    Sizing s;
    s.m[0][0] = 1.0;
    s.m[1][0] = 1.0;
    const double lower[1] = {0.0};
    const double upper[1] = {0.0};
    double dmin[MAX_DOFS] = {7.0, 7.0};
    double dmax[MAX_DOFS] = {7.0, 7.0};
    kinDofRanges(m.get(), plainX, &s.m[0][0], 1, lower, upper, dmin, dmax);
    for (int k = 0; k < 2; ++k) {
        EXPECT_EQ(dmax[k], 0.0);
        EXPECT_EQ(dmin[k], 0.0);
    }
}

void notANumber(KinModel*, const double*, double* values) { values[0] = std::numeric_limits<double>::quiet_NaN(); }

TEST(DofRanges, NanValuesDoNotCountAsOutside)
{
    Model m = bareModel(1, 1);
    Sizing s;
    s.m[0][0] = 1.0;
    const double lower[1] = {-1.0};
    const double upper[1] = {1.0};
    double dmin[MAX_DOFS] = {7.0};
    double dmax[MAX_DOFS] = {7.0};
    kinDofRanges(m.get(), notANumber, &s.m[0][0], 1, lower, upper, dmin, dmax);
    EXPECT_EQ(dmax[0], 0.0);
    EXPECT_EQ(dmin[0], 0.0);
}

// A map that ignores the probe and counts its calls in the buffer, as the
// force map carries its previous forces: 1, 2, 3, ... for one DOF.
void countCalls(KinModel*, const double*, double* values) { values[0] += 1.0; }

TEST(DofRanges, ValueBufferIsClearedPerDofAndCarriedBetweenProbes)
{
    Model m = bareModel(1, 2);
    Sizing s;
    s.m[0][0] = 4.0;
    s.m[1][0] = 4.0;    // both steps 0.25 * 4 * 5.5 = 5.5
    const double lower[1] = {-5.5};
    const double upper[1] = {5.5};
    double dmin[MAX_DOFS] = {};
    double dmax[MAX_DOFS] = {};
    kinDofRanges(m.get(), countCalls, &s.m[0][0], 1, lower, upper, dmin, dmax);

    // Calls 1..5 read inside, call 6 (the sixth probe, at 6 * 5.5) is the
    // first outside; every bisection call then reads outside too, so the
    // outer end shrinks onto the inner one (5 steps) and the inner one stays.
    const double step = 5.5;
    const double outerEnd = 5.0 * step + step * kBisectionWidth;
    for (int k = 0; k < 2; ++k) {
        EXPECT_EQ(dmax[k], outerEnd) << "DOF " << k;
        EXPECT_EQ(dmin[k], -5.0 * step) << "DOF " << k;
    }
}

} // namespace
