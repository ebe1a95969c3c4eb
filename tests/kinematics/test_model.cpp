// The model record: creation defaults, configuration and the setters,
// including the rule that out-of-range indices never reach the record.
#include "table_fixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

using namespace kintest;

namespace {

// The record kinCreate must produce, built field by field from the defaults.
std::unique_ptr<KinModel> expectedDefaults()
{
    auto expected = std::make_unique<KinModel>();
    std::memset(expected.get(), 0, sizeof(KinModel));
    expected->jacobianUpdateMode = 1;
    for (auto& channel : expected->sensorActive) {
        for (auto& flag : channel) {
            flag = 1;
        }
    }
    expected->rateType = 1;
    expected->iterationCounts[0] = 1;
    for (int kind = 0; kind < 4; ++kind) {
        expected->canonicalUnits[kind][0] = 1.0;
        expected->canonicalUnitsInv[kind][0] = 1.0;
    }
    return expected;
}

bool sameRecord(const KinModel* a, const KinModel* b) { return std::memcmp(a, b, sizeof(KinModel)) == 0; }

TEST(Model, CreateSetsEveryFieldToItsDefault)
{
    ModelPtr model(kinCreate());
    ASSERT_NE(model, nullptr);
    EXPECT_TRUE(sameRecord(model.get(), expectedDefaults().get()));
    for (int i = 0; i < MAX_ACTUATORS; ++i) {
        EXPECT_EQ(kinGetMaximum(model.get(), 0, 0, i), 0.0);
    }
    EXPECT_EQ(kinGetMaximum(model.get(), 2, 0, 0), 0.0);
    kinDestroy(nullptr);
}

TEST(Model, CanonicalUnitStoresValueAndReciprocal)
{
    ModelPtr model(kinCreate());
    kinSetCanonicalUnit(model.get(), 1, 1, 0.5);
    EXPECT_EQ(model->canonicalUnits[1][1], 0.5);
    EXPECT_EQ(model->canonicalUnitsInv[1][1], 2.0);
    kinSetCanonicalUnit(model.get(), 2, 0, 0.0);
    EXPECT_TRUE(std::isinf(model->canonicalUnitsInv[2][0]));
}

struct DofCase {
    std::vector<int32_t> codes;
    int numTrans;
    std::vector<int32_t> trans;   // first 4 slots
    int numRot;
    std::vector<int32_t> rot;     // first 4 slots
};

class ConfigureDofs : public ::testing::TestWithParam<DofCase> {};

TEST_P(ConfigureDofs, SplitsTheDofListByKindInDofOrder)
{
    const DofCase& c = GetParam();
    ModelPtr model(kinCreate());
    const int32_t types[2] = {0, 0};
    kinConfigure(model.get(), 2, types, 0, 0, 0, static_cast<int>(c.codes.size()), c.codes.data());
    EXPECT_EQ(model->numDofs, static_cast<int>(c.codes.size()));
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(model->dofCodes[k], k < static_cast<int>(c.codes.size()) ? c.codes[k] : 0) << k;
    }
    EXPECT_EQ(model->numTransDofs, c.numTrans);
    EXPECT_EQ(model->numRotDofs, c.numRot);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(model->transDofCodes[k], c.trans[k]) << k;
        EXPECT_EQ(model->rotDofCodes[k], c.rot[k]) << k;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lists, ConfigureDofs,
    ::testing::Values(DofCase{{5, 0, 2, 4}, 2, {0, 2, 0, 0}, 2, {5, 4, 0, 0}},
                      DofCase{{0, 1, 2, 3, 4, 5}, 3, {0, 1, 2, 0}, 3, {3, 4, 5, 0}},
                      DofCase{{}, 0, {0, 0, 0, 0}, 0, {0, 0, 0, 0}},
                      // a fourth code of one kind lands in slot 3, the count stays 3
                      DofCase{{0, 1, 2, 1, 5}, 3, {0, 1, 2, 1}, 1, {5, 0, 0, 0}},
                      DofCase{{3, 4, 5, 4}, 0, {0, 0, 0, 0}, 3, {3, 4, 5, 4}}));

struct FlagCase {
    std::vector<int32_t> types;
    int flagBefore;       // modeFlags[3] before kinConfigure
    int expectedAfter;
};

class ConfigureModeFlag : public ::testing::TestWithParam<FlagCase> {};

TEST_P(ConfigureModeFlag, PlaneContactActuatorsForceFlagThree)
{
    const FlagCase& c = GetParam();
    ModelPtr model(kinCreate());
    model->modeFlags[3] = c.flagBefore;
    const int32_t dofs[1] = {2};
    kinConfigure(model.get(), static_cast<int>(c.types.size()), c.types.data(), 0, 0, 0, 1, dofs);
    EXPECT_EQ(model->modeFlags[3], c.expectedAfter);
}

INSTANTIATE_TEST_SUITE_P(Types, ConfigureModeFlag,
                         ::testing::Values(FlagCase{{0, 3}, 0, 1}, FlagCase{{0, 1}, 0, 0}, FlagCase{{2}, 0, 1},
                                           FlagCase{{4, 0}, 0, 0}, FlagCase{{0, 1}, 2, 2},
                                           FlagCase{{0, 2}, 5, 5}));

TEST(Model, SetModeFlagThreeKeepsNonzeroValuesAndFollowsTypesForZero)
{
    ModelPtr model(kinCreate());
    const int32_t strutAndSlider[2] = {0, 1};
    const int32_t dofs[1] = {0};
    kinConfigure(model.get(), 2, strutAndSlider, 0, 0, 0, 1, dofs);
    kinSetModeFlag(model.get(), 3, 2);
    EXPECT_EQ(model->modeFlags[3], 2);
    kinSetModeFlag(model.get(), 3, 0);
    EXPECT_EQ(model->modeFlags[3], 0);
    model->actuatorTypes[1] = 2;
    kinSetModeFlag(model.get(), 3, 0);
    EXPECT_EQ(model->modeFlags[3], 1);
    // only actuators in use count
    model->actuatorTypes[1] = 0;
    model->actuatorTypes[5] = 3;
    kinSetModeFlag(model.get(), 3, 0);
    EXPECT_EQ(model->modeFlags[3], 0);
    kinSetModeFlag(model.get(), 0, 7);
    kinSetModeFlag(model.get(), 2, -1);
    EXPECT_EQ(model->modeFlags[0], 7);
    EXPECT_EQ(model->modeFlags[2], -1);
}

TEST(Model, ConfigureResetsSensorActiveAndCopiesTypes)
{
    ModelPtr model(kinCreate());
    model->sensorActive[0][3] = 0;
    model->sensorActive[3][23] = 0;
    const int32_t types[3] = {4, 1, 3};
    const int32_t dofs[2] = {0, 5};
    kinConfigure(model.get(), 3, types, 3, 4, 3, 2, dofs);
    EXPECT_EQ(model->sensorActive[0][3], 1u);
    EXPECT_EQ(model->sensorActive[3][23], 1u);
    EXPECT_EQ(model->numActuators, 3);
    EXPECT_EQ(model->numVelocitySensors, 3);
    EXPECT_EQ(model->numAccelerometers, 4);
    EXPECT_EQ(model->numForceSensors, 3);
    EXPECT_EQ(model->actuatorTypes[0], 4);
    EXPECT_EQ(model->actuatorTypes[2], 3);
    EXPECT_EQ(model->actuatorTypes[3], 0);
}

TEST(Model, ConfigureCutsCountsToTheCapacities)
{
    ModelPtr model(kinCreate());
    std::vector<int32_t> types(40, 0);
    std::vector<int32_t> dofs = {0, 1, 2, 3, 4, 5, 0, 1};
    kinConfigure(model.get(), 40, types.data(), 0, 30, 0, 8, dofs.data());
    EXPECT_EQ(model->numActuators, MAX_ACTUATORS);
    EXPECT_EQ(model->numAccelerometers, MAX_ACTUATORS);
    EXPECT_EQ(model->numDofs, MAX_DOFS);
    kinConfigure(model.get(), -1, types.data(), 0, -2, 0, -3, dofs.data());
    EXPECT_EQ(model->numActuators, 0);
    EXPECT_EQ(model->numAccelerometers, 0);
    EXPECT_EQ(model->numDofs, 0);
}

TEST(Model, SimpleSettersStoreTheirValue)
{
    ModelPtr model(kinCreate());
    kinSetJacobianUpdateMode(model.get(), 0);
    kinSetRateType(model.get(), 2);
    kinSetIterationCount(model.get(), 0, 5);
    kinSetIterationCount(model.get(), 3, 2);
    kinSetVerticalAccelOffset(model.get(), -9.81);
    kinSetCoordinateSystem(model.get(), 5, 30.0);
    EXPECT_EQ(model->jacobianUpdateMode, 0);
    EXPECT_EQ(model->rateType, 2);
    EXPECT_EQ(model->iterationCounts[0], 5);
    EXPECT_EQ(model->iterationCounts[3], 2);
    EXPECT_EQ(model->verticalAccelOffset, -9.81);
    EXPECT_EQ(model->coordinateSystem[5], 30.0);
}

TEST(Model, SetPointAddressesEachSet)
{
    ModelPtr model(kinCreate());
    for (int set = 0; set < 7; ++set) {
        kinSetPoint(model.get(), set, set % 3, 4 + set, 10.0 + set);
    }
    EXPECT_EQ(model->headPivots[0][4], 10.0);
    EXPECT_EQ(model->basePivots[1][5], 11.0);
    EXPECT_EQ(model->linkPivots[0][2][6], 12.0);
    EXPECT_EQ(model->linkPivots[1][0][7], 13.0);
    EXPECT_EQ(model->linkPivots[2][1][8], 14.0);
    EXPECT_EQ(model->accelLocations[2][9], 15.0);
    EXPECT_EQ(model->accelOrientations[0][10], 16.0);
}

TEST(Model, LimitsRoundTripPerSpace)
{
    ModelPtr model(kinCreate());
    kinSetMaximum(model.get(), 0, 3, 23, 500.0);
    kinSetMinimum(model.get(), 0, 3, 23, -400.0);
    kinSetMaximum(model.get(), 1, 1, 5, 0.25);
    kinSetMinimum(model.get(), 1, 1, 5, -0.5);
    EXPECT_EQ(model->actuatorMax[3][23], 500.0);
    EXPECT_EQ(model->actuatorMin[3][23], -400.0);
    EXPECT_EQ(model->dofMax[1][5], 0.25);
    EXPECT_EQ(model->dofMin[1][5], -0.5);
    EXPECT_EQ(kinGetMaximum(model.get(), 0, 3, 23), 500.0);
    EXPECT_EQ(kinGetMinimum(model.get(), 0, 3, 23), -400.0);
    EXPECT_EQ(kinGetMaximum(model.get(), 1, 1, 5), 0.25);
    EXPECT_EQ(kinGetMinimum(model.get(), 1, 1, 5), -0.5);
    EXPECT_EQ(kinGetMinimum(model.get(), 3, 1, 5), 0.0);
}

// Calls whose set, space, kind, component or index lies outside the record
// leave every byte of it as it was.
TEST(Model, OutOfRangeArgumentsChangeNothing)
{
    ModelPtr model(kinCreate());
    const auto before = std::make_unique<KinModel>(*model);
    kinSetPoint(model.get(), 7, 0, 0, 1.0);
    kinSetPoint(model.get(), -1, 0, 0, 1.0);
    kinSetPoint(model.get(), 0, 3, 0, 1.0);
    kinSetPoint(model.get(), 0, 0, 24, 1.0);
    kinSetMaximum(model.get(), 2, 0, 0, 1.0);
    kinSetMinimum(model.get(), -1, 0, 0, 1.0);
    kinSetMaximum(model.get(), 0, 4, 0, 1.0);
    kinSetMaximum(model.get(), 0, 0, 24, 1.0);
    kinSetMinimum(model.get(), 1, 0, 6, 1.0);
    kinSetCanonicalUnit(model.get(), 4, 0, 2.0);
    kinSetCanonicalUnit(model.get(), 0, 2, 2.0);
    kinSetCoordinateSystem(model.get(), 6, 1.0);
    kinSetIterationCount(model.get(), 4, 9);
    kinSetModeFlag(model.get(), 4, 9);
    EXPECT_TRUE(sameRecord(model.get(), before.get()));
    EXPECT_EQ(kinGetMaximum(model.get(), 0, 0, 24), 0.0);
    EXPECT_EQ(kinGetMaximum(model.get(), 1, 0, 6), 0.0);
    EXPECT_EQ(kinGetMinimum(model.get(), 0, -1, 0), 0.0);
}

}  // namespace
