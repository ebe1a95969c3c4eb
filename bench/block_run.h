// Driving the real plug-ins over a trajectory: one block instance per table,
// its inputs and outputs as one flat row of doubles per step (every port's
// elements, port after port).
#pragma once

#include "host/loader.h"
#include "tables.h"

#include <memory>
#include <vector>

namespace benchtab {

using Row = std::vector<double>;

// An initialised block of the plug-in at pluginPath; std::runtime_error with
// the block's message when initialisation fails.
std::unique_ptr<host::Block> openBlock(const char* pluginPath, std::vector<host::Array> parameters);

// Posjack's input row of one step: pose, velocity, acceleration, force.
Row posjackInputs(const DofCommand& command);

void setInputs(host::Block& block, const double* row);
void getOutputs(const host::Block& block, Row& row);

// One output step per input row; the output rows in order.
std::vector<Row> runBlock(host::Block& block, const std::vector<Row>& inputs);

// Jackpos's inputs over a trajectory: what a Posjack over the same table puts
// out (displacements, velocity-sensor and accelerometer signals, actuator
// forces), port for port Jackpos's inputs.
std::vector<Row> jackposInputs(const char* posjackPath, const Setup& setup, const std::vector<DofCommand>& motion);

}  // namespace benchtab
