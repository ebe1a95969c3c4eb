#include "regression_cases.h"

#include <charconv>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace regression {

using benchtab::Setup;
using benchtab::Table;

namespace {

constexpr int kSteps = 32;
constexpr double kPeriod = 0.2;

int actuators(const Case& c) { return c.setup.table == Table::Redundant24 ? 24 : 6; }
int accelerometers(const Case& c) { return c.setup.table == Table::Redundant24 ? 12 : 6; }

}  // namespace

std::vector<Case> cases()
{
    std::vector<Case> list;
    for (Table t : {Table::Hexapod, Table::Redundant24, Table::BellCrank})
        for (int mode : {1, 0})
            list.push_back({Setup{t, mode, 3}, std::string(benchtab::tableName(t)) + "_u" + std::to_string(mode)});
    return list;
}

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

std::vector<benchtab::DofCommand> motion(const Case& c) { return benchtab::trajectory(c.setup.table, kSteps, kPeriod); }

std::vector<int> posjackOutputWidths(const Case& c)
{
    const int n = actuators(c);
    return {n, n, accelerometers(c), n};
}

std::vector<int> jackposOutputWidths(const Case& c)
{
    const int n = actuators(c);
    return {6, 6, 6, 6, n, n * 6};
}

std::vector<Match> posjackMatch(const Case&)
{
    // Displacements, actuator velocities and accelerometer signals are
    // geometry and fixed-order products; the actuator forces go through the
    // weighted pseudo-inverse of the force distribution.
    return {Match::Exact, Match::Exact, Match::Exact, Match::Relative};
}

std::vector<Match> jackposMatch(const Case& c)
{
    // Everything follows the pose the forward kinematics finds through the
    // pseudo-inverse of the Jacobian; only the Jacobian output of update mode
    // 0, made at preparation from the zero pose, does not.
    const Match jacobian = c.setup.updateMode == 0 ? Match::Exact : Match::Relative;
    return {Match::Relative, Match::Relative, Match::Relative, Match::Relative, Match::Relative, jacobian};
}

std::vector<Row> runPosjack(const Case& c)
{
    auto block = benchtab::openBlock(POSJACK_PATH, benchtab::blockParameters(BlockKind::Posjack, c.setup));
    std::vector<Row> inputs;
    for (const auto& m : motion(c)) inputs.push_back(benchtab::posjackInputs(m));
    return benchtab::runBlock(*block, inputs);
}

std::vector<Row> runJackpos(const Case& c, const std::vector<Row>& posjackOutputs)
{
    auto block = benchtab::openBlock(JACKPOS_PATH, benchtab::blockParameters(BlockKind::Jackpos, c.setup));
    return benchtab::runBlock(*block, posjackOutputs);
}

std::string dataFile(const std::string& dir, const Case& c, const char* block)
{
    return dir + "/" + c.name + "." + block + ".txt";
}

void writeRows(const std::string& path, const std::vector<Row>& rows)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error(path + ": cannot write");
    for (const Row& row : rows) {
        std::string line;
        for (double v : row) {
            char buf[32];
            const auto r = std::to_chars(buf, buf + sizeof buf, v);
            if (!line.empty()) line += ' ';
            line.append(buf, r.ptr);
        }
        out << line << '\n';
    }
    if (!out.flush()) throw std::runtime_error(path + ": writing failed");
}

std::vector<Row> readRows(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error(path + ": cannot open (run make_regression_data, see tests/regression/README.md)");
    std::vector<Row> rows;
    std::string line;
    while (std::getline(in, line)) {
        Row row;
        const char* p = line.data();
        const char* end = p + line.size();
        while (p < end) {
            if (*p == ' ') {
                ++p;
                continue;
            }
            double v = 0.0;
            const auto r = std::from_chars(p, end, v);
            if (r.ec != std::errc()) throw std::runtime_error(path + ": bad number in line " + std::to_string(rows.size() + 1));
            row.push_back(v);
            p = r.ptr;
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace regression
