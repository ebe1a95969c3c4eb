// The tables and the motion the benchmarks and the regression test run the
// blocks on, as dialog parameter lists of either block.
//
// Every table moves in all six DOFs (x, y, z, roll, pitch, yaw), lengths in
// millimetres, angles in degrees, forces in newtons and moments in newton
// millimetres, rate type 1 (rotational rates are Euler-angle rates), and has
// velocity and force sensors on every actuator and accelerometers:
// - Hexapod: the 6-6 strut hexapod of examples/hexapod (6 accelerometers);
// - Redundant24: 24 struts in crossing pairs round a ring, 12 accelerometers,
//   asymmetric force limits (the force distribution is re-weighted by the
//   sign of each actuator's force);
// - BellCrank: six linear actuators each driving a bell crank whose rod goes
//   to the head, 6 accelerometers.
#pragma once

#include "blocks/common/block_params.h"
#include "host/array.h"

#include <vector>

namespace benchtab {

enum class Table { Hexapod, Redundant24, BellCrank };

const char* tableName(Table table);   // "hexapod", "redundant24", "bellcrank"

struct Setup {
    Table table;
    int updateMode;        // jacobianUpdateMode
    int iterations = 3;    // forwardIterations (Jackpos)
};

// The block's dialog list: 17 arrays for Jackpos, 15 for Posjack.
std::vector<host::Array> blockParameters(BlockKind kind, const Setup& setup);

// Posjack's four inputs for one step, one value per DOF in x..yaw order.
struct DofCommand {
    double pose[6];
    double velocity[6];       // exact derivative of pose (Euler-angle rates)
    double acceleration[6];   // exact second derivative
    double force[6];
};

// `steps` samples, `period` seconds apart in total: every DOF moves on two
// sines whose frequencies are whole multiples of 1/period, so the motion is
// periodic and the step after the last one is a small move again, to the
// first. The pose starts at zero, where the blocks are prepared.
std::vector<DofCommand> trajectory(Table table, int steps, double period);

}  // namespace benchtab
