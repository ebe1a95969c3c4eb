// Every kind of bad file, through the program: one line on standard error
// naming the file and the place, exit status 2, nothing on standard output.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "sfhost_runner.h"

namespace {

using nlohmann::json;
using namespace sfhost_test;  // runSfhost, ScratchDir, the files, the plug-in paths

std::string header(bool withTime) {
    std::string h = withTime ? "t" : "";
    for (int k = 0; k < 4; ++k)
        for (int e = 0; e < 6; ++e) h += (h.empty() ? "" : ",") + ("u" + std::to_string(k) + "_" + std::to_string(e));
    return h;
}

std::string zeroRow(int cells) {
    std::string r = "0";
    for (int i = 1; i < cells; ++i) r += ",0";
    return r;
}

struct BadFileCase {
    const char* name;
    const char* params;  // nullptr: the example file
    std::string csv;     // empty: no --input, --steps 1
    const char* expected;  // stderr after "<file>: "
    bool paramsAtFault;    // which file the message names
};

void PrintTo(const BadFileCase& c, std::ostream* os) { *os << c.name; }

class BadFile : public ::testing::TestWithParam<BadFileCase> {};

TEST_P(BadFile, OneLineWithFileAndPlaceAndStatus2) {
    const BadFileCase& c = GetParam();
    ScratchDir dir(c.name);
    const std::string params = c.params ? (dir / "p.json").string() : kPosjackParams;
    if (c.params) writeFile(params, c.params);
    std::vector<std::string> args{"run", kPosjack, params};
    const std::string input = (dir / "in.csv").string();
    if (c.csv.empty()) {
        args.insert(args.end(), {"--steps", "1"});
    } else {
        writeFile(input, c.csv);
        args.insert(args.end(), {"--input", input});
    }
    const std::string out = (dir / "out.csv").string();
    args.insert(args.end(), {"--output", out});
    const auto r = runSfhost(args, dir);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, (c.paramsAtFault ? params : input) + ": " + c.expected + "\n");
    EXPECT_EQ(r.out, "");
}

const std::string kGoodHeader = header(true);

INSTANTIATE_TEST_SUITE_P(
    AllKinds, BadFile,
    ::testing::Values(
        BadFileCase{"malformed_json", "{\n  \"actuatorTypes\": [1, 1,\n}", "",
                    "line 3, column 1: not valid JSON: syntax error while parsing value - unexpected '}'; "
                    "expected '[', '{', or a literal",
                    true},
        BadFileCase{"wrong_type", R"({"actuatorTypes": "six"})", "",
                    "$.actuatorTypes: expected a number, a list or a sized value, found a string", true},
        BadFileCase{"wrong_type_inside", R"([[1, true]])", "", "$[0][1]: expected a number, found a boolean", true},
        BadFileCase{"top_level_number", "17", "",
                    "$: expected an object of named parameters or a list of values, found a number", true},
        BadFileCase{"missing_parameter", R"({"actuatorTypes": 1})", "",
                    "$: missing parameter \"numVelocitySensors\" for Posjack", true},
        BadFileCase{"unknown_parameter", R"({"actuatorType": 1})", "",
                    "$.actuatorType: unknown parameter \"actuatorType\" for Posjack", true},
        BadFileCase{"ragged_rows", nullptr, kGoodHeader + "\n" + zeroRow(25) + "\n" + zeroRow(24) + "\n",
                    "line 3: has 24 cells, the header has 25", false},
        BadFileCase{"wrong_column_count", nullptr, header(true).substr(0, header(true).rfind(',')) + "\n",
                    "line 1: has 23 input columns after t, expected 24 (u0_0 .. u3_5)", false},
        BadFileCase{"wrong_column_name", nullptr, "t,u0_0,u0_1,u0_2,u0_3,u0_4,u0_6" + header(false).substr(29) + "\n",
                    "line 1, column 7: column \"u0_6\", expected \"u0_5\"", false},
        BadFileCase{"non_numeric_cell", nullptr, kGoodHeader + "\n" + zeroRow(25) + "\n0.001,0,0,abc" + zeroRow(22).substr(1) + "\n",
                    "line 3, column 4: not a number: \"abc\"", false},
        BadFileCase{"empty_input", nullptr, "\n", "line 1: no header row (the file is empty)", false}));

TEST(BadFileMissing, MissingFilesAreNamed) {
    ScratchDir dir("missing");
    const std::string nowhere = (dir / "nowhere.json").string();
    auto r = runSfhost({"run", kPosjack, nowhere, "--steps", "1"}, dir);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, nowhere + ": cannot open the file\n");

    const std::string noCsv = (dir / "nowhere.csv").string();
    r = runSfhost({"run", kPosjack, kPosjackParams, "--input", noCsv}, dir);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, noCsv + ": cannot open the file\n");

    r = runSfhost({"ranges", nowhere}, dir);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, nowhere + ": cannot open the file\n");

    // A plug-in that is not there, or is not a plug-in: the loader's message names it.
    const std::string noPlugin = (dir / "Nothing.mexa64").string();
    r = runSfhost({"info", noPlugin, kPosjackParams}, dir);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err.rfind(noPlugin, 0) == 0 || r.err.find(noPlugin) != std::string::npos, true) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;

    r = runSfhost({"info", kPosjackParams, kPosjackParams}, dir);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find(kPosjackParams), std::string::npos) << r.err;

    const std::string unwritable = (dir / "no-such-dir" / "out.csv").string();
    r = runSfhost({"run", kPosjack, kPosjackParams, "--steps", "1", "--output", unwritable}, dir);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, unwritable + ": cannot write the file\n");
}

}  // namespace
