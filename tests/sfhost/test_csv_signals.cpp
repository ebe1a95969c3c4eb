// Signal files: exact round trip of doubles, and the place of every fault.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <sstream>
#include <string>

#include "csv_signals.h"
#include "errors.h"

namespace {

using sfhost::InputError;

TEST(NumberFormat, ShortestFormsOfKnownValues) {
    EXPECT_EQ(sfhost::formatNumber(0.1), "0.1");
    EXPECT_EQ(sfhost::formatNumber(1.0), "1");
    EXPECT_EQ(sfhost::formatNumber(-0.0), "-0");
    EXPECT_EQ(sfhost::formatNumber(1e-5), "1e-05");
    EXPECT_EQ(sfhost::formatNumber(0.1 + 0.2), "0.30000000000000004");
}

TEST(NumberFormat, EveryDoubleReadsBackBitForBit) {
    const double lim = std::numeric_limits<double>::max();
    std::vector<double> values{0.0, -0.0, std::numeric_limits<double>::denorm_min(),
                               std::numeric_limits<double>::min(), lim, -lim,
                               std::numeric_limits<double>::infinity(),
                               -std::numeric_limits<double>::infinity(), std::nextafter(1.0, 2.0)};
    std::mt19937_64 rng(12345);
    for (int i = 0; i < 20000; ++i) {
        double d = std::bit_cast<double>(rng());
        if (!std::isnan(d)) values.push_back(d);
    }
    for (double v : values) {
        double back = 0.0;
        const std::string s = sfhost::formatNumber(v);
        ASSERT_TRUE(sfhost::parseNumber(s, back)) << s;
        ASSERT_EQ(std::bit_cast<std::uint64_t>(back), std::bit_cast<std::uint64_t>(v)) << s;
    }
    double nan = 0.0;
    ASSERT_TRUE(sfhost::parseNumber(sfhost::formatNumber(std::nan("")), nan));
    EXPECT_TRUE(std::isnan(nan));
}

TEST(SignalFile, TableRoundTripsThroughText) {
    sfhost::SignalTable t;
    t.columns = {"t", "u0_0", "u0_1"};
    t.values = {0.0, 1.0 / 3.0, -2e-300, 0.001, 1e300, 5e-324};
    std::ostringstream out;
    sfhost::writeSignals(out, t);
    EXPECT_EQ(out.str().substr(0, 14), "t,u0_0,u0_1\n0,");
    const auto back = sfhost::parseSignals(out.str(), "x.csv");
    EXPECT_EQ(back.columns, t.columns);
    ASSERT_EQ(back.values.size(), t.values.size());
    for (std::size_t i = 0; i < t.values.size(); ++i)
        EXPECT_EQ(std::bit_cast<std::uint64_t>(back.values[i]), std::bit_cast<std::uint64_t>(t.values[i]));
}

TEST(SignalFile, AcceptsCrLfBomSpacesPlusSignAndTrailingBlankLines) {
    const auto t = sfhost::parseSignals("\xEF\xBB\xBFt, u0_0\r\n0, +1.5\r\n0.001 ,-2\r\n\r\n\n", "x.csv");
    ASSERT_EQ(t.columns, (std::vector<std::string>{"t", "u0_0"}));
    ASSERT_EQ(t.rows(), 2u);
    EXPECT_EQ(t.at(0, 1), 1.5);
    EXPECT_EQ(t.at(1, 0), 0.001);
    EXPECT_EQ(t.at(1, 1), -2.0);
}

TEST(SignalFile, HeaderOnlyIsZeroRows) {
    EXPECT_EQ(sfhost::parseSignals("u0_0,u0_1\n", "x.csv").rows(), 0u);
}

struct BadCsvCase {
    const char* text;
    const char* place;
    const char* problem;
};

void PrintTo(const BadCsvCase& c, std::ostream* os) { *os << c.place << ": " << c.problem; }

class BadCsv : public ::testing::TestWithParam<BadCsvCase> {};

TEST_P(BadCsv, NamesLineAndColumn) {
    const BadCsvCase& c = GetParam();
    try {
        sfhost::parseSignals(c.text, "in.csv");
        FAIL() << "accepted " << c.text;
    } catch (const InputError& e) {
        EXPECT_EQ(e.file(), "in.csv");
        EXPECT_EQ(e.place(), c.place) << e.what();
        EXPECT_NE(e.problem().find(c.problem), std::string::npos) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    AllFaults, BadCsv,
    ::testing::Values(BadCsvCase{"", "line 1", "empty"},
                      BadCsvCase{"a,,b\n", "line 1, column 2", "empty column name"},
                      BadCsvCase{"a,b\n1,2\n3\n", "line 3", "has 1 cell, the header has 2"},
                      BadCsvCase{"a,b\n1,2,3\n", "line 2", "has 3 cells, the header has 2"},
                      BadCsvCase{"a,b\n1,2\n3,x4\n", "line 3, column 2", "not a number: \"x4\""},
                      BadCsvCase{"a,b\n1,\n", "line 2, column 2", "empty cell"},
                      BadCsvCase{"a,b\n1,2\n\n3,4\n", "line 3", "has 1 cell,"},
                      BadCsvCase{"a\n1e400\n", "line 2, column 1", "not a number"},
                      BadCsvCase{"a\n0x10\n", "line 2, column 1", "not a number"},
                      BadCsvCase{"a\n1.5.2\n", "line 2, column 1", "not a number"}));

TEST(SignalColumns, OptionalTimeThenExactNamesInOrder) {
    const std::vector<std::string> expected{"u0_0", "u1_0"};
    EXPECT_TRUE(sfhost::checkSignalColumns(sfhost::parseSignals("t,u0_0,u1_0\n", "x"), expected, "x"));
    EXPECT_FALSE(sfhost::checkSignalColumns(sfhost::parseSignals("u0_0,u1_0\n", "x"), expected, "x"));
    try {
        sfhost::checkSignalColumns(sfhost::parseSignals("t,u1_0,u0_0\n", "x.csv"), expected, "x.csv");
        FAIL();
    } catch (const InputError& e) {
        EXPECT_EQ(e.place(), "line 1, column 2");
    }
    try {
        sfhost::checkSignalColumns(sfhost::parseSignals("u0_0\n", "x.csv"), expected, "x.csv");
        FAIL();
    } catch (const InputError& e) {
        EXPECT_EQ(e.place(), "line 1");
        EXPECT_NE(e.problem().find("has 1 input column, expected 2"), std::string::npos) << e.what();
    }
}

}  // namespace
