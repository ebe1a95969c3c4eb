// The bell crank (type 4): its constants, and its length against an
// independent model of the mechanism: the crank is a rigid body turning about
// its axis through the centre; the rod condition fixes the turning angle
// (solved here by Newton's method from the zero-pose angle), and the actuator
// runs from its base pivot to the turned attachment point.
//
// The crank arms may be any angle apart. The arm-angle cosine is the dot
// product of the arm directions; a cosine taken as √(1 − sin²) agrees with it
// up to 90 degrees but mirrors the actuator arm beyond that.
#include "table_fixtures.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

using namespace kintest;

namespace {

Vec cross(const Vec& a, const Vec& b)
{
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double dotv(const Vec& a, const Vec& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
Vec lin(const Vec& p, double a, const Vec& u, double b, const Vec& v)
{
    return {p[0] + a * u[0] + b * v[0], p[1] + a * u[1] + b * v[1], p[2] + a * u[2] + b * v[2]};
}

// Length of the crank actuator at a pose (x, y, z in m, angles in degrees).
double independentCrankLength(const CrankPoints& c, const std::array<double, 6>& poseDeg)
{
    const std::array<double, 6> pose = {poseDeg[0], poseDeg[1], poseDeg[2],
                                         poseDeg[3] * kDeg, poseDeg[4] * kDeg, poseDeg[5] * kDeg};
    const Vec hw = headInBase(pose, c.head);
    const Vec rodArm = sub(c.rodEnd, c.centre);
    const Vec actArm = sub(c.actuatorEnd, c.centre);
    Vec axis = cross(rodArm, actArm);
    const double an = norm(axis);
    axis = {axis[0] / an, axis[1] / an, axis[2] / an};
    const Vec rodPerp = cross(axis, rodArm);
    const Vec actPerp = cross(axis, actArm);
    const double rod = norm(sub(c.head, c.rodEnd));
    double phi = 0.0;
    for (int it = 0; it < 60; ++it) {
        const Vec p = lin(c.centre, std::cos(phi), rodArm, std::sin(phi), rodPerp);
        const Vec dp = lin({0, 0, 0}, -std::sin(phi), rodArm, std::cos(phi), rodPerp);
        const Vec gap = sub(hw, p);
        const double f = dotv(gap, gap) - rod * rod;
        const double df = -2.0 * dotv(gap, dp);
        phi -= f / df;
    }
    const Vec attach = lin(c.centre, std::cos(phi), actArm, std::sin(phi), actPerp);
    return norm(sub(attach, c.base));
}

const std::array<double, 6> kPoses[] = {
    {0.02, -0.015, 0.03, 2.0, -3.0, 4.0},
    {-0.03, 0.025, -0.02, -4.0, 2.5, -6.0},
    {0.01, 0.03, 0.015, 5.0, 4.0, 8.0},
};

class CrankArmAngle : public ::testing::TestWithParam<double> {};

TEST_P(CrankArmAngle, ZeroPoseAttachesAtTheGivenPoint)
{
    const double angle = GetParam();
    ModelPtr model = makeCrankTable(angle);
    KinModel* m = model.get();
    prepareGeometry(m);
    const CrankPoints c = crankPoints(angle);
    EXPECT_NEAR(m->actuatorLength[0], norm(sub(c.actuatorEnd, c.base)), 1e-14);
    EXPECT_NEAR(m->armAngleCos[0], std::cos(angle * kDeg), 1e-14);
    EXPECT_NEAR(m->armAngleSin[0], std::sin(angle * kDeg), 1e-14);
    // attachment rebuilt from the crank frame and the arm direction
    for (int k = 0; k < 3; ++k) {
        const double d = m->linkPivots[0][k][0] +
                         m->actuatorArm[0] * (m->armDirection[0][0] * m->crankFrame[0][0][k] +
                                              m->armDirection[2][0] * m->crankFrame[0][2][k]);
        EXPECT_NEAR(d, c.actuatorEnd[k], 1e-14) << k;
    }
}

TEST_P(CrankArmAngle, LengthMatchesTheRigidCrankAtSeveralPoses)
{
    const double angle = GetParam();
    ModelPtr model = makeCrankTable(angle);
    prepareGeometry(model.get());
    const CrankPoints c = crankPoints(angle);
    for (const auto& p : kPoses) {
        const auto lengths = lengthsAt(model.get(), std::vector<double>(p.begin(), p.end()));
        const double expected = independentCrankLength(c, p);
        EXPECT_NEAR(lengths[0], expected, 1e-12 * expected) << p[3];
        EXPECT_GT(std::fabs(lengths[0] - model->referenceLength[0]), 1e-3);   // the crank did turn
    }
}

TEST_P(CrankArmAngle, AnalyticJacobianMatchesCentralDifference)
{
    ModelPtr model = makeCrankTable(GetParam());
    KinModel* m = model.get();
    prepareGeometry(m);
    for (const auto& p : kPoses) {
        double numeric[MAX_ACTUATORS * MAX_ACTUATORS] = {};
        differenceJacobian(m, p.data(), 1e-5, 1e-5, numeric);
        lengthsAt(m, std::vector<double>(p.begin(), p.end()));
        kinJacobian(m);
        for (int k = 0; k < 6; ++k) {
            EXPECT_NEAR(m->jacobian[0][k], numeric[k], 1e-8) << "dof " << k;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Angles, CrankArmAngle, ::testing::Values(30.0, 60.0, 90.0, 120.0, 150.0));

// Up to 90 degrees the cosine from the sine is the same cosine: lengths and
// Jacobians agree with those of √(1 − sin²); beyond it they must not.
TEST(CrankArmAngle, CosineFromSineAgreesUpToNinetyDegreesOnly)
{
    for (double angle : {30.0, 60.0, 90.0, 120.0, 150.0}) {
        ModelPtr mended = makeCrankTable(angle);
        ModelPtr old = makeCrankTable(angle);
        prepareGeometry(mended.get());
        prepareGeometry(old.get());
        const double s = old->armAngleSin[0];
        old->armAngleCos[0] = std::sqrt(1.0 - s * s);
        bool allClose = true;
        for (const auto& p : kPoses) {
            const std::vector<double> pose(p.begin(), p.end());
            const double a = lengthsAt(mended.get(), pose)[0];
            const double b = lengthsAt(old.get(), pose)[0];
            kinJacobian(mended.get());
            kinJacobian(old.get());
            const bool close = std::fabs(a - b) <= 1e-12 * std::fabs(a);
            allClose = allClose && close;
            if (angle <= 90.0) {
                EXPECT_NEAR(b, a, 1e-12 * std::fabs(a)) << angle;
                for (int k = 0; k < 6; ++k) {
                    const double ja = mended->jacobian[0][k];
                    EXPECT_NEAR(old->jacobian[0][k], ja, 1e-12 * std::fabs(ja) + 1e-15) << angle << " dof " << k;
                }
            }
        }
        if (angle > 90.0) {
            EXPECT_FALSE(allClose) << angle;
        }
    }
}

// A = (0, 0, 0), A1 = (1, 0, 0), A2 = (0, 0, 1): arms at right angles.
TEST(CrankConstants, RightAngledCrankExample)
{
    ModelPtr model(kinCreate());
    const int32_t types[1] = {4};
    const int32_t dofs[6] = {0, 1, 2, 3, 4, 5};
    kinConfigure(model.get(), 1, types, 0, 0, 0, 6, dofs);
    kinSetCanonicalUnit(model.get(), 0, 1, kDeg);
    setPoint(model.get(), kLink0, 0, {0, 0, 0});
    setPoint(model.get(), kLink1, 0, {1, 0, 0});
    setPoint(model.get(), kLink2, 0, {0, 0, 1});
    setPoint(model.get(), kHead, 0, {0.5, 0, 2});
    setPoint(model.get(), kBase, 0, {1.2, 0.3, -0.9});
    prepareGeometry(model.get());
    KinModel* m = model.get();
    EXPECT_EQ(m->actuatorArm[0], 1.0);
    EXPECT_EQ(m->crankArm[0], 1.0);
    EXPECT_EQ(m->armRatio[0], 1.0);
    EXPECT_EQ(m->armAngleSin[0], 1.0);
    EXPECT_EQ(m->armAngleCos[0], 0.0);
    EXPECT_NEAR(m->rodLength[0], std::sqrt(1.25), 1e-15);
    EXPECT_EQ(m->rodLengthSq[0], 1.25);
    const Vec e1 = {-1, 0, 0};
    const Vec e2 = {0, -1, 0};
    const Vec e3 = {0, 0, 1};
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(m->crankFrame[0][0][k], e1[k]) << k;
        EXPECT_EQ(m->crankFrame[0][1][k], e2[k]) << k;
        EXPECT_EQ(m->crankFrame[0][2][k], e3[k]) << k;
    }
    EXPECT_EQ(m->crankBranch[0], 1.0);   // e1 · (H − A) = −0.5 < 0
    EXPECT_NEAR(m->actuatorLength[0], norm(sub({1, 0, 0}, {1.2, 0.3, -0.9})), 1e-15);
}

}  // namespace
