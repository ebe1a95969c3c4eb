// Dense inverse and pseudo-inverse on the core's matrix storage: doubles row
// by row with a row stride of 24, an p x q matrix in the top-left corner.
//
// Sums accumulate in index order into the destination element, starting
// from 0.0, so results are reproducible to the last bit. Nothing is checked:
// a singular matrix gives infinities or NaN.
#include "kinematics/kinmodel.h"

#include <cmath>

namespace {

constexpr unsigned kStride = MAX_ACTUATORS;

inline double& at(double* m, unsigned r, unsigned c) { return m[kStride * r + c]; }
inline double at(const double* m, unsigned r, unsigned c) { return m[kStride * r + c]; }

void swapRows(double* m, unsigned a, unsigned b, unsigned n)
{
    for (unsigned c = 0; c < n; ++c) {
        const double t = at(m, a, c);
        at(m, a, c) = at(m, b, c);
        at(m, b, c) = t;
    }
}

// gram = product of the left factor (rows x len) and right factor (len x
// cols) where only the upper triangle is summed and mirrored, so the Gram
// matrix is exactly symmetric. left(i, t) and right(t, k) are accessors.
template <typename Left, typename Right>
void symmetricProduct(double* gram, unsigned size, unsigned len, Left left, Right right)
{
    for (unsigned i = 0; i < size; ++i) {
        for (unsigned k = i; k < size; ++k) {
            double& g = at(gram, i, k);
            g = 0.0;
            for (unsigned t = 0; t < len; ++t) {
                g += left(i, t) * right(t, k);
            }
            at(gram, k, i) = g;
        }
    }
}

}  // namespace

void kinInvertMatrix(const double* a, unsigned n, double* out, double* scratch)
{
    // The input is copied before the output is touched, so out may be a.
    double* work = scratch;
    for (unsigned r = 0; r < n; ++r) {
        for (unsigned c = 0; c < n; ++c) {
            at(work, r, c) = at(a, r, c);
        }
    }
    double* inverse = out;
    for (unsigned r = 0; r < n; ++r) {
        for (unsigned c = 0; c < n; ++c) {
            at(inverse, r, c) = 0.0;
        }
        at(inverse, r, r) = 1.0;
    }

    for (unsigned i = 0; i + 1 < n; ++i) {
        // Partial pivoting; on equal magnitudes the earlier row stays.
        unsigned best = i;
        for (unsigned r = i + 1; r < n; ++r) {
            if (std::fabs(at(work, r, i)) > std::fabs(at(work, best, i))) {
                best = r;
            }
        }
        if (best != i) {
            swapRows(work, i, best, n);
            swapRows(inverse, i, best, n);
        }
        const double p = 1.0 / at(work, i, i);
        for (unsigned r = i + 1; r < n; ++r) {
            const double f = at(work, r, i) * p;
            at(work, r, i) = f;
            for (unsigned t = i + 1; t < n; ++t) {
                at(work, r, t) -= at(work, i, t) * f;
            }
            for (unsigned u = 0; u < n; ++u) {
                at(inverse, r, u) -= at(inverse, i, u) * f;
            }
        }
    }

    for (unsigned j = 0; j < n; ++j) {
        for (unsigned row = n; row-- > 0;) {
            double v = at(inverse, row, j);
            for (unsigned k = row + 1; k < n; ++k) {
                v -= at(work, row, k) * at(inverse, k, j);
            }
            at(inverse, row, j) = v / at(work, row, row);
        }
    }
}

void kinPseudoInverse(const double* a, unsigned m, unsigned n, double* out, const double* weights, double* gram,
                      double* weighted, double* work)
{
    if (m == n) {
        kinInvertMatrix(a, n, out, work);
        return;
    }
    if (m < n) {
        // Minimum-norm right inverse W·Aᵀ·(A·W·Aᵀ)⁻¹, one weight per column.
        if (weights == nullptr) {
            symmetricProduct(gram, m, n, [&](unsigned i, unsigned t) { return at(a, i, t); },
                             [&](unsigned t, unsigned k) { return at(a, k, t); });
        } else {
            for (unsigned j = 0; j < n; ++j) {
                for (unsigned k = 0; k < m; ++k) {
                    at(weighted, j, k) = at(a, k, j) * weights[j];
                }
            }
            const double* wt = weighted;
            symmetricProduct(gram, m, n, [&](unsigned i, unsigned t) { return at(a, i, t); },
                             [&](unsigned t, unsigned k) { return at(wt, t, k); });
        }
        kinInvertMatrix(gram, m, gram, work);
        const double* g = gram;
        const double* wt = weighted;
        for (unsigned j = 0; j < n; ++j) {
            for (unsigned k = 0; k < m; ++k) {
                double& o = at(out, j, k);
                o = 0.0;
                for (unsigned t = 0; t < m; ++t) {
                    o += (weights == nullptr ? at(a, t, j) : at(wt, j, t)) * at(g, t, k);
                }
            }
        }
        return;
    }
    // Least-squares left inverse (Aᵀ·W·A)⁻¹·Aᵀ·W, one weight per row.
    if (weights == nullptr) {
        symmetricProduct(gram, n, m, [&](unsigned j, unsigned t) { return at(a, t, j); },
                         [&](unsigned t, unsigned k) { return at(a, t, k); });
    } else {
        for (unsigned j = 0; j < n; ++j) {
            for (unsigned t = 0; t < m; ++t) {
                at(weighted, j, t) = weights[t] * at(a, t, j);
            }
        }
        const double* wt = weighted;
        symmetricProduct(gram, n, m, [&](unsigned j, unsigned t) { return at(wt, j, t); },
                         [&](unsigned t, unsigned k) { return at(a, t, k); });
    }
    kinInvertMatrix(gram, n, gram, work);
    const double* g = gram;
    const double* wt = weighted;
    for (unsigned j = 0; j < n; ++j) {
        for (unsigned k = 0; k < m; ++k) {
            double& o = at(out, j, k);
            o = 0.0;
            for (unsigned t = 0; t < n; ++t) {
                o += at(g, j, t) * (weights == nullptr ? at(a, k, t) : at(wt, t, k));
            }
        }
    }
}
