// Work-record lifetime: many initialize / output / terminate cycles, failed
// initializations, and a second mdlInitializeSizes on one instance. Under the
// sanitizer build LeakSanitizer fails the run on any leaked record; the
// optimised build checks the heap in use with mallinfo2.
#include "test_plugin_support.h"

#include "host/simulation.h"
#include "kinematics/kinmodel.h"

#include <malloc.h>

namespace {

using blocktest::startBlock;
using host::Array;

size_t heapInUse() { return mallinfo2().uordblks; }

// One cycle per block kind: a full run, and a run whose validation fails
// after the record was created.
void cycle(const blocktest::TableParams& good, const blocktest::TableParams& bad)
{
    for (BlockKind kind : {BlockKind::Jackpos, BlockKind::Posjack}) {
        auto block = startBlock(kind, good);
        block->outputs();
        block->outputs();
        block->terminate();
        host::Block failing(kind == BlockKind::Jackpos ? blocktest::jackposPlugin() : blocktest::posjackPlugin(),
                            bad.list(kind));
        EXPECT_FALSE(failing.initialize());
    }
}

TEST(BlockLifecycle, RepeatedRunsReleaseTheirRecords)
{
    const blocktest::TableParams good = blocktest::hexapodTable();
    blocktest::TableParams bad = good;
    bad.canonicalUnits = Array();
    cycle(good, bad);  // first-use allocations (gtest, loader) out of the way
    const size_t before = heapInUse();
    for (int i = 0; i < 100; ++i) cycle(good, bad);
#ifndef BLOCKS_TESTS_SANITIZED
    // A leaked record holds a whole KinModel; 100 of them would show.
    EXPECT_LT(heapInUse(), before + 10 * sizeof(KinModel));
#else
    (void)before;
#endif
}

// mdlInitializeSizes twice on the same SimStruct, as a host may do, then one
// mdlTerminate: the first record must not be left behind.
TEST(BlockLifecycle, SecondInitializeSizesReplacesTheRecord)
{
    const blocktest::TableParams table = blocktest::hexapodTable();
    for (BlockKind kind : {BlockKind::Jackpos, BlockKind::Posjack}) {
        const auto plugin = kind == BlockKind::Jackpos ? blocktest::jackposPlugin() : blocktest::posjackPlugin();
        const std::vector<Array> list = table.list(kind);
        auto once = [&] {
            host::SimulationStructure sim;
            ASSERT_TRUE(plugin->registerInto(*sim.get()));
            sim.bindParameters(list);
            SimStruct* S = sim.get();
            S->methods.mdlInitializeSizes(S);
            void* first = ssGetUserData(S);
            ASSERT_NE(first, nullptr);
            S->methods.mdlInitializeSizes(S);
            EXPECT_NE(ssGetUserData(S), nullptr);
            EXPECT_EQ(ssGetErrorStatus(S), nullptr);
            S->methods.mdlTerminate(S);
            EXPECT_EQ(ssGetUserData(S), nullptr);
        };
        once();
        const size_t before = heapInUse();
        for (int i = 0; i < 50; ++i) once();
#ifndef BLOCKS_TESTS_SANITIZED
        EXPECT_LT(heapInUse(), before + 10 * sizeof(KinModel)) << plugin->name();
#else
        (void)before;
#endif
    }
}

}  // namespace
