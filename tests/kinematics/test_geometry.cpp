// Actuator geometry of the five types, the frame transform of the point sets
// and the per-type constants. Expected values come from the worked examples
// and from the defining condition of each type (rod length, plane contact),
// evaluated with an independently built rotation.
#include "table_fixtures.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

using namespace kintest;

namespace {

ModelPtr singleActuator(int32_t type, const std::vector<int32_t>& dofs, int numForceSensors = 0)
{
    ModelPtr model(kinCreate());
    const int32_t types[1] = {type};
    kinConfigure(model.get(), 1, types, 0, 0, numForceSensors, static_cast<int>(dofs.size()), dofs.data());
    kinSetCanonicalUnit(model.get(), 0, 1, kDeg);
    return model;
}

const std::vector<int32_t> kAllDofs = {0, 1, 2, 3, 4, 5};

TEST(Geometry, VerticalStrutExample)
{
    ModelPtr model = singleActuator(0, kAllDofs);
    setPoint(model.get(), kHead, 0, {0, 0, 1});
    setPoint(model.get(), kBase, 0, {0, 0, 0});
    prepareGeometry(model.get());
    double len[1] = {0.0};
    const double zero[6] = {};
    kinActuatorGeometry(model.get(), zero, len);
    EXPECT_EQ(len[0], 1.0);
    EXPECT_EQ(model->actuatorLength[0], 1.0);
    EXPECT_EQ(model->transmission[0][0], 0.0);
    EXPECT_EQ(model->transmission[1][0], 0.0);
    EXPECT_EQ(model->transmission[2][0], 1.0);
    const double up[6] = {0, 0, 0.5, 0, 0, 0};
    kinActuatorGeometry(model.get(), up, len);
    EXPECT_EQ(len[0], 1.5);
}

TEST(Geometry, SingleDofListMovesOnlyThatDof)
{
    ModelPtr model = singleActuator(0, {2});
    setPoint(model.get(), kHead, 0, {0.3, -0.2, 1});
    setPoint(model.get(), kBase, 0, {0.1, 0.1, 0});
    prepareGeometry(model.get());
    double len[1];
    const double pose[1] = {0.5};
    kinActuatorGeometry(model.get(), pose, len);
    EXPECT_EQ(model->pose[0], 0.5);
    EXPECT_NEAR(len[0], norm({0.2, -0.3, 1.5}), 1e-15);
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(model->rotation[r][c], r == c ? 1.0 : 0.0);
        }
    }
}

TEST(Geometry, SliderOutOfReachTakesTheFootOfThePerpendicular)
{
    ModelPtr model = singleActuator(1, kAllDofs);
    // slider along x from the origin; rod 0.5 long; head pivot lifted to 1.0
    setPoint(model.get(), kBase, 0, {0, 0, 0});
    setPoint(model.get(), kLink0, 0, {0.2, 0, 0});
    setPoint(model.get(), kHead, 0, {0.6, 0, 0.3});   // rod |(0.4, 0, 0.3)| = 0.5
    prepareGeometry(model.get());
    EXPECT_NEAR(model->referenceLength[0], 0.2, 1e-15);
    double len[1];
    const double lifted[6] = {0, 0, 0.7, 0, 0, 0};
    kinActuatorGeometry(model.get(), lifted, len);
    EXPECT_NEAR(len[0], 0.6, 1e-15);   // s = w · axis
}

TEST(Geometry, TablePlaneExample)
{
    ModelPtr model = singleActuator(2, kAllDofs, 1);
    setPoint(model.get(), kLink0, 0, {0, 0, 1});
    setPoint(model.get(), kBase, 0, {0, 0, 0});
    setPoint(model.get(), kHead, 0, {0, 0, 2});   // defines the base axis (0, 0, 1)
    prepareGeometry(model.get());
    EXPECT_EQ(model->actuatorLength[0], 1.0);
    EXPECT_EQ(model->forceDirection[0][0], 0.0);
    EXPECT_EQ(model->forceDirection[1][0], 0.0);
    EXPECT_EQ(model->forceDirection[2][0], -1.0);
}

TEST(Geometry, UnknownTypeLeavesItsEntryAndFields)
{
    ModelPtr model = makeHexapod();
    model->actuatorTypes[3] = 7;
    prepareGeometry(model.get());
    double len[6] = {0, 0, 0, 42.0, 0, 0};
    model->transmission[0][3] = -5.0;
    const double pose[6] = {0.01, 0, 0, 1, 0, 0};
    kinActuatorGeometry(model.get(), pose, len);
    EXPECT_EQ(len[3], 42.0);
    EXPECT_EQ(model->transmission[0][3], -5.0);
    EXPECT_GT(len[2], 0.5);
}

TEST(Geometry, NoActuatorsStillSetsTheRotation)
{
    ModelPtr model = singleActuator(0, kAllDofs);
    model->numActuators = 0;
    const double pose[6] = {0, 0, 0, 0, 0, 90};
    kinActuatorGeometry(model.get(), pose, nullptr);
    EXPECT_NEAR(model->rotation[0][1], 1.0, 1e-15);
}

class TypeTable : public ::testing::TestWithParam<int> {};

TEST_P(TypeTable, DisplacementsAreZeroAtTheZeroPose)
{
    ModelPtr model = makeTypeTable(GetParam());
    prepareGeometry(model.get());
    double out[6];
    const double zero[6] = {};
    kinActuatorDisplacements(model.get(), zero, out);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(out[i], 0.0) << i;
        EXPECT_GT(model->referenceLength[i], 0.1) << i;
    }
}

TEST_P(TypeTable, DisplacementsAreLengthsMinusReference)
{
    ModelPtr model = makeTypeTable(GetParam());
    prepareGeometry(model.get());
    const std::vector<double> pose = {0.02, -0.01, 0.015, 2.0, -1.5, 3.0};
    const std::vector<double> lengths = lengthsAt(model.get(), pose);
    double out[6];
    kinActuatorDisplacements(model.get(), pose.data(), out);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(out[i], lengths[i] - model->referenceLength[i]);
        EXPECT_NE(out[i], 0.0);
    }
}

INSTANTIATE_TEST_SUITE_P(Types, TypeTable, ::testing::Values(0, 1, 2, 3, 4));

const std::array<double, 6> kPosesDeg[] = {
    {0.03, -0.02, 0.04, 3.0, -4.0, 6.0},
    {-0.02, 0.035, -0.03, -5.0, 2.0, -8.0},
};

std::array<double, 6> radians(const std::array<double, 6>& p)
{
    return {p[0], p[1], p[2], p[3] * kDeg, p[4] * kDeg, p[5] * kDeg};
}

// The defining condition of each type at the computed length, with the
// pose's frame built independently.
TEST(GeometryCondition, StrutLengthIsThePivotDistance)
{
    ModelPtr model = makeHexapod();
    prepareGeometry(model.get());
    for (const auto& p : kPosesDeg) {
        const auto lengths = lengthsAt(model.get(), std::vector<double>(p.begin(), p.end()));
        for (int i = 0; i < 6; ++i) {
            const Vec h = headInBase(radians(p), headPoint(i));
            EXPECT_NEAR(lengths[i], norm(sub(h, basePoint(i))), 1e-14) << i;
        }
    }
}

TEST(GeometryCondition, SliderKeepsTheRodLengthOnTheNearerRoot)
{
    ModelPtr model = makeTypeTable(1);
    prepareGeometry(model.get());
    for (const auto& p : kPosesDeg) {
        const auto lengths = lengthsAt(model.get(), std::vector<double>(p.begin(), p.end()));
        for (int i = 0; i < 6; ++i) {
            const Vec h = headInBase(radians(p), headPoint(i));
            const Vec b = basePoint(i);
            const double rod = norm(sub(headPoint(i), {b[0], b[1], 0.4}));
            const Vec slider = {b[0], b[1], b[2] + lengths[i]};
            EXPECT_NEAR(norm(sub(h, slider)), rod, 1e-14) << i;
            // the other slider position fitting the rod lies beyond the head
            EXPECT_LT(lengths[i], h[2]);
        }
    }
}

TEST(GeometryCondition, TablePlaneContactLiesOnTheMovedPlane)
{
    ModelPtr model = makeTypeTable(2);
    const std::array<Vec, 6> plane = [&] {
        std::array<Vec, 6> a{};
        for (int i = 0; i < 6; ++i) {
            a[i] = pointOf(model->linkPivots[0], i);
        }
        return a;
    }();
    std::array<Vec, 6> foot{};
    std::array<Vec, 6> axis{};
    for (int i = 0; i < 6; ++i) {
        foot[i] = pointOf(model->basePivots, i);
        const Vec d = sub(pointOf(model->headPivots, i), foot[i]);
        axis[i] = {d[0] / norm(d), d[1] / norm(d), d[2] / norm(d)};
    }
    prepareGeometry(model.get());
    for (const auto& p : kPosesDeg) {
        const auto lengths = lengthsAt(model.get(), std::vector<double>(p.begin(), p.end()));
        const auto pr = radians(p);
        const Mat3 r = baseToTable(pr[3], pr[4], pr[5]);
        for (int i = 0; i < 6; ++i) {
            const Vec contactBase = {foot[i][0] + lengths[i] * axis[i][0], foot[i][1] + lengths[i] * axis[i][1],
                                     foot[i][2] + lengths[i] * axis[i][2]};
            const Vec contactTable = mulVec(r, sub(contactBase, {pr[0], pr[1], pr[2]}));
            const Vec rel = sub(contactTable, plane[i]);
            EXPECT_NEAR(rel[0] * plane[i][0] + rel[1] * plane[i][1] + rel[2] * plane[i][2], 0.0, 1e-14) << i;
        }
    }
}

TEST(GeometryCondition, BasePlaneContactLiesOnTheFixedPlane)
{
    ModelPtr model = makeTypeTable(3);
    std::array<Vec, 6> plane{};
    std::array<Vec, 6> head{};
    std::array<Vec, 6> axis{};
    for (int i = 0; i < 6; ++i) {
        plane[i] = pointOf(model->linkPivots[0], i);
        head[i] = pointOf(model->headPivots, i);
        const Vec d = sub(pointOf(model->basePivots, i), head[i]);
        axis[i] = {d[0] / norm(d), d[1] / norm(d), d[2] / norm(d)};
    }
    prepareGeometry(model.get());
    for (const auto& p : kPosesDeg) {
        const auto lengths = lengthsAt(model.get(), std::vector<double>(p.begin(), p.end()));
        for (int i = 0; i < 6; ++i) {
            const Vec tip = {head[i][0] + lengths[i] * axis[i][0], head[i][1] + lengths[i] * axis[i][1],
                             head[i][2] + lengths[i] * axis[i][2]};   // table frame
            const Vec rel = sub(headInBase(radians(p), tip), plane[i]);
            EXPECT_NEAR(rel[0] * plane[i][0] + rel[1] * plane[i][1] + rel[2] * plane[i][2], 0.0, 1e-14) << i;
            EXPECT_EQ(model->transmission[0][i], -axis[i][0]);
        }
    }
}

// ---- Frame transform and type constants ----

TEST(Frames, ZeroCoordinateSystemLeavesPointsUnchanged)
{
    ModelPtr model = makeTypeTable(4, [] { TableOptions o; o.numAccelerometers = 6; return o; }());
    const auto before = std::make_unique<KinModel>(*model);
    kinTransformPointSets(model.get());
    for (int c = 0; c < 3; ++c) {
        for (int i = 0; i < MAX_ACTUATORS; ++i) {
            EXPECT_EQ(model->headPivots[c][i], before->headPivots[c][i]);
            EXPECT_EQ(model->basePivots[c][i], before->basePivots[c][i]);
            EXPECT_EQ(model->accelLocations[c][i], before->accelLocations[c][i]);
            EXPECT_EQ(model->accelOrientations[c][i], before->accelOrientations[c][i]);
            for (int page = 0; page < 3; ++page) {
                EXPECT_EQ(model->linkPivots[page][c][i], before->linkPivots[page][c][i]);
            }
        }
    }
}

TEST(Frames, OffsetShiftsPointsButNotPlaneVectorsOrOrientations)
{
    ModelPtr model(kinCreate());
    const int32_t types[2] = {2, 0};
    const int32_t dofs[1] = {2};
    kinConfigure(model.get(), 2, types, 0, 1, 0, 1, dofs);
    for (int i = 0; i < 2; ++i) {
        setPoint(model.get(), kHead, i, {0, 0, 1});
        setPoint(model.get(), kLink0, i, {0, 0, 1});
        setPoint(model.get(), kLink1, i, {0, 0, 3});
    }
    setPoint(model.get(), kAccelLocation, 0, {0, 0, 2});
    setPoint(model.get(), kAccelOrientation, 0, {0, 0, 1});
    kinSetCoordinateSystem(model.get(), 2, 1.0);
    kinTransformPointSets(model.get());
    EXPECT_EQ(model->headPivots[2][0], 0.0);
    EXPECT_EQ(model->basePivots[2][0], -1.0);
    EXPECT_EQ(model->linkPivots[0][2][0], 1.0);   // plane vector of the type-2 actuator
    EXPECT_EQ(model->linkPivots[0][2][1], 0.0);   // link point of the strut
    EXPECT_EQ(model->linkPivots[1][2][0], 2.0);
    EXPECT_EQ(model->accelLocations[2][0], 1.0);
    EXPECT_EQ(model->accelOrientations[2][0], 1.0);
}

TEST(Frames, YawNinetyDegreesRotatesIntoTheKinematicFrame)
{
    ModelPtr model = singleActuator(3, kAllDofs);
    model->numAccelerometers = 1;
    setPoint(model.get(), kHead, 0, {1, 0, 0});
    setPoint(model.get(), kLink0, 0, {2, 0, 0});
    setPoint(model.get(), kAccelOrientation, 0, {1, 0, 0});
    kinSetCoordinateSystem(model.get(), 5, 90.0);
    kinTransformPointSets(model.get());
    const Vec expected = {0, -1, 0};
    for (int c = 0; c < 3; ++c) {
        EXPECT_NEAR(model->headPivots[c][0], expected[c], 1e-15);
        EXPECT_NEAR(model->linkPivots[0][c][0], 2 * expected[c], 1e-15);
        EXPECT_NEAR(model->accelOrientations[c][0], expected[c], 1e-15);
    }
}

TEST(Constants, SliderAndPlaneAxes)
{
    ModelPtr model(kinCreate());
    const int32_t types[3] = {1, 2, 3};
    kinConfigure(model.get(), 3, types, 0, 0, 0, 6, kAllDofs.data());
    setPoint(model.get(), kBase, 0, {1, 1, 0});
    setPoint(model.get(), kLink0, 0, {1, 1, 2});
    setPoint(model.get(), kHead, 0, {1, 4, 6});
    setPoint(model.get(), kBase, 1, {0, 0, 0});
    setPoint(model.get(), kHead, 1, {3, 0, 4});
    setPoint(model.get(), kBase, 2, {0, 0, 0});
    setPoint(model.get(), kHead, 2, {0, 6, 8});
    kinPrepareActuatorConstants(model.get());
    EXPECT_EQ(model->rodLengthSq[0], 25.0);
    EXPECT_EQ(model->rodLength[0], 5.0);
    EXPECT_EQ(model->slideAxis[2][0], 1.0);
    EXPECT_EQ(model->slideAxis[0][0], 0.0);
    EXPECT_NEAR(model->baseAxis[0][1], 0.6, 1e-15);
    EXPECT_NEAR(model->baseAxis[2][1], 0.8, 1e-15);
    EXPECT_NEAR(model->tableAxis[1][2], -0.6, 1e-15);
    EXPECT_NEAR(model->tableAxis[2][2], -0.8, 1e-15);
}

}  // namespace
