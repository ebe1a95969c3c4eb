// sfhost over a block it knows nothing about: the host tests' gain plug-in
// (y0 = gain * u0 on a vector port of a given width; y1 a 2 x 3 matrix that
// adds 10(i+1) + (j+1) to element (i, j) at every step; a NaN input sets the
// error status "(mdlOutputs) Input is not a number.").
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <string>

#include "csv_signals.h"
#include "sfhost_runner.h"

namespace {

using sfhost_test::runSfhost;
using sfhost_test::ScratchDir;
using sfhost_test::writeFile;

const std::string kGain = TEST_PLUGIN_PATH;

TEST(SfhostGenericBlock, MatrixPortIsWrittenColumnMajor) {
    ScratchDir dir("gain");
    writeFile(dir / "p.json", "[[], 2.5, 3]");  // no trace, gain 2.5, width 3
    const auto info = runSfhost({"info", kGain, (dir / "p.json").string()}, dir);
    ASSERT_EQ(info.status, 0) << info.err;
    const auto j = nlohmann::json::parse(info.out);
    EXPECT_EQ(j["name"], "test_plugin");
    EXPECT_EQ(j["outputs"][1]["rows"], 2);
    EXPECT_EQ(j["outputs"][1]["columns"], 3);

    writeFile(dir / "in.csv", "t,u0_0,u0_1,u0_2\n0,1,-2,4\n0.5,0.5,0,-1\n");
    const auto r = runSfhost({"run", kGain, (dir / "p.json").string(), "--input", (dir / "in.csv").string()}, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    const auto t = sfhost::parseSignals(r.out, "out");
    EXPECT_EQ(t.columns, (std::vector<std::string>{"t", "y0_0", "y0_1", "y0_2", "y1_0", "y1_1", "y1_2", "y1_3",
                                                   "y1_4", "y1_5"}));
    ASSERT_EQ(t.rows(), 2u);
    // Step 1: y0 = 2.5 u; y1 column-major (0,0) (1,0) (0,1) (1,1) (0,2) (1,2).
    const std::vector<double> first{0, 2.5, -5, 10, 11, 21, 12, 22, 13, 23};
    const std::vector<double> second{0.5, 1.25, 0, -2.5, 22, 42, 24, 44, 26, 46};
    for (std::size_t c = 0; c < first.size(); ++c) {
        EXPECT_EQ(t.at(0, c), first[c]) << t.columns[c];
        EXPECT_EQ(t.at(1, c), second[c]) << t.columns[c];
    }
}

TEST(SfhostGenericBlock, ErrorInAStepIsTheBlocksMessageAndLeavesNoOutputFile) {
    ScratchDir dir("gainerr");
    writeFile(dir / "p.json", "[[], 1, 1]");
    writeFile(dir / "in.csv", "u0_0\n1\n2\nnan\n4\n");
    const auto out = dir / "out.csv";
    const auto r = runSfhost({"run", kGain, (dir / "p.json").string(), "--input", (dir / "in.csv").string(),
                              "--output", out.string()},
                             dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "(mdlOutputs) Input is not a number.\n");
    EXPECT_FALSE(std::filesystem::exists(out)) << "a truncated run was left behind";

    // Named parameters need one of the two known blocks.
    writeFile(dir / "named.json", R"({"gain": 1})");
    const auto n = runSfhost({"info", kGain, (dir / "named.json").string()}, dir);
    EXPECT_EQ(n.status, 2);
    EXPECT_NE(n.err.find((dir / "named.json").string() + ": $: named parameters are known only for Jackpos and Posjack"),
              std::string::npos)
        << n.err;
}

}  // namespace
