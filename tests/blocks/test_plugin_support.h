// Shared helpers of the plug-in tests: the loaded plug-ins, block instances
// over a parameter table, and small vector helpers.
#pragma once

#include "block_tables.h"
#include "host/loader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <span>
#include <vector>

namespace blocktest {

inline std::shared_ptr<const host::Plugin> jackposPlugin()
{
    static const auto plugin = std::make_shared<const host::Plugin>(JACKPOS_PATH);
    return plugin;
}

inline std::shared_ptr<const host::Plugin> posjackPlugin()
{
    static const auto plugin = std::make_shared<const host::Plugin>(POSJACK_PATH);
    return plugin;
}

// An initialized instance of the block over the table; a failed
// initialization fails the calling test.
inline std::unique_ptr<host::Block> startBlock(BlockKind kind, const TableParams& table)
{
    auto block = std::make_unique<host::Block>(kind == BlockKind::Jackpos ? jackposPlugin() : posjackPlugin(),
                                               table.list(kind));
    const bool ok = block->initialize();
    EXPECT_TRUE(ok) << (block->errorStatus() ? block->errorStatus() : "");
    return block;
}

inline void setInput(host::Block& block, int port, const std::vector<double>& values)
{
    std::span<double> in = block.input(port);
    ASSERT_EQ(in.size(), values.size()) << "input " << port;
    for (size_t i = 0; i < values.size(); ++i) in[i] = values[i];
}

inline std::vector<double> output(const host::Block& block, int port)
{
    std::span<const double> out = block.output(port);
    return {out.begin(), out.end()};
}

// Posjack's displacement output for one pose command (a fresh step on the
// given instance).
inline std::vector<double> displacementsAt(host::Block& posjack, const std::vector<double>& pose)
{
    setInput(posjack, 0, pose);
    posjack.outputs();
    return output(posjack, 0);
}

constexpr double DEG = 0.017453292519943295;

}  // namespace blocktest
