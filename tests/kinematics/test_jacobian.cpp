// The analytic Jacobian of every actuator type against central differences
// of the geometry, and the layout rules of the Jacobian (DOF order, angle
// unit, no DOFs).
#include "table_fixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using namespace kintest;

namespace {

// Poses in DOF order (x, y, z in metres, roll, pitch, yaw in degrees).
const std::vector<std::vector<double>> kPoses = {
    {0.0, 0.0, 0.0, 0.0, 0.0, 0.0},
    {0.02, -0.015, 0.03, 2.0, -3.0, 4.0},
    {-0.03, 0.025, -0.02, -4.0, 2.5, -6.0},
    {0.01, 0.03, 0.015, 5.0, 4.0, 8.0},
};

struct TypeCase {
    int type;
    const char* name;
};

class JacobianByType : public ::testing::TestWithParam<TypeCase> {};

// The central difference with step h has a truncation error of order h²
// times the third derivative; with h = 1e-5 m (or 1e-5 degree) and lengths of
// order 1 the difference is good to well below 1e-8, far above rounding.
TEST_P(JacobianByType, AnalyticMatchesCentralDifferenceAtSeveralPoses)
{
    ModelPtr model = makeTypeTable(GetParam().type);
    KinModel* m = model.get();
    prepareGeometry(m);
    for (const auto& pose : kPoses) {
        double numeric[MAX_ACTUATORS * MAX_ACTUATORS] = {};
        differenceJacobian(m, pose.data(), 1e-5, 1e-5, numeric);
        lengthsAt(m, pose);
        kinJacobian(m);
        for (int i = 0; i < 6; ++i) {
            for (int k = 0; k < 6; ++k) {
                EXPECT_NEAR(m->jacobian[i][k], numeric[MAX_ACTUATORS * i + k], 1e-7)
                    << "actuator " << i << " dof " << k << " pose " << pose[0] << "," << pose[3];
            }
        }
    }
}

// The model's own difference mode: step 0.001 of the largest displacement
// limit (1e-4 m) and 0.001 rad; its error is of order h², so a looser bound.
TEST_P(JacobianByType, DifferenceModeMatchesAnalyticAndRestoresTheState)
{
    ModelPtr model = makeTypeTable(GetParam().type);
    KinModel* m = model.get();
    prepareGeometry(m);
    for (const auto& pose : kPoses) {
        const std::vector<double> lengths = lengthsAt(m, pose);
        kinJacobian(m);
        double analytic[6][6];
        for (int i = 0; i < 6; ++i) {
            for (int k = 0; k < 6; ++k) {
                analytic[i][k] = m->jacobian[i][k];
                ASSERT_TRUE(std::isfinite(analytic[i][k])) << "actuator " << i << " dof " << k;
            }
        }
        const double rotationBefore = m->rotation[0][1];
        m->modeFlags[0] = 1;
        kinJacobian(m);
        m->modeFlags[0] = 0;
        for (int i = 0; i < 6; ++i) {
            for (int k = 0; k < 6; ++k) {
                EXPECT_NEAR(m->jacobian[i][k], analytic[i][k], 1e-5 * (1.0 + std::fabs(analytic[i][k])))
                    << "actuator " << i << " dof " << k;
            }
            EXPECT_NEAR(m->actuatorLength[i], lengths[i], 1e-14);
        }
        for (int k = 0; k < 6; ++k) {
            EXPECT_NEAR(m->pose[k], pose[k], 1e-15);
        }
        EXPECT_NEAR(m->rotation[0][1], rotationBefore, 1e-15);
    }
}

INSTANTIATE_TEST_SUITE_P(AllTypes, JacobianByType,
                         ::testing::Values(TypeCase{0, "strut"}, TypeCase{1, "slider"}, TypeCase{2, "tablePlane"},
                                           TypeCase{3, "basePlane"}, TypeCase{4, "crank"}),
                         [](const auto& info) { return std::string(info.param.name); });

ModelPtr singleStrut(const std::vector<int32_t>& dofs, bool degrees)
{
    TableOptions o;
    o.dofCodes = dofs;
    o.degrees = degrees;
    ModelPtr model(kinCreate());
    const int32_t types[1] = {0};
    kinConfigure(model.get(), 1, types, 0, 0, 0, static_cast<int>(dofs.size()), dofs.data());
    kinSetCanonicalUnit(model.get(), 0, 1, degrees ? kDeg : 1.0);
    setPoint(model.get(), kHead, 0, {0.0, 0.0, 1.0});
    setPoint(model.get(), kBase, 0, {0.0, 0.0, 0.0});
    return model;
}

TEST(Jacobian, VerticalStrutRowInCodeOrderAndInDofOrder)
{
    ModelPtr full = singleStrut({0, 1, 2, 3, 4, 5}, false);
    prepareGeometry(full.get());
    kinJacobian(full.get());
    const double expected[6] = {0, 0, 1, 0, 0, 0};
    for (int k = 0; k < 6; ++k) {
        EXPECT_DOUBLE_EQ(full->jacobian[0][k], expected[k]) << k;
    }

    ModelPtr twoDofs = singleStrut({2, 0}, false);
    prepareGeometry(twoDofs.get());
    twoDofs->jacobian[0][2] = 99.0;   // outside the 1 x 2 block: must stay
    kinJacobian(twoDofs.get());
    EXPECT_DOUBLE_EQ(twoDofs->jacobian[0][0], 1.0);
    EXPECT_DOUBLE_EQ(twoDofs->jacobian[0][1], 0.0);
    EXPECT_EQ(twoDofs->jacobian[0][2], 99.0);
}

TEST(Jacobian, RotationalColumnsArePerUserAngleUnit)
{
    ModelPtr radians = makeHexapod([] { TableOptions o; o.degrees = false; return o; }());
    ModelPtr degrees = makeHexapod();
    prepareGeometry(radians.get());
    prepareGeometry(degrees.get());
    const std::vector<double> poseRad = {0.01, 0.02, -0.01, 0.03, -0.02, 0.05};
    std::vector<double> poseDeg = poseRad;
    for (int k = 3; k < 6; ++k) {
        poseDeg[k] = poseRad[k] / kDeg;
    }
    lengthsAt(radians.get(), poseRad);
    lengthsAt(degrees.get(), poseDeg);
    kinJacobian(radians.get());
    kinJacobian(degrees.get());
    for (int i = 0; i < 6; ++i) {
        for (int k = 0; k < 6; ++k) {
            const double factor = k < 3 ? 1.0 : kDeg;
            EXPECT_NEAR(degrees->jacobian[i][k], factor * radians->jacobian[i][k], 1e-14) << i << "," << k;
        }
    }
}

TEST(Jacobian, NoDofsWritesNothingAndUnknownTypeGivesZeroRow)
{
    ModelPtr none = singleStrut({}, false);
    prepareGeometry(none.get());
    none->jacobian[0][0] = 7.0;
    kinJacobian(none.get());
    EXPECT_EQ(none->jacobian[0][0], 7.0);

    ModelPtr model = makeHexapod();
    model->actuatorTypes[2] = 7;
    prepareGeometry(model.get());
    for (int mode = 0; mode < 2; ++mode) {
        for (int k = 0; k < 6; ++k) {
            model->jacobian[2][k] = 5.0;
        }
        model->modeFlags[0] = mode;
        kinJacobian(model.get());
        for (int k = 0; k < 6; ++k) {
            EXPECT_EQ(model->jacobian[2][k], 0.0) << "mode " << mode << " dof " << k;
        }
        EXPECT_NE(model->jacobian[1][2], 0.0);
    }
}

}  // namespace
