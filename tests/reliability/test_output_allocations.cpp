// The output steps of both blocks allocate nothing: every cell and every
// matrix exists from mdlInitializeSizes on, and every working vector has a
// fixed bound. Heap calls are counted across many mdlOutputs in every sensor
// configuration, and must be zero.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <string>
#include <vector>

#include "block_chain.h"
#include "heap_counter.h"

namespace reliability {
namespace {

constexpr int kSteps = 1000;
constexpr double kStep = 0.001;  // s

// A smooth motion well inside the table's envelope: per DOF a sine of its
// own frequency (mm or degrees), its derivatives, and a DOF force with a
// constant part (N, N mm).
void setCommands(BlockChain& chain, const std::vector<int>& codes, double t)
{
    static constexpr double kAmplitude[6] = {20.0, 15.0, 10.0, 2.0, 1.5, 3.0};
    static constexpr double kFrequency[6] = {0.5, 0.65, 0.8, 0.55, 0.7, 0.45};
    static constexpr double kForce[6] = {300.0, -200.0, 4000.0, 20000.0, -15000.0, 10000.0};
    for (std::size_t k = 0; k < codes.size(); ++k) {
        const int c = codes[k];
        const double w = 2.0 * M_PI * kFrequency[c];
        chain.command(0)[k] = kAmplitude[c] * std::sin(w * t);
        chain.command(1)[k] = kAmplitude[c] * w * std::cos(w * t);
        chain.command(2)[k] = -kAmplitude[c] * w * w * std::sin(w * t);
        chain.command(3)[k] = kForce[c] * (1.0 + 0.5 * std::sin(w * t));
    }
}

std::vector<TableConfig> everyConfiguration()
{
    std::vector<TableConfig> configs;
    for (bool accel : {true, false})
        for (bool velocity : {true, false})
            for (bool force : {true, false})
                for (bool allDofs : {true, false})
                    for (int update : {0, 1})
                        for (int rate : {1, 0}) {
                            TableConfig c;
                            c.accelerometers = accel;
                            c.velocitySensors = velocity;
                            c.forceSensors = force;
                            c.allDofs = allDofs;
                            c.updateMode = update;
                            c.rateType = rate;
                            configs.push_back(c);
                        }
    return configs;
}

class OutputAllocations : public ::testing::TestWithParam<TableConfig> {};

TEST_P(OutputAllocations, NoHeapCallInAnyOutputStep)
{
    const TableConfig config = GetParam();
    BlockChain chain(config);
    ASSERT_EQ(chain.initialize(), "") << config.describe();
    const std::vector<int> codes = dofCodes(config);

    std::size_t posjackCalls = 0;
    std::size_t jackposCalls = 0;
    for (int step = 0; step < kSteps; ++step) {
        setCommands(chain, codes, step * kStep);
        startHeapCount();
        const bool posjackOk = chain.posjack().outputs();
        posjackCalls += stopHeapCount();
        chain.connect();
        startHeapCount();
        const bool jackposOk = chain.jackpos().outputs();
        jackposCalls += stopHeapCount();
        ASSERT_TRUE(posjackOk && jackposOk) << config.describe() << " step " << step;
    }
    EXPECT_EQ(posjackCalls, 0u) << config.describe();
    EXPECT_EQ(jackposCalls, 0u) << config.describe();

    // The chain did real work: the recovered pose follows the command.
    const auto pose = chain.jackpos().output(0);
    for (std::size_t k = 0; k < codes.size(); ++k)
        EXPECT_NEAR(pose[k], chain.command(0)[k], 1e-6) << config.describe() << " DOF " << k;
}

INSTANTIATE_TEST_SUITE_P(EveryConfiguration, OutputAllocations, ::testing::ValuesIn(everyConfiguration()),
                         [](const ::testing::TestParamInfo<TableConfig>& info) {
                             std::string name;
                             for (char ch : info.param.describe()) {
                                 if (std::isalnum(static_cast<unsigned char>(ch))) name += ch;
                                 else if (ch == '<') name += "Lt";
                                 else if (ch == '=') name += "_";
                             }
                             return name;
                         });

// The counter sees the plug-ins' own heap calls: Jackpos's work record
// allocates every signal cell on its own (4 x 24 input cells, 4 x 6 DOF
// cells, 24 actuator force cells) plus the record and its model when it is
// initialized, and releases them all when it is terminated.
TEST(HeapCounter, SeesThePluginsAllocations)
{
    BlockChain chain(TableConfig{});
    constexpr std::size_t kCells = 4 * 24 + 4 * 6 + 24;
    startHeapCount();
    const bool ok = chain.jackpos().initialize();
    const std::size_t atInit = stopHeapCount();
    ASSERT_TRUE(ok);
    EXPECT_GE(atInit, kCells + 2);

    startHeapCount();
    chain.jackpos().terminate();
    EXPECT_GE(stopHeapCount(), kCells + 2);
}

}  // namespace
}  // namespace reliability
