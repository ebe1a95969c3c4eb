// The parameter validation of both blocks, run in-process on a SimStruct the
// host layer fills: every message, the first-failure order, the integer
// conversions and the two limit-array forms. Each case starts from
// minimalTable() (two struts, DOF z, no sensors) and changes one thing.
#include "block_tables.h"
#include "blocks/common/block_params.h"
#include "host/simulation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>

namespace {

using blocktest::TableParams;
using host::Array;

const char* validate(const TableParams& table, BlockKind kind)
{
    const std::vector<Array> list = table.list(kind);
    host::SimulationStructure sim;
    sim.bindParameters(list);
    return blockParameterError(sim.get(), kind);
}

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Inf = std::numeric_limits<double>::infinity();

// Short names for the expected messages.
#define MSG(text) "(mdlCheckParameters) " text
const char* const PASS = nullptr;

struct Case {
    const char* name;
    std::function<void(TableParams&)> change;
    const char* jackpos;  // expected result of each block
    const char* posjack;
};

// A case whose outcome is the same in both blocks.
Case both(const char* name, std::function<void(TableParams&)> change, const char* expected)
{
    return {name, std::move(change), expected, expected};
}

std::vector<Case> cases()
{
    return {
        both("minimal set passes", [](TableParams&) {}, PASS),

        // 1-2 actuators
        both("actuator types empty", [](TableParams& t) { t.actuatorTypes = Array(); },
             MSG("Actuator types array is empty.")),
        both("24 actuators pass", [](TableParams& t) { t = blocktest::strutRing(24); }, PASS),
        both("25 actuators fail", [](TableParams& t) { t = blocktest::strutRing(25); },
             MSG("Max number of actuators exceeded.")),
        both("25 actuators as a 5 x 5 array fail",
             [](TableParams& t) {
                 t = blocktest::strutRing(25);
                 t.actuatorTypes = Array::zeros({5, 5});
             },
             MSG("Max number of actuators exceeded.")),

        // 3-4 sensor counts (n = 2)
        both("velocity sensors n - 1", [](TableParams& t) { t.numVelocitySensors = Array::scalar(1); },
             MSG("Improper number of velocity sensors.")),
        both("velocity sensors 0.5 truncates to 0", [](TableParams& t) { t.numVelocitySensors = Array::scalar(0.5); },
             PASS),
        both("velocity sensors -0.9 truncates to 0", [](TableParams& t) { t.numVelocitySensors = Array::scalar(-0.9); },
             PASS),
        both("velocity sensors 2.9 truncates to n", [](TableParams& t) { t.numVelocitySensors = Array::scalar(2.9); },
             PASS),
        both("velocity sensors empty reads 0", [](TableParams& t) { t.numVelocitySensors = Array(); }, PASS),
        both("velocity sensors NaN", [](TableParams& t) { t.numVelocitySensors = Array::scalar(NaN); },
             MSG("Improper number of velocity sensors.")),
        both("velocity sensors 2^32 + 2 have no int32 count",
             [](TableParams& t) { t.numVelocitySensors = Array::scalar(4294967298.0); },  // 2^32 + 2
             MSG("Improper number of velocity sensors.")),
        both("force sensors 3", [](TableParams& t) { t.numForceSensors = Array::scalar(3); },
             MSG("Improper number of force sensors.")),
        both("force sensors -infinity", [](TableParams& t) { t.numForceSensors = Array::scalar(-Inf); },
             MSG("Improper number of force sensors.")),
        both("force sensors n with the limits pass", [](TableParams& t) { t.numForceSensors = Array::scalar(2); },
             PASS),

        // 5-6 DOFs
        both("DOFs empty", [](TableParams& t) { t.degreesOfFreedom = Array(); },
             MSG("Degrees-of-freedom array is empty.")),
        both("6 DOFs pass", [](TableParams& t) { t.degreesOfFreedom = Array::rowVector({1, 2, 3, 4, 5, 6}); }, PASS),
        both("7 DOFs fail", [](TableParams& t) { t.degreesOfFreedom = Array::rowVector({1, 2, 3, 4, 5, 6, 6}); },
             MSG("Max number of degrees-of-freedom exceeded.")),

        // 7-10 pivots
        both("head pivots empty", [](TableParams& t) { t.headPivotLocations = Array(); },
             MSG("Head pivot locations array is empty.")),
        both("head pivots 2 rows", [](TableParams& t) { t.headPivotLocations = Array::zeros({2, 2}); },
             MSG("Head pivot locations array has wrong size.")),
        both("head pivots n + 1 columns", [](TableParams& t) { t.headPivotLocations = Array::zeros({3, 3}); },
             MSG("Head pivot locations array has wrong size.")),
        both("base pivots empty", [](TableParams& t) { t.basePivotLocations = Array(); },
             MSG("Base pivot locations array is empty.")),
        both("base pivots 3 x 1", [](TableParams& t) { t.basePivotLocations = Array::zeros({3, 1}); },
             MSG("Base pivot locations array has wrong size.")),

        // 11 link pivots
        both("link pivots 3 x n pass", [](TableParams& t) { t.linkPivotLocations = Array::zeros({3, 2}); }, PASS),
        both("link pivots 3 x n x 3 pass", [](TableParams& t) { t.linkPivotLocations = Array::zeros({3, 2, 3}); },
             PASS),
        both("link pivots 2 rows", [](TableParams& t) { t.linkPivotLocations = Array::zeros({2, 2}); },
             MSG("Link pivot locations array has wrong size.")),
        both("link pivots n + 1 columns", [](TableParams& t) { t.linkPivotLocations = Array::zeros({3, 3}); },
             MSG("Link pivot locations array has wrong size.")),
        both("link pivots 3 x n x 2", [](TableParams& t) { t.linkPivotLocations = Array::zeros({3, 2, 2}); },
             MSG("Link pivot locations array has wrong size.")),
        both("link pivots 3 x n x 3 x 2", [](TableParams& t) { t.linkPivotLocations = Array::zeros({3, 2, 3, 2}); },
             MSG("Link pivot locations array has wrong size.")),

        // 12-14 accelerometers
        both("accel locations 2 x 0 pass", [](TableParams& t) { t.accelLocations = Array::empty(2, 0); }, PASS),
        both("accel locations 2 x 1", [](TableParams& t) { t.accelLocations = Array::zeros({2, 1}); },
             MSG("Accel locations array has wrong size.")),
        both("24 accelerometers pass",
             [](TableParams& t) {
                 t.accelLocations = blocktest::accelColumns(24, 0.5);
                 t.accelOrientations = blocktest::accelColumns(24, 1.0);
             },
             PASS),
        both("25 accelerometers fail",
             [](TableParams& t) {
                 t.accelLocations = blocktest::accelColumns(25, 0.5);
                 t.accelOrientations = blocktest::accelColumns(25, 1.0);
             },
             MSG("Max number of accelerometers exceeded.")),
        both("accel orientations missing",
             [](TableParams& t) { t.accelLocations = blocktest::accelColumns(2, 0.5); },
             MSG("Accel orientation array has wrong size.")),
        both("accel orientations one column short",
             [](TableParams& t) {
                 t.accelLocations = blocktest::accelColumns(2, 0.5);
                 t.accelOrientations = blocktest::accelColumns(1, 1.0);
             },
             MSG("Accel orientation array has wrong size.")),
        both("accel orientations not looked at without accelerometers",
             [](TableParams& t) { t.accelOrientations = Array::zeros({5, 7}); }, PASS),

        // 15-16 coordinate system
        both("coordinate system empty", [](TableParams& t) { t.coordinateSystem = Array(); },
             MSG("Coordinate system offset/rotation array is empty.")),
        both("coordinate system 5 values", [](TableParams& t) { t.coordinateSystem = Array::zeros({1, 5}); },
             MSG("Coordinate system offset/rotation array has wrong size.")),

        // 17-18 displacement limits: Jackpos only, Posjack has no such parameter
        {"displacement limits empty", [](TableParams& t) { t.maxActuatorDispl = Array(); },
         MSG("Max actuator displ array is empty."), PASS},
        {"displacement limits vector of n + 1", [](TableParams& t) { t.maxActuatorDispl = Array::zeros({1, 3}); },
         MSG("Max actuator displ array has wrong size."), PASS},
        {"displacement limits (n + 1) x 2", [](TableParams& t) { t.maxActuatorDispl = Array::zeros({3, 2}); },
         MSG("Max/min actuator displ array has wrong size."), PASS},
        both("displacement limits n x 2 pass", [](TableParams& t) { t.maxActuatorDispl = Array::zeros({2, 2}); },
             PASS),
        both("displacement limits n x 1 pass", [](TableParams& t) { t.maxActuatorDispl = Array::zeros({2, 1}); },
             PASS),

        // 19-20 force limits
        both("force limits empty with force sensors",
             [](TableParams& t) {
                 t.numForceSensors = Array::scalar(2);
                 t.maxActuatorForce = Array();
             },
             MSG("Max actuator force array is empty.")),
        both("force limits empty without force sensors", [](TableParams& t) { t.maxActuatorForce = Array(); },
             MSG("Max/min actuator force array has wrong size.")),
        both("force limits vector of n - 1", [](TableParams& t) { t.maxActuatorForce = Array::scalar(100); },
             MSG("Max actuator force array has wrong size.")),
        both("force limits n x 3", [](TableParams& t) { t.maxActuatorForce = Array::zeros({2, 3}); },
             MSG("Max/min actuator force array has wrong size.")),
        both("force limits n x 2 pass", [](TableParams& t) { t.maxActuatorForce = Array::zeros({2, 2}); }, PASS),

        // 21-22 units
        both("units empty", [](TableParams& t) { t.canonicalUnits = Array(); }, MSG("Canonical units array is empty.")),
        both("units 7 values", [](TableParams& t) { t.canonicalUnits = Array::zeros({1, 7}); },
             MSG("Canonical units array has wrong size.")),
        both("units as 4 x 2 pass", [](TableParams& t) { t.canonicalUnits = Array::zeros({4, 2}); }, PASS),

        // The code checks after check 22
        both("type code 0", [](TableParams& t) { t.actuatorTypes = Array::rowVector({1, 0}); },
             MSG("Actuator type code out of range.")),
        both("type code 0.5 truncates to 0", [](TableParams& t) { t.actuatorTypes = Array::rowVector({0.5, 1}); },
             MSG("Actuator type code out of range.")),
        both("type code 6", [](TableParams& t) { t.actuatorTypes = Array::rowVector({1, 6}); },
             MSG("Actuator type code out of range.")),
        both("type code 5.9 truncates to 5", [](TableParams& t) { t.actuatorTypes = Array::rowVector({5.9, 1}); },
             PASS),
        both("type code NaN", [](TableParams& t) { t.actuatorTypes = Array::rowVector({NaN, 1}); },
             MSG("Actuator type code out of range.")),
        both("type code infinite", [](TableParams& t) { t.actuatorTypes = Array::rowVector({1, Inf}); },
             MSG("Actuator type code out of range.")),
        both("DOF code 7", [](TableParams& t) { t.degreesOfFreedom = Array::scalar(7); },
             MSG("Degree-of-freedom code out of range.")),
        both("DOF code 0.9 truncates to 0", [](TableParams& t) { t.degreesOfFreedom = Array::scalar(0.9); },
             MSG("Degree-of-freedom code out of range.")),
        both("DOF code 6.9 truncates to 6", [](TableParams& t) { t.degreesOfFreedom = Array::scalar(6.9); }, PASS),
        both("DOF code NaN", [](TableParams& t) { t.degreesOfFreedom = Array::scalar(NaN); },
             MSG("Degree-of-freedom code out of range.")),
        both("DOF listed twice", [](TableParams& t) { t.degreesOfFreedom = Array::rowVector({3, 1, 3}); },
             MSG("Degrees-of-freedom array lists a DOF twice.")),
        both("DOF listed twice after truncation", [](TableParams& t) { t.degreesOfFreedom = Array::rowVector({3, 3.5}); },
             MSG("Degrees-of-freedom array lists a DOF twice.")),
        both("rotation before a translation", [](TableParams& t) { t.degreesOfFreedom = Array::rowVector({1, 6, 3}); },
             MSG("Degrees-of-freedom array must list translations before rotations.")),
        both("translations in any order, then rotations",
             [](TableParams& t) { t.degreesOfFreedom = Array::rowVector({3, 1, 6, 4}); }, PASS),
        {"forward iterations -1", [](TableParams& t) { t.forwardIterations = Array::scalar(-1); },
         MSG("Forward iterations must not be negative."), PASS},
        {"forward iterations NaN", [](TableParams& t) { t.forwardIterations = Array::scalar(NaN); },
         MSG("Forward iterations must not be negative."), PASS},
        {"forward iterations -0.5 truncates to 0", [](TableParams& t) { t.forwardIterations = Array::scalar(-0.5); },
         PASS, PASS},
        both("mode values far out of range need no check",
             [](TableParams& t) {
                 t.jacobianUpdateMode = Array::scalar(1e300);
                 t.rateType = Array::scalar(NaN);
             },
             PASS),

        // Only the first failure is reported
        both("empty DOFs and empty units report the DOFs",
             [](TableParams& t) {
                 t.degreesOfFreedom = Array();
                 t.canonicalUnits = Array();
             },
             MSG("Degrees-of-freedom array is empty.")),
        both("bad type code and bad units report the units",
             [](TableParams& t) {
                 t.actuatorTypes = Array::rowVector({0, 1});
                 t.canonicalUnits = Array::zeros({1, 7});
             },
             MSG("Canonical units array has wrong size.")),
        {"bad displacement limits before bad force limits",
         [](TableParams& t) {
             t.maxActuatorDispl = Array();
             t.maxActuatorForce = Array::scalar(1);
         },
         MSG("Max actuator displ array is empty."), MSG("Max actuator force array has wrong size.")},
        both("improper velocity sensors before empty head pivots",
             [](TableParams& t) {
                 t.numVelocitySensors = Array::scalar(3);
                 t.headPivotLocations = Array();
             },
             MSG("Improper number of velocity sensors.")),
    };
}

std::string describe(const char* message) { return message == nullptr ? "(passes)" : message; }

TEST(BlockValidation, EveryCheckInBothBlocks)
{
    for (const Case& c : cases()) {
        TableParams table = blocktest::minimalTable();
        c.change(table);
        EXPECT_EQ(describe(validate(table, BlockKind::Jackpos)), describe(c.jackpos)) << "Jackpos: " << c.name;
        EXPECT_EQ(describe(validate(table, BlockKind::Posjack)), describe(c.posjack)) << "Posjack: " << c.name;
    }
}

TEST(BlockValidation, HexapodTablePasses)
{
    EXPECT_EQ(validate(blocktest::hexapodTable(), BlockKind::Jackpos), nullptr);
    EXPECT_EQ(validate(blocktest::hexapodTable(), BlockKind::Posjack), nullptr);
}

// mdlCheckParameters reports through the error status and leaves it alone
// when everything passes.
TEST(BlockValidation, CheckSetsTheErrorStatusOnlyOnFailure)
{
    TableParams table = blocktest::minimalTable();
    std::vector<Array> list = table.list(BlockKind::Posjack);
    host::SimulationStructure sim;
    sim.bindParameters(list);
    ssSetErrorStatus(sim.get(), "earlier");
    mdlCheckParametersFor(sim.get(), BlockKind::Posjack);
    EXPECT_STREQ(ssGetErrorStatus(sim.get()), "earlier");

    table.coordinateSystem = Array();
    list = table.list(BlockKind::Posjack);
    sim.bindParameters(list);
    ssSetErrorStatus(sim.get(), nullptr);
    mdlCheckParametersFor(sim.get(), BlockKind::Posjack);
    EXPECT_STREQ(ssGetErrorStatus(sim.get()), MSG("Coordinate system offset/rotation array is empty."));
}

TEST(BlockValidation, ParameterPositions)
{
    EXPECT_EQ(blockParamCount(BlockKind::Jackpos), 17);
    EXPECT_EQ(blockParamCount(BlockKind::Posjack), 15);
    EXPECT_EQ(blockParamIndex(BlockKind::Jackpos, BlockParam::maxActuatorForce), 11);
    EXPECT_EQ(blockParamIndex(BlockKind::Posjack, BlockParam::maxActuatorForce), 10);
    EXPECT_EQ(blockParamIndex(BlockKind::Posjack, BlockParam::rateType), 14);
    EXPECT_EQ(blockParamIndex(BlockKind::Jackpos, BlockParam::forwardIterations), 16);
    EXPECT_EQ(blockParamIndex(BlockKind::Posjack, BlockParam::maxActuatorDispl), -1);
    EXPECT_EQ(blockParamIndex(BlockKind::Posjack, BlockParam::forwardIterations), -1);
}

}  // namespace
