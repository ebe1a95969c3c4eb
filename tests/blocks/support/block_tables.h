// Parameter sets for the block tests, one named array per dialog parameter,
// turned into either block's ordered dialog list.
//
// hexapodTable() is the same 6-6 hexapod as examples/hexapod/*.json: struts,
// millimetres and degrees, head pivots 500 mm above the base pivots, the
// kinematic origin moved up to the head pivot plane, six accelerometers, six
// velocity and six force sensors, all six DOFs.
//
// minimalTable() is the smallest set that passes the validation: two struts,
// one DOF (z), no sensors, empty optional scalars. The validation tests
// change one thing in it at a time.
#pragma once

#include "blocks/common/block_params.h"
#include "host/array.h"

#include <vector>

namespace blocktest {

struct TableParams {
    host::Array actuatorTypes;
    host::Array numVelocitySensors;
    host::Array numForceSensors;
    host::Array degreesOfFreedom;
    host::Array headPivotLocations;
    host::Array basePivotLocations;
    host::Array linkPivotLocations;
    host::Array accelLocations;
    host::Array accelOrientations;
    host::Array coordinateSystem;
    host::Array maxActuatorDispl;      // Jackpos only
    host::Array maxActuatorForce;
    host::Array canonicalUnits;
    host::Array verticalAccelOffset;
    host::Array jacobianUpdateMode;
    host::Array rateType;
    host::Array forwardIterations;     // Jackpos only

    // The dialog list of the block: 17 arrays for Jackpos, 15 for Posjack.
    std::vector<host::Array> list(BlockKind kind) const;
};

TableParams hexapodTable();
TableParams minimalTable();

// n identical struts in a ring (radius 1, head 1 above base), for the
// capacity cases; DOFs and limits as in minimalTable().
TableParams strutRing(int n);

// An array of `count` accelerometers (3 x count locations and orientations).
host::Array accelColumns(int count, double value);

}  // namespace blocktest
