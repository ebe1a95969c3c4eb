// Loading a validated parameter set into a KinModel: where every dialog
// element lands, the defaults of the empty optional scalars, truncation, the
// two limit-array forms and the link-pivot pages. configureBlockModel stops
// before preparation, so the point sets are still in dialog coordinates.
#include "block_tables.h"
#include "blocks/common/block_params.h"
#include "host/simulation.h"
#include "kinematics/kinmodel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

using blocktest::TableParams;
using host::Array;

struct ModelDeleter {
    void operator()(KinModel* model) const { kinDestroy(model); }
};
using ModelPtr = std::unique_ptr<KinModel, ModelDeleter>;

ModelPtr configure(const TableParams& table, BlockKind kind)
{
    const std::vector<Array> list = table.list(kind);
    host::SimulationStructure sim;
    sim.bindParameters(list);
    EXPECT_EQ(blockParameterError(sim.get(), kind), nullptr);
    ModelPtr model(kinCreate());
    configureBlockModel(sim.get(), kind, model.get());
    return model;
}

TEST(BlockLoading, EmptyOptionalScalarsLoadTheirDefaults)
{
    // minimalTable leaves all four optional scalars empty; a fresh model
    // with different values shows that the defaults were set, not kept.
    const std::vector<Array> list = blocktest::minimalTable().list(BlockKind::Jackpos);
    host::SimulationStructure sim;
    sim.bindParameters(list);
    ModelPtr model(kinCreate());
    model->verticalAccelOffset = 7.0;
    model->jacobianUpdateMode = 5;
    model->rateType = 5;
    model->iterationCounts[0] = 5;
    configureBlockModel(sim.get(), BlockKind::Jackpos, model.get());
    EXPECT_EQ(model->verticalAccelOffset, 0.0);
    EXPECT_EQ(model->jacobianUpdateMode, 1);
    EXPECT_EQ(model->rateType, 1);
    EXPECT_EQ(model->iterationCounts[0], 1);
}

TEST(BlockLoading, GivenScalarsAreTruncatedTowardZero)
{
    TableParams t = blocktest::minimalTable();
    t.verticalAccelOffset = Array::scalar(-9.5);
    t.jacobianUpdateMode = Array::scalar(0.5);
    t.rateType = Array::scalar(-2.9);
    t.forwardIterations = Array::scalar(3.99);
    t.numVelocitySensors = Array::scalar(2.5);
    ModelPtr jackpos = configure(t, BlockKind::Jackpos);
    EXPECT_EQ(jackpos->verticalAccelOffset, -9.5);
    EXPECT_EQ(jackpos->jacobianUpdateMode, 0);
    EXPECT_EQ(jackpos->rateType, -2);
    EXPECT_EQ(jackpos->iterationCounts[0], 3);
    EXPECT_EQ(jackpos->numVelocitySensors, 2);

    // Posjack has no iteration count: the model keeps its default.
    ModelPtr posjack = configure(t, BlockKind::Posjack);
    EXPECT_EQ(posjack->iterationCounts[0], 1);
    EXPECT_EQ(posjack->rateType, -2);
}

TEST(BlockLoading, CountsAndCodesBecomeZeroBased)
{
    TableParams t = blocktest::strutRing(4);
    t.actuatorTypes = Array::fromRows({{1, 2.7}, {5, 1}});  // column-major: 1, 5, 2.7, 1
    t.degreesOfFreedom = Array::rowVector({3, 1, 6.5, 4});
    t.numForceSensors = Array::scalar(4);
    t.accelLocations = blocktest::accelColumns(3, 0.25);
    t.accelOrientations = blocktest::accelColumns(3, 1.0);
    ModelPtr model = configure(t, BlockKind::Posjack);
    EXPECT_EQ(model->numActuators, 4);
    EXPECT_EQ(model->numForceSensors, 4);
    EXPECT_EQ(model->numAccelerometers, 3);
    EXPECT_EQ(model->numDofs, 4);
    const int32_t types[] = {0, 4, 1, 0};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(model->actuatorTypes[i], types[i]) << i;
    const int32_t dofs[] = {2, 0, 5, 3};
    for (int k = 0; k < 4; ++k) EXPECT_EQ(model->dofCodes[k], dofs[k]) << k;
    EXPECT_EQ(model->numTransDofs, 2);
    EXPECT_EQ(model->numRotDofs, 2);
}

// Distinct values everywhere, so that a swapped index shows.
TEST(BlockLoading, ArrayElementsLandWhereTheyBelong)
{
    TableParams t = blocktest::minimalTable();
    t.headPivotLocations = Array::fromRows({{1, 4}, {2, 5}, {3, 6}});
    t.basePivotLocations = Array::fromRows({{11, 14}, {12, 15}, {13, 16}});
    t.accelLocations = Array::fromRows({{21, 24}, {22, 25}, {23, 26}});
    t.accelOrientations = Array::fromRows({{31, 34}, {32, 35}, {33, 36}});
    t.coordinateSystem = Array::rowVector({41, 42, 43, 44, 45, 46});
    // The 4 x 2 table: rows displacement, velocity, acceleration, force;
    // columns translational, rotational.
    t.canonicalUnits = Array::fromRows({{2, 20}, {4, 40}, {5, 50}, {8, 80}});
    ModelPtr model = configure(t, BlockKind::Jackpos);
    for (int c = 0; c < 3; ++c)
        for (int j = 0; j < 2; ++j) {
            const double v = 1 + 3 * j + c;
            EXPECT_EQ(model->headPivots[c][j], v);
            EXPECT_EQ(model->basePivots[c][j], 10 + v);
            EXPECT_EQ(model->accelLocations[c][j], 20 + v);
            EXPECT_EQ(model->accelOrientations[c][j], 30 + v);
        }
    for (int i = 0; i < 6; ++i) EXPECT_EQ(model->coordinateSystem[i], 41 + i);
    const double units[4][2] = {{2, 20}, {4, 40}, {5, 50}, {8, 80}};
    for (int u = 0; u < 4; ++u)
        for (int c = 0; c < 2; ++c) {
            EXPECT_EQ(model->canonicalUnits[u][c], units[u][c]);
            EXPECT_EQ(model->canonicalUnitsInv[u][c], 1.0 / units[u][c]);
        }
}

TEST(BlockLoading, LinkPivotPages)
{
    TableParams t = blocktest::minimalTable();
    ModelPtr none = configure(t, BlockKind::Posjack);
    for (int p = 0; p < 3; ++p)
        for (int c = 0; c < 3; ++c)
            for (int j = 0; j < 2; ++j) EXPECT_EQ(none->linkPivots[p][c][j], 0.0);

    std::vector<double> data(18);
    for (size_t e = 0; e < data.size(); ++e) data[e] = 100.0 + static_cast<double>(e);
    t.linkPivotLocations = Array({3, 2, 3}, data);
    ModelPtr three = configure(t, BlockKind::Posjack);
    for (int p = 0; p < 3; ++p)
        for (int c = 0; c < 3; ++c)
            for (int j = 0; j < 2; ++j) EXPECT_EQ(three->linkPivots[p][c][j], 100.0 + 6 * p + 3 * j + c);

    t.linkPivotLocations = Array::matrix(3, 2, std::vector<double>(data.begin(), data.begin() + 6));
    ModelPtr one = configure(t, BlockKind::Posjack);
    for (int c = 0; c < 3; ++c)
        for (int j = 0; j < 2; ++j) {
            EXPECT_EQ(one->linkPivots[0][c][j], 100.0 + 3 * j + c);
            EXPECT_EQ(one->linkPivots[1][c][j], 0.0);
            EXPECT_EQ(one->linkPivots[2][c][j], 0.0);
        }
}

TEST(BlockLoading, LimitArrayForms)
{
    TableParams t = blocktest::minimalTable();
    t.numForceSensors = Array::scalar(2);
    t.maxActuatorDispl = Array::columnVector({5, 6});
    t.maxActuatorForce = Array::fromRows({{100, -30}, {200, -40}});
    ModelPtr model = configure(t, BlockKind::Jackpos);
    EXPECT_EQ(model->actuatorMax[0][0], 5.0);
    EXPECT_EQ(model->actuatorMin[0][0], -5.0);
    EXPECT_EQ(model->actuatorMax[0][1], 6.0);
    EXPECT_EQ(model->actuatorMin[0][1], -6.0);
    EXPECT_EQ(model->actuatorMax[3][0], 100.0);
    EXPECT_EQ(model->actuatorMin[3][0], -30.0);
    EXPECT_EQ(model->actuatorMax[3][1], 200.0);
    EXPECT_EQ(model->actuatorMin[3][1], -40.0);

    // The max/min form for displacements; a 1 x 2 force array is a vector.
    t.maxActuatorDispl = Array::fromRows({{5, -1}, {6, -2}});
    t.maxActuatorForce = Array::rowVector({70, 80});
    model = configure(t, BlockKind::Jackpos);
    EXPECT_EQ(model->actuatorMax[0][0], 5.0);
    EXPECT_EQ(model->actuatorMin[0][0], -1.0);
    EXPECT_EQ(model->actuatorMax[0][1], 6.0);
    EXPECT_EQ(model->actuatorMin[0][1], -2.0);
    EXPECT_EQ(model->actuatorMax[3][1], 80.0);
    EXPECT_EQ(model->actuatorMin[3][1], -80.0);

    // Posjack loads no displacement limits.
    EXPECT_EQ(configure(t, BlockKind::Posjack)->actuatorMax[0][0], 0.0);
}

TEST(BlockLoading, ForceLimitsOnlyWithForceSensors)
{
    TableParams t = blocktest::minimalTable();
    t.maxActuatorForce = Array::rowVector({70, 80});
    ModelPtr model = configure(t, BlockKind::Posjack);
    EXPECT_EQ(model->actuatorMax[3][0], 0.0);
    EXPECT_EQ(model->actuatorMin[3][1], 0.0);
}

TEST(BlockLoading, LoadPreparesAtTheZeroPose)
{
    const std::vector<Array> list = blocktest::hexapodTable().list(BlockKind::Posjack);
    host::SimulationStructure sim;
    sim.bindParameters(list);
    ModelPtr model(kinCreate());
    loadBlockParameters(sim.get(), BlockKind::Posjack, model.get());
    // The head pivots moved into the kinematic frame (origin 500 mm up) and
    // the zero pose has the dialog geometry's strut lengths.
    EXPECT_EQ(model->headPivots[2][0], 0.0);
    EXPECT_EQ(model->basePivots[2][0], -500.0);
    const double dx = 160.697 - 393.923;
    const double dy = -191.511 + 69.459;
    EXPECT_NEAR(model->referenceLength[0], std::sqrt(dx * dx + dy * dy + 500.0 * 500.0), 1e-9);
    double zero[MAX_DOFS] = {};
    double out[MAX_ACTUATORS] = {};
    kinActuatorDisplacements(model.get(), zero, out);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(out[i], 0.0);
}

}  // namespace
