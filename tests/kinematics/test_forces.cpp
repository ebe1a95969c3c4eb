// Force transforms: the two forms of the force matrix, the weighted
// minimum-norm distribution and its re-weighting for asymmetric limits.
// Expected distributions come from the closed form D = W G^T (G W G^T)^-1,
// which for one DOF is f_i = F w_i g_i / sum_j w_j g_j^2.
#include "kinematics/kinmodel.h"
#include "table_fixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

using kintest::ModelPtr;

// n actuators (struts), the DOFs given, force sensors on every actuator; G is
// set by hand (d x n, row stride 24).
ModelPtr forceModel(int n, const std::vector<int32_t>& dofCodes, const std::vector<std::vector<double>>& G)
{
    ModelPtr m(kinCreate());
    const int32_t types[MAX_ACTUATORS] = {};
    kinConfigure(m.get(), n, types, 0, 0, n, static_cast<int>(dofCodes.size()), dofCodes.data());
    for (int kind = 0; kind < 4; ++kind) {
        kinSetCanonicalUnit(m.get(), kind, 1, 1.0);
    }
    for (size_t k = 0; k < G.size(); ++k) {
        for (int i = 0; i < n; ++i) {
            m->forceMatrix[k][i] = G[k][static_cast<size_t>(i)];
        }
    }
    for (int i = 0; i < n; ++i) {
        m->forceWeight[i] = 1.0;
    }
    return m;
}

TEST(ForceDistribution, EqualWeightsGiveTheMinimumNormInverse)
{
    const std::vector<std::vector<double>> G = {{1.0, 2.0, -1.0}, {0.5, -1.0, 3.0}};
    ModelPtr m = forceModel(3, {0, 1}, G);
    kinBuildForceDistribution(m.get(), nullptr);

    // G G^T and its inverse in closed form.
    double a = 0, b = 0, c = 0;
    for (int t = 0; t < 3; ++t) {
        a += G[0][t] * G[0][t];
        b += G[0][t] * G[1][t];
        c += G[1][t] * G[1][t];
    }
    const double det = a * c - b * b;
    const double inv[2][2] = {{c / det, -b / det}, {-b / det, a / det}};
    for (int i = 0; i < 3; ++i) {
        for (int k = 0; k < 2; ++k) {
            const double expected = G[0][i] * inv[0][k] + G[1][i] * inv[1][k];
            EXPECT_NEAR(m->forceDistMatrix[i][k], expected, 1e-14) << i << "," << k;
        }
    }
}

TEST(ForceDistribution, AsManyDofsAsActuatorsGivesTheInverseWhateverTheWeights)
{
    const std::vector<std::vector<double>> G = {{2.0, 1.0, 0.0}, {0.0, 1.0, -1.0}, {1.0, 0.0, 3.0}};
    ModelPtr m = forceModel(3, {0, 1, 2}, G);
    m->forceWeight[0] = 3.0;
    m->forceWeight[1] = 0.1;
    m->forceWeight[2] = 7.0;
    kinBuildForceDistribution(m.get(), nullptr);
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            double sum = 0.0;
            for (int i = 0; i < 3; ++i) {
                sum += m->forceDistMatrix[r][i] * G[i][c];
            }
            EXPECT_NEAR(sum, r == c ? 1.0 : 0.0, 1e-14) << r << "," << c;
        }
    }
}

TEST(ForceDistribution, StrongerActuatorCarriesMore)
{
    // Three parallel actuators holding one vertical force of 4.
    ModelPtr m = forceModel(3, {2}, {{1.0, 1.0, 1.0}});
    const double F[1] = {4.0};
    double equal[3];
    kinBuildForceDistribution(m.get(), nullptr);
    kinDistributeForces(m.get(), F, equal);
    for (double f : equal) {
        EXPECT_NEAR(f, 4.0 / 3.0, 1e-14);
    }

    // Actuator 0 twice as strong: weights (1, 0.5, 0.5) -> shares 1/2, 1/4, 1/4.
    m->forceWeight[1] = 0.5;
    m->forceWeight[2] = 0.5;
    kinBuildForceDistribution(m.get(), nullptr);
    double weighted[3];
    kinDistributeForces(m.get(), F, weighted);
    EXPECT_NEAR(weighted[0], 2.0, 1e-14);
    EXPECT_NEAR(weighted[1], 1.0, 1e-14);
    EXPECT_NEAR(weighted[2], 1.0, 1e-14);
    EXPECT_GT(weighted[0], equal[0]);
}

// One DOF, two actuators with G = (2, -1): a push of 10 puts actuator 1 in
// tension. Its tension capacity is a quarter of its compression capacity.
ModelPtr tensionModel(int passes)
{
    ModelPtr m = forceModel(2, {2}, {{2.0, -1.0}});
    m->asymmetricForceLimits = 1;
    m->iterationCounts[3] = passes;
    m->actuatorMax[3][0] = 100.0;
    m->actuatorMin[3][0] = -100.0;
    m->actuatorMax[3][1] = 100.0;
    m->actuatorMin[3][1] = -25.0;
    kinBuildForceDistribution(m.get(), nullptr);
    return m;
}

TEST(ForceDistribution, AsymmetricLimitsReweightTheActuatorInTension)
{
    ModelPtr m = tensionModel(2);
    // Without forces the weights are the compression capacities.
    EXPECT_EQ(m->forceWeight[0], 1.0);
    EXPECT_EQ(m->forceWeight[1], 1.0);

    const double F[1] = {10.0};
    double f[2] = {123.0, 456.0};   // not read
    kinDistributeForces(m.get(), F, f);
    // Equal weights give (4, -2); actuator 1 pulls, so its weight becomes
    // 25 / 100 relative to the strongest, and stays so on the second pass.
    EXPECT_EQ(m->forceWeight[0], 1.0);
    EXPECT_EQ(m->forceWeight[1], 0.25);
    const double sum = 2.0 * 2.0 * 1.0 + 1.0 * 1.0 * 0.25;
    EXPECT_NEAR(f[0], 10.0 * 2.0 * 1.0 / sum, 1e-13);
    EXPECT_NEAR(f[1], 10.0 * -1.0 * 0.25 / sum, 1e-13);
    EXPECT_NEAR(2.0 * f[0] - f[1], 10.0, 1e-13);
}

TEST(ForceDistribution, NoPassesIsOneProductWithTheCurrentDistribution)
{
    ModelPtr m = tensionModel(0);
    const double F[1] = {10.0};
    double f[2];
    kinDistributeForces(m.get(), F, f);
    EXPECT_NEAR(f[0], 4.0, 1e-13);
    EXPECT_NEAR(f[1], -2.0, 1e-13);
    EXPECT_EQ(m->forceWeight[1], 1.0);
}

TEST(ForceDistribution, DofMapStartsFromThePreviousForces)
{
    ModelPtr m = tensionModel(0);
    const double F[1] = {10.0};
    double f[2] = {1.0, -1.0};   // previous call: actuator 1 in tension
    kinDofToActuatorForces(m.get(), F, f);
    EXPECT_EQ(m->forceWeight[1], 0.25);
    EXPECT_NEAR(f[0], 20.0 / 4.25, 1e-13);
    EXPECT_NEAR(f[1], -2.5 / 4.25, 1e-13);
}

TEST(ForceDistribution, NanForceTakesTheCompressionCapacity)
{
    ModelPtr m = tensionModel(0);
    const double forces[2] = {-1.0, std::numeric_limits<double>::quiet_NaN()};
    kinBuildForceDistribution(m.get(), forces);
    EXPECT_EQ(m->forceWeight[0], 1.0);   // 100 in tension, the largest
    EXPECT_EQ(m->forceWeight[1], 1.0);   // NaN counts as a push: 100
}

TEST(ForceMatrix, ForceLineFormColumns)
{
    ModelPtr m(kinCreate());
    const int32_t types[3] = {0, 1, 4};
    const int32_t codes[6] = {0, 1, 2, 3, 4, 5};
    kinConfigure(m.get(), 3, types, 0, 0, 3, 6, codes);
    kinSetModeFlag(m.get(), 3, 1);
    kinSetCanonicalUnit(m.get(), 0, 1, 1.0);
    kinSetCanonicalUnit(m.get(), 3, 1, 2.0);   // moments in units of 2 N m
    const double angles[3] = {0.2, 0.1, -0.3};
    kinSetRotation(m.get(), angles);
    const double f[3][3] = {{0.0, 0.6, 0.8}, {1.0, 0.0, 0.0}, {0.0, 0.0, 1.0}};
    const double p[3][3] = {{1.0, 2.0, 3.0}, {0.0, 1.0, -1.0}, {0.5, 0.0, 0.0}};
    const double a[3][3] = {{9.0, 9.0, 9.0}, {0.5, 0.0, 0.0}, {0.0, 0.3, 0.4}};
    for (int i = 0; i < 3; ++i) {
        for (int c = 0; c < 3; ++c) {
            m->forceDirection[c][i] = f[i][c];
            m->forcePoint[c][i] = p[i][c];
            m->transmission[c][i] = a[i][c];
        }
    }
    // Actuator 2 (crank) keeps its line force: its flag selects the other form.
    m->actuatorFlags[2] = 1;
    kinBuildForceMatrix(m.get());

    const double(*Q)[3] = m->rotation;
    for (int i = 0; i < 3; ++i) {
        const double fa = f[i][0] * a[i][0] + f[i][1] * a[i][1] + f[i][2] * a[i][2];
        const double c = i == 1 ? 1.0 / fa : 1.0;   // slider, flag 0: per unit stroke force
        const double column[6] = {
            Q[0][0] * f[i][0] + Q[1][0] * f[i][1] + Q[2][0] * f[i][2],
            Q[0][1] * f[i][0] + Q[1][1] * f[i][1] + Q[2][1] * f[i][2],
            Q[0][2] * f[i][0] + Q[1][2] * f[i][1] + Q[2][2] * f[i][2],
            0.5 * (p[i][1] * f[i][2] - p[i][2] * f[i][1]),
            0.5 * (p[i][2] * f[i][0] - p[i][0] * f[i][2]),
            0.5 * (p[i][0] * f[i][1] - p[i][1] * f[i][0]),
        };
        for (int k = 0; k < 6; ++k) {
            EXPECT_NEAR(m->forceMatrix[k][i], c * column[k], 1e-14) << k << "," << i;
        }
    }
}

TEST(ForceMatrix, JacobianTransposeFormColumns)
{
    ModelPtr m(kinCreate());
    const int32_t types[2] = {1, 0};
    const int32_t codes[3] = {0, 2, 4};
    kinConfigure(m.get(), 2, types, 0, 0, 2, 3, codes);
    kinSetCanonicalUnit(m.get(), 0, 1, 0.5);
    kinSetCanonicalUnit(m.get(), 1, 0, 3.0);
    kinSetCanonicalUnit(m.get(), 3, 1, 4.0);
    for (int i = 0; i < 2; ++i) {
        for (int k = 0; k < 3; ++k) {
            m->velocityMatrix[i][k] = 1.0 + i + 0.5 * k;
        }
        m->forceDirection[0][i] = 0.6;
        m->forceDirection[2][i] = 0.8;
        m->transmission[0][i] = 1.0;
    }
    m->actuatorFlags[0] = 1;   // slider: stroke force from line force
    m->actuatorFlags[1] = 1;   // a strut ignores the flag
    kinBuildForceMatrix(m.get());

    const double s = (1.0 / 0.5) * 3.0 * (1.0 / 4.0);
    for (int i = 0; i < 2; ++i) {
        const double c = i == 0 ? 0.6 : 1.0;
        for (int k = 0; k < 3; ++k) {
            const double scale = k < 2 ? 1.0 : s;
            EXPECT_DOUBLE_EQ(m->forceMatrix[k][i], c * m->velocityMatrix[i][k] * scale) << k << "," << i;
        }
    }
}

TEST(ForceMaps, ForcesToDofSkipsInactiveSensors)
{
    ModelPtr m = forceModel(3, {0, 1}, {{1.0, 2.0, 3.0}, {-1.0, 0.5, 2.0}});
    m->sensorActive[3][2] = 0;
    const double readings[3] = {10.0, 20.0, 1000.0};
    double dof[2];
    kinForcesToDof(m.get(), readings, dof);
    EXPECT_DOUBLE_EQ(dof[0], 10.0 + 40.0);
    EXPECT_DOUBLE_EQ(dof[1], -10.0 + 10.0);
}

// Virtual work on struts: the force line through the head pivot and the
// Jacobian transpose in body rates describe the same matrix, at any pose, when
// the velocity and angle units agree.
TEST(ForceMatrix, BothFormsAgreeForStrutsAtATiltedPose)
{
    kintest::TableOptions options;
    options.numForceSensors = 6;
    ModelPtr m = kintest::makeHexapod(options);   // degrees in every kind
    kintest::prepareGeometry(m.get());
    const double pose[6] = {0.03, 0.01, -0.02, 5.0, 3.0, -8.0};
    kinActuatorGeometry(m.get(), pose, m->poseLength);
    kinJacobian(m.get());
    kinBuildVelocityMatrix(m.get());

    kinSetModeFlag(m.get(), 3, 0);
    kinBuildForceMatrix(m.get());
    double transposeForm[MAX_DOFS][MAX_ACTUATORS];
    for (int k = 0; k < 6; ++k) {
        for (int i = 0; i < 6; ++i) {
            transposeForm[k][i] = m->forceMatrix[k][i];
        }
    }
    kinSetModeFlag(m.get(), 3, 1);
    kinBuildForceMatrix(m.get());
    for (int k = 0; k < 6; ++k) {
        for (int i = 0; i < 6; ++i) {
            EXPECT_NEAR(m->forceMatrix[k][i], transposeForm[k][i], 1e-12) << k << "," << i;
        }
    }

    // The distribution of a square table is the inverse: the actuator forces
    // it gives reproduce the DOF forces.
    kinBuildForceDistribution(m.get(), nullptr);
    const double F[6] = {100.0, -50.0, 900.0, 20.0, -10.0, 5.0};
    double act[6];
    double back[6];
    kinDistributeForces(m.get(), F, act);
    kinForcesToDof(m.get(), act, back);
    for (int k = 0; k < 6; ++k) {
        EXPECT_NEAR(back[k], F[k], 1e-9) << k;
    }
}

} // namespace
