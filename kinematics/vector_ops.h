// Small fixed-size vector helpers shared by the kinematics sources.
//
// Every sum runs in component order (x, then y, then z) so that results do not
// depend on which helper a source happens to use. Point sets are stored
// component-major (set[c][i]); column() and setColumn() move one item of a set
// in and out of a Vec3.
#pragma once

#include "kinematics/kinmodel.h"

#include <cmath>

namespace kinvec {

struct Vec3 {
    double x;
    double y;
    double z;
};

inline Vec3 operator+(const Vec3& a, const Vec3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator-(const Vec3& a) { return {-a.x, -a.y, -a.z}; }
inline Vec3 operator*(double s, const Vec3& a) { return {s * a.x, s * a.y, s * a.z}; }
inline Vec3 operator/(const Vec3& a, double s) { return {a.x / s, a.y / s, a.z / s}; }

inline double dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 cross(const Vec3& a, const Vec3& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double norm(const Vec3& a) { return std::sqrt(dot(a, a)); }

inline double component(const Vec3& a, int c) { return c == 0 ? a.x : (c == 1 ? a.y : a.z); }

// M·v for a row-by-row 3x3 matrix.
inline Vec3 mul(const double (&m)[3][3], const Vec3& v)
{
    return {m[0][0] * v.x + m[0][1] * v.y + m[0][2] * v.z,
            m[1][0] * v.x + m[1][1] * v.y + m[1][2] * v.z,
            m[2][0] * v.x + m[2][1] * v.y + m[2][2] * v.z};
}

// Mᵀ·v.
inline Vec3 mulT(const double (&m)[3][3], const Vec3& v)
{
    return {m[0][0] * v.x + m[1][0] * v.y + m[2][0] * v.z,
            m[0][1] * v.x + m[1][1] * v.y + m[2][1] * v.z,
            m[0][2] * v.x + m[1][2] * v.y + m[2][2] * v.z};
}

inline Vec3 column(const double (&set)[3][MAX_ACTUATORS], int i) { return {set[0][i], set[1][i], set[2][i]}; }

inline void setColumn(double (&set)[3][MAX_ACTUATORS], int i, const Vec3& v)
{
    set[0][i] = v.x;
    set[1][i] = v.y;
    set[2][i] = v.z;
}

inline Vec3 row(const double (&m)[3][3], int r) { return {m[r][0], m[r][1], m[r][2]}; }

inline void setRow(double (&m)[3][3], int r, const Vec3& v)
{
    m[r][0] = v.x;
    m[r][1] = v.y;
    m[r][2] = v.z;
}

}  // namespace kinvec
