// Forward kinematics: Newton steps from the actuator displacements back to
// the pose that produced them.
#include "table_fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

using namespace kintest;

namespace {

// Far from zero: 5-6 cm and 5-8 degrees.
const std::vector<double> kFarPose = {0.05, -0.06, 0.055, 6.0, -5.0, 8.0};

ModelPtr preparedTable(int type, int iterations, int updateMode, const std::vector<int32_t>& dofs = {0, 1, 2, 3, 4, 5})
{
    TableOptions o;
    o.iterationCount = iterations;
    o.jacobianUpdateMode = updateMode;
    o.dofCodes = dofs;
    ModelPtr model = makeTypeTable(type, o);
    prepareGeometryAndJacobian(model.get());
    return model;
}

std::vector<double> displacementsOf(KinModel* m, const std::vector<double>& pose)
{
    std::vector<double> out(MAX_ACTUATORS, 0.0);
    kinActuatorDisplacements(m, pose.data(), out.data());
    // put the geometry back to where the preparation left it
    const double zero[MAX_DOFS] = {};
    std::vector<double> scratch(MAX_ACTUATORS, 0.0);
    kinActuatorGeometry(m, zero, scratch.data());
    return out;
}

double maxError(const std::vector<double>& a, const std::vector<double>& b)
{
    double e = 0.0;
    for (size_t k = 0; k < a.size(); ++k) {
        e = std::max(e, std::fabs(a[k] - b[k]));
    }
    return e;
}

TEST(ForwardKinematics, UpdateModeRecoversAFarPoseOfTheHexapod)
{
    ModelPtr model = preparedTable(0, 6, 1);
    const auto disp = displacementsOf(model.get(), kFarPose);
    std::vector<double> pose(6, 0.0);
    kinActuatorsToPose(model.get(), disp.data(), pose.data());
    EXPECT_LT(maxError(pose, kFarPose), 1e-9);
    // poseLength and the geometry describe the solution
    for (int i = 0; i < 6; ++i) {
        EXPECT_NEAR(model->poseLength[i], disp[i] + model->referenceLength[i], 1e-12);
        EXPECT_EQ(model->pose[i], pose[i]);
    }
}

TEST(ForwardKinematics, ChordModeIsLessConvergedFarFromZero)
{
    ModelPtr newton = preparedTable(0, 4, 1);
    ModelPtr chord = preparedTable(0, 4, 0);
    const auto disp = displacementsOf(newton.get(), kFarPose);
    std::vector<double> newtonPose(6, 0.0);
    std::vector<double> chordPose(6, 0.0);
    kinActuatorsToPose(newton.get(), disp.data(), newtonPose.data());
    kinActuatorsToPose(chord.get(), disp.data(), chordPose.data());
    const double newtonError = maxError(newtonPose, kFarPose);
    const double chordError = maxError(chordPose, kFarPose);
    EXPECT_LT(newtonError, 1e-9);
    EXPECT_GT(chordError, 100.0 * newtonError);
    EXPECT_GT(chordError, 1e-8);
    EXPECT_LT(chordError, maxError(std::vector<double>(6, 0.0), kFarPose));   // still heading there
    // the chord iteration keeps the zero-pose matrices
    ModelPtr fresh = preparedTable(0, 4, 0);
    EXPECT_EQ(std::memcmp(chord->jacobianPinv, fresh->jacobianPinv, sizeof fresh->jacobianPinv), 0);
}

TEST(ForwardKinematics, ChordModeConvergesWithMoreSteps)
{
    ModelPtr chord = preparedTable(0, 60, 0);
    const auto disp = displacementsOf(chord.get(), kFarPose);
    std::vector<double> pose(6, 0.0);
    kinActuatorsToPose(chord.get(), disp.data(), pose.data());
    EXPECT_LT(maxError(pose, kFarPose), 1e-9);
}

TEST(ForwardKinematics, ZeroIterationsChangeNothing)
{
    ModelPtr model = preparedTable(0, 0, 1);
    const auto disp = displacementsOf(model.get(), kFarPose);
    const auto before = std::make_unique<KinModel>(*model);
    std::vector<double> pose = {0.01, 0.02, 0.03, 1.0, 2.0, 3.0};
    const std::vector<double> start = pose;
    kinActuatorsToPose(model.get(), disp.data(), pose.data());
    EXPECT_EQ(pose, start);
    EXPECT_EQ(std::memcmp(model.get(), before.get(), sizeof(KinModel)), 0);
    // a negative count runs no step either
    kinSetIterationCount(model.get(), 0, -3);
    kinActuatorsToPose(model.get(), disp.data(), pose.data());
    EXPECT_EQ(pose, start);
}

TEST(ForwardKinematics, DisplacementsOfTheCurrentPoseGiveNoCorrection)
{
    ModelPtr model = preparedTable(0, 3, 1);
    const std::vector<double> start = {0.01, -0.02, 0.03, 2.0, 1.0, -3.0};
    std::vector<double> disp(MAX_ACTUATORS, 0.0);
    kinActuatorDisplacements(model.get(), start.data(), disp.data());
    std::copy(model->actuatorLength, model->actuatorLength + 6, model->poseLength);
    std::vector<double> pose = start;
    kinActuatorsToPose(model.get(), disp.data(), pose.data());
    EXPECT_LT(maxError(pose, start), 1e-15);
}

TEST(ForwardKinematics, InactiveActuatorHasNoInfluence)
{
    for (int mode = 0; mode < 2; ++mode) {
        ModelPtr a = preparedTable(0, 3, mode);
        ModelPtr b = preparedTable(0, 3, mode);
        ModelPtr active = preparedTable(0, 3, mode);
        a->sensorActive[0][2] = 0;
        b->sensorActive[0][2] = 0;
        auto disp = displacementsOf(a.get(), kFarPose);
        auto other = disp;
        other[2] += 0.05;
        std::vector<double> poseA(6, 0.0);
        std::vector<double> poseB(6, 0.0);
        std::vector<double> poseActive(6, 0.0);
        kinActuatorsToPose(a.get(), disp.data(), poseA.data());
        kinActuatorsToPose(b.get(), other.data(), poseB.data());
        kinActuatorsToPose(active.get(), other.data(), poseActive.data());
        EXPECT_EQ(poseA, poseB) << "mode " << mode;
        EXPECT_GT(maxError(poseActive, poseA), 1e-3) << "mode " << mode;
    }
}

TEST(ForwardKinematics, SolvePoseTakesAbsoluteLengths)
{
    ModelPtr viaDisplacements = preparedTable(0, 2, 1);
    ModelPtr viaLengths = preparedTable(0, 2, 1);
    const auto disp = displacementsOf(viaDisplacements.get(), kFarPose);
    std::vector<double> lengths(MAX_ACTUATORS, 0.0);
    for (int i = 0; i < 6; ++i) {
        lengths[i] = disp[i] + viaLengths->referenceLength[i];
    }
    std::vector<double> p1(6, 0.0);
    std::vector<double> p2(6, 0.0);
    kinActuatorsToPose(viaDisplacements.get(), disp.data(), p1.data());
    kinSolvePose(viaLengths.get(), lengths.data(), p2.data());
    EXPECT_EQ(p1, p2);
}

// The calls chain: each continues from the pose and lengths the previous one
// left, so a moving target is followed with one step per call, lagging by
// far less than one increment (0.4 degree at most), and settles once the
// target stops.
TEST(ForwardKinematics, SuccessiveCallsTrackAMovingPose)
{
    ModelPtr model = preparedTable(0, 1, 1);
    std::vector<double> pose(6, 0.0);
    std::vector<double> disp(MAX_ACTUATORS, 0.0);
    ModelPtr reference = preparedTable(0, 1, 1);
    double worst = 0.0;
    for (int step = 1; step <= 20; ++step) {
        const double s = step / 20.0;
        std::vector<double> target(6);
        for (int k = 0; k < 6; ++k) {
            target[k] = s * kFarPose[k];
        }
        kinActuatorDisplacements(reference.get(), target.data(), disp.data());
        kinActuatorsToPose(model.get(), disp.data(), pose.data());
        worst = std::max(worst, maxError(pose, target));
    }
    EXPECT_LT(worst, 0.04);
    for (int settle = 0; settle < 6; ++settle) {
        kinActuatorsToPose(model.get(), disp.data(), pose.data());
    }
    EXPECT_LT(maxError(pose, kFarPose), 1e-9);
}

class ForwardByType : public ::testing::TestWithParam<int> {};

TEST_P(ForwardByType, RecoversAModeratePose)
{
    ModelPtr model = preparedTable(GetParam(), 8, 1);
    const std::vector<double> target = {0.02, -0.015, 0.025, 2.0, -1.5, 3.0};
    const auto disp = displacementsOf(model.get(), target);
    std::vector<double> pose(6, 0.0);
    kinActuatorsToPose(model.get(), disp.data(), pose.data());
    EXPECT_LT(maxError(pose, target), 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Types, ForwardByType, ::testing::Values(0, 1, 2, 3, 4));

TEST(ForwardKinematics, MoreActuatorsThanDofsUsesLeastSquares)
{
    ModelPtr model = preparedTable(0, 6, 1, {0, 1, 2});
    const std::vector<double> target = {0.04, -0.03, 0.05};
    const auto disp = displacementsOf(model.get(), target);
    std::vector<double> pose(3, 0.0);
    kinActuatorsToPose(model.get(), disp.data(), pose.data());
    EXPECT_LT(maxError(pose, target), 1e-9);
}

}  // namespace
