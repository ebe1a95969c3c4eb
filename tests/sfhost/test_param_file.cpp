// Parameter files: every value encoding and every kind of bad input, checked
// against shapes and column-major layouts worked out by hand.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "errors.h"
#include "param_file.h"

namespace {

using sfhost::InputError;
using sfhost::ParamValue;

ParamValue decode(const std::string& text) {
    return sfhost::decodeValue(nlohmann::json::parse(text), "p.json", "$.v");
}

struct EncodingCase {
    const char* json;
    std::vector<std::size_t> dims;
    std::vector<double> data;  // column-major
};

void PrintTo(const EncodingCase& c, std::ostream* os) { *os << c.json; }

class ValueEncoding : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(ValueEncoding, DecodesToDimsAndColumnMajorData) {
    const EncodingCase& c = GetParam();
    const ParamValue v = decode(c.json);
    EXPECT_EQ(v.dims, c.dims) << c.json;
    EXPECT_EQ(v.data, c.data) << c.json;
}

INSTANTIATE_TEST_SUITE_P(
    AllForms, ValueEncoding,
    ::testing::Values(
        EncodingCase{"2.5", {1, 1}, {2.5}},
        EncodingCase{"-0", {1, 1}, {-0.0}},
        EncodingCase{"[]", {0, 0}, {}},
        EncodingCase{"[1, 2, 3]", {1, 3}, {1, 2, 3}},
        // Rows [1 2 3; 4 5 6]: column-major walks down each column first.
        EncodingCase{"[[1, 2, 3], [4, 5, 6]]", {2, 3}, {1, 4, 2, 5, 3, 6}},
        EncodingCase{"[[7], [8]]", {2, 1}, {7, 8}},
        EncodingCase{"[[]]", {1, 0}, {}},
        EncodingCase{"[[], [], []]", {3, 0}, {}},
        // v[i][j][k] is element (i,j,k) of a 2x2x2 array; index i + 2j + 4k.
        EncodingCase{"[[[1, 2], [3, 4]], [[5, 6], [7, 8]]]", {2, 2, 2}, {1, 5, 3, 7, 2, 6, 4, 8}},
        // A single trailing page is dropped, as MATLAB does: 2x1x1 is 2x1.
        EncodingCase{"[[[1]], [[2]]]", {2, 1}, {1, 2}},
        EncodingCase{"{\"size\": [2, 0], \"data\": []}", {2, 0}, {}},
        EncodingCase{"{\"size\": [2, 3], \"data\": [1, 2, 3, 4, 5, 6]}", {2, 3}, {1, 2, 3, 4, 5, 6}},
        EncodingCase{"{\"size\": [3, 2, 1], \"data\": [1, 2, 3, 4, 5, 6]}", {3, 2}, {1, 2, 3, 4, 5, 6}},
        EncodingCase{"{\"size\": [1, 2, 2], \"data\": [1, 2, 3, 4]}", {1, 2, 2}, {1, 2, 3, 4}}));

struct BadValueCase {
    const char* json;
    const char* place;    // the JSON path the message must name
    const char* problem;  // a fragment of the message
};

void PrintTo(const BadValueCase& c, std::ostream* os) { *os << c.json; }

class BadValue : public ::testing::TestWithParam<BadValueCase> {};

TEST_P(BadValue, NamesThePlaceAndTheProblem) {
    const BadValueCase& c = GetParam();
    try {
        decode(c.json);
        FAIL() << "accepted " << c.json;
    } catch (const InputError& e) {
        EXPECT_EQ(e.file(), "p.json");
        EXPECT_EQ(e.place(), c.place) << e.what();
        EXPECT_NE(e.problem().find(c.problem), std::string::npos) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    AllFaults, BadValue,
    ::testing::Values(
        BadValueCase{"\"3\"", "$.v", "found a string"},
        BadValueCase{"true", "$.v", "found a boolean"},
        BadValueCase{"null", "$.v", "found null"},
        BadValueCase{"[1, \"x\", 3]", "$.v[1]", "expected a number"},
        BadValueCase{"[1, [2]]", "$.v[1]", "found a list"},
        BadValueCase{"[[1, 2], [3]]", "$.v[1]", "row has 1 element, expected 2"},
        BadValueCase{"[[1, 2], 3]", "$.v[1]", "expected a list"},
        BadValueCase{"[[1, null]]", "$.v[0][1]", "found null"},
        BadValueCase{"[[[1, 2]], [[3]]]", "$.v[1][0]", "has 1 element, expected 2"},
        BadValueCase{"[[[1]], [[2], [3]]]", "$.v[1]", "has 2 elements, expected 1"},
        BadValueCase{"[[[[1]]]]", "$.v[0][0][0]", "at most three deep"},
        BadValueCase{"{\"size\": [2, 2], \"data\": [1, 2, 3]}", "$.v.data", "size asks for 4"},
        BadValueCase{"{\"size\": [2], \"data\": [1, 2]}", "$.v.size", "at least two"},
        BadValueCase{"{\"size\": [2, -1], \"data\": []}", "$.v.size[1]", "whole number"},
        BadValueCase{"{\"size\": [1.5, 2], \"data\": [1, 2, 3]}", "$.v.size[0]", "whole number"},
        BadValueCase{"{\"data\": []}", "$.v", "missing \"size\""},
        BadValueCase{"{\"size\": [1, 1], \"data\": [1], \"rows\": 1}", "$.v.rows", "unknown key"}));

// A small but complete Posjack set in the named form, used by the file tests.
const char* kPosjackNamed = R"({
  "actuatorTypes": [1, 1, 1],
  "numVelocitySensors": 0,
  "numForceSensors": 3,
  "degreesOfFreedom": [3, 4, 5],
  "headPivotLocations": [[1, 0, -1], [0, 1, 0], [0, 0, 0]],
  "basePivotLocations": [[1, 0, -1], [0, 1, 0], [-1, -1, -1]],
  "linkPivotLocations": [],
  "accelLocations": {"size": [3, 0], "data": []},
  "accelOrientations": [],
  "coordinateSystem": [0, 0, 0, 0, 0, 0],
  "maxActuatorForce": [100, 100, 100],
  "canonicalUnits": [1, 1, 1, 1, 1, 1, 1, 1],
  "verticalAccelOffset": [],
  "jacobianUpdateMode": 1,
  "rateType": 1
})";

TEST(ParameterFile, NamedFormLoadsInDialogOrderWhateverTheKeyOrder) {
    const auto doc = nlohmann::json::parse(kPosjackNamed);
    const auto params = sfhost::parametersFromJson(doc, "p.json", "Posjack");
    ASSERT_EQ(params.size(), 15u);
    EXPECT_EQ(params[0].data, (std::vector<double>{1, 1, 1}));
    // degreesOfFreedom is dialog index 3, headPivotLocations index 4 (3x3,
    // column j holds actuator j: (1,0,0), (0,1,0), (-1,0,0)).
    EXPECT_EQ(params[3].data, (std::vector<double>{3, 4, 5}));
    EXPECT_EQ(params[4].dims, (std::vector<std::size_t>{3, 3}));
    EXPECT_EQ(params[4].data, (std::vector<double>{1, 0, 0, 0, 1, 0, -1, 0, 0}));
    EXPECT_EQ(params[7].dims, (std::vector<std::size_t>{3, 0}));
    EXPECT_EQ(params[10].data, (std::vector<double>{100, 100, 100}));  // maxActuatorForce
    EXPECT_EQ(params[14].data, (std::vector<double>{1}));              // rateType last
}

TEST(ParameterFile, ArrayFormIsPassedAsGivenEvenWithAWrongCount) {
    const auto doc = nlohmann::json::parse("[[1, 1], 0, []]");
    const auto params = sfhost::parametersFromJson(doc, "p.json", "Jackpos");
    ASSERT_EQ(params.size(), 3u);
    EXPECT_EQ(params[0].dims, (std::vector<std::size_t>{1, 2}));
    EXPECT_EQ(params[2].dims, (std::vector<std::size_t>{0, 0}));
}

TEST(ParameterFile, NamedFormRefusesUnknownAndMissingKeys) {
    auto doc = nlohmann::json::parse(kPosjackNamed);
    doc["forwardIterations"] = 3;  // a Jackpos parameter: unknown to Posjack
    try {
        sfhost::parametersFromJson(doc, "p.json", "Posjack");
        FAIL();
    } catch (const InputError& e) {
        EXPECT_EQ(e.place(), "$.forwardIterations");
        EXPECT_NE(e.problem().find("unknown parameter"), std::string::npos);
    }
    // For Jackpos the same file lacks maxActuatorDispl.
    try {
        sfhost::parametersFromJson(doc, "p.json", "Jackpos");
        FAIL();
    } catch (const InputError& e) {
        EXPECT_EQ(e.place(), "$");
        EXPECT_NE(e.problem().find("missing parameter \"maxActuatorDispl\""), std::string::npos) << e.what();
    }
}

TEST(ParameterFile, NamedFormNeedsAKnownBlock) {
    const auto doc = nlohmann::json::parse(kPosjackNamed);
    EXPECT_THROW(sfhost::parametersFromJson(doc, "p.json", "Gain"), InputError);
}

TEST(ParameterFile, WrongTypeInANamedParameterNamesItsPath) {
    auto doc = nlohmann::json::parse(kPosjackNamed);
    doc["headPivotLocations"][1][2] = "zero";
    try {
        sfhost::parametersFromJson(doc, "p.json", "Posjack");
        FAIL();
    } catch (const InputError& e) {
        EXPECT_EQ(e.place(), "$.headPivotLocations[1][2]");
    }
}

TEST(ParameterFile, MalformedJsonGivesLineAndColumn) {
    // The stray comma sits on line 3; the parser stops at the closing brace
    // after it, column 1 of line 4.
    const std::string text = "{\n  \"a\": 1,\n  \"b\": 2,\n}\n";
    try {
        sfhost::parseJsonText(text, "bad.json");
        FAIL();
    } catch (const InputError& e) {
        EXPECT_EQ(e.file(), "bad.json");
        EXPECT_EQ(e.place(), "line 4, column 1");
        EXPECT_EQ(std::string(e.what()).rfind("bad.json: line 4, column 1: not valid JSON: ", 0), 0u) << e.what();
    }
}

TEST(ParameterFile, MissingFileIsAnInputError) {
    try {
        sfhost::readParameterFile("/nonexistent/params.json", "Jackpos");
        FAIL();
    } catch (const InputError& e) {
        EXPECT_EQ(std::string(e.what()), "/nonexistent/params.json: cannot open the file");
    }
}

TEST(ParameterFile, DetectsTheBlockFromKeysOrLength) {
    EXPECT_EQ(sfhost::detectBlockName(nlohmann::json::parse(kPosjackNamed), "p"), "Posjack");
    auto jack = nlohmann::json::parse(kPosjackNamed);
    jack["maxActuatorDispl"] = 1;
    EXPECT_EQ(sfhost::detectBlockName(jack, "p"), "Jackpos");
    EXPECT_EQ(sfhost::detectBlockName(nlohmann::json(std::vector<int>(17, 0)), "p"), "Jackpos");
    EXPECT_EQ(sfhost::detectBlockName(nlohmann::json(std::vector<int>(15, 0)), "p"), "Posjack");
    EXPECT_THROW(sfhost::detectBlockName(nlohmann::json(std::vector<int>(16, 0)), "p"), InputError);
}

TEST(ParameterFile, DialogNamesHaveTheBlocksCounts) {
    EXPECT_EQ(sfhost::dialogParameterNames("Jackpos").size(), 17u);
    EXPECT_EQ(sfhost::dialogParameterNames("Posjack").size(), 15u);
    EXPECT_EQ(sfhost::dialogParameterNames("Jackpos")[10], "maxActuatorDispl");
    EXPECT_EQ(sfhost::dialogParameterNames("Posjack")[10], "maxActuatorForce");
    EXPECT_TRUE(sfhost::dialogParameterNames("Other").empty());
}

}  // namespace
