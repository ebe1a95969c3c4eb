// The kinematic model of a multi-axis test table: a head carried on a fixed
// base by up to 24 actuators, moved in up to six degrees of freedom.
//
// One KinModel per block instance holds the configuration, the constants that
// preparation derives from it, the current geometric state and the matrices of
// the sensor transforms. Every operation is a free function taking the model
// first. Nothing here allocates except kinCreate, nothing reports an error:
// numerical trouble shows as IEEE infinities or NaN in the results.
//
// Storage conventions (tools and tests read the record directly):
// - point set: double[3][24], component-major (row 0 all x, row 1 all y, ...);
// - work matrix: double[24][24], an n x d matrix in rows 0..n-1, columns
//   0..d-1 (row stride 24 whatever the size);
// - attitude matrices: double[3][3], row stride 3.
// DOF codes: 0 x, 1 y, 2 z, 3 roll, 4 pitch, 5 yaw. Limit kinds: 0 displacement,
// 1 velocity, 2 acceleration, 3 force. Actuator types: 0 strut, 1 slider with
// rod, 2 fixed-axis actuator on a table plane, 3 table-axis actuator on a
// fixed plane, 4 linear actuator driving a bell crank with a rod.
#pragma once

#include <cstdint>

constexpr int MAX_ACTUATORS = 24;
constexpr int MAX_DOFS = 6;

struct KinModel {
    // Configuration
    int32_t numActuators;          // n
    int32_t numVelocitySensors;
    int32_t numForceSensors;
    int32_t numAccelerometers;     // a
    int32_t numDofs;               // d
    int32_t numTransDofs;
    int32_t numRotDofs;
    int32_t dofCodes[MAX_DOFS];
    int32_t transDofCodes[MAX_DOFS];
    int32_t rotDofCodes[MAX_DOFS];
    int32_t actuatorTypes[MAX_ACTUATORS];
    int32_t actuatorFlags[MAX_ACTUATORS];
    int32_t jacobianUpdateMode;
    uint32_t sensorActive[4][MAX_ACTUATORS];
    int32_t modeFlags[4];
    int32_t asymmetricForceLimits;
    int32_t rateType;
    int32_t iterationCounts[4];
    double verticalAccelOffset;

    // Point sets (after preparation: in the kinematic frame)
    double headPivots[3][MAX_ACTUATORS];       // table frame
    double basePivots[3][MAX_ACTUATORS];       // base frame
    double linkPivots[3][3][MAX_ACTUATORS];    // page 0 slider end / plane vector / crank centre,
                                               // page 1 crank actuator attachment, page 2 crank rod attachment
    double accelLocations[3][MAX_ACTUATORS];   // table frame
    double accelOrientations[3][MAX_ACTUATORS];
    double coordinateSystem[6];                // offset x, y, z; roll, pitch, yaw of the dialog frames
    double canonicalUnits[4][2];               // [kind][0 translational, 1 rotational]
    double canonicalUnitsInv[4][2];

    // Limits and DOF ranges, [kind][index]
    double actuatorMax[4][MAX_ACTUATORS];
    double actuatorMin[4][MAX_ACTUATORS];
    double dofMax[4][MAX_DOFS];
    double dofMin[4][MAX_DOFS];

    // Transform matrices
    double jacobian[MAX_ACTUATORS][MAX_ACTUATORS];          // n x d
    double jacobianPinv[MAX_ACTUATORS][MAX_ACTUATORS];      // d x n
    double velocityMatrix[MAX_ACTUATORS][MAX_ACTUATORS];    // n x d
    double velocityDofMatrix[MAX_ACTUATORS][MAX_ACTUATORS]; // d x n
    double accelMatrix[MAX_ACTUATORS][MAX_ACTUATORS];       // a x d
    double accelPinv[MAX_ACTUATORS][MAX_ACTUATORS];         // d x a
    double accelReference[MAX_ACTUATORS];
    double forceDistMatrix[MAX_ACTUATORS][MAX_ACTUATORS];   // n x d
    double forceMatrix[MAX_ACTUATORS][MAX_ACTUATORS];       // d x n

    // Attitude of the last kinSetRotation
    double rotation[3][3];
    double rotationDRoll[3][3];
    double rotationDPitch[3][3];
    double rotationDYaw[3][3];

    double positionStep;
    double angleStep;
    double angleCosSin[6];

    // Geometric state
    double pose[MAX_DOFS];
    double actuatorLength[MAX_ACTUATORS];
    double referenceLength[MAX_ACTUATORS];
    double poseLength[MAX_ACTUATORS];
    double forceWeight[MAX_ACTUATORS];
    double transmission[3][MAX_ACTUATORS];
    double forceDirection[3][MAX_ACTUATORS];
    double forcePoint[3][MAX_ACTUATORS];
    double baseRelative[3][MAX_ACTUATORS];
    double rodLength[MAX_ACTUATORS];
    double rodLengthSq[MAX_ACTUATORS];
    double slideAxis[3][MAX_ACTUATORS];
    double headRelative[3][MAX_ACTUATORS];
    double baseAxis[3][MAX_ACTUATORS];
    double planePoint[3][MAX_ACTUATORS];
    double tableAxis[3][MAX_ACTUATORS];
    double tableAxisBase[3][MAX_ACTUATORS];
    double planeNormalBase[3][MAX_ACTUATORS];
    double planeNormalTable[3][MAX_ACTUATORS];
    double actuatorArm[MAX_ACTUATORS];
    double crankArm[MAX_ACTUATORS];
    double armRatio[MAX_ACTUATORS];
    double crankBranch[MAX_ACTUATORS];
    double armAngleSin[MAX_ACTUATORS];
    double armAngleCos[MAX_ACTUATORS];
    double crankFrame[MAX_ACTUATORS][3][3];    // rows e1, e2, e3, base frame
    double crankOffset[3][MAX_ACTUATORS];
    double crankLocal[3][MAX_ACTUATORS];
    double armDirection[3][MAX_ACTUATORS];
    double actuatorLocal[3][MAX_ACTUATORS];
    double crankCoefA[MAX_ACTUATORS];
    double crankCoefB[MAX_ACTUATORS];
    double crankCoefC[MAX_ACTUATORS];
    double crankRoot[MAX_ACTUATORS];
    double crankHalfTan[MAX_ACTUATORS];

    // Scratch of the linear algebra
    double work1[MAX_ACTUATORS][MAX_ACTUATORS];
    double work2[MAX_ACTUATORS][MAX_ACTUATORS];
    double work3[MAX_ACTUATORS][MAX_ACTUATORS];
};

// The shape shared by the four sensor maps (DOF vector in, sensor values out),
// so that the DOF range search can take any of them.
typedef void (*KinSensorMap)(KinModel* model, const double* dofValues, double* sensorValues);

// ---- Record, configuration (model.cpp) ----
KinModel* kinCreate();                 // null when memory is exhausted
void kinDestroy(KinModel* model);      // null is allowed
void kinConfigure(KinModel* model, int n, const int32_t* types, int numVelocitySensors,
                  int numAccelerometers, int numForceSensors, int d, const int32_t* dofCodes);
void kinSetJacobianUpdateMode(KinModel* model, int value);
void kinSetRateType(KinModel* model, int value);
void kinSetIterationCount(KinModel* model, int index, int value);
void kinSetVerticalAccelOffset(KinModel* model, double value);
void kinSetCanonicalUnit(KinModel* model, int kind, int column, double value);
void kinSetCoordinateSystem(KinModel* model, int index, double value);
void kinSetPoint(KinModel* model, int set, int component, int index, double value);
void kinSetMaximum(KinModel* model, int space, int kind, int index, double value);
void kinSetMinimum(KinModel* model, int space, int kind, int index, double value);
double kinGetMaximum(const KinModel* model, int space, int kind, int index);
double kinGetMinimum(const KinModel* model, int space, int kind, int index);
void kinSetModeFlag(KinModel* model, int index, int value);

// ---- Pose and frame geometry (rotation.cpp) ----
void kinSetRotation(KinModel* model, const double angles[3]);
void kinBodyToEulerRates(const KinModel* model, const double w[3], double out[3]);
void kinEulerToBodyRates(const KinModel* model, const double e[3], double out[3]);
void kinBodyToEulerAccel(const KinModel* model, const double wdot[3], const double e[3], double out[3]);
void kinEulerToBodyAccel(const KinModel* model, const double edot[3], const double e[3], double out[3]);
void kinDofEulerToBodyRates(const KinModel* model, const double* in, double* out);
void kinDofBodyToEulerRates(const KinModel* model, const double* in, double* out);
void kinDofBodyToEulerAccel(const KinModel* model, const double* acc, const double* rates, double* out);
void kinDofEulerToBodyAccel(const KinModel* model, const double* acc, const double* rates, double* out);

// ---- Actuator geometry (geometry.cpp) ----
void kinActuatorGeometry(KinModel* model, const double* pose, double* lengths);
void kinActuatorDisplacements(KinModel* model, const double* pose, double* out);

// ---- Jacobian (jacobian.cpp) ----
void kinJacobian(KinModel* model);

// ---- Linear algebra on row-stride-24 storage (linear_algebra.cpp) ----
void kinInvertMatrix(const double* a, unsigned n, double* out, double* scratch);
void kinPseudoInverse(const double* a, unsigned m, unsigned n, double* out, const double* weights,
                      double* gram, double* weighted, double* work);

// ---- Table pose from actuator lengths (forward.cpp) ----
void kinActuatorsToPose(KinModel* model, const double* displacements, double* pose);
void kinSolvePose(KinModel* model, const double* lengths, double* pose);

// ---- Accelerometer transforms (accelerometers.cpp) ----
void kinBuildAccelMatrix(KinModel* model);
void kinAccelCentripetal(KinModel* model, const double* bodyRates);
void kinDofToAccels(KinModel* model, const double* dofAccels, double* readings);
void kinAccelsToDof(KinModel* model, const double* readings, double* dofAccels);

// ---- Velocity transforms (velocities.cpp) ----
void kinBuildVelocityMatrix(KinModel* model);
void kinBuildDofVelocityMatrix(KinModel* model);
void kinDofToActuatorVelocities(KinModel* model, const double* dofVelocities, double* actuatorVelocities);
void kinVelocitiesToDof(KinModel* model, const double* readings, double* dofVelocities);

// ---- Force transforms (forces.cpp) ----
void kinBuildForceMatrix(KinModel* model);
void kinBuildForceDistribution(KinModel* model, const double* forces);   // forces may be null
void kinForcesToDof(KinModel* model, const double* readings, double* dofForces);
void kinDistributeForces(KinModel* model, const double* dofForces, double* actuatorForces);
void kinDofToActuatorForces(KinModel* model, const double* dofForces, double* actuatorForces);

// ---- DOF range search (dof_ranges.cpp) ----
void kinDofRanges(KinModel* model, KinSensorMap map, const double* sizing, int count,
                  const double* lower, const double* upper, double* dofMin, double* dofMax);
void kinProbeDofLimit(KinModel* model, KinSensorMap map, double* probe, double direction, int count,
                      const double* lower, const double* upper, const double* steps, double* result);

// ---- Preparation (prepare.cpp) ----
// The first steps of preparation, also callable on their own:
// bring the point sets into the kinematic frame of coordinateSystem ...
void kinTransformPointSets(KinModel* model);
// ... and derive the per-type constants (rods, axes, crank frames).
void kinPrepareActuatorConstants(KinModel* model);
void kinPrepare(KinModel* model, const double* pose);
