// Inverse kinematics: actuator lengths, and the per-actuator vectors the
// Jacobian and the force transforms need, at a given table pose.
//
// Frames: t is the table position in the base frame and R = rotation maps
// base-frame vectors into the table frame, so a head pivot H (table frame)
// lies at t + Rᵀ·H in the base frame and a base point b is seen from the
// table at R·(b − t).
#include "kinematics/kinmodel.h"
#include "kinematics/vector_ops.h"

#include <cmath>

using kinvec::Vec3;
using kinvec::column;
using kinvec::dot;
using kinvec::mul;
using kinvec::mulT;
using kinvec::norm;
using kinvec::row;
using kinvec::setColumn;

namespace {

struct PoseFrame {
    Vec3 t;
    bool withForces;
};

// Type 0: strut from base pivot to head pivot.
double strutLength(KinModel* m, int i, const PoseFrame& f)
{
    const Vec3 h = column(m->headPivots, i);
    const Vec3 baseRel = column(m->basePivots, i) - f.t;
    setColumn(m->baseRelative, i, baseRel);
    const Vec3 dv = h - mul(m->rotation, baseRel);
    const double len = norm(dv);
    setColumn(m->transmission, i, dv / len);
    if (f.withForces) {
        setColumn(m->forceDirection, i, dv / len);
        setColumn(m->forcePoint, i, h);
    }
    return len;
}

// Type 1: slider on a fixed axis through the base pivot, rod to the head pivot.
// The length is the slider position along slideAxis; of the two slider
// positions that fit the rod the one nearer the base pivot is taken.
double sliderLength(KinModel* m, int i, const PoseFrame& f)
{
    const Vec3 h = column(m->headPivots, i);
    const Vec3 b = column(m->basePivots, i);
    const Vec3 axis = column(m->slideAxis, i);
    const Vec3 w = f.t + mulT(m->rotation, h) - b;
    setColumn(m->headRelative, i, w);
    const double s = dot(w, axis);
    double disc = s * s - (dot(w, w) - m->rodLengthSq[i]);
    if (disc <= 0.0) {
        disc = 0.0;   // out of the rod's reach: take the foot of the perpendicular
    }
    const double len = s - std::sqrt(disc);
    setColumn(m->transmission, i, mul(m->rotation, axis));
    if (f.withForces) {
        const Vec3 slider = b + len * axis;
        setColumn(m->forceDirection, i, (h - mul(m->rotation, slider - f.t)) / m->rodLength[i]);
        setColumn(m->forcePoint, i, h);
    }
    return len;
}

// Type 2: actuator on a fixed base axis pushing on a table plane. The plane
// vector A (table frame) is the plane's normal and one of its points.
double tablePlaneLength(KinModel* m, int i, const PoseFrame& f)
{
    const Vec3 a = column(m->linkPivots[0], i);
    const Vec3 b = column(m->basePivots, i);
    const Vec3 axis = column(m->baseAxis, i);
    setColumn(m->planeNormalTable, i, a);
    const Vec3 n = mulT(m->rotation, a);
    setColumn(m->planeNormalBase, i, n);
    const Vec3 planePt = f.t + n;
    setColumn(m->planePoint, i, planePt);
    const Vec3 baseRel = b - planePt;
    setColumn(m->baseRelative, i, baseRel);
    const double len = -dot(baseRel, n) / dot(n, axis);
    if (f.withForces) {
        setColumn(m->forceDirection, i, -a / norm(a));
        setColumn(m->forcePoint, i, mul(m->rotation, b + len * axis - f.t));
    }
    return len;
}

// Type 3: actuator on a table axis pushing on a fixed plane. The plane vector
// A (base frame) is the plane's normal and one of its points.
double basePlaneLength(KinModel* m, int i, const PoseFrame& f)
{
    const Vec3 axis = column(m->tableAxis, i);
    const Vec3 a = column(m->linkPivots[0], i);
    const Vec3 axisBase = mulT(m->rotation, axis);
    setColumn(m->tableAxisBase, i, axisBase);
    setColumn(m->planeNormalBase, i, a);
    const Vec3 hw = f.t + mulT(m->rotation, column(m->headPivots, i));
    const double len = -dot(hw - a, a) / dot(a, axisBase);
    setColumn(m->transmission, i, -axis);
    const Vec3 aTable = mul(m->rotation, a);
    setColumn(m->planeNormalTable, i, aTable);
    if (f.withForces) {
        setColumn(m->forceDirection, i, -aTable / norm(aTable));
        setColumn(m->forcePoint, i, mul(m->rotation, hw + len * axisBase - f.t));
    }
    return len;
}

// Type 4: linear actuator from the base pivot to a bell crank whose rod goes
// to the head pivot. In crank coordinates (e1, e2, e3) the crank turns about
// e2 by θ; the rod arm points along e3 at θ = 0 and the actuator arm lies at α
// beyond it. The rod condition B·sin θ + A·cos θ = C is solved with the half
// tangent τ = tan(θ/2), on the branch crankBranch chosen at preparation.
double crankLength(KinModel* m, int i, const PoseFrame& f)
{
    const double (&frame)[3][3] = m->crankFrame[i];
    const Vec3 e1 = row(frame, 0);
    const Vec3 e2 = row(frame, 1);
    const Vec3 e3 = row(frame, 2);
    const Vec3 centre = column(m->linkPivots[0], i);
    const double r = m->crankArm[i];
    const double rod = m->rodLength[i];

    const Vec3 hw = f.t + mulT(m->rotation, column(m->headPivots, i));
    const Vec3 q = hw - centre;
    setColumn(m->crankOffset, i, q);
    const Vec3 ql = {dot(e1, q), dot(e2, q), dot(e3, q)};
    setColumn(m->crankLocal, i, ql);

    const double ca = -2.0 * r * ql.z;
    const double cb = 2.0 * r * ql.x;
    const double cc = (rod + r) * (rod - r) - (ql.x * ql.x + ql.y * ql.y + ql.z * ql.z);
    m->crankCoefA[i] = ca;
    m->crankCoefB[i] = cb;
    m->crankCoefC[i] = cc;
    double disc = cb * cb + ca * ca - cc * cc;
    if (disc <= 0.0) {
        disc = 0.0;   // head pivot out of reach: the crank stops at its stretched position
    }
    const double root = m->crankBranch[i] * std::sqrt(disc);
    m->crankRoot[i] = root;
    const double tau = (root + cb) / (ca + cc);
    m->crankHalfTan[i] = tau;
    const double theta = 2.0 * std::atan(tau);
    const double st = std::sin(theta);
    const double ct = std::cos(theta);

    const double cAlpha = m->armAngleCos[i];
    const double sAlpha = m->armAngleSin[i];
    const Vec3 arm = {-(cAlpha * st + sAlpha * ct), 0.0, cAlpha * ct - sAlpha * st};
    setColumn(m->armDirection, i, arm);
    const Vec3 attach = centre + m->actuatorArm[i] * (arm.x * e1 + arm.z * e3);
    const Vec3 dv = attach - column(m->basePivots, i);
    const double len = norm(dv);
    const Vec3 local = {dot(e1, dv), dot(e2, dv), dot(e3, dv)};
    setColumn(m->actuatorLocal, i, local);
    const double g = (local.x * arm.z - arm.x * local.z) / len;
    setColumn(m->transmission, i, mul(m->rotation, ct * e1 + st * e3) / (g * m->armRatio[i]));
    if (f.withForces) {
        const Vec3 rodEnd = centre + r * (-st * e1 + ct * e3);
        setColumn(m->forceDirection, i, mul(m->rotation, hw - rodEnd) / rod);
        setColumn(m->forcePoint, i, column(m->headPivots, i));
    }
    return len;
}

}  // namespace

void kinActuatorGeometry(KinModel* model, const double* pose, double* lengths)
{
    double full[MAX_DOFS] = {0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
    for (int k = 0; k < model->numDofs; ++k) {
        full[model->dofCodes[k]] = pose[k];
        model->pose[k] = pose[k];
    }
    const double angles[3] = {full[3], full[4], full[5]};
    kinSetRotation(model, angles);
    const PoseFrame frame = {{full[0], full[1], full[2]}, model->numForceSensors != 0};

    for (int i = 0; i < model->numActuators; ++i) {
        double len = 0.0;
        switch (model->actuatorTypes[i]) {
        case 0: len = strutLength(model, i, frame); break;
        case 1: len = sliderLength(model, i, frame); break;
        case 2: len = tablePlaneLength(model, i, frame); break;
        case 3: len = basePlaneLength(model, i, frame); break;
        case 4: len = crankLength(model, i, frame); break;
        default: continue;   // unknown type: the caller's entry stays as it was
        }
        lengths[i] = len;
        model->actuatorLength[i] = len;
    }
}

void kinActuatorDisplacements(KinModel* model, const double* pose, double* out)
{
    kinActuatorGeometry(model, pose, out);
    for (int i = 0; i < model->numActuators; ++i) {
        out[i] -= model->referenceLength[i];
    }
}
