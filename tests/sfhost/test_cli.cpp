// The command line: help for the program and every command, and usage errors
// with status 2.
#include <gtest/gtest.h>

#include <string>

#include "sfhost_runner.h"

namespace {

using sfhost_test::runSfhost;
using sfhost_test::ScratchDir;

TEST(SfhostHelp, ProgramHelpListsEveryCommand) {
    ScratchDir dir("help");
    for (const char* form : {"--help", "-h", "help"}) {
        const auto r = runSfhost({form}, dir);
        EXPECT_EQ(r.status, 0) << form;
        for (const char* command : {"info PLUGIN PARAMS", "run PLUGIN PARAMS", "chain PLUGIN_A", "ranges PARAMS"})
            EXPECT_NE(r.out.find(command), std::string::npos) << form << " lacks " << command;
    }
    const auto bare = runSfhost({}, dir);
    EXPECT_EQ(bare.status, 0);
    EXPECT_NE(bare.out.find("Usage: sfhost COMMAND"), std::string::npos);
}

TEST(SfhostHelp, EveryCommandHasItsOwnHelp) {
    ScratchDir dir("cmdhelp");
    for (const std::string command : {"info", "run", "chain", "ranges"}) {
        const auto r = runSfhost({command, "--help"}, dir);
        EXPECT_EQ(r.status, 0) << command;
        EXPECT_EQ(r.out.rfind("Usage: sfhost " + command + " ", 0), 0u) << r.out;
        const auto viaHelp = runSfhost({"help", command}, dir);
        EXPECT_EQ(viaHelp.out, r.out) << command;
    }
    // The signal formats are documented where signal files are used.
    EXPECT_NE(runSfhost({"run", "--help"}, dir).out.find("u<port>_<element>"), std::string::npos);
    EXPECT_NE(runSfhost({"ranges", "--help"}, dir).out.find("--json"), std::string::npos);
}

struct UsageCase {
    std::vector<std::string> args;
    const char* message;  // the whole first line of standard error
};

void PrintTo(const UsageCase& c, std::ostream* os) {
    for (const auto& a : c.args) *os << a << ' ';
}

class SfhostUsage : public ::testing::TestWithParam<UsageCase> {};

TEST_P(SfhostUsage, RefusedWithStatus2AndOneLine) {
    ScratchDir dir("usage");
    const auto r = runSfhost(GetParam().args, dir);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, std::string(GetParam().message) + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Mistakes, SfhostUsage,
    ::testing::Values(
        UsageCase{{"fly"}, "sfhost: unknown command \"fly\" (see sfhost --help)"},
        UsageCase{{"run", "a", "b", "--speed", "3"}, "sfhost run: unknown option --speed (see sfhost run --help)"},
        UsageCase{{"run", "a", "b"}, "sfhost run: give --input IN.csv or --steps N"},
        UsageCase{{"run", "a", "b", "--steps", "ten"}, "sfhost run: --steps needs a whole number, not \"ten\""},
        UsageCase{{"run", "a", "b", "--steps=-1"}, "sfhost run: --steps needs a whole number, not \"-1\""},
        UsageCase{{"run", "a", "b", "--input"}, "sfhost run: --input needs a value"},
        UsageCase{{"info", "a"},
                  "sfhost info: expected 2 operands, got 1 (Usage: sfhost info PLUGIN PARAMS)"},
        UsageCase{{"ranges", "p.json", "--json", "--input", "x"},
                  "sfhost ranges: unknown option --input (see sfhost ranges --help)"},
        UsageCase{{"ranges", "p.json", "--block", "Gain"},
                  "sfhost ranges: --block is Jackpos or Posjack, not \"Gain\""},
        UsageCase{{"help", "fly"}, "sfhost help: unknown command \"fly\""}));

}  // namespace
