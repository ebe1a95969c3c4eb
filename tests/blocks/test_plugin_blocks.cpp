// Both plug-ins driven through the host loader from the built .mexa64 files:
// declarations, the hexapod round trip, the Jacobian output, the outputs a
// block leaves alone, the force pass-through, and the rate-type quirks.
//
// Units of the hexapod table: millimetres, degrees, newtons.
#include "test_plugin_support.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <functional>
#include <set>
#include <string>

namespace {

using blocktest::DEG;
using blocktest::output;
using blocktest::setInput;
using blocktest::startBlock;
using host::Array;

// A pose well away from zero: x, y, z in mm, roll, pitch, yaw in degrees.
const std::vector<double> FAR_POSE = {12.0, -8.0, 15.0, 2.5, -1.5, 4.0};

void expectNear(const std::vector<double>& actual, const std::vector<double>& expected, double tolerance,
                const char* what)
{
    ASSERT_EQ(actual.size(), expected.size()) << what;
    for (size_t i = 0; i < actual.size(); ++i) EXPECT_NEAR(actual[i], expected[i], tolerance) << what << " [" << i << "]";
}

// Drives a Jackpos to the pose that Posjack commands, a few steps.
void settleJackpos(host::Block& jackpos, host::Block& posjack, const std::vector<double>& pose, int steps = 4)
{
    setInput(jackpos, 0, blocktest::displacementsAt(posjack, pose));
    for (int s = 0; s < steps; ++s) jackpos.outputs();
}

TEST(BlockPlugins, ExportOnlyMexFunction)
{
    for (const char* path : {JACKPOS_PATH, POSJACK_PATH}) {
        const std::string command = std::string(NM_PROGRAM) + " -D --defined-only " + path;
        FILE* pipe = popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::set<std::string> symbols;
        char line[512];
        while (std::fgets(line, sizeof line, pipe) != nullptr) {
            std::string text(line);
            while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
            const size_t space = text.find_last_of(' ');
            if (!text.empty()) symbols.insert(text.substr(space == std::string::npos ? 0 : space + 1));
        }
        EXPECT_EQ(pclose(pipe), 0) << command;
        EXPECT_EQ(symbols, std::set<std::string>{"mexFunction"}) << path;
    }
}

TEST(BlockPlugins, NamesAndCallbackDeclarations)
{
    for (BlockKind kind : {BlockKind::Jackpos, BlockKind::Posjack}) {
        auto block = startBlock(kind, blocktest::hexapodTable());
        EXPECT_EQ(block->name(), kind == BlockKind::Jackpos ? "Jackpos" : "Posjack");
        EXPECT_EQ(block->expectedParameterCount(), kind == BlockKind::Jackpos ? 17 : 15);
        for (int i = 0; i < block->parameterCount(); ++i) EXPECT_FALSE(block->parameterTunable(i)) << i;
        EXPECT_EQ(block->numSampleTimes(), 1);
        EXPECT_EQ(block->sampleTime(0), -1.0);
        EXPECT_EQ(block->offsetTime(0), 0.0);
        EXPECT_EQ(block->options(), 0x00200002u);
        const SimStruct& S = block->simStruct();
        EXPECT_EQ(S.numContStates + S.numDiscStates + S.numRWork + S.numIWork + S.numPWork + S.numModes +
                      S.numNonsampledZCs,
                  0);
        for (int k = 0; k < block->numInputPorts(); ++k) EXPECT_TRUE(block->inputDirectFeedthrough(k)) << k;
    }
}

struct PortCase {
    const char* name;
    BlockKind kind;
    std::function<void(blocktest::TableParams&)> change;
    std::vector<int> inputs;
    std::vector<int> outputs;
    int jacobianCols;  // Jackpos output 5 is n x this
};

TEST(BlockPlugins, PortWidths)
{
    const std::vector<PortCase> cases = {
        {"Jackpos hexapod", BlockKind::Jackpos, [](blocktest::TableParams&) {}, {6, 6, 6, 6}, {6, 6, 6, 6, 6, 36}, 6},
        {"Jackpos rates on input 1", BlockKind::Jackpos,
         [](blocktest::TableParams& t) {
             t.numVelocitySensors = Array::scalar(0);
             t.degreesOfFreedom = Array::rowVector({1, 2, 3, 4, 6});
         },
         {6, 2, 6, 6}, {5, 5, 5, 5, 6, 30}, 5},
        {"Jackpos translations only, no sensors", BlockKind::Jackpos,
         [](blocktest::TableParams& t) {
             t.numVelocitySensors = Array::scalar(0);
             t.degreesOfFreedom = Array::rowVector({1, 2, 3});
             t.accelLocations = Array();
             t.accelOrientations = Array();
         },
         {6, 1, 1, 6}, {3, 3, 3, 3, 6, 18}, 3},
        {"Posjack hexapod", BlockKind::Posjack, [](blocktest::TableParams&) {}, {6, 6, 6, 6}, {6, 6, 6, 6}, 0},
        {"Posjack three DOFs, no accelerometers", BlockKind::Posjack,
         [](blocktest::TableParams& t) {
             t.degreesOfFreedom = Array::rowVector({1, 2, 3});
             t.accelLocations = Array();
         },
         {3, 3, 3, 3}, {6, 6, 1, 6}, 0},
    };
    for (const PortCase& c : cases) {
        blocktest::TableParams table = blocktest::hexapodTable();
        c.change(table);
        auto block = startBlock(c.kind, table);
        ASSERT_EQ(block->numInputPorts(), static_cast<int>(c.inputs.size())) << c.name;
        ASSERT_EQ(block->numOutputPorts(), static_cast<int>(c.outputs.size())) << c.name;
        for (size_t k = 0; k < c.inputs.size(); ++k)
            EXPECT_EQ(block->inputWidth(static_cast<int>(k)), c.inputs[k]) << c.name << " input " << k;
        for (size_t k = 0; k < c.outputs.size(); ++k)
            EXPECT_EQ(block->outputWidth(static_cast<int>(k)), c.outputs[k]) << c.name << " output " << k;
        if (c.kind == BlockKind::Jackpos) {
            EXPECT_EQ(block->outputRows(5), 6) << c.name;
            EXPECT_EQ(block->outputCols(5), c.jacobianCols) << c.name;
            EXPECT_EQ(block->outputCols(0), 1) << c.name;
        }
    }
}

TEST(BlockPlugins, InvalidParametersDeclareNoPorts)
{
    blocktest::TableParams table = blocktest::hexapodTable();
    table.degreesOfFreedom = Array::rowVector({4, 1});
    host::Block block(blocktest::jackposPlugin(), table.list(BlockKind::Jackpos));
    EXPECT_FALSE(block.initialize());
    EXPECT_STREQ(block.errorStatus(),
                 "(mdlCheckParameters) Degrees-of-freedom array must list translations before rotations.");
    EXPECT_EQ(block.numInputPorts(), 0);
    EXPECT_EQ(block.numOutputPorts(), 0);
}

TEST(BlockPlugins, HexapodRoundTrip)
{
    auto posjack = startBlock(BlockKind::Posjack, blocktest::hexapodTable());
    auto jackpos = startBlock(BlockKind::Jackpos, blocktest::hexapodTable());

    // The zero command is the zero-pose geometry.
    posjack->outputs();
    for (double v : output(*posjack, 0)) EXPECT_EQ(v, 0.0);

    const std::vector<double> displacements = blocktest::displacementsAt(*posjack, FAR_POSE);
    EXPECT_GT(*std::max_element(displacements.begin(), displacements.end()), 5.0);
    setInput(*jackpos, 0, displacements);
    for (int step = 0; step < 3; ++step) jackpos->outputs();
    expectNear(output(*jackpos, 0), FAR_POSE, 1e-9, "pose");

    // And on to a second pose, starting from the first.
    const std::vector<double> second = {-20.0, 5.0, -10.0, -3.0, 2.0, -6.0};
    setInput(*jackpos, 0, blocktest::displacementsAt(*posjack, second));
    for (int step = 0; step < 3; ++step) jackpos->outputs();
    expectNear(output(*jackpos, 0), second, 1e-9, "second pose");
}

// Output 5 against central differences of Posjack's inverse kinematics at the
// pose Jackpos found: element i + j*n is d(length i)/d(DOF j).
TEST(BlockPlugins, JacobianOutputIsColumnMajor)
{
    auto posjack = startBlock(BlockKind::Posjack, blocktest::hexapodTable());
    auto jackpos = startBlock(BlockKind::Jackpos, blocktest::hexapodTable());
    settleJackpos(*jackpos, *posjack, FAR_POSE);
    const std::vector<double> jacobian = output(*jackpos, 5);
    ASSERT_EQ(jacobian.size(), 36u);

    const double h = 1e-4;
    double fd[6][6];
    for (int j = 0; j < 6; ++j) {
        std::vector<double> plus = FAR_POSE;
        std::vector<double> minus = FAR_POSE;
        plus[static_cast<size_t>(j)] += h;
        minus[static_cast<size_t>(j)] -= h;
        const std::vector<double> lp = blocktest::displacementsAt(*posjack, plus);
        const std::vector<double> lm = blocktest::displacementsAt(*posjack, minus);
        for (int i = 0; i < 6; ++i) fd[i][j] = (lp[static_cast<size_t>(i)] - lm[static_cast<size_t>(i)]) / (2 * h);
    }
    for (int j = 0; j < 6; ++j)
        for (int i = 0; i < 6; ++i)
            EXPECT_NEAR(jacobian[static_cast<size_t>(i + 6 * j)], fd[i][j], 1e-6) << "J(" << i << ", " << j << ")";
    // Element 1 is actuator 1 by x, which is not x-of-1's transpose partner.
    EXPECT_GT(std::abs(fd[1][0] - fd[0][1]), 1e-3);
}

// A block that has no accelerometers leaves output 2 as the host had it.
TEST(BlockPlugins, NoAccelerometersLeaveOutput2Untouched)
{
    for (BlockKind kind : {BlockKind::Jackpos, BlockKind::Posjack}) {
        blocktest::TableParams table = blocktest::hexapodTable();
        table.accelLocations = Array();
        table.accelOrientations = Array();
        auto block = startBlock(kind, table);
        // Mark the buffer the block would write into.
        const SFcnOutputPort& port = block->simStruct().outputPorts[2];
        for (int i = 0; i < port.width; ++i) port.signal[i] = 7.25;
        setInput(*block, 0, kind == BlockKind::Posjack ? FAR_POSE : std::vector<double>{1, -1, 2, 0.5, -0.5, 3});
        std::vector<double> ones(static_cast<size_t>(block->inputWidth(2)), 1.0);
        setInput(*block, 2, ones);
        block->outputs();
        block->outputs();
        for (double v : output(*block, 2)) EXPECT_EQ(v, 7.25) << block->name();
    }
}

TEST(BlockPlugins, JackposForcesPassThroughWhenDofsEqualActuators)
{
    auto posjack = startBlock(BlockKind::Posjack, blocktest::hexapodTable());
    auto jackpos = startBlock(BlockKind::Jackpos, blocktest::hexapodTable());
    settleJackpos(*jackpos, *posjack, FAR_POSE);
    const std::vector<double> forces = {1200.0, -300.0, 450.5, 800.0, -950.25, 60.0};
    setInput(*jackpos, 3, forces);
    jackpos->outputs();
    EXPECT_EQ(output(*jackpos, 4), forces);
}

// With fewer DOFs than actuators output 4 is a distribution of the DOF
// forces: it differs from the measured forces, yet produces the same DOF
// forces when measured again.
TEST(BlockPlugins, JackposRedistributesWhenDofsDifferFromActuators)
{
    blocktest::TableParams table = blocktest::hexapodTable();
    table.degreesOfFreedom = Array::rowVector({1, 2, 3});
    table.maxActuatorForce = Array::rowVector({20000, 20000, 20000, 20000, 20000, 20000});
    auto jackpos = startBlock(BlockKind::Jackpos, table);
    const std::vector<double> forces = {1200.0, -300.0, 450.5, 800.0, -950.25, 60.0};
    setInput(*jackpos, 3, forces);
    jackpos->outputs();
    const std::vector<double> dofForces = output(*jackpos, 3);
    const std::vector<double> distributed = output(*jackpos, 4);
    EXPECT_GT(std::abs(distributed[0] - forces[0]), 1.0);
    setInput(*jackpos, 3, distributed);
    jackpos->outputs();
    expectNear(output(*jackpos, 3), dofForces, 1e-8 * 3000.0, "DOF forces of the distribution");
}

// Body-rate to Euler-rate matrix at roll r, pitch p (radians), applied to
// body rates w.
std::array<double, 3> bodyToEuler(double r, double p, const std::array<double, 3>& w)
{
    const double cr = std::cos(r), sr = std::sin(r), cp = std::cos(p), sp = std::sin(p), tp = sp / cp;
    return {w[0] + tp * sr * w[1] + tp * cr * w[2], cr * w[1] - sr * w[2], (sr * w[1] + cr * w[2]) / cp};
}

std::array<double, 3> eulerToBody(double r, double p, const std::array<double, 3>& e)
{
    const double cr = std::cos(r), sr = std::sin(r), cp = std::cos(p), sp = std::sin(p);
    return {e[0] - sp * e[2], cr * e[1] + sr * cp * e[2], -sr * e[1] + cr * cp * e[2]};
}

blocktest::TableParams withModes(int update, int rate)
{
    blocktest::TableParams table = blocktest::hexapodTable();
    table.jacobianUpdateMode = Array::scalar(update);
    table.rateType = Array::scalar(rate);
    return table;
}

// Posjack, update mode 0, rate type 1: the rotational velocity command is
// converted from Euler-angle rates, the acceleration command is not.
TEST(BlockPlugins, PosjackRateTypeOneWithFixedMatrices)
{
    auto euler = startBlock(BlockKind::Posjack, withModes(0, 1));
    auto body = startBlock(BlockKind::Posjack, withModes(0, 2));
    const std::vector<double> velocity = {3.0, -2.0, 1.0, 4.0, -6.0, 5.0};
    const std::array<double, 3> w =
        eulerToBody(FAR_POSE[3] * DEG, FAR_POSE[4] * DEG, {velocity[3], velocity[4], velocity[5]});
    const std::vector<double> bodyVelocity = {velocity[0], velocity[1], velocity[2], w[0], w[1], w[2]};
    const std::vector<double> acceleration = {100.0, -50.0, 20.0, 30.0, 10.0, -40.0};

    setInput(*euler, 0, FAR_POSE);
    setInput(*euler, 1, velocity);
    setInput(*euler, 2, acceleration);
    setInput(*body, 0, FAR_POSE);
    setInput(*body, 1, bodyVelocity);
    setInput(*body, 2, acceleration);
    euler->outputs();
    body->outputs();
    expectNear(output(*euler, 1), output(*body, 1), 1e-9, "actuator velocities");
    EXPECT_EQ(output(*euler, 2), output(*body, 2));

    // With update mode 1 the acceleration command is converted too.
    auto updating = startBlock(BlockKind::Posjack, withModes(1, 1));
    setInput(*updating, 0, FAR_POSE);
    setInput(*updating, 1, velocity);
    setInput(*updating, 2, acceleration);
    updating->outputs();
    auto updatingBody = startBlock(BlockKind::Posjack, withModes(1, 2));
    setInput(*updatingBody, 0, FAR_POSE);
    setInput(*updatingBody, 1, velocity);
    setInput(*updatingBody, 2, acceleration);
    updatingBody->outputs();
    const std::vector<double> a1 = output(*updating, 2);
    const std::vector<double> a2 = output(*updatingBody, 2);
    double difference = 0.0;
    for (size_t i = 0; i < a1.size(); ++i) difference = std::max(difference, std::abs(a1[i] - a2[i]));
    EXPECT_GT(difference, 1e-6);
}

// Jackpos, rate type 1: DOF velocities and (whatever the update mode) DOF
// accelerations leave as Euler-angle rates; with zero rates the Euler
// accelerations are the body-to-Euler matrix times the body accelerations.
TEST(BlockPlugins, JackposRateTypeOneConvertsWhateverTheUpdateMode)
{
    for (int update : {0, 1}) {
        auto posjack = startBlock(BlockKind::Posjack, blocktest::hexapodTable());
        auto euler = startBlock(BlockKind::Jackpos, withModes(update, 1));
        auto body = startBlock(BlockKind::Jackpos, withModes(update, 2));
        const std::vector<double> accels = {50.0, -20.0, 30.0, 10.0, -40.0, 25.0};
        for (host::Block* block : {euler.get(), body.get()}) {
            setInput(*block, 2, accels);
            settleJackpos(*block, *posjack, FAR_POSE, 6);
        }
        const std::vector<double> pose = output(*euler, 0);
        EXPECT_EQ(pose, output(*body, 0));
        const std::vector<double> e = output(*euler, 2);
        const std::vector<double> b = output(*body, 2);
        for (int k = 0; k < 3; ++k) EXPECT_EQ(e[static_cast<size_t>(k)], b[static_cast<size_t>(k)]) << update;
        const std::array<double, 3> expected = bodyToEuler(pose[3] * DEG, pose[4] * DEG, {b[3], b[4], b[5]});
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(e[3 + static_cast<size_t>(k)], expected[static_cast<size_t>(k)], 1e-9) << update;
        EXPECT_GT(std::abs(e[5] - b[5]), 1e-6) << "the pose must make the conversion visible";

        // Velocity sensors: the rotational DOF velocities as Euler rates.
        const std::vector<double> sensors = {2.0, -1.0, 0.5, 1.5, -2.5, 3.0};
        setInput(*euler, 1, sensors);
        setInput(*body, 1, sensors);
        euler->outputs();
        body->outputs();
        const std::vector<double> ve = output(*euler, 1);
        const std::vector<double> vb = output(*body, 1);
        const std::array<double, 3> ev = bodyToEuler(pose[3] * DEG, pose[4] * DEG, {vb[3], vb[4], vb[5]});
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(ve[static_cast<size_t>(k)], vb[static_cast<size_t>(k)]);
            EXPECT_NEAR(ve[3 + static_cast<size_t>(k)], ev[static_cast<size_t>(k)], 1e-9);
        }
    }
}

TEST(BlockPlugins, NoSensorsGiveZeroOutputs)
{
    blocktest::TableParams table = blocktest::hexapodTable();
    table.numVelocitySensors = Array::scalar(0);
    table.numForceSensors = Array::scalar(0);
    auto posjack = startBlock(BlockKind::Posjack, table);
    setInput(*posjack, 0, FAR_POSE);
    setInput(*posjack, 1, {1, 2, 3, 4, 5, 6});
    setInput(*posjack, 3, {100, 200, 300, 400, 500, 600});
    posjack->outputs();
    for (double v : output(*posjack, 1)) EXPECT_EQ(v, 0.0);
    for (double v : output(*posjack, 3)) EXPECT_EQ(v, 0.0);

    auto jackpos = startBlock(BlockKind::Jackpos, table);
    setInput(*jackpos, 0, output(*posjack, 0));
    setInput(*jackpos, 1, {1, 2, 3});  // the rotational rates
    setInput(*jackpos, 3, {100, 200, 300, 400, 500, 600});
    jackpos->outputs();
    for (double v : output(*jackpos, 1)) EXPECT_EQ(v, 0.0);
    for (double v : output(*jackpos, 3)) EXPECT_EQ(v, 0.0);
    for (double v : output(*jackpos, 4)) EXPECT_EQ(v, 0.0);
}

// Update mode 0: the matrices made at preparation serve every pose.
TEST(BlockPlugins, FixedMatricesStayAtTheZeroPose)
{
    auto posjack = startBlock(BlockKind::Posjack, withModes(0, 2));
    auto jackpos = startBlock(BlockKind::Jackpos, withModes(0, 1));
    jackpos->outputs();
    const std::vector<double> zeroJacobian = output(*jackpos, 5);
    const std::vector<double> velocity = {3.0, -2.0, 1.0, 4.0, -6.0, 5.0};
    setInput(*posjack, 1, velocity);
    posjack->outputs();
    const std::vector<double> zeroVelocities = output(*posjack, 1);

    auto reference = startBlock(BlockKind::Posjack, blocktest::hexapodTable());
    settleJackpos(*jackpos, *reference, FAR_POSE, 30);
    EXPECT_EQ(output(*jackpos, 5), zeroJacobian);
    setInput(*posjack, 0, FAR_POSE);
    posjack->outputs();
    EXPECT_EQ(output(*posjack, 1), zeroVelocities);

    // With update mode 1 both follow the pose.
    auto updating = startBlock(BlockKind::Jackpos, blocktest::hexapodTable());
    settleJackpos(*updating, *reference, FAR_POSE);
    EXPECT_NE(output(*updating, 5), zeroJacobian);
}

}  // namespace
