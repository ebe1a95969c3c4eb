#include "table_fixtures.h"

#include <cmath>

namespace kintest {

namespace {

Vec add(const Vec& a, const Vec& b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
Vec scale(double s, const Vec& a) { return {s * a[0], s * a[1], s * a[2]}; }
double dot(const Vec& a, const Vec& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
Vec unit(const Vec& a) { return scale(1.0 / std::sqrt(dot(a, a)), a); }

double layoutAngle(int i, double spread)
{
    const int k = i / 2;
    return (120.0 * k + (i % 2 == 0 ? -spread : spread)) * kDeg;
}

Vec radial(int i) { return {std::cos(layoutAngle(i, 15.0)), std::sin(layoutAngle(i, 15.0)), 0.0}; }

// One plane contact of the 3-2-1 arrangement: a foot on the base side, the
// actuator axis, the stroke at the zero pose and the (tilted) plane normal.
struct Contact {
    Vec foot;
    Vec axis;
    double stroke;
    Vec normal;
};

Contact contact(int i)
{
    switch (i) {
    case 0: return {{0.5, 0.0, 0.2}, {0, 0, 1}, 0.8, unit({0.1, 0.05, 1.0})};
    case 1: return {{-0.25, 0.43, 0.2}, {0, 0, 1}, 0.8, unit({-0.05, 0.1, 1.0})};
    case 2: return {{-0.25, -0.43, 0.2}, {0, 0, 1}, 0.8, unit({0.05, -0.1, 1.0})};
    case 3: return {{-1.2, 0.3, 0.6}, {1, 0, 0}, 0.7, unit({1.0, 0.1, 0.05})};
    case 4: return {{-1.2, -0.3, 0.6}, {1, 0, 0}, 0.7, unit({1.0, -0.1, 0.05})};
    default: return {{0.2, -1.2, 0.6}, {0, 1, 0}, 0.7, unit({0.1, 1.0, -0.05})};
    }
}

// Crank at base layout position i: centre 0.2 above the base point, turning
// in the vertical plane through the radial direction. The rod arm (0.25) is
// 70 degrees from the in-plane direction of the head pivot: near the middle of
// the crank's reach, yet away from the half-tangent singularity at 90
// degrees (crank coefficients A + C = 0); the actuator arm (0.12) lies at
// the arm angle from it, turned towards the head; the base pivot is 0.5 along
// the in-plane perpendicular of the actuator arm.
CrankPoints crankAt(int i, double armAngleDegrees)
{
    CrankPoints c{};
    const Vec up = {0.0, 0.0, 1.0};
    const Vec inward = scale(-1.0, radial(i));
    c.centre = add(basePoint(i), {0.0, 0.0, 0.2});
    c.head = headPoint(i);
    const Vec toHead = add(c.head, scale(-1.0, c.centre));
    const double hIn = dot(toHead, inward);
    const double hUp = dot(toHead, up);
    const Vec across = unit(add(scale(hUp, inward), scale(-hIn, up)));
    const Vec along = unit(add(scale(hIn, inward), scale(hUp, up)));
    const double b = 70.0 * kDeg;
    const Vec dir2 = add(scale(std::cos(b), along), scale(std::sin(b), across));
    const Vec side = add(scale(std::sin(b), along), scale(-std::cos(b), across));   // in plane, perpendicular to dir2
    c.rodEnd = add(c.centre, scale(0.25, dir2));
    const double a = armAngleDegrees * kDeg;
    const Vec dir1 = add(scale(std::cos(a), dir2), scale(std::sin(a), side));
    const Vec perp = add(scale(-std::sin(a), dir2), scale(std::cos(a), side));
    c.actuatorEnd = add(c.centre, scale(0.12, dir1));
    c.base = add(c.actuatorEnd, scale(0.5, perp));
    return c;
}

void setCrank(KinModel* model, int index, const CrankPoints& c)
{
    setPoint(model, kHead, index, c.head);
    setPoint(model, kBase, index, c.base);
    setPoint(model, kLink0, index, c.centre);
    setPoint(model, kLink1, index, c.actuatorEnd);
    setPoint(model, kLink2, index, c.rodEnd);
}

// Configuration in the order the block shells use, up to (not including)
// the point sets.
ModelPtr configured(const std::vector<int32_t>& types, const TableOptions& o)
{
    ModelPtr model(kinCreate());
    kinConfigure(model.get(), static_cast<int>(types.size()), types.data(), o.numVelocitySensors,
                 o.numAccelerometers, o.numForceSensors, static_cast<int>(o.dofCodes.size()), o.dofCodes.data());
    kinSetIterationCount(model.get(), 0, o.iterationCount);
    kinSetJacobianUpdateMode(model.get(), o.jacobianUpdateMode);
    kinSetVerticalAccelOffset(model.get(), 0.0);
    kinSetRateType(model.get(), 1);
    for (int kind = 0; kind < 4; ++kind) {
        kinSetCanonicalUnit(model.get(), kind, 0, 1.0);
        kinSetCanonicalUnit(model.get(), kind, 1, (o.degrees && kind < 3) ? kDeg : 1.0);
    }
    return model;
}

void setLimits(KinModel* model, const TableOptions& o)
{
    const double limits[4] = {o.displacementLimit, 0.5, 10.0, o.forceLimit};
    for (int kind = 0; kind < 4; ++kind) {
        for (int i = 0; i < model->numActuators; ++i) {
            kinSetMaximum(model, 0, kind, i, limits[kind]);
            kinSetMinimum(model, 0, kind, i, -limits[kind]);
        }
    }
}

void finish(KinModel* model, const TableOptions& o)
{
    if (o.numAccelerometers > 0) {
        setAccelerometers(model, o.numAccelerometers);
    }
    for (int k = 0; k < 6; ++k) {
        kinSetCoordinateSystem(model, k, 0.0);
    }
    setLimits(model, o);
}

}  // namespace

Vec basePoint(int i)
{
    const double a = layoutAngle(i, 15.0);
    return {std::cos(a), std::sin(a), 0.0};
}

Vec headPoint(int i)
{
    const double a = layoutAngle(i, 45.0);
    return {0.6 * std::cos(a), 0.6 * std::sin(a), 1.0};
}

void setPoint(KinModel* model, int set, int index, const Vec& p)
{
    for (int c = 0; c < 3; ++c) {
        kinSetPoint(model, set, c, index, p[c]);
    }
}

Vec pointOf(const double (&set)[3][MAX_ACTUATORS], int index) { return {set[0][index], set[1][index], set[2][index]}; }

ModelPtr makeHexapod(const TableOptions& options) { return makeTypeTable(0, options); }

ModelPtr makeTypeTable(int type, const TableOptions& options)
{
    ModelPtr model = configured(std::vector<int32_t>(6, type), options);
    KinModel* m = model.get();
    for (int i = 0; i < 6; ++i) {
        switch (type) {
        case 1:
            setPoint(m, kHead, i, headPoint(i));
            setPoint(m, kBase, i, basePoint(i));
            setPoint(m, kLink0, i, add(basePoint(i), {0.0, 0.0, 0.4}));
            break;
        case 2: {
            const Contact c = contact(i);
            const Vec top = add(c.foot, scale(c.stroke, c.axis));
            setPoint(m, kHead, i, top);
            setPoint(m, kBase, i, c.foot);
            setPoint(m, kLink0, i, scale(dot(top, c.normal), c.normal));   // plane through the contact point
            break;
        }
        case 3: {
            const Contact c = contact(i);
            const Vec top = add(c.foot, scale(c.stroke, c.axis));
            setPoint(m, kHead, i, top);
            setPoint(m, kBase, i, c.foot);
            setPoint(m, kLink0, i, scale(dot(c.foot, c.normal), c.normal));
            break;
        }
        case 4: setCrank(m, i, crankAt(i, 70.0)); break;
        default:
            setPoint(m, kHead, i, headPoint(i));
            setPoint(m, kBase, i, basePoint(i));
            break;
        }
    }
    finish(m, options);
    return model;
}

CrankPoints crankPoints(double armAngleDegrees) { return crankAt(0, armAngleDegrees); }

ModelPtr makeCrankTable(double armAngleDegrees, const TableOptions& options)
{
    ModelPtr model = configured({4, 0, 0, 0, 0, 0}, options);
    KinModel* m = model.get();
    setCrank(m, 0, crankPoints(armAngleDegrees));
    for (int i = 1; i < 6; ++i) {
        setPoint(m, kHead, i, headPoint(i));
        setPoint(m, kBase, i, basePoint(i));
    }
    finish(m, options);
    return model;
}

void setAccelerometers(KinModel* model, int count)
{
    const Vec places[4] = {{0.5, 0.0, 1.0}, {-0.25, 0.43, 1.0}, {-0.25, -0.43, 1.0}, {0.0, 0.0, 1.2}};
    for (int j = 0; j < count && j < 12; ++j) {
        Vec dir = {0.0, 0.0, 0.0};
        dir[j % 3] = 1.0;
        setPoint(model, kAccelLocation, j, places[j / 3]);
        setPoint(model, kAccelOrientation, j, dir);
    }
}

void prepareGeometry(KinModel* model)
{
    kinTransformPointSets(model);
    kinPrepareActuatorConstants(model);
    double biggest = 0.0;
    for (int i = 0; i < model->numActuators; ++i) {
        if (model->actuatorMax[0][i] > biggest) {
            biggest = model->actuatorMax[0][i];
        }
    }
    model->positionStep = 0.001 * biggest;
    model->angleStep = 0.001 * model->canonicalUnitsInv[0][1];
    const double zero[MAX_DOFS] = {};
    kinActuatorGeometry(model, zero, model->referenceLength);
    kinActuatorGeometry(model, zero, model->poseLength);
}

void prepareGeometryAndJacobian(KinModel* model)
{
    prepareGeometry(model);
    kinJacobian(model);
    kinPseudoInverse(&model->jacobian[0][0], static_cast<unsigned>(model->numActuators),
                     static_cast<unsigned>(model->numDofs), &model->jacobianPinv[0][0], nullptr,
                     &model->work1[0][0], &model->work2[0][0], &model->work3[0][0]);
}

void differenceJacobian(KinModel* model, const double* pose, double hLinear, double hAngle, double* out)
{
    const int n = model->numActuators;
    const int d = model->numDofs;
    std::vector<double> x(pose, pose + d);
    std::vector<double> plus(MAX_ACTUATORS, 0.0);
    std::vector<double> minus(MAX_ACTUATORS, 0.0);
    for (int k = 0; k < d; ++k) {
        const double h = model->dofCodes[k] <= 2 ? hLinear : hAngle;
        x[k] = pose[k] + h;
        kinActuatorGeometry(model, x.data(), plus.data());
        x[k] = pose[k] - h;
        kinActuatorGeometry(model, x.data(), minus.data());
        x[k] = pose[k];
        for (int i = 0; i < n; ++i) {
            out[MAX_ACTUATORS * i + k] = (plus[i] - minus[i]) / (2.0 * h);
        }
    }
    std::vector<double> scratch(MAX_ACTUATORS, 0.0);
    kinActuatorGeometry(model, pose, scratch.data());
}

std::vector<double> lengthsAt(KinModel* model, const std::vector<double>& pose)
{
    std::vector<double> lengths(MAX_ACTUATORS, 0.0);
    kinActuatorGeometry(model, pose.data(), lengths.data());
    lengths.resize(static_cast<size_t>(model->numActuators));
    return lengths;
}

}  // namespace kintest

namespace kintest {

Mat3 matMul(const Mat3& a, const Mat3& b)
{
    Mat3 out{};
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            for (int k = 0; k < 3; ++k) {
                out[r][c] += a[r][k] * b[k][c];
            }
        }
    }
    return out;
}

Mat3 transpose(const Mat3& a)
{
    Mat3 out{};
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            out[r][c] = a[c][r];
        }
    }
    return out;
}

Vec mulVec(const Mat3& m, const Vec& v)
{
    Vec out{};
    for (int r = 0; r < 3; ++r) {
        out[r] = m[r][0] * v[0] + m[r][1] * v[1] + m[r][2] * v[2];
    }
    return out;
}

Vec sub(const Vec& a, const Vec& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }

double norm(const Vec& a) { return std::sqrt(dot(a, a)); }

Mat3 baseToTable(double roll, double pitch, double yaw)
{
    const Mat3 rx = {{{1, 0, 0}, {0, std::cos(roll), -std::sin(roll)}, {0, std::sin(roll), std::cos(roll)}}};
    const Mat3 ry = {{{std::cos(pitch), 0, std::sin(pitch)}, {0, 1, 0}, {-std::sin(pitch), 0, std::cos(pitch)}}};
    const Mat3 rz = {{{std::cos(yaw), -std::sin(yaw), 0}, {std::sin(yaw), std::cos(yaw), 0}, {0, 0, 1}}};
    return transpose(matMul(rz, matMul(ry, rx)));
}

Vec headInBase(const std::array<double, 6>& pose, const Vec& h)
{
    const Mat3 tableToBase = transpose(baseToTable(pose[3], pose[4], pose[5]));
    return add({pose[0], pose[1], pose[2]}, mulVec(tableToBase, h));
}

}  // namespace kintest
