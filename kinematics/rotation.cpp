// Table attitude: the rotation between base and table frame with its partial
// derivatives, and the conversions between Euler-angle rates and body rates.
//
// The rate conversions reuse the cosines and sines that the last
// kinSetRotation left in angleCosSin, i.e. the attitude of the last geometry
// evaluation.
#include "kinematics/kinmodel.h"

#include <cmath>

namespace {

// The trigonometric terms of one attitude, as stored in angleCosSin.
struct Attitude {
    double cr, sr, cp, sp;
};

Attitude attitudeOf(const KinModel* model)
{
    return {model->angleCosSin[0], model->angleCosSin[1], model->angleCosSin[2], model->angleCosSin[3]};
}

// The Euler-rate matrix E (body rates to roll/pitch/yaw rates), or its
// inverse, for the stored attitude. The yaw angle does not enter either.
void eulerRateMatrix(const KinModel* model, bool bodyToEuler, double (&m)[3][3])
{
    const Attitude a = attitudeOf(model);
    if (bodyToEuler) {
        const double tp = a.sp / a.cp;
        m[0][0] = 1.0; m[0][1] = a.sr * tp;   m[0][2] = a.cr * tp;
        m[1][0] = 0.0; m[1][1] = a.cr;        m[1][2] = -a.sr;
        m[2][0] = 0.0; m[2][1] = a.sr / a.cp; m[2][2] = a.cr / a.cp;
    } else {
        m[0][0] = 1.0; m[0][1] = 0.0;   m[0][2] = -a.sp;
        m[1][0] = 0.0; m[1][1] = a.cr;  m[1][2] = a.sr * a.cp;
        m[2][0] = 0.0; m[2][1] = -a.sr; m[2][2] = a.cr * a.cp;
    }
}

// out = M·v; v is read completely before out is written, so they may alias.
void applyEulerRateMatrix(const KinModel* model, bool bodyToEuler, const double v[3], double out[3])
{
    double m[3][3];
    eulerRateMatrix(model, bodyToEuler, m);
    const double v0 = v[0], v1 = v[1], v2 = v[2];
    for (int r = 0; r < 3; ++r) {
        out[r] = m[r][0] * v0 + m[r][1] * v1 + m[r][2] * v2;
    }
}

// Angular acceleration conversion: out = M·acc + correction(rates), where the
// correction is the term quadratic in the Euler rates, computed in rad/s² and
// returned in the user's rotational acceleration unit.
void convertAccel(const KinModel* model, bool bodyToEuler, const double acc[3], const double rates[3], double out[3])
{
    const Attitude a = attitudeOf(model);
    const double unit = model->canonicalUnits[1][1];
    const double q0 = rates[0] * unit;
    const double q1 = rates[1] * unit;
    const double q2 = rates[2] * unit;
    double c[3];
    if (bodyToEuler) {
        const double tp = a.sp / a.cp;
        c[0] = q1 * q2 / a.cp + tp * q0 * q1;
        c[1] = -a.cp * q0 * q2;
        c[2] = q0 * q1 / a.cp + tp * q1 * q2;
    } else {
        c[0] = -a.cp * q1 * q2;
        c[1] = a.cp * a.cr * q0 * q2 - a.sr * q0 * q1 - a.sp * a.sr * q1 * q2;
        c[2] = -a.cr * q0 * q1 - a.sr * a.cp * q0 * q2 - a.cr * a.sp * q1 * q2;
    }
    applyEulerRateMatrix(model, bodyToEuler, acc, out);
    for (int k = 0; k < 3; ++k) {
        out[k] += model->canonicalUnitsInv[2][1] * c[k];
    }
}

// A compact rotational vector holds one value per rotational DOF in use, in
// the order of rotDofCodes; the 3-vector is indexed by axis (roll, pitch, yaw)
// with unused axes at 0.
void expandRotational(const KinModel* model, const double* compact, double axes[3])
{
    axes[0] = axes[1] = axes[2] = 0.0;
    for (int k = 0; k < model->numRotDofs; ++k) {
        axes[model->rotDofCodes[k] - 3] = compact[k];
    }
}

void compactRotational(const KinModel* model, const double axes[3], double* compact)
{
    for (int k = 0; k < model->numRotDofs; ++k) {
        compact[k] = axes[model->rotDofCodes[k] - 3];
    }
}

void dofRates(const KinModel* model, bool bodyToEuler, const double* in, double* out)
{
    double v[3];
    double result[3];
    expandRotational(model, in, v);
    applyEulerRateMatrix(model, bodyToEuler, v, result);
    compactRotational(model, result, out);
}

void dofAccel(const KinModel* model, bool bodyToEuler, const double* acc, const double* rates, double* out)
{
    double a[3];
    double e[3];
    double result[3];
    expandRotational(model, acc, a);
    expandRotational(model, rates, e);
    convertAccel(model, bodyToEuler, a, e, result);
    compactRotational(model, result, out);
}

}  // namespace

void kinSetRotation(KinModel* model, const double angles[3])
{
    const double unit = model->canonicalUnits[0][1];
    const double r = angles[0] * unit;
    const double p = angles[1] * unit;
    const double y = angles[2] * unit;
    const double cr = std::cos(r), sr = std::sin(r);
    const double cp = std::cos(p), sp = std::sin(p);
    const double cy = std::cos(y), sy = std::sin(y);
    double* cs = model->angleCosSin;
    cs[0] = cr; cs[1] = sr; cs[2] = cp; cs[3] = sp; cs[4] = cy; cs[5] = sy;

    // (Rz(y)·Ry(p)·Rx(r))ᵀ: base-frame vectors into the table frame.
    double (&m)[3][3] = model->rotation;
    m[0][0] = cp * cy;                m[0][1] = cp * sy;                m[0][2] = -sp;
    m[1][0] = sr * sp * cy - cr * sy; m[1][1] = sr * sp * sy + cr * cy; m[1][2] = sr * cp;
    m[2][0] = cr * sp * cy + sr * sy; m[2][1] = cr * sp * sy - sr * cy; m[2][2] = cr * cp;

    double (&dr)[3][3] = model->rotationDRoll;
    dr[0][0] = 0.0;                    dr[0][1] = 0.0;                     dr[0][2] = 0.0;
    dr[1][0] = cr * sp * cy + sr * sy; dr[1][1] = cr * sp * sy - sr * cy;  dr[1][2] = cr * cp;
    dr[2][0] = cr * sy - sr * sp * cy; dr[2][1] = -sr * sp * sy - cr * cy; dr[2][2] = -sr * cp;

    double (&dp)[3][3] = model->rotationDPitch;
    dp[0][0] = -sp * cy;      dp[0][1] = -sp * sy;      dp[0][2] = -cp;
    dp[1][0] = sr * cp * cy;  dp[1][1] = sr * cp * sy;  dp[1][2] = -sr * sp;
    dp[2][0] = cr * cp * cy;  dp[2][1] = cr * cp * sy;  dp[2][2] = -cr * sp;

    double (&dy)[3][3] = model->rotationDYaw;
    dy[0][0] = -cp * sy;                dy[0][1] = cp * cy;                 dy[0][2] = 0.0;
    dy[1][0] = -sr * sp * sy - cr * cy; dy[1][1] = sr * sp * cy - cr * sy;  dy[1][2] = 0.0;
    dy[2][0] = sr * cy - cr * sp * sy;  dy[2][1] = cr * sp * cy + sr * sy;  dy[2][2] = 0.0;
}

void kinBodyToEulerRates(const KinModel* model, const double w[3], double out[3])
{
    applyEulerRateMatrix(model, true, w, out);
}

void kinEulerToBodyRates(const KinModel* model, const double e[3], double out[3])
{
    applyEulerRateMatrix(model, false, e, out);
}

void kinBodyToEulerAccel(const KinModel* model, const double wdot[3], const double e[3], double out[3])
{
    convertAccel(model, true, wdot, e, out);
}

void kinEulerToBodyAccel(const KinModel* model, const double edot[3], const double e[3], double out[3])
{
    convertAccel(model, false, edot, e, out);
}

void kinDofEulerToBodyRates(const KinModel* model, const double* in, double* out) { dofRates(model, false, in, out); }

void kinDofBodyToEulerRates(const KinModel* model, const double* in, double* out) { dofRates(model, true, in, out); }

void kinDofBodyToEulerAccel(const KinModel* model, const double* acc, const double* rates, double* out)
{
    dofAccel(model, true, acc, rates, out);
}

void kinDofEulerToBodyAccel(const KinModel* model, const double* acc, const double* rates, double* out)
{
    dofAccel(model, false, acc, rates, out);
}
