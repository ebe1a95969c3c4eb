// Accelerometer transforms, checked against the rigid-body relations they
// stand for: a reading is e . (a_table + alpha x r + omega x (omega x r)), with
// the translational acceleration turned from the base into the table frame.
#include "kinematics/kinmodel.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <vector>

namespace {

struct Deleter {
    void operator()(KinModel* m) const { kinDestroy(m); }
};
using Model = std::unique_ptr<KinModel, Deleter>;
using Vec = std::array<double, 3>;

constexpr double kPi = 3.14159265358979323846;

Vec cross(const Vec& a, const Vec& b)
{
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double dot(const Vec& a, const Vec& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

struct Accelerometer {
    Vec location;
    Vec orientation;
};

Model accelModel(const std::vector<int32_t>& dofCodes, const std::vector<Accelerometer>& accels)
{
    Model m(kinCreate());
    const int32_t types[MAX_ACTUATORS] = {};
    kinConfigure(m.get(), 1, types, 0, static_cast<int>(accels.size()), 0, static_cast<int>(dofCodes.size()),
                 dofCodes.data());
    for (size_t i = 0; i < accels.size(); ++i) {
        for (int c = 0; c < 3; ++c) {
            kinSetPoint(m.get(), 5, c, static_cast<int>(i), accels[i].location[c]);
            kinSetPoint(m.get(), 6, c, static_cast<int>(i), accels[i].orientation[c]);
        }
    }
    // Rotational units default to 0; start from radians throughout.
    for (int kind = 0; kind < 4; ++kind) {
        kinSetCanonicalUnit(m.get(), kind, 1, 1.0);
    }
    const double level[3] = {0.0, 0.0, 0.0};
    kinSetRotation(m.get(), level);
    return m;
}

const std::vector<int32_t> kAllDofs = {0, 1, 2, 3, 4, 5};

struct RowCase {
    Accelerometer accel;
    std::array<double, 6> row;   // in units of s for the rotational entries
};

TEST(AccelMatrix, RowsAreDirectionAndLeverArm)
{
    // Rotational acceleration in deg/s^2, translational in m/s^2: s = pi/180.
    const double s = kPi / 180.0;
    const std::vector<RowCase> cases = {
        {{{0, 0, 0}, {0, 0, 1}}, {0, 0, 1, 0, 0, 0}},
        // r x e = (1,0,0) x (0,0,1) = (0,-1,0): a pitch acceleration lowers it.
        {{{1, 0, 0}, {0, 0, 1}}, {0, 0, 1, 0, -1, 0}},
        // (0,2,0) x (1,0,0) = (0,0,-2).
        {{{0, 2, 0}, {1, 0, 0}}, {1, 0, 0, 0, 0, -2}},
        // Directions keep their stored length: (0,0,3) x (0,2,0) = (-6,0,0).
        {{{0, 0, 3}, {0, 2, 0}}, {0, 2, 0, -6, 0, 0}},
    };
    std::vector<Accelerometer> accels;
    for (const RowCase& c : cases) {
        accels.push_back(c.accel);
    }
    Model m = accelModel(kAllDofs, accels);
    kinSetCanonicalUnit(m.get(), 2, 1, s);
    kinBuildAccelMatrix(m.get());
    for (size_t i = 0; i < cases.size(); ++i) {
        for (int k = 0; k < 6; ++k) {
            const double expected = k < 3 ? cases[i].row[k] : s * cases[i].row[k];
            EXPECT_DOUBLE_EQ(m->accelMatrix[i][k], expected) << "accelerometer " << i << " DOF " << k;
        }
    }

    // A pitch acceleration of 1 (deg/s^2) changes the second reading by -s.
    const double pitch[6] = {0, 0, 0, 0, 1, 0};
    double readings[4];
    kinDofToAccels(m.get(), pitch, readings);
    EXPECT_DOUBLE_EQ(readings[1], -s);
}

TEST(AccelMatrix, ColumnsFollowTheDofList)
{
    Model m = accelModel({1, 4}, {{{1, 0, 0}, {0, 1, 1}}});
    kinBuildAccelMatrix(m.get());
    // h = (0, 1, 1, 0, -1, 1): y column 1, pitch column r x e . y = -1.
    EXPECT_EQ(m->accelMatrix[0][0], 1.0);
    EXPECT_EQ(m->accelMatrix[0][1], -1.0);
}

TEST(AccelCentripetal, YawRateOnARadialAccelerometer)
{
    // omega = (0, 0, 1) unit of rotational velocity; r = (1, 0, 0), e = x: the
    // centripetal acceleration points inwards, -|omega|^2 r in rad/s^2.
    Model m = accelModel({0, 1, 2, 5}, {{{1, 0, 0}, {1, 0, 0}}});
    const double velocityUnit = 3.0;   // one user unit = 3 rad/s
    const double accelUnit = 2.0;      // one user unit = 2 m/s^2
    kinSetCanonicalUnit(m.get(), 1, 1, velocityUnit);
    kinSetCanonicalUnit(m.get(), 2, 0, accelUnit);
    const double rates[1] = {1.0};
    kinAccelCentripetal(m.get(), rates);
    EXPECT_DOUBLE_EQ(m->accelReference[0], -(1.0 / accelUnit) * velocityUnit * velocityUnit);

    // The reference enters the forward map as an offset.
    const double still[4] = {0, 0, 0, 0};
    double reading[1];
    kinDofToAccels(m.get(), still, reading);
    EXPECT_DOUBLE_EQ(reading[0], -4.5);
}

TEST(AccelCentripetal, MatchesOmegaCrossOmegaCrossR)
{
    const std::vector<Accelerometer> accels = {
        {{0.3, -0.7, 0.2}, {0.6, 0.0, 0.8}},
        {{-1.1, 0.4, 0.9}, {0.0, 1.0, 0.0}},
        {{0.5, 0.5, -0.5}, {2.0, -1.0, 0.5}},
    };
    // Rotational DOFs given in the order roll, yaw (pitch unused).
    Model m = accelModel({0, 1, 2, 3, 5}, accels);
    const double rates[2] = {0.4, -1.3};
    kinAccelCentripetal(m.get(), rates);
    const Vec omega = {0.4, 0.0, -1.3};
    for (size_t i = 0; i < accels.size(); ++i) {
        const Vec centripetal = cross(omega, cross(omega, accels[i].location));
        EXPECT_NEAR(m->accelReference[i], dot(accels[i].orientation, centripetal), 1e-14) << i;
    }

    const double zero[2] = {0.0, 0.0};
    kinAccelCentripetal(m.get(), zero);
    for (size_t i = 0; i < accels.size(); ++i) {
        EXPECT_EQ(m->accelReference[i], 0.0);
    }
}

// Six accelerometers that observe all six DOFs: a 3 x 3 table of lever arms.
const std::vector<Accelerometer> kSixAccels = {
    {{0, 0, 0}, {1, 0, 0}}, {{0, 0, 0}, {0, 1, 0}}, {{0, 0, 0}, {0, 0, 1}},
    {{1, 0, 0}, {0, 1, 0}}, {{0, 1, 0}, {0, 0, 1}}, {{0, 0, 1}, {1, 0, 0}},
};

TEST(AccelMaps, VerticalOffsetHasNoEffectAtIdentityAttitude)
{
    Model with = accelModel(kAllDofs, kSixAccels);
    Model without = accelModel(kAllDofs, kSixAccels);
    kinSetVerticalAccelOffset(with.get(), 9.81);
    for (KinModel* m : {with.get(), without.get()}) {
        kinBuildAccelMatrix(m);
        kinPseudoInverse(&m->accelMatrix[0][0], 6, 6, &m->accelPinv[0][0], nullptr, &m->work1[0][0],
                         &m->work2[0][0], &m->work3[0][0]);
    }
    const double acc[6] = {0.1, -0.2, 0.3, 0.05, -0.4, 0.7};
    double r1[6], r2[6];
    kinDofToAccels(with.get(), acc, r1);
    kinDofToAccels(without.get(), acc, r2);
    for (int l = 0; l < 6; ++l) {
        EXPECT_NEAR(r1[l], r2[l], 1e-14) << l;
    }
    double back1[6], back2[6];
    kinAccelsToDof(with.get(), r1, back1);
    kinAccelsToDof(without.get(), r1, back2);
    for (int k = 0; k < 6; ++k) {
        EXPECT_NEAR(back1[k], back2[k], 1e-14) << k;
    }
}

TEST(AccelMaps, ForwardAndBackwardInvertEachOtherAtARotatedAttitude)
{
    Model m = accelModel(kAllDofs, kSixAccels);
    const double g = 9.81;
    kinSetVerticalAccelOffset(m.get(), g);
    const double angles[3] = {0.3, -0.2, 0.9};   // radians (default unit)
    kinSetRotation(m.get(), angles);
    kinBuildAccelMatrix(m.get());
    kinPseudoInverse(&m->accelMatrix[0][0], 6, 6, &m->accelPinv[0][0], nullptr, &m->work1[0][0], &m->work2[0][0],
                     &m->work3[0][0]);
    const double rates[3] = {0.2, 0.5, -0.3};
    kinAccelCentripetal(m.get(), rates);

    const double acc[6] = {0.5, -1.5, 2.0, 0.25, -0.75, 1.25};
    double readings[6];
    kinDofToAccels(m.get(), acc, readings);

    // Independent forward model: the table-frame acceleration is
    // Q (a - g z) + g z, the offset staying along the table's z.
    const double(*Q)[3] = m->rotation;
    const Vec a = {acc[0], acc[1], acc[2] - g};
    Vec linear;
    for (int j = 0; j < 3; ++j) {
        linear[j] = Q[j][0] * a[0] + Q[j][1] * a[1] + Q[j][2] * a[2];
    }
    linear[2] += g;
    const Vec alpha = {acc[3], acc[4], acc[5]};
    const Vec omega = {rates[0], rates[1], rates[2]};
    for (size_t l = 0; l < kSixAccels.size(); ++l) {
        const Vec& r = kSixAccels[l].location;
        const Vec& e = kSixAccels[l].orientation;
        const double expected =
            dot(e, linear) + dot(e, cross(alpha, r)) + dot(e, cross(omega, cross(omega, r)));
        EXPECT_NEAR(readings[l], expected, 1e-12) << l;
    }

    double back[6];
    kinAccelsToDof(m.get(), readings, back);
    for (int k = 0; k < 6; ++k) {
        EXPECT_NEAR(back[k], acc[k], 1e-12) << k;
    }
}

TEST(AccelMaps, InactiveAccelerometerIsLeftOut)
{
    Model m = accelModel({0, 1, 2}, {{{0, 0, 0}, {1, 0, 0}}, {{0, 0, 0}, {0, 1, 0}}, {{0, 0, 0}, {0, 0, 1}}});
    kinBuildAccelMatrix(m.get());
    kinPseudoInverse(&m->accelMatrix[0][0], 3, 3, &m->accelPinv[0][0], nullptr, &m->work1[0][0], &m->work2[0][0],
                     &m->work3[0][0]);
    m->sensorActive[2][1] = 0;
    const double readings[3] = {1.0, 2.0, 3.0};
    double acc[3];
    kinAccelsToDof(m.get(), readings, acc);
    EXPECT_DOUBLE_EQ(acc[0], 1.0);
    EXPECT_EQ(acc[1], 0.0);
    EXPECT_DOUBLE_EQ(acc[2], 3.0);
}

} // namespace
