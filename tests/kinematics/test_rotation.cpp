// Attitude and rate conversions, checked against an independently built
// rotation (product of elementary rotations), central differences of it, and
// the kinematic relation skew(ω) = R·Ṙᵀ between the rotation and the body
// angular velocity.
#include "table_fixtures.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

using namespace kintest;

namespace {

using Rows = std::array<std::array<double, 3>, 3>;

void expectMatrix(const double (&m)[3][3], const Rows& expected, double tol, const char* what)
{
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            EXPECT_NEAR(m[r][c], expected[r][c], tol) << what << " [" << r << "][" << c << "]";
        }
    }
}

ModelPtr attitudeModel(bool degrees)
{
    ModelPtr model(kinCreate());
    for (int kind = 0; kind < 3; ++kind) {
        kinSetCanonicalUnit(model.get(), kind, 1, degrees ? kDeg : 1.0);
    }
    return model;
}

Mat3 rotationAt(KinModel* m, const std::array<double, 3>& angles)
{
    kinSetRotation(m, angles.data());
    Mat3 out{};
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            out[r][c] = m->rotation[r][c];
        }
    }
    return out;
}

TEST(Rotation, ZeroAnglesGiveIdentityAndTheUnitDerivatives)
{
    ModelPtr model = attitudeModel(false);
    const double zero[3] = {0.0, 0.0, 0.0};
    kinSetRotation(model.get(), zero);
    expectMatrix(model->rotation, {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}, 0.0, "rotation");
    expectMatrix(model->rotationDRoll, {{{0, 0, 0}, {0, 0, 1}, {0, -1, 0}}}, 0.0, "d/droll");
    expectMatrix(model->rotationDPitch, {{{0, 0, -1}, {0, 0, 0}, {1, 0, 0}}}, 0.0, "d/dpitch");
    expectMatrix(model->rotationDYaw, {{{0, 1, 0}, {-1, 0, 0}, {0, 0, 0}}}, 0.0, "d/dyaw");
    const double cs[6] = {1, 0, 1, 0, 1, 0};
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(model->angleCosSin[k], cs[k]);
    }
}

TEST(Rotation, NinetyDegreesYawInDegreeUnits)
{
    ModelPtr model = attitudeModel(true);
    const double angles[3] = {0.0, 0.0, 90.0};
    kinSetRotation(model.get(), angles);
    expectMatrix(model->rotation, {{{0, 1, 0}, {-1, 0, 0}, {0, 0, 1}}}, 1e-15, "rotation");
    EXPECT_NEAR(model->angleCosSin[4], 0.0, 1e-15);
    EXPECT_EQ(model->angleCosSin[5], 1.0);
}

class RotationAtAttitude : public ::testing::TestWithParam<std::array<double, 3>> {};

TEST_P(RotationAtAttitude, MatchesElementaryRotationProduct)
{
    ModelPtr model = attitudeModel(true);
    const auto deg = GetParam();
    const Mat3 got = rotationAt(model.get(), deg);
    const Mat3 expected = baseToTable(deg[0] * kDeg, deg[1] * kDeg, deg[2] * kDeg);
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            EXPECT_NEAR(got[r][c], expected[r][c], 1e-15) << r << "," << c;
        }
    }
}

// The derivative matrices are per radian whatever the user's angle unit.
TEST_P(RotationAtAttitude, DerivativesMatchCentralDifferencesPerRadian)
{
    ModelPtr model = attitudeModel(true);
    const auto deg = GetParam();
    kinSetRotation(model.get(), deg.data());
    double analytic[3][3][3];
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            analytic[0][r][c] = model->rotationDRoll[r][c];
            analytic[1][r][c] = model->rotationDPitch[r][c];
            analytic[2][r][c] = model->rotationDYaw[r][c];
        }
    }
    const double hDeg = 1e-4;
    for (int axis = 0; axis < 3; ++axis) {
        auto plus = deg;
        auto minus = deg;
        plus[axis] += hDeg;
        minus[axis] -= hDeg;
        const Mat3 rp = rotationAt(model.get(), plus);
        const Mat3 rm = rotationAt(model.get(), minus);
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) {
                const double numeric = (rp[r][c] - rm[r][c]) / (2.0 * hDeg * kDeg);
                EXPECT_NEAR(analytic[axis][r][c], numeric, 1e-8) << "axis " << axis << " [" << r << "][" << c << "]";
            }
        }
    }
}

// ω from Euler rates through the relation skew(ω) = R·Ṙᵀ, Ṙ by central
// differences along the Euler-rate direction.
std::array<double, 3> bodyRatesFromRotation(KinModel* m, const std::array<double, 3>& angles,
                                            const std::array<double, 3>& rates)
{
    const double h = 1e-5;
    std::array<double, 3> plus{};
    std::array<double, 3> minus{};
    for (int k = 0; k < 3; ++k) {
        plus[k] = angles[k] + h * rates[k];
        minus[k] = angles[k] - h * rates[k];
    }
    const Mat3 rp = rotationAt(m, plus);
    const Mat3 rm = rotationAt(m, minus);
    const Mat3 r = rotationAt(m, angles);
    Mat3 rdot{};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            rdot[i][j] = (rp[i][j] - rm[i][j]) / (2.0 * h);
        }
    }
    // The angles are in degrees, so Ṙ is per second and ω comes out in rad/s;
    // the conversions work in the user's unit (degrees per second).
    const Mat3 s = matMul(r, transpose(rdot));
    return {s[2][1] / kDeg, s[0][2] / kDeg, s[1][0] / kDeg};
}

TEST_P(RotationAtAttitude, EulerToBodyRatesAgreesWithRotationDerivative)
{
    ModelPtr model = attitudeModel(true);
    const auto deg = GetParam();
    const std::array<double, 3> rates = {12.0, -7.0, 20.0};   // degrees per second
    const auto expected = bodyRatesFromRotation(model.get(), deg, rates);
    kinSetRotation(model.get(), deg.data());
    double body[3];
    kinEulerToBodyRates(model.get(), rates.data(), body);
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(body[k], expected[k], 1e-7) << k;
    }
}

TEST_P(RotationAtAttitude, RateConversionsAreInverse)
{
    ModelPtr model = attitudeModel(true);
    kinSetRotation(model.get(), GetParam().data());
    const double w[3] = {0.3, -1.2, 2.5};
    double euler[3];
    double back[3];
    kinBodyToEulerRates(model.get(), w, euler);
    kinEulerToBodyRates(model.get(), euler, back);
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(back[k], w[k], 1e-13) << k;
    }
}

TEST_P(RotationAtAttitude, AccelConversionsAreInverse)
{
    ModelPtr model = attitudeModel(true);
    kinSetRotation(model.get(), GetParam().data());
    const double wdot[3] = {40.0, -25.0, 60.0};   // degrees per second squared
    const double rates[3] = {30.0, -20.0, 45.0};  // Euler rates, degrees per second
    double edot[3];
    double back[3];
    kinBodyToEulerAccel(model.get(), wdot, rates, edot);
    kinEulerToBodyAccel(model.get(), edot, rates, back);
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(back[k], wdot[k], 1e-11) << k;
    }
}

// Body angular acceleration along the path angles(t) = a + e·t + edot·t²/2:
// the time derivative of the body rates, each computed from the rotation.
TEST_P(RotationAtAttitude, EulerToBodyAccelIsTheDerivativeOfTheBodyRates)
{
    ModelPtr model = attitudeModel(true);
    const auto a = GetParam();
    const std::array<double, 3> e = {30.0, -20.0, 45.0};
    const std::array<double, 3> edot = {40.0, 25.0, -60.0};
    const double dt = 1e-4;
    std::array<double, 3> wAt[2];
    for (int s = 0; s < 2; ++s) {
        const double t = s == 0 ? dt : -dt;
        std::array<double, 3> angles{};
        std::array<double, 3> rates{};
        for (int k = 0; k < 3; ++k) {
            angles[k] = a[k] + e[k] * t + 0.5 * edot[k] * t * t;
            rates[k] = e[k] + edot[k] * t;
        }
        kinSetRotation(model.get(), angles.data());
        kinEulerToBodyRates(model.get(), rates.data(), wAt[s].data());
    }
    kinSetRotation(model.get(), a.data());
    double got[3];
    kinEulerToBodyAccel(model.get(), edot.data(), e.data(), got);
    double inverse[3];
    kinBodyToEulerAccel(model.get(), got, e.data(), inverse);
    for (int k = 0; k < 3; ++k) {
        const double expected = (wAt[0][k] - wAt[1][k]) / (2.0 * dt);
        EXPECT_NEAR(got[k], expected, 1e-5) << k;
        EXPECT_NEAR(inverse[k], edot[k], 1e-11) << k;
    }
}

INSTANTIATE_TEST_SUITE_P(Attitudes, RotationAtAttitude,
                         ::testing::Values(std::array<double, 3>{0.0, 0.0, 0.0}, std::array<double, 3>{0.0, 0.0, 90.0},
                                           std::array<double, 3>{20.0, -35.0, 60.0},
                                           std::array<double, 3>{-50.0, 15.0, -120.0}));

TEST(RateConversion, IdentityAtZeroAttitude)
{
    ModelPtr model = attitudeModel(true);
    const double zero[3] = {0.0, 0.0, 0.0};
    kinSetRotation(model.get(), zero);
    const double v[3] = {1.5, -2.0, 3.25};
    double a[3];
    double b[3];
    double c[3];
    kinBodyToEulerRates(model.get(), v, a);
    kinEulerToBodyRates(model.get(), v, b);
    kinBodyToEulerAccel(model.get(), v, zero, c);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(a[k], v[k]);
        EXPECT_EQ(b[k], v[k]);
        EXPECT_EQ(c[k], v[k]);
    }
}

// Models whose rotational DOFs are a subset, in a chosen order.
ModelPtr dofModel(const std::vector<int32_t>& codes)
{
    ModelPtr model = attitudeModel(true);
    const int32_t types[1] = {0};
    kinConfigure(model.get(), 1, types, 0, 0, 0, static_cast<int>(codes.size()), codes.data());
    const double angles[3] = {15.0, -25.0, 40.0};
    kinSetRotation(model.get(), angles);
    return model;
}

TEST(DofRateConversion, SingleYawDofIsTheYawComponent)
{
    ModelPtr model = dofModel({0, 5});
    const double in[1] = {2.0};
    double out[1];
    kinDofBodyToEulerRates(model.get(), in, out);
    const double w[3] = {0.0, 0.0, 2.0};
    double full[3];
    kinBodyToEulerRates(model.get(), w, full);
    EXPECT_EQ(out[0], full[2]);
    EXPECT_NE(out[0], 2.0);   // the attitude couples the axes
}

TEST(DofRateConversion, CompactVectorsFollowTheDofOrderAndMayAlias)
{
    ModelPtr model = dofModel({2, 5, 3});   // rotational order: yaw, roll
    ASSERT_EQ(model->numRotDofs, 2);
    const double compact[2] = {0.7, -1.1};   // yaw, roll
    const double axes[3] = {-1.1, 0.0, 0.7};
    const double ratesCompact[2] = {20.0, 35.0};
    const double ratesAxes[3] = {35.0, 0.0, 20.0};

    double full[3];
    double out[2];
    kinEulerToBodyRates(model.get(), axes, full);
    kinDofEulerToBodyRates(model.get(), compact, out);
    EXPECT_EQ(out[0], full[2]);
    EXPECT_EQ(out[1], full[0]);
    kinBodyToEulerRates(model.get(), axes, full);
    kinDofBodyToEulerRates(model.get(), compact, out);
    EXPECT_EQ(out[0], full[2]);
    EXPECT_EQ(out[1], full[0]);

    kinEulerToBodyAccel(model.get(), axes, ratesAxes, full);
    double inPlace[2] = {compact[0], compact[1]};
    kinDofEulerToBodyAccel(model.get(), inPlace, ratesCompact, inPlace);
    EXPECT_EQ(inPlace[0], full[2]);
    EXPECT_EQ(inPlace[1], full[0]);

    kinBodyToEulerAccel(model.get(), axes, ratesAxes, full);
    double ratesInPlace[2] = {ratesCompact[0], ratesCompact[1]};
    kinDofBodyToEulerAccel(model.get(), compact, ratesInPlace, ratesInPlace);
    EXPECT_EQ(ratesInPlace[0], full[2]);
    EXPECT_EQ(ratesInPlace[1], full[0]);
}

}  // namespace
