// The position Jacobian: derivative of every actuator length by every DOF in
// use, at the pose of the last geometry evaluation.
//
// Analytic mode differentiates each type's length formula using the vectors
// the geometry left in the model; difference mode differentiates the geometry
// itself by central differences. Rotational columns are per user angle unit:
// the rotation derivatives are per radian and get the angle unit factor.
#include "kinematics/kinmodel.h"
#include "kinematics/vector_ops.h"

using kinvec::Vec3;
using kinvec::column;
using kinvec::component;
using kinvec::dot;
using kinvec::mul;
using kinvec::mulT;
using kinvec::row;

namespace {

// Derivative of the rotation by the DOF with code 3, 4 or 5.
const double (&rotationDerivative(const KinModel* m, int code))[3][3]
{
    if (code == 3) {
        return m->rotationDRoll;
    }
    return code == 4 ? m->rotationDPitch : m->rotationDYaw;
}

// g is indexed by DOF code; each function fills all six entries.

void strutGradient(const KinModel* m, int i, double (&g)[MAX_DOFS])
{
    const Vec3 trans = column(m->transmission, i);
    const Vec3 byT = mulT(m->rotation, trans);
    g[0] = byT.x;
    g[1] = byT.y;
    g[2] = byT.z;
    const Vec3 baseRel = column(m->baseRelative, i);
    g[3] = dot(trans, -mul(m->rotationDRoll, baseRel));
    g[4] = dot(trans, -mul(m->rotationDPitch, baseRel));
    g[5] = dot(trans, -mul(m->rotationDYaw, baseRel));
}

void sliderGradient(const KinModel* m, int i, double (&g)[MAX_DOFS])
{
    const Vec3 axis = column(m->slideAxis, i);
    const Vec3 w = column(m->headRelative, i);
    const double len = m->actuatorLength[i];
    const Vec3 v = len * axis - w;
    const double den = len - dot(w, axis);
    g[0] = v.x / den;
    g[1] = v.y / den;
    g[2] = v.z / den;
    const Vec3 h = column(m->headPivots, i);
    for (int j = 3; j < MAX_DOFS; ++j) {
        g[j] = dot(v, mulT(rotationDerivative(m, j), h)) / den;
    }
}

void tablePlaneGradient(const KinModel* m, int i, double (&g)[MAX_DOFS])
{
    const Vec3 n = column(m->planeNormalBase, i);
    const Vec3 axis = column(m->baseAxis, i);
    const double den = dot(n, axis);
    g[0] = n.x / den;
    g[1] = n.y / den;
    g[2] = n.z / den;
    const Vec3 lever = n - column(m->basePivots, i) - m->actuatorLength[i] * axis + column(m->planePoint, i);
    const Vec3 a = column(m->planeNormalTable, i);
    for (int j = 3; j < MAX_DOFS; ++j) {
        g[j] = dot(lever, mulT(rotationDerivative(m, j), a)) / den;
    }
}

void basePlaneGradient(const KinModel* m, int i, double (&g)[MAX_DOFS])
{
    const Vec3 n = column(m->planeNormalBase, i);
    const double den = dot(column(m->tableAxisBase, i), n);
    g[0] = -n.x / den;
    g[1] = -n.y / den;
    g[2] = -n.z / den;
    const Vec3 contact = column(m->headPivots, i) + m->actuatorLength[i] * column(m->tableAxis, i);
    for (int j = 3; j < MAX_DOFS; ++j) {
        g[j] = -dot(n, mulT(rotationDerivative(m, j), contact)) / den;
    }
}

// The crank angle follows from the half tangent τ = (root + B) / (A + C) of
// the rod condition; each DOF changes A, B and C, and the actuator length
// follows the crank angle.
void crankGradient(const KinModel* m, int i, double (&g)[MAX_DOFS])
{
    const double (&frame)[3][3] = m->crankFrame[i];
    const Vec3 e1 = row(frame, 0);
    const Vec3 e2 = row(frame, 1);
    const Vec3 e3 = row(frame, 2);
    const double r = m->crankArm[i];
    const double ca = m->crankCoefA[i];
    const double cb = m->crankCoefB[i];
    const double cc = m->crankCoefC[i];
    const double root = m->crankRoot[i];
    const double tau = m->crankHalfTan[i];
    const Vec3 q = column(m->crankOffset, i);
    const Vec3 ql = column(m->crankLocal, i);
    const Vec3 arm = column(m->armDirection, i);
    const Vec3 local = column(m->actuatorLocal, i);
    const double dLdTheta = m->actuatorArm[i] * (local.z * arm.x - local.x * arm.z) / m->actuatorLength[i];
    const Vec3 h = column(m->headPivots, i);

    for (int j = 0; j < MAX_DOFS; ++j) {
        double dA;
        double dB;
        double dC;
        if (j < 3) {
            dA = -2.0 * r * component(e3, j);
            dB = 2.0 * r * component(e1, j);
            dC = -2.0 * component(q, j);
        } else {
            const Vec3 w = mulT(rotationDerivative(m, j), h);
            const double w1 = dot(e1, w);
            const double w2 = dot(e2, w);
            const double w3 = dot(e3, w);
            dA = -2.0 * r * w3;
            dB = 2.0 * r * w1;
            dC = -2.0 * (ql.x * w1 + ql.y * w2 + ql.z * w3);
        }
        const double dTau = ((cb * dB + ca * dA - cc * dC) / root + dB - tau * (dA + dC)) / (ca + cc);
        const double dTheta = 2.0 * dTau / (1.0 + tau * tau);
        g[j] = dLdTheta * dTheta;
    }
}

void analyticJacobian(KinModel* m)
{
    const double angleUnit = m->canonicalUnits[0][1];
    for (int i = 0; i < m->numActuators; ++i) {
        double g[MAX_DOFS] = {0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
        switch (m->actuatorTypes[i]) {
        case 0: strutGradient(m, i, g); break;
        case 1: sliderGradient(m, i, g); break;
        case 2: tablePlaneGradient(m, i, g); break;
        case 3: basePlaneGradient(m, i, g); break;
        case 4: crankGradient(m, i, g); break;
        default: break;   // unknown type: a zero row
        }
        for (int j = 3; j < MAX_DOFS; ++j) {
            g[j] *= angleUnit;
        }
        for (int k = 0; k < m->numDofs; ++k) {
            m->jacobian[i][k] = g[m->dofCodes[k]];
        }
    }
}

// Central differences of the geometry, step h per DOF. The model is left
// describing the starting pose again.
void differenceJacobian(KinModel* m)
{
    double x[MAX_DOFS];
    // The geometry skips actuators of unknown type; starting both length sets
    // at zero gives those a zero row, as in analytic mode.
    double plus[MAX_ACTUATORS] = {};
    double minus[MAX_ACTUATORS] = {};
    const int d = m->numDofs;
    for (int k = 0; k < d; ++k) {
        x[k] = m->pose[k];
    }
    for (int k = 0; k < d; ++k) {
        const double h = m->dofCodes[k] <= 2 ? m->positionStep : m->angleStep;
        x[k] = x[k] + h / 2.0;
        kinActuatorGeometry(m, x, plus);
        x[k] = x[k] - h;
        kinActuatorGeometry(m, x, minus);
        x[k] = x[k] + h / 2.0;
        for (int i = 0; i < m->numActuators; ++i) {
            m->jacobian[i][k] = (plus[i] - minus[i]) / h;
        }
    }
    kinActuatorGeometry(m, x, plus);
}

}  // namespace

void kinJacobian(KinModel* model)
{
    if (model->modeFlags[0] == 0) {
        analyticJacobian(model);
    } else {
        differenceJacobian(model);
    }
}
