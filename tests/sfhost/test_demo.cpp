// The table demo: the motion profile of examples/hexapod through Posjack and
// back through Jackpos. With six struts, six accelerometers and the matrices
// rebuilt every step (update mode 1) every map has an exact inverse, so the
// recovered pose, DOF velocities, accelerations and forces must equal the
// commands to rounding: within 1e-9 of each signal's amplitude.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <string>

#include "csv_signals.h"
#include "sfhost_runner.h"

namespace {

using sfhost_test::runProgram;
using sfhost_test::runSfhost;
using sfhost_test::ScratchDir;

TEST(HexapodDemo, ChainRecoversEveryCommandInEveryDof) {
    const std::string python = PYTHON3_PATH;
    if (python.empty()) GTEST_SKIP() << "python3 not found; the motion generator needs it";
    ScratchDir dir("demo");
    const std::string hexapod = HEXAPOD_DIR;
    const std::string motionPath = (dir / "motion.csv").string();
    const std::string chainPath = (dir / "chain.csv").string();

    // The exactness argument holds for this configuration only.
    for (const char* file : {"/posjack.json", "/jackpos.json"}) {
        const auto p = nlohmann::json::parse(sfhost_test::readFile(hexapod + file));
        ASSERT_EQ(p["actuatorTypes"].size(), 6u) << file;
        ASSERT_EQ(p["degreesOfFreedom"].size(), 6u) << file;
        ASSERT_EQ(p["accelLocations"][0].size(), 6u) << file;  // 3 x 6: six accelerometers
        ASSERT_EQ(p["jacobianUpdateMode"], 1) << file;
    }

    const auto gen = runProgram(python, {hexapod + "/make_motion.py", "--output", motionPath}, dir);
    ASSERT_EQ(gen.status, 0) << gen.err;
    const auto chain = runSfhost({"chain", POSJACK_PATH, hexapod + "/posjack.json", JACKPOS_PATH,
                                  hexapod + "/jackpos.json", "--input", motionPath, "--output", chainPath},
                                 dir);
    ASSERT_EQ(chain.status, 0) << chain.err;

    const auto motion = sfhost::readSignalFile(motionPath);
    const auto out = sfhost::readSignalFile(chainPath);
    ASSERT_GE(motion.rows(), 3000u);  // several seconds at 1 kHz
    ASSERT_EQ(out.rows(), motion.rows());

    const char* kinds[] = {"pose", "velocity", "acceleration", "force"};
    for (int port = 0; port < 4; ++port) {
        for (int dof = 0; dof < 6; ++dof) {
            const std::string in = "u" + std::to_string(port) + "_" + std::to_string(dof);
            const std::string back = "Jackpos.y" + std::to_string(port) + "_" + std::to_string(dof);
            const auto ci = std::find(motion.columns.begin(), motion.columns.end(), in) - motion.columns.begin();
            const auto co = std::find(out.columns.begin(), out.columns.end(), back) - out.columns.begin();
            ASSERT_LT(static_cast<std::size_t>(ci), motion.columns.size()) << in;
            ASSERT_LT(static_cast<std::size_t>(co), out.columns.size()) << back;
            double amplitude = 0.0, largest = 0.0;
            for (std::size_t r = 0; r < motion.rows(); ++r) {
                amplitude = std::max(amplitude, std::fabs(motion.at(r, ci)));
                largest = std::max(largest, std::fabs(out.at(r, co) - motion.at(r, ci)));
            }
            ASSERT_GT(amplitude, 0.0) << kinds[port] << " of DOF " << dof << " never moves";
            EXPECT_LE(largest, 1e-9 * amplitude) << kinds[port] << " of DOF " << dof << ": amplitude " << amplitude;
        }
    }
}

}  // namespace
