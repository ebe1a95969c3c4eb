// Both blocks' outputs over the stored trajectories against the outputs they
// gave when the data were made (tests/regression/data, README.md). This is
// what keeps optimisations honest: ports with a fixed operation order must
// match bit for bit, ports behind a matrix inverse to 1e-12 relative.
#include "regression_cases.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <string>

namespace {

using regression::Case;
using regression::Match;
using regression::Row;

const std::string kDataDir = REGRESSION_DATA_DIR;

// Per port, the largest magnitude over the whole stored run: the scale of the
// relative tolerance, so that values crossing zero are not held to an
// absolute 1e-12 of their own tiny size.
std::vector<double> portScales(const std::vector<Row>& rows, const std::vector<int>& widths)
{
    std::vector<double> scale(widths.size(), 0.0);
    for (const Row& row : rows) {
        std::size_t i = 0;
        for (std::size_t p = 0; p < widths.size(); ++p)
            for (int e = 0; e < widths[p]; ++e, ++i) scale[p] = std::max(scale[p], std::fabs(row[i]));
    }
    return scale;
}

void expectMatches(const std::vector<Row>& got, const std::vector<Row>& want, const std::vector<int>& widths,
                   const std::vector<Match>& match)
{
    ASSERT_EQ(got.size(), want.size());
    const std::vector<double> scale = portScales(want, widths);
    int reported = 0;
    for (std::size_t s = 0; s < got.size(); ++s) {
        ASSERT_EQ(got[s].size(), want[s].size()) << "step " << s;
        std::size_t i = 0;
        for (std::size_t p = 0; p < widths.size(); ++p) {
            for (int e = 0; e < widths[p]; ++e, ++i) {
                const double g = got[s][i];
                const double w = want[s][i];
                bool ok;
                if (match[p] == Match::Exact)
                    ok = std::bit_cast<uint64_t>(g) == std::bit_cast<uint64_t>(w) || (std::isnan(g) && std::isnan(w));
                else
                    ok = std::fabs(g - w) <= regression::kRelative * std::max(std::fabs(w), scale[p]);
                if (!ok && reported++ < 10) {
                    ADD_FAILURE() << "step " << s << ", output " << p << " element " << e << ": "
                                  << (match[p] == Match::Exact ? "bit for bit " : "to 1e-12 relative ")
                                  << "expected " << w << ", got " << g << " (difference " << g - w << ")";
                }
            }
        }
    }
}

class Regression : public ::testing::TestWithParam<Case> {};
class RoundTrip : public ::testing::TestWithParam<Case> {};

TEST_P(Regression, PosjackOutputsAsStored)
{
    const Case& c = GetParam();
    const std::vector<Row> stored = regression::readRows(regression::dataFile(kDataDir, c, "posjack"));
    expectMatches(regression::runPosjack(c), stored, regression::posjackOutputWidths(c), regression::posjackMatch(c));
}

TEST_P(Regression, JackposOutputsAsStored)
{
    const Case& c = GetParam();
    const std::vector<Row> posjack = regression::readRows(regression::dataFile(kDataDir, c, "posjack"));
    const std::vector<Row> stored = regression::readRows(regression::dataFile(kDataDir, c, "jackpos"));
    expectMatches(regression::runJackpos(c, posjack), stored, regression::jackposOutputWidths(c),
                  regression::jackposMatch(c));
}

// The stored data must be worth freezing: Jackpos, fed with what Posjack made
// of the commanded motion, gives that motion back. With update mode 1 both
// blocks work at the current pose, so the pose, the DOF velocities, the DOF
// accelerations and the DOF forces come back to within the Newton error.
// (Update mode 0 keeps the zero-pose matrices and has no exact round trip.)
TEST_P(RoundTrip, StoredJackposOutputsGiveTheCommandedMotionBack)
{
    const Case& c = GetParam();
    const std::vector<Row> stored = regression::readRows(regression::dataFile(kDataDir, c, "jackpos"));
    const auto motion = regression::motion(c);
    ASSERT_EQ(stored.size(), motion.size());
    for (const Row& row : stored)
        for (double v : row) ASSERT_TRUE(std::isfinite(v));
    for (std::size_t s = 0; s < motion.size(); ++s) {
        const double* want[4] = {motion[s].pose, motion[s].velocity, motion[s].acceleration, motion[s].force};
        const double tolerance[4] = {1e-6, 1e-5, 1e-3, 1e-3};   // mm, mm/s, mm/s², N (and degrees, N mm)
        for (int p = 0; p < 4; ++p)
            for (int k = 0; k < 6; ++k)
                EXPECT_NEAR(stored[s][static_cast<std::size_t>(6 * p + k)], want[p][k],
                            tolerance[p] * std::max(1.0, std::fabs(want[p][k])))
                    << "step " << s << ", output " << p << ", DOF " << k;
    }
}

std::vector<Case> updatingCases()
{
    std::vector<Case> list;
    for (const Case& c : regression::cases())
        if (c.setup.updateMode != 0) list.push_back(c);
    return list;
}

std::string caseName(const ::testing::TestParamInfo<Case>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(Tables, Regression, ::testing::ValuesIn(regression::cases()), caseName);
INSTANTIATE_TEST_SUITE_P(Tables, RoundTrip, ::testing::ValuesIn(updatingCases()), caseName);

}  // namespace
