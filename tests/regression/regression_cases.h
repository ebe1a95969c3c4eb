// The frozen behaviour of both blocks: a handful of tables and update modes,
// each run over a short stored trajectory, and the outputs both blocks gave
// then, kept in tests/regression/data/ (written once by
// make_regression_data, see README.md).
//
// Posjack runs on the commanded DOF motion; Jackpos runs on the Posjack
// outputs as stored, so a change in one block never shows up as a change in
// the other.
#pragma once

#include "block_run.h"

#include <ostream>
#include <string>
#include <vector>

namespace regression {

using benchtab::Row;

struct Case {
    benchtab::Setup setup;
    std::string name;   // "hexapod_u1", ...
};

std::vector<Case> cases();

// How a case shows in test names and messages.
void PrintTo(const Case& c, std::ostream* os);

// The stored trajectory: 32 steps of 6.25 ms over a 0.2 s period, large
// enough moves for the forward kinematics to work on every step.
std::vector<benchtab::DofCommand> motion(const Case& c);

// Port widths of each block's outputs for the case's table.
std::vector<int> posjackOutputWidths(const Case& c);
std::vector<int> jackposOutputWidths(const Case& c);

// How an output port may differ from the stored one. Ports whose values come
// from geometry and matrix products alone, in an operation order that is
// fixed, must stay bit for bit; ports that depend on a matrix inverse (the
// pose of the forward kinematics and everything computed at it, the force
// distribution) may come from an equivalent formulation of the linear
// algebra and are held to 1e-12 relative.
enum class Match { Exact, Relative };
std::vector<Match> posjackMatch(const Case& c);
std::vector<Match> jackposMatch(const Case& c);
constexpr double kRelative = 1e-12;

// Running the blocks now.
std::vector<Row> runPosjack(const Case& c);
std::vector<Row> runJackpos(const Case& c, const std::vector<Row>& posjackOutputs);

// Stored data: one row per step, numbers in shortest round-trip form.
std::string dataFile(const std::string& dir, const Case& c, const char* block);   // block "posjack" / "jackpos"
void writeRows(const std::string& path, const std::vector<Row>& rows);
std::vector<Row> readRows(const std::string& path);   // std::runtime_error when missing or malformed

}  // namespace regression
