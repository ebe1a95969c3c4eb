// Velocity transforms: unit scaling of the rotational part, the Euler-rate
// matrix block of the rotational DOFs in use, sensor flags, and on a real table
// the meaning of the rotational entries as body angular rates.
#include "kinematics/kinmodel.h"
#include "table_fixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using kintest::ModelPtr;

// A model with two actuators and a hand-set Jacobian / pseudo-inverse (the
// transforms only read those, the attitude and the units).
ModelPtr handModel(const std::vector<int32_t>& dofCodes, const double angles[3])
{
    ModelPtr m(kinCreate());
    const int32_t types[2] = {0, 0};
    kinConfigure(m.get(), 2, types, 2, 0, 0, static_cast<int>(dofCodes.size()), dofCodes.data());
    for (int kind = 0; kind < 4; ++kind) {
        kinSetCanonicalUnit(m.get(), kind, 1, 1.0);
    }
    kinSetRotation(m.get(), angles);
    const int d = static_cast<int>(dofCodes.size());
    for (int i = 0; i < 2; ++i) {
        for (int k = 0; k < d; ++k) {
            m->jacobian[i][k] = 0.5 + i - 0.3 * k + 0.1 * i * k;
            m->jacobianPinv[k][i] = -0.2 + 0.7 * i + 0.4 * k - 0.05 * i * k;
        }
    }
    return m;
}

TEST(VelocityMatrices, ZeroAttitudeOnlyRescalesTheRotationalPart)
{
    const double level[3] = {0.0, 0.0, 0.0};
    ModelPtr m = handModel({0, 1, 2, 3, 4, 5}, level);
    const double angleUnit = kintest::kDeg;   // user angles in degrees
    const double rateUnit = 0.25;             // user angular velocity unit in rad/s
    const double speedUnit = 4.0;             // user translational velocity unit
    kinSetCanonicalUnit(m.get(), 0, 1, angleUnit);
    kinSetCanonicalUnit(m.get(), 1, 1, rateUnit);
    kinSetCanonicalUnit(m.get(), 1, 0, speedUnit);
    kinBuildVelocityMatrix(m.get());
    kinBuildDofVelocityMatrix(m.get());

    // dL/d(angle unit) -> dL/d(rate unit) in velocity units: x rate/angle/speed.
    const double s = rateUnit / (angleUnit * speedUnit);
    for (int i = 0; i < 2; ++i) {
        for (int k = 0; k < 6; ++k) {
            const double scale = k < 3 ? 1.0 : s;
            EXPECT_DOUBLE_EQ(m->velocityMatrix[i][k], m->jacobian[i][k] * scale) << i << "," << k;
            EXPECT_DOUBLE_EQ(m->velocityDofMatrix[k][i], m->jacobianPinv[k][i] / scale) << k << "," << i;
        }
    }
}

// The rotational DOFs in use pick rows and columns of the Euler-rate matrix;
// pitch and yaw alone use its lower-right 2 x 2 block.
class EulerBlockSelection : public ::testing::TestWithParam<std::vector<int32_t>> {};

TEST_P(EulerBlockSelection, RotationalPartUsesTheBlockOfTheDofsInUse)
{
    const std::vector<int32_t> rot = GetParam();
    std::vector<int32_t> codes = {0};
    codes.insert(codes.end(), rot.begin(), rot.end());
    const double r = 0.3, p = 0.2, y = 0.1;
    const double angles[3] = {r, p, y};
    ModelPtr m = handModel(codes, angles);
    kinBuildVelocityMatrix(m.get());
    kinBuildDofVelocityMatrix(m.get());

    // Body rates to Euler rates and back, full 3 x 3, indexed by axis.
    const double cr = std::cos(r), sr = std::sin(r), cp = std::cos(p), sp = std::sin(p), tp = sp / cp;
    const double E[3][3] = {{1, sr * tp, cr * tp}, {0, cr, -sr}, {0, sr / cp, cr / cp}};
    const double Einv[3][3] = {{1, 0, -sp}, {0, cr, sr * cp}, {0, -sr, cr * cp}};
    const size_t nR = rot.size();
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(m->velocityMatrix[i][0], m->jacobian[i][0]);
        EXPECT_EQ(m->velocityDofMatrix[0][i], m->jacobianPinv[0][i]);
        for (size_t j = 0; j < nR; ++j) {
            double v = 0.0;
            double w = 0.0;
            for (size_t k = 0; k < nR; ++k) {
                v += m->jacobian[i][1 + k] * E[rot[k] - 3][rot[j] - 3];
                w += Einv[rot[j] - 3][rot[k] - 3] * m->jacobianPinv[1 + k][i];
            }
            EXPECT_NEAR(m->velocityMatrix[i][1 + j], v, 1e-15) << i << "," << j;
            EXPECT_NEAR(m->velocityDofMatrix[1 + j][i], w, 1e-15) << j << "," << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(RotationalDofs, EulerBlockSelection,
                         ::testing::Values(std::vector<int32_t>{4, 5}, std::vector<int32_t>{3, 5},
                                           std::vector<int32_t>{3, 4}, std::vector<int32_t>{5},
                                           std::vector<int32_t>{3, 4, 5}),
                         [](const ::testing::TestParamInfo<std::vector<int32_t>>& info) {
                             std::string name = "Codes";
                             for (int32_t c : info.param) {
                                 name += std::to_string(c);
                             }
                             return name;
                         });

TEST(VelocityMatrices, TranslationalDofsOnlyCopyTheJacobian)
{
    const double angles[3] = {0.4, -0.5, 0.6};
    ModelPtr m = handModel({0, 2}, angles);
    kinBuildVelocityMatrix(m.get());
    kinBuildDofVelocityMatrix(m.get());
    for (int i = 0; i < 2; ++i) {
        for (int k = 0; k < 2; ++k) {
            EXPECT_EQ(m->velocityMatrix[i][k], m->jacobian[i][k]);
            EXPECT_EQ(m->velocityDofMatrix[k][i], m->jacobianPinv[k][i]);
        }
    }
}

TEST(VelocityMaps, ProductsAndInactiveSensor)
{
    const double level[3] = {0.0, 0.0, 0.0};
    ModelPtr m = handModel({0, 1}, level);
    kinBuildVelocityMatrix(m.get());
    kinBuildDofVelocityMatrix(m.get());
    const double dof[2] = {2.0, -3.0};
    double act[2];
    kinDofToActuatorVelocities(m.get(), dof, act);
    for (int i = 0; i < 2; ++i) {
        EXPECT_DOUBLE_EQ(act[i], 2.0 * m->jacobian[i][0] - 3.0 * m->jacobian[i][1]);
    }

    const double readings[2] = {1.5, 10.0};
    m->sensorActive[1][1] = 0;
    double out[2];
    kinVelocitiesToDof(m.get(), readings, out);
    for (int k = 0; k < 2; ++k) {
        EXPECT_DOUBLE_EQ(out[k], 1.5 * m->jacobianPinv[k][0]);
    }
}

// On a hexapod at a tilted pose the velocity matrix times (v, omega_body)
// must be the rate of change of the lengths when the pose moves with
// translational velocity v and Euler rates E * omega_body.
TEST(VelocityMatrices, RotationalEntriesAreBodyRatesOnAHexapod)
{
    kintest::TableOptions options;
    options.numVelocitySensors = 6;
    ModelPtr m = kintest::makeHexapod(options);   // degrees
    kintest::prepareGeometry(m.get());
    const std::vector<double> pose = {0.02, -0.01, 0.03, 4.0, -6.0, 10.0};
    kinActuatorGeometry(m.get(), pose.data(), m->poseLength);
    kinJacobian(m.get());
    kinPseudoInverse(&m->jacobian[0][0], 6, 6, &m->jacobianPinv[0][0], nullptr, &m->work1[0][0], &m->work2[0][0],
                     &m->work3[0][0]);
    kinBuildVelocityMatrix(m.get());
    kinBuildDofVelocityMatrix(m.get());

    const double dof[6] = {0.1, 0.2, -0.15, 3.0, -2.0, 5.0};   // m/s and deg/s (body)
    double act[6];
    kinDofToActuatorVelocities(m.get(), dof, act);

    // Euler rates from body rates, independently of the code under test.
    const double r = pose[3] * kintest::kDeg, p = pose[4] * kintest::kDeg;
    const double cr = std::cos(r), sr = std::sin(r), cp = std::cos(p), tp = std::tan(p);
    const double w[3] = {dof[3], dof[4], dof[5]};
    const double euler[3] = {w[0] + sr * tp * w[1] + cr * tp * w[2], cr * w[1] - sr * w[2],
                             (sr * w[1] + cr * w[2]) / cp};
    const double rate[6] = {dof[0], dof[1], dof[2], euler[0], euler[1], euler[2]};
    const double h = 1e-4;
    std::vector<double> plus(pose), minus(pose);
    for (int k = 0; k < 6; ++k) {
        plus[k] += h * rate[k];
        minus[k] -= h * rate[k];
    }
    const std::vector<double> lp = kintest::lengthsAt(m.get(), plus);
    const std::vector<double> lm = kintest::lengthsAt(m.get(), minus);
    for (int i = 0; i < 6; ++i) {
        EXPECT_NEAR(act[i], (lp[i] - lm[i]) / (2.0 * h), 1e-7) << "actuator " << i;
    }

    // With as many actuators as DOFs the two maps invert each other.
    double back[6];
    kinVelocitiesToDof(m.get(), act, back);
    for (int k = 0; k < 6; ++k) {
        EXPECT_NEAR(back[k], dof[k], 1e-10) << "DOF " << k;
    }
}

} // namespace
