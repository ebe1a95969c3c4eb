// The figures of the user guide, drawn from the kinematics core itself.
//
// Every figure configures a KinModel with example parameters, prepares it the
// way the blocks do and evaluates the actuator geometry at a displaced pose;
// what is drawn (pivots, axes, planes, the crank, rods, force lines and the
// measured lengths) is read back from the model's fields, so a figure shows
// what the code computes, not what a drawing program was told.
//
// The output is deterministic SVG text: fixed number formatting, no dates, no
// randomness, so a checked-in figure can be compared byte for byte with a
// freshly generated one.
#pragma once

#include <string>
#include <vector>

namespace docs {

struct Figure {
    std::string fileName;  // e.g. "type0-strut.svg"
    std::string svg;       // the complete file text
};

// All figures of docs/figures, in a fixed order. hexapodParams is the path of
// the example hexapod's Posjack parameter file (examples/hexapod/posjack.json),
// which the frames figure loads as the block would.
std::vector<Figure> makeFigures(const std::string& hexapodParams);

}  // namespace docs
