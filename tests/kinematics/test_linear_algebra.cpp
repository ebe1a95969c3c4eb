// Inverse and pseudo-inverse on row-stride-24 storage.
#include <gtest/gtest.h>

#include "kinematics/kinmodel.h"

#include <cmath>
#include <utility>
#include <vector>

namespace {

constexpr int S = 24;

// A 24 x 24 block filled with a sentinel so that writes outside the used
// corner show up.
struct Block {
    std::vector<double> v = std::vector<double>(S * S, -777.0);
    double& operator()(int r, int c) { return v[S * r + c]; }
    double operator()(int r, int c) const { return v[S * r + c]; }
    double* data() { return v.data(); }
};

Block fromRows(const std::vector<std::vector<double>>& rows)
{
    Block b;
    for (size_t r = 0; r < rows.size(); ++r) {
        for (size_t c = 0; c < rows[r].size(); ++c) {
            b(static_cast<int>(r), static_cast<int>(c)) = rows[r][c];
        }
    }
    return b;
}

// (p x q) · (q x s) on the used corners.
double productEntry(const Block& a, const Block& b, int r, int c, int q)
{
    double sum = 0.0;
    for (int t = 0; t < q; ++t) {
        sum += a(r, t) * b(t, c);
    }
    return sum;
}

void expectUntouchedOutside(const Block& b, int rows, int cols)
{
    for (int r = 0; r < S; ++r) {
        for (int c = 0; c < S; ++c) {
            if (r >= rows || c >= cols) {
                ASSERT_EQ(b(r, c), -777.0) << r << "," << c;
            }
        }
    }
}

struct InverseCase {
    const char* name;
    std::vector<std::vector<double>> a;
    std::vector<std::vector<double>> inverse;   // worked out by hand
};

class Inverse : public ::testing::TestWithParam<InverseCase> {};

TEST_P(Inverse, MatchesHandComputedInverse)
{
    const InverseCase& c = GetParam();
    const int n = static_cast<int>(c.a.size());
    Block a = fromRows(c.a);
    Block out;
    Block scratch;
    kinInvertMatrix(a.data(), static_cast<unsigned>(n), out.data(), scratch.data());
    for (int r = 0; r < n; ++r) {
        for (int k = 0; k < n; ++k) {
            EXPECT_NEAR(out(r, k), c.inverse[r][k], 1e-15) << r << "," << k;
        }
    }
    expectUntouchedOutside(out, n, n);
    for (int r = 0; r < n; ++r) {
        for (int k = 0; k < n; ++k) {
            EXPECT_EQ(a(r, k), c.a[r][k]);   // input read only
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Inverse,
    ::testing::Values(InverseCase{"order1", {{4.0}}, {{0.25}}},
                      InverseCase{"zeroLeading", {{0, 1}, {1, 0}}, {{0, 1}, {1, 0}}},
                      InverseCase{"zeroLeading3", {{0, 2, 0}, {0, 0, 4}, {8, 0, 0}}, {{0, 0, 0.125}, {0.5, 0, 0}, {0, 0.25, 0}}},
                      InverseCase{"general", {{2, 1}, {1, 1}}, {{1, -1}, {-1, 2}}},
                      InverseCase{"upperTriangular", {{1, 2, 3}, {0, 1, 4}, {0, 0, 1}}, {{1, -2, 5}, {0, 1, -4}, {0, 0, 1}}}),
    [](const auto& info) { return std::string(info.param.name); });

// [[1, 0], [-1, 1]]: both rows have pivot magnitude 1. Keeping row 0 leaves
// the eliminated scratch matrix as [[1, 0], [-1 (multiplier), 1]]; an
// exchange would have put (-1, 1) on top.
TEST(Inverse, TieInPivotKeepsTheEarlierRow)
{
    Block a = fromRows({{1, 0}, {-1, 1}});
    Block out;
    Block scratch;
    kinInvertMatrix(a.data(), 2, out.data(), scratch.data());
    EXPECT_EQ(scratch(0, 0), 1.0);
    EXPECT_EQ(scratch(0, 1), 0.0);
    EXPECT_EQ(scratch(1, 0), -1.0);
    EXPECT_EQ(scratch(1, 1), 1.0);
    EXPECT_EQ(out(0, 0), 1.0);
    EXPECT_EQ(out(0, 1), 0.0);
    EXPECT_EQ(out(1, 0), 1.0);
    EXPECT_EQ(out(1, 1), 1.0);
}

TEST(Inverse, StrictlyLargerLaterRowBecomesThePivot)
{
    Block a = fromRows({{1, 2}, {-3, 1}});
    Block out;
    Block scratch;
    kinInvertMatrix(a.data(), 2, out.data(), scratch.data());
    // row 1 (|-3| > |1|) moves up: the eliminated matrix is [[-3, 1], [m, 2 + 1/3]]
    EXPECT_EQ(scratch(0, 0), -3.0);
    EXPECT_EQ(scratch(0, 1), 1.0);
    // inverse of [[1, 2], [-3, 1]] is [[1, -2], [3, 1]] / 7
    EXPECT_NEAR(out(0, 0), 1.0 / 7, 1e-15);
    EXPECT_NEAR(out(0, 1), -2.0 / 7, 1e-15);
    EXPECT_NEAR(out(1, 0), 3.0 / 7, 1e-15);
    EXPECT_NEAR(out(1, 1), 1.0 / 7, 1e-15);
}

Block sample(int n)
{
    Block a;
    for (int r = 0; r < n; ++r) {
        for (int c = 0; c < n; ++c) {
            a(r, c) = std::sin(1.0 + 3.0 * r + 7.0 * c) + (r == c ? 3.0 : 0.0);
        }
    }
    return a;
}

TEST(Inverse, InPlaceEqualsSeparateStorageBitForBit)
{
    for (int n : {2, 5, 24}) {
        Block a = sample(n);
        Block separate;
        Block scratch;
        kinInvertMatrix(a.data(), static_cast<unsigned>(n), separate.data(), scratch.data());
        Block inPlace = a;
        kinInvertMatrix(inPlace.data(), static_cast<unsigned>(n), inPlace.data(), scratch.data());
        for (int r = 0; r < n; ++r) {
            for (int c = 0; c < n; ++c) {
                ASSERT_EQ(inPlace(r, c), separate(r, c)) << n << ": " << r << "," << c;
                EXPECT_NEAR(productEntry(a, separate, r, c, n), r == c ? 1.0 : 0.0, 1e-12);
            }
        }
    }
}

TEST(Inverse, SingularMatrixGivesNonFiniteValues)
{
    Block a = fromRows({{1, 2}, {2, 4}});
    Block out;
    Block scratch;
    kinInvertMatrix(a.data(), 2, out.data(), scratch.data());
    bool nonFinite = false;
    for (int r = 0; r < 2; ++r) {
        for (int c = 0; c < 2; ++c) {
            nonFinite = nonFinite || !std::isfinite(out(r, c));
        }
    }
    EXPECT_TRUE(nonFinite);
}

struct Scratch {
    Block gram, weighted, work;
};

TEST(PseudoInverse, SquareIsTheInverseAndIgnoresWeights)
{
    Block a = sample(4);
    Block plain;
    Block weightedOut;
    Block inv;
    Scratch s;
    const double weights[4] = {2.0, 0.5, 3.0, 7.0};
    kinPseudoInverse(a.data(), 4, 4, plain.data(), nullptr, s.gram.data(), s.weighted.data(), s.work.data());
    kinPseudoInverse(a.data(), 4, 4, weightedOut.data(), weights, s.gram.data(), s.weighted.data(), s.work.data());
    kinInvertMatrix(a.data(), 4, inv.data(), s.work.data());
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            EXPECT_EQ(plain(r, c), inv(r, c));
            EXPECT_EQ(weightedOut(r, c), inv(r, c));
        }
    }
    expectUntouchedOutside(s.weighted, 0, 0);
}

TEST(PseudoInverse, WideMatrixGivesMinimumNormRightInverse)
{
    Block a = fromRows({{1, 2, 0}, {0, 1, 1}});
    Block out;
    Block ones;
    Block tilted;
    Scratch s;
    kinPseudoInverse(a.data(), 2, 3, out.data(), nullptr, s.gram.data(), s.weighted.data(), s.work.data());
    expectUntouchedOutside(out, 3, 2);
    expectUntouchedOutside(s.weighted, 0, 0);
    // A·Aᵀ = [[5, 2], [2, 2]], inverse [[2, -2], [-2, 5]] / 6; Aᵀ times it:
    const double expected[3][2] = {{2.0 / 6, -2.0 / 6}, {2.0 / 6, 1.0 / 6}, {-2.0 / 6, 5.0 / 6}};
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 2; ++c) {
            EXPECT_NEAR(out(r, c), expected[r][c], 1e-15);
        }
    }
    for (int r = 0; r < 2; ++r) {
        for (int c = 0; c < 2; ++c) {
            EXPECT_NEAR(productEntry(a, out, r, c, 3), r == c ? 1.0 : 0.0, 1e-15);
        }
    }
    const double unit[3] = {1.0, 1.0, 1.0};
    kinPseudoInverse(a.data(), 2, 3, ones.data(), unit, s.gram.data(), s.weighted.data(), s.work.data());
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 2; ++c) {
            EXPECT_NEAR(ones(r, c), out(r, c), 1e-15);
        }
    }
    // Weights still give a right inverse, but a different one: W·Aᵀ·(A·W·Aᵀ)⁻¹.
    const double w[3] = {1.0, 4.0, 0.25};
    kinPseudoInverse(a.data(), 2, 3, tilted.data(), w, s.gram.data(), s.weighted.data(), s.work.data());
    // A·W·Aᵀ = [[17, 8], [8, 4.25]], det 8.25
    const double det = 17 * 4.25 - 64;
    const double gi[2][2] = {{4.25 / det, -8 / det}, {-8 / det, 17 / det}};
    const double wat[3][2] = {{1, 0}, {8, 4}, {0, 0.25}};
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 2; ++c) {
            const double e = wat[r][0] * gi[0][c] + wat[r][1] * gi[1][c];
            EXPECT_NEAR(tilted(r, c), e, 1e-14) << r << "," << c;
        }
    }
}

TEST(PseudoInverse, TallMatrixGivesLeastSquaresLeftInverse)
{
    Block a = fromRows({{1, 0}, {1, 1}, {1, 2}});
    Block out;
    Block tilted;
    Scratch s;
    kinPseudoInverse(a.data(), 3, 2, out.data(), nullptr, s.gram.data(), s.weighted.data(), s.work.data());
    expectUntouchedOutside(out, 2, 3);
    for (int r = 0; r < 2; ++r) {
        for (int c = 0; c < 2; ++c) {
            EXPECT_NEAR(productEntry(out, a, r, c, 3), r == c ? 1.0 : 0.0, 1e-15);
        }
    }
    // The straight-line fit through (0, 1), (1, 2), (2, 4): intercept 5/6, slope 3/2.
    const double y[3] = {1.0, 2.0, 4.0};
    double fit[2] = {0.0, 0.0};
    for (int r = 0; r < 2; ++r) {
        for (int k = 0; k < 3; ++k) {
            fit[r] += out(r, k) * y[k];
        }
    }
    EXPECT_NEAR(fit[0], 5.0 / 6, 1e-15);
    EXPECT_NEAR(fit[1], 1.5, 1e-15);
    // Weighted fit with weights (1, 1, 0): the line through the first two points.
    const double w[3] = {1.0, 1.0, 0.0};
    kinPseudoInverse(a.data(), 3, 2, tilted.data(), w, s.gram.data(), s.weighted.data(), s.work.data());
    double wfit[2] = {0.0, 0.0};
    for (int r = 0; r < 2; ++r) {
        for (int k = 0; k < 3; ++k) {
            wfit[r] += tilted(r, k) * y[k];
        }
    }
    EXPECT_NEAR(wfit[0], 1.0, 1e-15);
    EXPECT_NEAR(wfit[1], 1.0, 1e-15);
}

TEST(PseudoInverse, RankDeficientGivesNonFiniteValues)
{
    Block a = fromRows({{1, 2}, {2, 4}, {3, 6}});
    Block out;
    Scratch s;
    kinPseudoInverse(a.data(), 3, 2, out.data(), nullptr, s.gram.data(), s.weighted.data(), s.work.data());
    bool nonFinite = false;
    for (int r = 0; r < 2; ++r) {
        for (int c = 0; c < 3; ++c) {
            nonFinite = nonFinite || !std::isfinite(out(r, c));
        }
    }
    EXPECT_TRUE(nonFinite);
}

// ---- Bit-for-bit agreement with the documented operation order ----
//
// A literal, unoptimised transcription of the elimination and of the three
// pseudo-inverse forms: every element accumulates in index order from 0.0.
// Results that feed the forward iteration must not change in the last bit
// when the routines are reworked.

void referenceInverse(const Block& a, int n, Block& inv)
{
    Block w = a;
    for (int r = 0; r < n; ++r) {
        for (int c = 0; c < n; ++c) {
            inv(r, c) = 0.0;
        }
        inv(r, r) = 1.0;
    }
    for (int i = 0; i + 1 < n; ++i) {
        int best = i;
        for (int r = i + 1; r < n; ++r) {
            if (std::fabs(w(r, i)) > std::fabs(w(best, i))) {
                best = r;
            }
        }
        for (int c = 0; c < n; ++c) {
            std::swap(w(i, c), w(best, c));
            std::swap(inv(i, c), inv(best, c));
        }
        const double p = 1.0 / w(i, i);
        for (int r = i + 1; r < n; ++r) {
            const double f = w(r, i) * p;
            w(r, i) = f;
            for (int t = i + 1; t < n; ++t) {
                w(r, t) -= w(i, t) * f;
            }
            for (int u = 0; u < n; ++u) {
                inv(r, u) -= inv(i, u) * f;
            }
        }
    }
    for (int j = 0; j < n; ++j) {
        for (int row = n - 1; row >= 0; --row) {
            double v = inv(row, j);
            for (int k = row + 1; k < n; ++k) {
                v -= w(row, k) * inv(k, j);
            }
            inv(row, j) = v / w(row, row);
        }
    }
}

void referencePseudoInverse(const Block& a, int m, int n, const double* wts, Block& out)
{
    Block gram;
    Block wt;   // W·Aᵀ or Aᵀ·W (n x m), or Aᵀ without weights
    for (int j = 0; j < n; ++j) {
        for (int k = 0; k < m; ++k) {
            wt(j, k) = wts == nullptr ? a(k, j) : (m < n ? a(k, j) * wts[j] : wts[k] * a(k, j));
        }
    }
    const int size = m < n ? m : n;
    for (int i = 0; i < size; ++i) {
        for (int k = i; k < size; ++k) {
            double g = 0.0;
            if (m < n) {
                for (int t = 0; t < n; ++t) {
                    g += a(i, t) * wt(t, k);
                }
            } else {
                for (int t = 0; t < m; ++t) {
                    g += wt(i, t) * a(t, k);
                }
            }
            gram(i, k) = g;
            gram(k, i) = g;
        }
    }
    Block gi;
    referenceInverse(gram, size, gi);
    for (int j = 0; j < n; ++j) {
        for (int k = 0; k < m; ++k) {
            double o = 0.0;
            if (m < n) {
                for (int t = 0; t < m; ++t) {
                    o += wt(j, t) * gi(t, k);
                }
            } else {
                for (int t = 0; t < n; ++t) {
                    o += gi(j, t) * wt(t, k);
                }
            }
            out(j, k) = o;
        }
    }
}

Block rectangular(int m, int n)
{
    Block a;
    for (int r = 0; r < m; ++r) {
        for (int c = 0; c < n; ++c) {
            a(r, c) = std::sin(0.3 + 1.7 * r + 2.9 * c) + (r == c ? 1.5 : 0.0);
        }
    }
    return a;
}

TEST(BitExact, InverseFollowsTheDocumentedOrder)
{
    for (int n : {1, 2, 3, 6, 7, 24}) {
        Block a = sample(n);
        Block got;
        Block scratch;
        Block expected;
        kinInvertMatrix(a.data(), static_cast<unsigned>(n), got.data(), scratch.data());
        referenceInverse(a, n, expected);
        for (int r = 0; r < n; ++r) {
            for (int c = 0; c < n; ++c) {
                ASSERT_EQ(got(r, c), expected(r, c)) << n << ": " << r << "," << c;
            }
        }
    }
}

TEST(BitExact, PseudoInverseFollowsTheDocumentedOrder)
{
    const int shapes[][2] = {{24, 6}, {6, 24}, {9, 3}, {3, 9}, {12, 8}, {8, 12}, {5, 1}, {1, 5}};
    double weights[24];
    for (int i = 0; i < 24; ++i) {
        weights[i] = 0.5 + 0.1 * i;
    }
    for (const auto& shape : shapes) {
        const int m = shape[0];
        const int n = shape[1];
        Block a = rectangular(m, n);
        for (const double* w : {static_cast<const double*>(nullptr), static_cast<const double*>(weights)}) {
            Block got;
            Block expected;
            Scratch s;
            kinPseudoInverse(a.data(), static_cast<unsigned>(m), static_cast<unsigned>(n), got.data(), w,
                             s.gram.data(), s.weighted.data(), s.work.data());
            referencePseudoInverse(a, m, n, w, expected);
            for (int r = 0; r < n; ++r) {
                for (int c = 0; c < m; ++c) {
                    ASSERT_EQ(got(r, c), expected(r, c))
                        << m << "x" << n << (w ? " weighted" : "") << ": " << r << "," << c;
                }
            }
        }
    }
}

}  // namespace
