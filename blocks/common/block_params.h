// Dialog parameters of the two table blocks: their order, their validation
// (mdlCheckParameters) and the loading of a validated set into a KinModel.
//
// Both blocks share the first ten parameters; Jackpos adds the displacement
// limits after them and the forward iteration count at the end:
//
//   Jackpos Posjack  name
//    0       0       actuatorTypes        1..5 per actuator (n = element count)
//    1       1       numVelocitySensors   0 or n
//    2       2       numForceSensors      0 or n
//    3       3       degreesOfFreedom     1..6 per DOF (d = element count)
//    4       4       headPivotLocations   3 x n
//    5       5       basePivotLocations   3 x n
//    6       6       linkPivotLocations   empty, 3 x n or 3 x n x 3
//    7       7       accelLocations       3 x a (a = column count)
//    8       8       accelOrientations    3 x a
//    9       9       coordinateSystem     6 values
//   10       -       maxActuatorDispl     n values, or n x 2 (max, min)
//   11      10       maxActuatorForce     n values, or n x 2 (max, min)
//   12      11       canonicalUnits       8 values, 4 x 2 column-major
//   13      12       verticalAccelOffset  scalar, 0.0 when empty
//   14      13       jacobianUpdateMode   scalar, 1 when empty
//   15      14       rateType             scalar, 1 when empty
//   16       -       forwardIterations    scalar, 1 when empty
//
// Validation and loading read the parameters through the host interface only,
// so any host that fills a SimStruct (Simulink, sfhost, the tests) gets the
// same messages and the same model.
#pragma once

#include "blocks/common/sfunction.h"
#include "kinematics/kinmodel.h"

enum class BlockKind { Jackpos, Posjack };

constexpr int JACKPOS_NUM_PARAMS = 17;
constexpr int POSJACK_NUM_PARAMS = 15;

// Parameter positions that differ between the blocks are looked up through
// blockParamIndex; the first ten are the same for both.
enum class BlockParam {
    actuatorTypes,
    numVelocitySensors,
    numForceSensors,
    degreesOfFreedom,
    headPivotLocations,
    basePivotLocations,
    linkPivotLocations,
    accelLocations,
    accelOrientations,
    coordinateSystem,
    maxActuatorDispl,     // Jackpos only
    maxActuatorForce,
    canonicalUnits,
    verticalAccelOffset,
    jacobianUpdateMode,
    rateType,
    forwardIterations,    // Jackpos only
};

// Number of dialog parameters of the block (17 or 15).
int blockParamCount(BlockKind kind);

// 0-based dialog index of a parameter, or -1 when the block has no such
// parameter (maxActuatorDispl and forwardIterations on Posjack).
int blockParamIndex(BlockKind kind, BlockParam param);

// Runs the validation and returns the message of the first failing check,
// or null when every check passes. Needs all blockParamCount(kind) parameters.
const char* blockParameterError(SimStruct* S, BlockKind kind);

// The body of each block's mdlCheckParameters: on failure records the message
// as the block's error status; on success leaves the status untouched.
void mdlCheckParametersFor(SimStruct* S, BlockKind kind);

// Runs the setters on a fresh model (kinCreate) in the blocks' order, from a
// parameter set that passed the validation; does not prepare the model.
void configureBlockModel(SimStruct* S, BlockKind kind, KinModel* model);

// configureBlockModel, then kinPrepare at the zero pose.
void loadBlockParameters(SimStruct* S, BlockKind kind, KinModel* model);
