// Dense inverse and pseudo-inverse on the core's matrix storage: doubles row
// by row with a row stride of 24, an p x q matrix in the top-left corner.
//
// Sums accumulate in index order into the destination element, starting
// from 0.0, so results are reproducible to the last bit. Nothing is checked:
// a singular matrix gives infinities or NaN.
//
// Speed without changing a bit: every element is computed with exactly the
// operations and the order described above, but the loops run across
// independent elements (a whole row at a time) so that the compiler can keep
// several of them in flight and use vector instructions; the common orders
// 1..6 (a DOF count) are compiled with fixed bounds.
#include "kinematics/kinmodel.h"

#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Full unrolling of the loops bounded by a DOF count (at most 6), where the
// compiler supports the request; clang may refuse it (and says so), so it
// only gets the plain loops.
#if defined(__GNUC__) && !defined(__clang__)
#define UNROLL_SMALL _Pragma("GCC unroll 6")
#else
#define UNROLL_SMALL
#endif

namespace {

constexpr unsigned kStride = MAX_ACTUATORS;

inline double& at(double* m, unsigned r, unsigned c) { return m[kStride * r + c]; }
inline double at(const double* m, unsigned r, unsigned c) { return m[kStride * r + c]; }

// Gaussian elimination with partial pivoting on work (already holding the
// input), carried out on the identity in inverse alongside, then back
// substitution. The order is FixedN when that is not 0 (bounds known to the
// compiler, the loops unrolled), else `order`. work and inverse are distinct
// storage.
template <unsigned FixedN>
void eliminate(double* __restrict work, double* __restrict inverse, unsigned order)
{
    const unsigned n = FixedN != 0 ? FixedN : order;
UNROLL_SMALL
    for (unsigned r = 0; r < n; ++r) {
UNROLL_SMALL
        for (unsigned c = 0; c < n; ++c) {
            at(inverse, r, c) = 0.0;
        }
        at(inverse, r, r) = 1.0;
    }

UNROLL_SMALL
    for (unsigned i = 0; i + 1 < n; ++i) {
        // Partial pivoting; on equal magnitudes the earlier row stays.
        unsigned best = i;
UNROLL_SMALL
        for (unsigned r = i + 1; r < n; ++r) {
            if (std::fabs(at(work, r, i)) > std::fabs(at(work, best, i))) {
                best = r;
            }
        }
        if (best != i) {
UNROLL_SMALL
            for (unsigned c = 0; c < n; ++c) {
                const double t = at(work, i, c);
                at(work, i, c) = at(work, best, c);
                at(work, best, c) = t;
            }
UNROLL_SMALL
            for (unsigned c = 0; c < n; ++c) {
                const double t = at(inverse, i, c);
                at(inverse, i, c) = at(inverse, best, c);
                at(inverse, best, c) = t;
            }
        }
        const double p = 1.0 / at(work, i, i);
UNROLL_SMALL
        for (unsigned r = i + 1; r < n; ++r) {
            const double f = at(work, r, i) * p;
            at(work, r, i) = f;
UNROLL_SMALL
            for (unsigned t = i + 1; t < n; ++t) {
                at(work, r, t) -= at(work, i, t) * f;
            }
UNROLL_SMALL
            for (unsigned u = 0; u < n; ++u) {
                at(inverse, r, u) -= at(inverse, i, u) * f;
            }
        }
    }

    // Back substitution, bottom row first. Each element of inverse row `row`
    // starts from its value, loses work[row][k]·inverse[k][j] for k = row+1..
    // in increasing k, and is divided by the diagonal element; the columns
    // are independent, so a whole row is done at once.
UNROLL_SMALL
    for (unsigned q = 0; q < n; ++q) {
        const unsigned row = n - 1 - q;
        double* __restrict target = &at(inverse, row, 0);
UNROLL_SMALL
        for (unsigned k = row + 1; k < n; ++k) {
            const double w = at(work, row, k);
            const double* source = &at(inverse, k, 0);
UNROLL_SMALL
            for (unsigned j = 0; j < n; ++j) {
                target[j] -= w * source[j];
            }
        }
        const double diagonal = at(work, row, row);
UNROLL_SMALL
        for (unsigned j = 0; j < n; ++j) {
            target[j] = target[j] / diagonal;
        }
    }
}

// dst[k] += s·src[k] for k < count: independent elements, each one product
// and one sum. Two at a time in SSE2 registers where there are some: the
// packed multiply and add round each element exactly as the scalar ones.
inline void addScaled(double* __restrict dst, double s, const double* __restrict src, unsigned count)
{
    unsigned k = 0;
#if defined(__SSE2__)
    const __m128d scale = _mm_set1_pd(s);
    for (; k + 2 <= count; k += 2) {
        _mm_storeu_pd(dst + k, _mm_add_pd(_mm_loadu_pd(dst + k), _mm_mul_pd(scale, _mm_loadu_pd(src + k))));
    }
#endif
    for (; k < count; ++k) {
        dst[k] += s * src[k];
    }
}

// gram[i][k] = Σ_t left[i][t]·right[t][k] for k ≥ i, summed in increasing t
// from 0.0, and mirrored so the Gram matrix is exactly symmetric (size x
// size, size = Size when that is not 0). With a fixed size the sums of the
// whole upper triangle run side by side in registers; otherwise those of one
// row, side by side over k.
template <unsigned Size>
void symmetricProduct(double* __restrict gram, unsigned size, unsigned len, const double* left,
                      const double* right)
{
    if constexpr (Size != 0) {
        (void)size;
        double acc[Size][Size];
UNROLL_SMALL
        for (unsigned i = 0; i < Size; ++i) {
UNROLL_SMALL
            for (unsigned k = i; k < Size; ++k) {
                acc[i][k] = 0.0;
            }
        }
        for (unsigned t = 0; t < len; ++t) {
            const double* r = right + kStride * t;
UNROLL_SMALL
            for (unsigned i = 0; i < Size; ++i) {
                const double l = left[kStride * i + t];
UNROLL_SMALL
                for (unsigned k = i; k < Size; ++k) {
                    acc[i][k] += l * r[k];
                }
            }
        }
UNROLL_SMALL
        for (unsigned i = 0; i < Size; ++i) {
UNROLL_SMALL
            for (unsigned k = i; k < Size; ++k) {
                at(gram, i, k) = acc[i][k];
                at(gram, k, i) = acc[i][k];
            }
        }
    } else {
        for (unsigned i = 0; i < size; ++i) {
            double* __restrict g = &at(gram, i, 0);
            for (unsigned k = i; k < size; ++k) {
                g[k] = 0.0;
            }
            const double* l = &left[kStride * i];
            for (unsigned t = 0; t < len; ++t) {
                addScaled(g + i, l[t], right + kStride * t + i, size - i);
            }
            for (unsigned k = i + 1; k < size; ++k) {
                at(gram, k, i) = g[k];
            }
        }
    }
}

// out[j][k] = Σ_{t<len} left[j][t]·right[t][k], j < rows, k < cols, summed in
// increasing t from 0.0 (len = Len and cols = Cols when those are not 0).
// With a fixed length each pair of output elements is summed in a register;
// otherwise the sums of one output row run side by side over k.
template <unsigned Len, unsigned Cols>
void product(double* __restrict out, unsigned rows, unsigned cols, unsigned len, const double* left,
             const double* right)
{
    const unsigned nc = Cols != 0 ? Cols : cols;
    if constexpr (Len != 0) {
        (void)len;
        for (unsigned j = 0; j < rows; ++j) {
            double* __restrict o = &at(out, j, 0);
            double l[Len];
UNROLL_SMALL
            for (unsigned t = 0; t < Len; ++t) {
                l[t] = at(left, j, t);
            }
            unsigned k = 0;
#if defined(__SSE2__)
            for (; k + 2 <= nc; k += 2) {
                __m128d sum = _mm_setzero_pd();
UNROLL_SMALL
                for (unsigned t = 0; t < Len; ++t) {
                    sum = _mm_add_pd(sum, _mm_mul_pd(_mm_set1_pd(l[t]), _mm_loadu_pd(right + kStride * t + k)));
                }
                _mm_storeu_pd(o + k, sum);
            }
#endif
            for (; k < nc; ++k) {
                double sum = 0.0;
UNROLL_SMALL
                for (unsigned t = 0; t < Len; ++t) {
                    sum += l[t] * at(right, t, k);
                }
                o[k] = sum;
            }
        }
    } else {
        for (unsigned j = 0; j < rows; ++j) {
            double* __restrict o = &at(out, j, 0);
            for (unsigned k = 0; k < nc; ++k) {
                o[k] = 0.0;
            }
            const double* l = &left[kStride * j];
            for (unsigned t = 0; t < len; ++t) {
                addScaled(o, l[t], right + kStride * t, nc);
            }
        }
    }
}

// A transposed copy (rows x cols of `a` into cols x rows of `t`), so that
// products can read what was a column as a contiguous row.
void transpose(const double* __restrict a, unsigned rows, unsigned cols, double* __restrict t)
{
    for (unsigned r = 0; r < rows; ++r) {
        for (unsigned c = 0; c < cols; ++c) {
            at(t, c, r) = at(a, r, c);
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
    switch (n) {
    case 1: eliminate<1>(work, out, n); break;
    case 2: eliminate<2>(work, out, n); break;
    case 3: eliminate<3>(work, out, n); break;
    case 4: eliminate<4>(work, out, n); break;
    case 5: eliminate<5>(work, out, n); break;
    case 6: eliminate<6>(work, out, n); break;
    default: eliminate<0>(work, out, n); break;
    }
}

namespace {

// The two rectangular forms, with the smaller dimension (the Gram matrix's
// order) fixed at compile time when Small is not 0.
template <unsigned Small>
void rectangularInverse(const double* a, unsigned m, unsigned n, double* out, const double* weights, double* gram,
                        double* weighted, double* work)
{
    double transposed[MAX_ACTUATORS * MAX_ACTUATORS];
    if (m < n) {
        // Minimum-norm right inverse W·Aᵀ·(A·W·Aᵀ)⁻¹, one weight per column.
        // wt is W·Aᵀ (n x m) in weighted, or without weights Aᵀ in local
        // storage (weighted is left alone then): the same factors as reading
        // A by columns.
        if (weights == nullptr) {
            transpose(a, m, n, transposed);
        } else {
            for (unsigned j = 0; j < n; ++j) {
                for (unsigned k = 0; k < m; ++k) {
                    at(weighted, j, k) = at(a, k, j) * weights[j];
                }
            }
        }
        const double* wt = weights == nullptr ? transposed : weighted;
        symmetricProduct<Small>(gram, m, n, a, wt);
        kinInvertMatrix(gram, m, gram, work);
        product<Small, Small>(out, n, m, m, wt, gram);
        return;
    }
    // Least-squares left inverse (Aᵀ·W·A)⁻¹·Aᵀ·W, one weight per row.
    // wt is Aᵀ·W (n x m) in weighted, or Aᵀ in local storage.
    if (weights == nullptr) {
        transpose(a, m, n, transposed);
    } else {
        for (unsigned j = 0; j < n; ++j) {
            for (unsigned t = 0; t < m; ++t) {
                at(weighted, j, t) = weights[t] * at(a, t, j);
            }
        }
    }
    const double* wt = weights == nullptr ? transposed : weighted;
    symmetricProduct<Small>(gram, n, m, wt, a);
    kinInvertMatrix(gram, n, gram, work);
    product<Small, 0>(out, n, m, n, gram, wt);
}

}  // namespace

void kinPseudoInverse(const double* a, unsigned m, unsigned n, double* out, const double* weights, double* gram,
                      double* weighted, double* work)
{
    if (m == n) {
        kinInvertMatrix(a, n, out, work);
        return;
    }
    // One of the two sizes is a DOF count (1..6) wherever the core calls this.
    switch (m < n ? m : n) {
    case 1: rectangularInverse<1>(a, m, n, out, weights, gram, weighted, work); break;
    case 2: rectangularInverse<2>(a, m, n, out, weights, gram, weighted, work); break;
    case 3: rectangularInverse<3>(a, m, n, out, weights, gram, weighted, work); break;
    case 4: rectangularInverse<4>(a, m, n, out, weights, gram, weighted, work); break;
    case 5: rectangularInverse<5>(a, m, n, out, weights, gram, weighted, work); break;
    case 6: rectangularInverse<6>(a, m, n, out, weights, gram, weighted, work); break;
    default: rectangularInverse<0>(a, m, n, out, weights, gram, weighted, work); break;
    }
}
