// Test tables for the kinematics core: configured models of each actuator
// type, a prepare-the-geometry-only helper and an independent central
// difference Jacobian.
//
// Geometry of the standard tables (base frame = table frame at the zero pose,
// lengths in metres):
// - base layout: radius 1.0 at z = 0, angles 120k -/+ 15 degrees;
// - head layout: radius 0.6 at z = 1.0, angles 120k -/+ 45 degrees, so that
//   the six legs of a 6-6 hexapod cross pairwise.
// Every builder follows the order in which the block shells load a model
// (kinConfigure, iteration count, update mode, vertical offset, rate type,
// units, points, coordinate system, limits); none of them prepares.
#pragma once

#include "kinematics/kinmodel.h"

#include <array>
#include <memory>
#include <vector>

namespace kintest {

struct ModelDeleter {
    void operator()(KinModel* model) const { kinDestroy(model); }
};
using ModelPtr = std::unique_ptr<KinModel, ModelDeleter>;

using Vec = std::array<double, 3>;

constexpr double kPi = 3.14159265358979323846;
constexpr double kDeg = kPi / 180.0;

// Point set numbers of kinSetPoint.
enum PointSet { kHead = 0, kBase = 1, kLink0 = 2, kLink1 = 3, kLink2 = 4, kAccelLocation = 5, kAccelOrientation = 6 };

struct TableOptions {
    std::vector<int32_t> dofCodes = {0, 1, 2, 3, 4, 5};
    bool degrees = true;             // rotational units: degrees (pi/180 in every kind) or radians
    int numVelocitySensors = 0;
    int numForceSensors = 0;
    int numAccelerometers = 0;       // 0, or up to 12: triaxial groups at four table points
    int jacobianUpdateMode = 1;
    int iterationCount = 1;
    double displacementLimit = 0.1;  // actuatorMax[0] = +limit, actuatorMin[0] = -limit
    double forceLimit = 1000.0;      // actuatorMax[3] = +limit, actuatorMin[3] = -limit
};

// Layout points: index 0..5 of the base and head layouts described above.
Vec basePoint(int i);
Vec headPoint(int i);

// Stores one point (all three components) with kinSetPoint.
void setPoint(KinModel* model, int set, int index, const Vec& p);
Vec pointOf(const double (&set)[3][MAX_ACTUATORS], int index);

// A six-strut (type 0) 6-6 hexapod.
ModelPtr makeHexapod(const TableOptions& options = {});

// A six-actuator table of one actuator type (0..4), each with a geometry in
// which the six actuators constrain all six DOFs:
// 0 the hexapod; 1 vertical sliders under the base layout with rods to the
//   head layout; 2 and 3 a 3-2-1 arrangement of plane contacts (three along z,
//   two along x, one along y) on tilted planes; 4 bell cranks centred on the
//   base layout, rod arms across the rods, actuator arms 70 degrees from the
//   rod arms.
ModelPtr makeTypeTable(int type, const TableOptions& options = {});

// A model with one bell crank of the given arm angle (degrees between the rod
// arm and the actuator arm) besides five struts of the hexapod, so that the
// table stays fully constrained; actuator 0 is the crank.
ModelPtr makeCrankTable(double armAngleDegrees, const TableOptions& options = {});

// Crank points of makeCrankTable (before any transform).
struct CrankPoints {
    Vec centre, actuatorEnd, rodEnd, base, head;
};
CrankPoints crankPoints(double armAngleDegrees);

// Loads up to 12 accelerometers (triaxial groups at four table points) into a
// configured model (used by the builders when options.numAccelerometers > 0).
void setAccelerometers(KinModel* model, int count);

// The part of preparation that the geometry needs: point-set transform, type
// constants, difference steps as preparation sets them, and the zero-pose
// lengths in referenceLength and poseLength. No matrices are built.
void prepareGeometry(KinModel* model);

// Central-difference Jacobian of kinActuatorGeometry at pose (DOF order),
// steps hLinear for translational and hAngle for rotational DOFs (user units),
// into out (row stride 24). Leaves the model at pose.
void differenceJacobian(KinModel* model, const double* pose, double hLinear, double hAngle, double* out);

// Lengths at a pose (calls kinActuatorGeometry).
std::vector<double> lengthsAt(KinModel* model, const std::vector<double>& pose);

}  // namespace kintest

namespace kintest {

// prepareGeometry, then the zero-pose Jacobian and its pseudo-inverse, as
// preparation leaves them for the forward kinematics.
void prepareGeometryAndJacobian(KinModel* model);

}  // namespace kintest

namespace kintest {

// Independent small linear algebra for expected values.
using Mat3 = std::array<std::array<double, 3>, 3>;
Mat3 matMul(const Mat3& a, const Mat3& b);
Mat3 transpose(const Mat3& a);
Vec mulVec(const Mat3& m, const Vec& v);
Vec sub(const Vec& a, const Vec& b);
double norm(const Vec& a);

// (Rz(yaw)·Ry(pitch)·Rx(roll))ᵀ built from the three elementary rotations,
// angles in radians: maps base-frame vectors into the table frame.
Mat3 baseToTable(double roll, double pitch, double yaw);

// Head pivot h (table frame) in the base frame at a full pose
// (x, y, z, roll, pitch, yaw; angles in radians).
Vec headInBase(const std::array<double, 6>& pose, const Vec& h);

}  // namespace kintest
