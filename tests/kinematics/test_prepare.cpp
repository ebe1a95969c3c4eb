// Model preparation: the frame transform of the dialog points, force weights,
// difference steps, the zero pose as displacement reference, and the DOF
// ranges of a fully equipped hexapod checked against the inverse kinematics
// and the force distribution at the poses they name.
#include "kinematics/kinmodel.h"
#include "table_fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

using kintest::ModelPtr;
using kintest::Vec;

struct ActuatorPoints {
    int32_t type;
    Vec head;
    Vec base;
    Vec link0;
};

// A small model loaded in the block order; rotational units in degrees.
ModelPtr smallModel(const std::vector<ActuatorPoints>& actuators, const std::vector<int32_t>& dofCodes,
                    int numForceSensors, int numAccelerometers = 0)
{
    ModelPtr m(kinCreate());
    std::vector<int32_t> types;
    for (const ActuatorPoints& a : actuators) {
        types.push_back(a.type);
    }
    kinConfigure(m.get(), static_cast<int>(actuators.size()), types.data(), 0, numAccelerometers, numForceSensors,
                 static_cast<int>(dofCodes.size()), dofCodes.data());
    for (int kind = 0; kind < 4; ++kind) {
        kinSetCanonicalUnit(m.get(), kind, 1, kintest::kDeg);
    }
    for (size_t i = 0; i < actuators.size(); ++i) {
        kintest::setPoint(m.get(), kintest::kHead, static_cast<int>(i), actuators[i].head);
        kintest::setPoint(m.get(), kintest::kBase, static_cast<int>(i), actuators[i].base);
        kintest::setPoint(m.get(), kintest::kLink0, static_cast<int>(i), actuators[i].link0);
    }
    return m;
}

void prepareAtZero(KinModel* m)
{
    const double zero[MAX_DOFS] = {};
    kinPrepare(m, zero);
}

TEST(PrepareFrames, ZeroCoordinateSystemLeavesThePointsAlone)
{
    ModelPtr m = smallModel({{0, {0.3, -0.2, 1.0}, {0.5, 0.1, 0.0}, {1.0, 2.0, 3.0}}}, {2}, 0);
    prepareAtZero(m.get());
    EXPECT_EQ(kintest::pointOf(m->headPivots, 0), (Vec{0.3, -0.2, 1.0}));
    EXPECT_EQ(kintest::pointOf(m->basePivots, 0), (Vec{0.5, 0.1, 0.0}));
    EXPECT_EQ(kintest::pointOf(m->linkPivots[0], 0), (Vec{1.0, 2.0, 3.0}));
}

TEST(PrepareFrames, OffsetShiftsPointsButNotPlaneVectors)
{
    // A strut and a fixed-axis actuator pushing on the table plane z = 1.
    ModelPtr m = smallModel({{0, {0, 0, 1}, {0, 0, 0}, {1, 2, 3}}, {2, {0, 0, 2}, {0, 0, -0.5}, {0, 0, 1}}}, {2}, 0);
    kinSetCoordinateSystem(m.get(), 2, 1.0);
    prepareAtZero(m.get());
    EXPECT_EQ(kintest::pointOf(m->headPivots, 0), (Vec{0, 0, 0}));
    EXPECT_EQ(kintest::pointOf(m->basePivots, 0), (Vec{0, 0, -1}));
    EXPECT_EQ(kintest::pointOf(m->linkPivots[0], 0), (Vec{1, 2, 2}));
    EXPECT_EQ(kintest::pointOf(m->linkPivots[0], 1), (Vec{0, 0, 1}));
    // Zero-pose lengths: the strut 1, the plane contact from z = -1.5 to 1.
    EXPECT_DOUBLE_EQ(m->referenceLength[0], 1.0);
    EXPECT_DOUBLE_EQ(m->referenceLength[1], 2.5);
}

TEST(PrepareFrames, NinetyDegreeYawTurnsPointsAndAccelerometerDirections)
{
    ModelPtr m = smallModel({{0, {1, 0, 0}, {1, 0, -1}, {0, 0, 0}}}, {2}, 0, 1);
    kintest::setPoint(m.get(), kintest::kAccelLocation, 0, {2, 0, 0});
    kintest::setPoint(m.get(), kintest::kAccelOrientation, 0, {1, 0, 1});
    kinSetCoordinateSystem(m.get(), 0, 1.0);
    kinSetCoordinateSystem(m.get(), 5, 90.0);
    prepareAtZero(m.get());
    // Shift by (1, 0, 0), then x -> -y.
    const Vec head = kintest::pointOf(m->headPivots, 0);
    const Vec location = kintest::pointOf(m->accelLocations, 0);
    const Vec direction = kintest::pointOf(m->accelOrientations, 0);
    const Vec expectedLocation = {0, -1, 0};
    const Vec expectedDirection = {0, -1, 1};   // a direction is not shifted
    for (int c = 0; c < 3; ++c) {
        EXPECT_NEAR(head[c], 0.0, 1e-15) << c;
        EXPECT_NEAR(location[c], expectedLocation[c], 1e-15) << c;
        EXPECT_NEAR(direction[c], expectedDirection[c], 1e-15) << c;
    }
}

// Two parallel vertical struts carrying the z DOF.
ModelPtr twoStruts(int numForceSensors)
{
    return smallModel({{0, {-1, 0, 1}, {-1, 0, 0}, {0, 0, 0}}, {0, {1, 0, 1}, {1, 0, 0}, {0, 0, 0}}}, {2},
                      numForceSensors);
}

void setForceLimits(KinModel* m, const std::vector<double>& maxima, const std::vector<double>& minima)
{
    for (size_t i = 0; i < maxima.size(); ++i) {
        kinSetMaximum(m, 0, 3, static_cast<int>(i), maxima[i]);
        kinSetMinimum(m, 0, 3, static_cast<int>(i), minima[i]);
    }
}

TEST(PrepareForces, WeightsAndZeroMinimumReplacement)
{
    ModelPtr m = twoStruts(2);
    setForceLimits(m.get(), {100.0, 200.0}, {-100.0, 0.0});
    prepareAtZero(m.get());
    EXPECT_EQ(m->actuatorMin[3][0], -100.0);
    EXPECT_EQ(m->actuatorMin[3][1], -1e-6 * 200.0);
    EXPECT_EQ(m->forceWeight[0], 0.5);
    EXPECT_EQ(m->forceWeight[1], 1.0);
    EXPECT_EQ(m->asymmetricForceLimits, 1);
}

TEST(PrepareForces, StrongerActuatorCarriesMoreOfTheLoad)
{
    ModelPtr m = twoStruts(2);
    setForceLimits(m.get(), {100.0, 200.0}, {-100.0, -200.0});
    prepareAtZero(m.get());
    EXPECT_EQ(m->asymmetricForceLimits, 0);
    // Both struts push straight up (G = (1, 1)): shares follow the weights.
    const double F[1] = {300.0};
    double f[2] = {};
    kinDofToActuatorForces(m.get(), F, f);
    EXPECT_NEAR(f[0], 100.0, 1e-10);
    EXPECT_NEAR(f[1], 200.0, 1e-10);
}

TEST(PrepareForces, AsManyDofsAsActuatorsIgnoresTheLimits)
{
    kintest::TableOptions options;
    options.numForceSensors = 6;
    ModelPtr m = kintest::makeHexapod(options);
    setForceLimits(m.get(), {100, 200, 300, 400, 500, 600}, {0, -10, -20, -30, -40, -50});
    prepareAtZero(m.get());
    EXPECT_EQ(m->asymmetricForceLimits, 0);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(m->forceWeight[i], 1.0) << i;
    }
    EXPECT_EQ(m->actuatorMin[3][0], 0.0);   // no replacement either
    for (int r = 0; r < 6; ++r) {
        for (int c = 0; c < 6; ++c) {
            double sum = 0.0;
            for (int i = 0; i < 6; ++i) {
                sum += m->forceDistMatrix[r][i] * m->forceMatrix[i][c];
            }
            EXPECT_NEAR(sum, r == c ? 1.0 : 0.0, 1e-10) << r << "," << c;
        }
    }
}

TEST(PrepareSteps, DifferenceStepsFromStrokeAndAngleUnit)
{
    ModelPtr m = twoStruts(0);
    kinSetMaximum(m.get(), 0, 0, 0, 0.1);
    kinSetMaximum(m.get(), 0, 0, 1, 0.25);
    prepareAtZero(m.get());
    EXPECT_DOUBLE_EQ(m->positionStep, 0.001 * 0.25);
    EXPECT_NEAR(m->angleStep, 0.001 * 180.0 / kintest::kPi, 1e-15);

    ModelPtr none = twoStruts(0);
    kinSetMaximum(none.get(), 0, 0, 0, -0.1);
    prepareAtZero(none.get());
    EXPECT_EQ(none->positionStep, 0.0);
}

// A hexapod with every sensor kind, limits on displacement, force and
// acceleration, prepared at the zero pose.
kintest::TableOptions fullOptions()
{
    kintest::TableOptions options;
    options.numVelocitySensors = 6;
    options.numForceSensors = 6;
    options.numAccelerometers = 12;   // four triaxial groups: all six DOFs observable
    return options;
}

ModelPtr fullHexapod(double accelLimit)
{
    ModelPtr m = kintest::makeHexapod(fullOptions());
    for (int j = 0; j < m->numAccelerometers; ++j) {
        kinSetMaximum(m.get(), 0, 2, j, accelLimit);
        kinSetMinimum(m.get(), 0, 2, j, -accelLimit);
    }
    kinSetIterationCount(m.get(), 3, 5);
    prepareAtZero(m.get());
    return m;
}

bool strictlyInside(const double* values, int count, const double* lower, const double* upper)
{
    for (int i = 0; i < count; ++i) {
        if (!(lower[i] < values[i] && values[i] < upper[i])) {
            return false;
        }
    }
    return true;
}

TEST(PrepareHexapod, ZeroPoseIsTheDisplacementReference)
{
    ModelPtr m = fullHexapod(2.0);
    const double zero[MAX_DOFS] = {};
    double disp[MAX_ACTUATORS];
    kinActuatorDisplacements(m.get(), zero, disp);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(disp[i], 0.0) << i;
        EXPECT_EQ(m->poseLength[i], m->referenceLength[i]) << i;
    }
    EXPECT_EQ(m->iterationCounts[3], 5);   // restored after the force search
    // Accelerometer map at the zero pose: no centripetal part, A+ A = I.
    for (int j = 0; j < m->numAccelerometers; ++j) {
        EXPECT_EQ(m->accelReference[j], 0.0);
    }
    for (int r = 0; r < 6; ++r) {
        for (int c = 0; c < 6; ++c) {
            double sum = 0.0;
            for (int j = 0; j < m->numAccelerometers; ++j) {
                sum += m->accelPinv[r][j] * m->accelMatrix[j][c];
            }
            EXPECT_NEAR(sum, r == c ? 1.0 : 0.0, 1e-10) << r << "," << c;
        }
    }
}

// For each limit kind with limits, dofMax[k] is just past the first limit
// crossing along DOF k and dofMin[k] just inside the crossing going down.
void expectRangesBracketLimits(KinModel* m, int kind, KinSensorMap map, int count)
{
    const double* lower = m->actuatorMin[kind];
    const double* upper = m->actuatorMax[kind];
    for (int k = 0; k < m->numDofs; ++k) {
        const double hi = m->dofMax[kind][k];
        const double lo = m->dofMin[kind][k];
        ASSERT_TRUE(std::isfinite(hi) && std::isfinite(lo)) << "kind " << kind << " DOF " << k;
        EXPECT_GT(hi, 0.0) << "kind " << kind << " DOF " << k;
        EXPECT_LT(lo, 0.0) << "kind " << kind << " DOF " << k;

        double dof[MAX_DOFS] = {};
        double values[MAX_ACTUATORS] = {};
        const double margin = 1e-4;
        dof[k] = hi;
        map(m, dof, values);
        EXPECT_FALSE(strictlyInside(values, count, lower, upper)) << "kind " << kind << " DOF " << k << " at max";
        dof[k] = hi * (1.0 - margin);
        map(m, dof, values);
        EXPECT_TRUE(strictlyInside(values, count, lower, upper)) << "kind " << kind << " DOF " << k << " below max";
        dof[k] = lo;
        map(m, dof, values);
        EXPECT_TRUE(strictlyInside(values, count, lower, upper)) << "kind " << kind << " DOF " << k << " at min";
        dof[k] = lo * (1.0 + margin);
        map(m, dof, values);
        EXPECT_FALSE(strictlyInside(values, count, lower, upper)) << "kind " << kind << " DOF " << k << " past min";
    }
}

TEST(PrepareHexapod, DisplacementRangesBracketAStrokeLimit)
{
    ModelPtr m = fullHexapod(2.0);
    expectRangesBracketLimits(m.get(), 0, kinActuatorDisplacements, 6);
}

TEST(PrepareHexapod, ForceRangesBracketAForceLimit)
{
    ModelPtr m = fullHexapod(2.0);
    expectRangesBracketLimits(m.get(), 3, kinDofToActuatorForces, 6);
}

TEST(PrepareHexapod, AccelerationRangesAreSearchedAtTheLevelTable)
{
    // The displacement search leaves the geometry at a tilted probe;
    // preparation returns to the zero pose before the acceleration search,
    // so its ranges hold at the level table, where kinPrepare leaves it.
    ModelPtr m = fullHexapod(2.0);
    expectRangesBracketLimits(m.get(), 2, kinDofToAccels, m->numAccelerometers);
}

TEST(PrepareHexapod, VelocityRangesBracketAVelocityLimit)
{
    ModelPtr m = fullHexapod(2.0);
    expectRangesBracketLimits(m.get(), 1, kinDofToActuatorVelocities, 6);
}

TEST(PrepareHexapod, KindsWithoutLimitsHaveZeroRanges)
{
    // The blocks set no velocity limits: every probe sits at zero and counts
    // as outside, so both ends are exactly 0.
    ModelPtr m = kintest::makeHexapod(fullOptions());
    for (int i = 0; i < 6; ++i) {
        kinSetMaximum(m.get(), 0, 1, i, 0.0);
        kinSetMinimum(m.get(), 0, 1, i, 0.0);
    }
    prepareAtZero(m.get());
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(m->dofMax[1][k], 0.0);
        EXPECT_EQ(m->dofMin[1][k], 0.0);
    }
}

TEST(PrepareHexapod, GeometryEndsAtTheGivenPose)
{
    ModelPtr atZero = kintest::makeHexapod(fullOptions());
    ModelPtr atPose = kintest::makeHexapod(fullOptions());
    prepareAtZero(atZero.get());
    const double pose[6] = {0.01, 0.0, -0.02, 1.0, 0.0, 2.0};
    kinPrepare(atPose.get(), pose);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(atPose->referenceLength[i], atZero->referenceLength[i]);
        for (int k = 0; k < 6; ++k) {
            EXPECT_EQ(atPose->jacobian[i][k], atZero->jacobian[i][k]);
        }
    }
    const std::vector<double> expected = kintest::lengthsAt(atZero.get(), {pose, pose + 6});
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(atPose->poseLength[i], expected[static_cast<size_t>(i)]) << i;
    }
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(atPose->pose[k], pose[k]);
    }
}

// Everything preparation derives, as raw bytes.
template <typename T>
bool sameBytes(const T& a, const T& b)
{
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

void expectSamePreparation(const KinModel& a, const KinModel& b)
{
    EXPECT_TRUE(sameBytes(a.jacobian, b.jacobian));
    EXPECT_TRUE(sameBytes(a.jacobianPinv, b.jacobianPinv));
    EXPECT_TRUE(sameBytes(a.velocityMatrix, b.velocityMatrix));
    EXPECT_TRUE(sameBytes(a.velocityDofMatrix, b.velocityDofMatrix));
    EXPECT_TRUE(sameBytes(a.accelMatrix, b.accelMatrix));
    EXPECT_TRUE(sameBytes(a.accelPinv, b.accelPinv));
    EXPECT_TRUE(sameBytes(a.accelReference, b.accelReference));
    EXPECT_TRUE(sameBytes(a.forceMatrix, b.forceMatrix));
    EXPECT_TRUE(sameBytes(a.forceDistMatrix, b.forceDistMatrix));
    EXPECT_TRUE(sameBytes(a.forceWeight, b.forceWeight));
    EXPECT_TRUE(sameBytes(a.referenceLength, b.referenceLength));
    EXPECT_TRUE(sameBytes(a.dofMax, b.dofMax));
    EXPECT_TRUE(sameBytes(a.dofMin, b.dofMin));
    EXPECT_TRUE(sameBytes(a.headPivots, b.headPivots));
}

// No hidden state: a fresh model loaded with the same setters prepares to the
// same bits, whatever other models were prepared and driven in between.
class PrepareRepeatable : public ::testing::TestWithParam<int> {};

TEST_P(PrepareRepeatable, FreshModelsPrepareBitIdentically)
{
    const int type = GetParam();
    const kintest::TableOptions options = fullOptions();
    ModelPtr first = kintest::makeTypeTable(type, options);
    prepareAtZero(first.get());

    // Unrelated work in between: another table with asymmetric force limits,
    // prepared and driven.
    ModelPtr other = twoStruts(2);
    setForceLimits(other.get(), {10.0, 50.0}, {0.0, -5.0});
    prepareAtZero(other.get());
    const double F[1] = {-30.0};
    double f[2] = {};
    kinDofToActuatorForces(other.get(), F, f);

    ModelPtr second = kintest::makeTypeTable(type, options);
    prepareAtZero(second.get());
    expectSamePreparation(*first, *second);
}

INSTANTIATE_TEST_SUITE_P(ActuatorTypes, PrepareRepeatable, ::testing::Values(0, 1, 2, 3, 4),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return "Type" + std::to_string(info.param);
                         });

} // namespace
