// Posjack's actuator force commands. With the Jacobian-transpose force matrix
// (struts only) and update mode 1 the force matrix is built from the
// velocity matrix, which must describe the commanded pose whether or not the
// table has velocity sensors. Every other configuration follows the plain
// sequence, checked here against the core called in-process in that order.
#include "test_plugin_support.h"

#include "blocks/common/block_params.h"
#include "host/simulation.h"
#include "kinematics/kinmodel.h"

#include <algorithm>

namespace {

using blocktest::output;
using blocktest::setInput;
using blocktest::startBlock;
using host::Array;

const std::vector<double> FAR_POSE = {12.0, -8.0, 15.0, 2.5, -1.5, 4.0};
// DOF forces in N and (the rotational unit of force being 1) N mm.
const std::vector<double> DOF_FORCE = {1000.0, -500.0, 2000.0, 30000.0, -20000.0, 10000.0};

blocktest::TableParams forceTable(int velocitySensors, int updateMode)
{
    blocktest::TableParams table = blocktest::hexapodTable();
    table.numVelocitySensors = Array::scalar(velocitySensors);
    table.jacobianUpdateMode = Array::scalar(updateMode);
    return table;
}

std::vector<double> actuatorForces(host::Block& posjack, int steps = 2)
{
    setInput(posjack, 0, FAR_POSE);
    setInput(posjack, 1, {1.0, 2.0, -1.0, 0.5, 0.25, -0.5});
    setInput(posjack, 3, DOF_FORCE);
    for (int s = 0; s < steps; ++s) posjack.outputs();
    return output(posjack, 3);
}

// The DOF forces a Jackpos (force sensors, update mode 1) measures at the
// commanded pose from the given actuator forces: its force matrix at that
// pose applied to them.
std::vector<double> dofForcesAtPose(const std::vector<double>& forces)
{
    auto posjack = startBlock(BlockKind::Posjack, blocktest::hexapodTable());
    auto jackpos = startBlock(BlockKind::Jackpos, blocktest::hexapodTable());
    setInput(*jackpos, 0, blocktest::displacementsAt(*posjack, FAR_POSE));
    setInput(*jackpos, 3, forces);
    for (int s = 0; s < 4; ++s) jackpos->outputs();
    std::vector<double> pose = output(*jackpos, 0);
    for (size_t k = 0; k < pose.size(); ++k) EXPECT_NEAR(pose[k], FAR_POSE[k], 1e-9);
    return output(*jackpos, 3);
}

double largestRelativeError(const std::vector<double>& actual, const std::vector<double>& expected)
{
    double worst = 0.0;
    for (size_t k = 0; k < actual.size(); ++k)
        worst = std::max(worst, std::abs(actual[k] - expected[k]) / std::max(1.0, std::abs(expected[k])));
    return worst;
}

TEST(PosjackForces, WithoutVelocitySensorsTheForceMatrixFollowsThePose)
{
    auto withoutSensors = startBlock(BlockKind::Posjack, forceTable(0, 1));
    auto withSensors = startBlock(BlockKind::Posjack, forceTable(6, 1));
    const std::vector<double> forces = actuatorForces(*withoutSensors);
    EXPECT_EQ(forces, actuatorForces(*withSensors));
    EXPECT_LT(largestRelativeError(dofForcesAtPose(forces), DOF_FORCE), 1e-7);
}

// The zero-pose force matrix does not realise the command at this pose, so
// the check above tells the two apart.
TEST(PosjackForces, ZeroPoseMatricesMissTheCommandAtAFarPose)
{
    auto fixed = startBlock(BlockKind::Posjack, forceTable(0, 0));
    EXPECT_GT(largestRelativeError(dofForcesAtPose(actuatorForces(*fixed)), DOF_FORCE), 1e-3);
}

struct ModelDeleter {
    void operator()(KinModel* model) const { kinDestroy(model); }
};
using ModelPtr = std::unique_ptr<KinModel, ModelDeleter>;

ModelPtr loadedModel(const blocktest::TableParams& table)
{
    const std::vector<Array> list = table.list(BlockKind::Posjack);
    host::SimulationStructure sim;
    sim.bindParameters(list);
    EXPECT_EQ(blockParameterError(sim.get(), BlockKind::Posjack), nullptr);
    ModelPtr model(kinCreate());
    loadBlockParameters(sim.get(), BlockKind::Posjack, model.get());
    return model;
}

// Update mode 0, symmetric limits: the preparation-time distribution, unchanged.
TEST(PosjackForces, FixedMatricesKeepThePlainSequence)
{
    blocktest::TableParams table = forceTable(0, 0);
    auto posjack = startBlock(BlockKind::Posjack, table);
    const std::vector<double> forces = actuatorForces(*posjack, 1);

    ModelPtr model = loadedModel(table);
    ASSERT_EQ(model->asymmetricForceLimits, 0);
    double displacement[MAX_ACTUATORS] = {};
    double expected[MAX_ACTUATORS] = {};
    kinActuatorDisplacements(model.get(), FAR_POSE.data(), displacement);
    kinDistributeForces(model.get(), DOF_FORCE.data(), expected);
    EXPECT_EQ(forces, std::vector<double>(expected, expected + 6));
}

// A table-axis actuator on a fixed plane selects the force-line form, which
// reads the force lines of the commanded pose directly: no Jacobian refresh.
TEST(PosjackForces, ForceLineFormKeepsThePlainSequence)
{
    blocktest::TableParams table = forceTable(0, 1);
    table.actuatorTypes = Array::rowVector({4, 1, 1, 1, 1, 1});
    std::vector<double> link(18, 0.0);
    link[2] = 1.0;  // actuator 0 pushes on the base plane z = const
    table.linkPivotLocations = Array::matrix(3, 6, link);
    table.accelLocations = Array();
    table.accelOrientations = Array();
    auto posjack = startBlock(BlockKind::Posjack, table);
    const std::vector<double> forces = actuatorForces(*posjack, 1);

    ModelPtr model = loadedModel(table);
    ASSERT_NE(model->modeFlags[3], 0);
    double displacement[MAX_ACTUATORS] = {};
    double previous[MAX_ACTUATORS] = {};
    double expected[MAX_ACTUATORS] = {};
    kinActuatorDisplacements(model.get(), FAR_POSE.data(), displacement);
    kinBuildForceMatrix(model.get());
    kinBuildForceDistribution(model.get(), previous);
    kinDistributeForces(model.get(), DOF_FORCE.data(), expected);
    for (double f : forces) EXPECT_TRUE(std::isfinite(f));
    EXPECT_EQ(forces, std::vector<double>(expected, expected + 6));
}

}  // namespace
