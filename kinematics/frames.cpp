// The first steps of preparation: bringing the dialog point sets into the
// kinematic frame, and the constants each actuator type derives from its
// points at the zero pose.
#include "kinematics/kinmodel.h"
#include "kinematics/vector_ops.h"

#include <cmath>

using kinvec::Vec3;
using kinvec::column;
using kinvec::cross;
using kinvec::dot;
using kinvec::mul;
using kinvec::norm;
using kinvec::setColumn;
using kinvec::setRow;

namespace {

void translateItems(double (&set)[3][MAX_ACTUATORS], int count, const Vec3& offset)
{
    for (int i = 0; i < count; ++i) {
        setColumn(set, i, column(set, i) - offset);
    }
}

void rotateItems(double (&set)[3][MAX_ACTUATORS], int count, const double (&r)[3][3])
{
    for (int i = 0; i < count; ++i) {
        setColumn(set, i, mul(r, column(set, i)));
    }
}

bool isPlaneContact(int32_t type) { return type == 2 || type == 3; }

// Bell crank with centre A (page 0), actuator attachment A1 (page 1) and rod
// attachment A2 (page 2). The crank frame has e3 along the rod arm and e2
// along the turning axis, so that the actuator arm lies at the angle α from e3
// towards −e1: dir1 = −sin α·e1 + cos α·e3.
void prepareCrank(KinModel* m, int i)
{
    const Vec3 h = column(m->headPivots, i);
    const Vec3 centre = column(m->linkPivots[0], i);
    const Vec3 rodEnd = column(m->linkPivots[2], i);
    const Vec3 rodVec = h - rodEnd;
    m->rodLengthSq[i] = dot(rodVec, rodVec);
    m->rodLength[i] = norm(rodVec);

    const Vec3 arm1 = column(m->linkPivots[1], i) - centre;
    const Vec3 arm2 = rodEnd - centre;
    const double len1 = norm(arm1);
    const double len2 = norm(arm2);
    m->actuatorArm[i] = len1;
    m->crankArm[i] = len2;
    m->armRatio[i] = len1 / len2;

    const Vec3 dir1 = arm1 / len1;
    const Vec3 dir2 = arm2 / len2;
    const Vec3 w = cross(dir1, dir2);
    double sinAlpha = norm(w);
    if (sinAlpha > 1.0) {
        sinAlpha = 1.0;
    }
    // The cosine carries the sign of dir1 · dir2: arms more than 90° apart
    // have a negative cosine, and taking it from the sine alone would put the
    // actuator arm on the wrong side of the crank.
    double cosAlpha = dot(dir1, dir2);
    if (cosAlpha > 1.0) {
        cosAlpha = 1.0;
    } else if (cosAlpha < -1.0) {
        cosAlpha = -1.0;
    }
    m->armAngleSin[i] = sinAlpha;
    m->armAngleCos[i] = cosAlpha;

    const Vec3 e3 = dir2;
    const Vec3 e2 = w / norm(w);
    const Vec3 e1 = cross(e2, e3);
    setRow(m->crankFrame[i], 0, e1);
    setRow(m->crankFrame[i], 1, e2);
    setRow(m->crankFrame[i], 2, e3);
    // The branch of the crank equation whose root is θ = 0 at the zero pose.
    m->crankBranch[i] = dot(e1, h - centre) < 0.0 ? 1.0 : -1.0;
}

}  // namespace

void kinTransformPointSets(KinModel* model)
{
    const int n = model->numActuators;
    const int a = model->numAccelerometers;
    const Vec3 offset = {model->coordinateSystem[0], model->coordinateSystem[1], model->coordinateSystem[2]};

    translateItems(model->headPivots, n, offset);
    translateItems(model->basePivots, n, offset);
    // For plane-contact actuators page 0 is a plane vector, which is the
    // normal and a point of the plane measured from the origin; it is rotated
    // with the frame but not shifted.
    for (int i = 0; i < n; ++i) {
        if (!isPlaneContact(model->actuatorTypes[i])) {
            setColumn(model->linkPivots[0], i, column(model->linkPivots[0], i) - offset);
        }
    }
    translateItems(model->linkPivots[1], n, offset);
    translateItems(model->linkPivots[2], n, offset);
    translateItems(model->accelLocations, a, offset);

    const double angles[3] = {model->coordinateSystem[3], model->coordinateSystem[4], model->coordinateSystem[5]};
    kinSetRotation(model, angles);
    const double (&r)[3][3] = model->rotation;
    rotateItems(model->headPivots, n, r);
    rotateItems(model->basePivots, n, r);
    for (auto& page : model->linkPivots) {
        rotateItems(page, n, r);
    }
    rotateItems(model->accelLocations, a, r);
    rotateItems(model->accelOrientations, a, r);
}

void kinPrepareActuatorConstants(KinModel* model)
{
    for (int i = 0; i < model->numActuators; ++i) {
        const Vec3 h = column(model->headPivots, i);
        const Vec3 b = column(model->basePivots, i);
        switch (model->actuatorTypes[i]) {
        case 1: {
            const Vec3 link = column(model->linkPivots[0], i);
            const Vec3 rodVec = h - link;
            const Vec3 slide = link - b;
            model->rodLengthSq[i] = dot(rodVec, rodVec);
            model->rodLength[i] = norm(rodVec);
            setColumn(model->slideAxis, i, slide / norm(slide));
            break;
        }
        case 2: setColumn(model->baseAxis, i, (h - b) / norm(h - b)); break;
        case 3: setColumn(model->tableAxis, i, (b - h) / norm(b - h)); break;
        case 4: prepareCrank(model, i); break;
        default: break;   // struts and unknown types have no constants
        }
    }
}
