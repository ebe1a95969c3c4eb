// The parameter sets of the reliability tests: the demo hexapod (six struts,
// head 500 mm above the base, six accelerometers on the head) with its sensors
// and settings chosen per test.
#pragma once

#include <string>
#include <vector>

#include "host/array.h"

namespace reliability {

struct TableConfig {
    bool jackpos = true;          // Jackpos (17 parameters) or Posjack (15)
    bool accelerometers = true;   // six, or none
    bool velocitySensors = true;  // n, or none
    bool forceSensors = true;     // n, or none
    bool allDofs = true;          // d = n = 6, or d = 3 (z, roll, pitch) < n
    int updateMode = 1;           // jacobianUpdateMode
    int rateType = 1;             // 1: Euler-angle rates, 0: body rates
    int forwardIterations = 4;

    std::string describe() const;
};

constexpr int kActuators = 6;

// Dialog parameters in the block's order. Lengths in mm, angles in degrees
// (the rotational canonical factors are degrees to radians), forces in N;
// displacement limits +-150 mm, force limits +20000 / -15000 N.
std::vector<host::Array> hexapodParameters(const TableConfig& config);

// The DOF codes (0-based: 0 x ... 5 yaw) of the configuration, in port order.
std::vector<int> dofCodes(const TableConfig& config);

}  // namespace reliability
