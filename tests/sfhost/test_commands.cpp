// info, run, chain and ranges through the built program over the real
// plug-ins and the hexapod example table.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "csv_signals.h"
#include "host/loader.h"
#include "param_file.h"
#include "sfhost_runner.h"

namespace {

using nlohmann::json;
using namespace sfhost_test;  // runSfhost, ScratchDir, the files, the plug-in paths

json loadJson(const std::string& path) { return json::parse(readFile(path)); }

// %.17g always reads back to the same double: written independently of the
// program's own shortest-form writer.
std::string csvText(const std::vector<std::string>& header, const std::vector<std::vector<double>>& rows) {
    std::string s;
    for (std::size_t i = 0; i < header.size(); ++i) s += (i ? "," : "") + header[i];
    s += "\n";
    char buf[40];
    for (const auto& r : rows) {
        for (std::size_t i = 0; i < r.size(); ++i) {
            std::snprintf(buf, sizeof buf, "%.17g", r[i]);
            s += (i ? "," : "") + std::string(buf);
        }
        s += "\n";
    }
    return s;
}

std::vector<std::string> names(const char* prefix, int ports, int width, const std::string& blockPrefix = "") {
    std::vector<std::string> out;
    for (int k = 0; k < ports; ++k)
        for (int e = 0; e < width; ++e) out.push_back(blockPrefix + prefix + std::to_string(k) + "_" + std::to_string(e));
    return out;
}

// A short motion for the hexapod: time, then pose, velocity, acceleration and
// force commands (6 each), every DOF moving.
std::vector<std::vector<double>> motionRows(int steps) {
    std::vector<std::vector<double>> rows;
    for (int s = 0; s < steps; ++s) {
        const double t = s * 0.001;
        std::vector<double> r{t};
        const double amp[6] = {20, 15, 10, 3, 2.5, 4};
        for (int port = 0; port < 4; ++port)
            for (int j = 0; j < 6; ++j)
                r.push_back(amp[j] * (port == 3 ? 100.0 : 1.0) * std::sin(2.0 * M_PI * (0.5 + 0.3 * j + 0.1 * port) * t * 20));
        rows.push_back(r);
    }
    return rows;
}

std::vector<std::string> motionHeader() {
    auto h = names("u", 4, 6);
    h.insert(h.begin(), "t");
    return h;
}

// Drives a block in-process through the host loader, as sfhost should.
std::vector<std::vector<double>> runInProcess(const std::string& plugin, const std::string& params,
                                              const std::vector<std::vector<double>>& inputs, bool withTime) {
    auto p = std::make_shared<const host::Plugin>(plugin);
    std::vector<host::Array> arrays;
    for (auto& v : sfhost::readParameterFile(params, p->name())) arrays.emplace_back(v.dims, v.data);
    host::Block b(p, arrays);
    EXPECT_TRUE(b.initialize()) << (b.errorStatus() ? b.errorStatus() : "");
    std::vector<std::vector<double>> out;
    for (const auto& row : inputs) {
        std::size_t i = withTime ? 1 : 0;
        for (int k = 0; k < b.numInputPorts(); ++k)
            for (double& v : b.input(k)) v = row.at(i++);
        EXPECT_TRUE(b.outputs());
        std::vector<double> o;
        if (withTime) o.push_back(row[0]);
        for (int k = 0; k < b.numOutputPorts(); ++k)
            for (double v : b.output(k)) o.push_back(v);
        out.push_back(o);
    }
    return out;
}

void expectSameBits(const sfhost::SignalTable& got, const std::vector<std::vector<double>>& want) {
    ASSERT_EQ(got.rows(), want.size());
    for (std::size_t r = 0; r < want.size(); ++r) {
        ASSERT_EQ(got.columns.size(), want[r].size());
        for (std::size_t c = 0; c < want[r].size(); ++c)
            ASSERT_EQ(std::bit_cast<std::uint64_t>(got.at(r, c)), std::bit_cast<std::uint64_t>(want[r][c]))
                << "row " << r << " column " << got.columns[c] << ": " << got.at(r, c) << " vs " << want[r][c];
    }
}

TEST(SfhostInfo, DescribesPortsSampleTimeAndOptions) {
    ScratchDir dir("info");
    const auto pj = runSfhost({"info", kPosjack, kPosjackParams}, dir);
    ASSERT_EQ(pj.status, 0) << pj.err;
    const json p = json::parse(pj.out);
    EXPECT_EQ(p["name"], "Posjack");
    EXPECT_EQ(p["parameters"], 15);
    ASSERT_EQ(p["inputs"].size(), 4u);
    ASSERT_EQ(p["outputs"].size(), 4u);
    for (const auto& in : p["inputs"]) {
        EXPECT_EQ(in["width"], 6);  // d = 6
        EXPECT_EQ(in["directFeedthrough"], true);
    }
    EXPECT_EQ(p["outputs"][2]["width"], 6);  // six accelerometers
    EXPECT_EQ(p["sampleTime"], -1.0);
    EXPECT_EQ(p["offsetTime"], 0.0);
    EXPECT_EQ(p["options"], "0x00200002");

    const auto jp = runSfhost({"info", kJackpos, kJackposParams}, dir);
    ASSERT_EQ(jp.status, 0) << jp.err;
    const json j = json::parse(jp.out);
    EXPECT_EQ(j["name"], "Jackpos");
    EXPECT_EQ(j["parameters"], 17);
    ASSERT_EQ(j["outputs"].size(), 6u);
    EXPECT_EQ(j["outputs"][4]["width"], 6);
    EXPECT_EQ(j["outputs"][5]["rows"], 6);  // the n x d Jacobian
    EXPECT_EQ(j["outputs"][5]["columns"], 6);
}

TEST(SfhostRun, OutputsEqualTheBlocksDrivenInProcessBitForBit) {
    ScratchDir dir("bits");
    const auto motion = motionRows(300);
    writeFile(dir / "motion.csv", csvText(motionHeader(), motion));

    const auto r = runSfhost({"run", kPosjack, kPosjackParams, "--input", (dir / "motion.csv").string(),
                              "--output", (dir / "act.csv").string()},
                             dir);
    ASSERT_EQ(r.status, 0) << r.err;
    const auto act = sfhost::readSignalFile((dir / "act.csv").string());
    auto header = names("y", 4, 6);
    header.insert(header.begin(), "t");
    EXPECT_EQ(act.columns, header);
    const auto want = runInProcess(kPosjack, kPosjackParams, motion, true);
    expectSameBits(act, want);

    // Jackpos over Posjack's outputs, renamed to its inputs.
    writeFile(dir / "sensors.csv", csvText(motionHeader(), want));
    const auto r2 = runSfhost({"run", kJackpos, kJackposParams, "--input", (dir / "sensors.csv").string(),
                               "--output", (dir / "dof.csv").string()},
                              dir);
    ASSERT_EQ(r2.status, 0) << r2.err;
    expectSameBits(sfhost::readSignalFile((dir / "dof.csv").string()),
                   runInProcess(kJackpos, kJackposParams, want, true));
}

TEST(SfhostRun, StepsWithoutInputRunOnZeros) {
    ScratchDir dir("zeros");
    const auto r = runSfhost({"run", kPosjack, kPosjackParams, "--steps", "3"}, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    const auto t = sfhost::parseSignals(r.out, "stdout");
    EXPECT_EQ(t.columns, names("y", 4, 6));  // no t column without an input file
    ASSERT_EQ(t.rows(), 3u);
    // At the zero pose every strut has its reference length, and zero rates,
    // accelerations and forces map to zeros.
    for (double v : t.values) EXPECT_EQ(v, 0.0);

    const auto none = runSfhost({"run", kPosjack, kPosjackParams, "--steps", "0"}, dir);
    ASSERT_EQ(none.status, 0);
    EXPECT_EQ(sfhost::parseSignals(none.out, "stdout").rows(), 0u);
}

TEST(SfhostRun, StepsLimitTheInputRowsAndStdoutMatchesTheFile) {
    ScratchDir dir("limit");
    const auto motion = motionRows(20);
    writeFile(dir / "m.csv", csvText(motionHeader(), motion));
    const auto full = runSfhost({"run", kPosjack, kPosjackParams, "--input", (dir / "m.csv").string(), "--output",
                                 (dir / "o.csv").string()},
                                dir);
    ASSERT_EQ(full.status, 0);
    const std::string fileText = readFile(dir / "o.csv");
    const auto part = runSfhost({"run", kPosjack, kPosjackParams, "--input", (dir / "m.csv").string(), "--steps=5"}, dir);
    ASSERT_EQ(part.status, 0) << part.err;
    EXPECT_EQ(sfhost::parseSignals(part.out, "x").rows(), 5u);
    // The first five rows are the file's first five: header plus five lines.
    std::size_t cut = 0;
    for (int i = 0; i < 6; ++i) cut = fileText.find('\n', cut) + 1;
    EXPECT_EQ(part.out, fileText.substr(0, cut));

    const auto tooMany = runSfhost({"run", kPosjack, kPosjackParams, "--input", (dir / "m.csv").string(), "--steps", "21"}, dir);
    EXPECT_EQ(tooMany.status, 2);
    EXPECT_EQ(tooMany.err, (dir / "m.csv").string() + ": has 20 steps, --steps asks for 21\n");
}

TEST(SfhostRun, InputWithoutTimeColumnGivesOutputWithout) {
    ScratchDir dir("notime");
    auto motion = motionRows(4);
    for (auto& r : motion) r.erase(r.begin());
    writeFile(dir / "m.csv", csvText(names("u", 4, 6), motion));
    const auto r = runSfhost({"run", kPosjack, kPosjackParams, "--input", (dir / "m.csv").string()}, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    const auto t = sfhost::parseSignals(r.out, "x");
    EXPECT_EQ(t.columns, names("y", 4, 6));
    expectSameBits(t, runInProcess(kPosjack, kPosjackParams, motion, false));
}

// The dialog order, written out here independently of the program's list.
const std::vector<std::string> kPosjackOrder{
    "actuatorTypes",  "numVelocitySensors", "numForceSensors",   "degreesOfFreedom",  "headPivotLocations",
    "basePivotLocations", "linkPivotLocations", "accelLocations", "accelOrientations", "coordinateSystem",
    "maxActuatorForce", "canonicalUnits",    "verticalAccelOffset", "jacobianUpdateMode", "rateType"};

std::string runOutput(const std::string& plugin, const json& params, const ScratchDir& dir, int& status,
                      std::string& err) {
    writeFile(dir / "p.json", params.dump());
    const auto r = runSfhost({"run", plugin, (dir / "p.json").string(), "--input", (dir / "m.csv").string()}, dir);
    status = r.status;
    err = r.err;
    return r.out;
}

TEST(SfhostParams, ArrayFormAndEveryValueEncodingGiveTheSameRun) {
    ScratchDir dir("forms");
    writeFile(dir / "m.csv", csvText(motionHeader(), motionRows(50)));
    const json named = loadJson(kPosjackParams);
    int status = 0;
    std::string err;
    const std::string reference = runOutput(kPosjack, named, dir, status, err);
    ASSERT_EQ(status, 0) << err;

    json list = json::array();
    for (const auto& n : kPosjackOrder) list.push_back(named[n]);
    EXPECT_EQ(runOutput(kPosjack, list, dir, status, err), reference) << err;

    // The same arrays in other encodings.
    json alt = named;
    // 3 x 6 as {"size", "data"} with column-major data: actuator j's x, y, z at 3j..3j+2.
    json head = json::array();
    for (int j = 0; j < 6; ++j)
        for (int c = 0; c < 3; ++c) head.push_back(named["headPivotLocations"][c][j]);
    alt["headPivotLocations"] = {{"size", {3, 6}}, {"data", head}};
    // canonicalUnits as the 4 x 2 table (rows: kind, columns: translational,
    // rotational); column-major it is the same 8 values.
    const json& u = named["canonicalUnits"];
    alt["canonicalUnits"] = json::array();
    for (int k = 0; k < 4; ++k) alt["canonicalUnits"].push_back({u[k], u[k + 4]});
    // Scalars as one-element lists and 1x1 sized values; the coordinate system as a column.
    alt["numVelocitySensors"] = json::array({6});
    alt["rateType"] = {{"size", {1, 1}}, {"data", {1}}};
    alt["coordinateSystem"] = json::array();
    for (const auto& v : named["coordinateSystem"]) alt["coordinateSystem"].push_back(json::array({v}));
    // Struts use no link pivots: three pages of them (3 x 6 x 3, v[i][j][k]) load but change nothing.
    alt["linkPivotLocations"] = json::array();
    for (int i = 0; i < 3; ++i) {
        json rows = json::array();
        for (int j = 0; j < 6; ++j) rows.push_back({1.0 * i, 2.0 * j, 3.0});
        alt["linkPivotLocations"].push_back(rows);
    }
    EXPECT_EQ(runOutput(kPosjack, alt, dir, status, err), reference) << err;
    EXPECT_EQ(status, 0);

    // Rows and columns are not interchangeable: the pivots transposed (6 x 3)
    // reach the block, which refuses them with its own message.
    json transposed = named;
    transposed["headPivotLocations"] = json::array();
    for (int j = 0; j < 6; ++j)
        transposed["headPivotLocations"].push_back(
            {named["headPivotLocations"][0][j], named["headPivotLocations"][1][j], named["headPivotLocations"][2][j]});
    EXPECT_EQ(runOutput(kPosjack, transposed, dir, status, err), "");
    EXPECT_EQ(status, 1);
    EXPECT_EQ(err, "(mdlCheckParameters) Head pivot locations array has wrong size.\n");
}

TEST(SfhostParams, BlockErrorsArePrintedAsTheBlockSetThem) {
    ScratchDir dir("blockerr");
    writeFile(dir / "m.csv", csvText(motionHeader(), motionRows(2)));
    int status = 0;
    std::string err;

    json named = loadJson(kPosjackParams);
    named["actuatorTypes"] = json::array();
    runOutput(kPosjack, named, dir, status, err);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(err, "(mdlCheckParameters) Actuator types array is empty.\n");

    // The list form passes a wrong count on; the host reports it for the block.
    runOutput(kPosjack, json::array({1, 0, 0}), dir, status, err);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(err, "Posjack: 3 parameters given, 15 expected.\n");

    // A Jackpos file for Posjack: the named form knows the difference.
    runOutput(kPosjack, loadJson(kJackposParams), dir, status, err);
    EXPECT_EQ(status, 2);
    EXPECT_EQ(err, (dir / "p.json").string() + ": $.forwardIterations: unknown parameter \"forwardIterations\" for Posjack\n");
}

TEST(SfhostChain, OutputsAreAThenBFedByA) {
    ScratchDir dir("chain");
    const auto motion = motionRows(100);
    writeFile(dir / "m.csv", csvText(motionHeader(), motion));
    const auto r = runSfhost({"chain", kPosjack, kPosjackParams, kJackpos, kJackposParams, "--input",
                              (dir / "m.csv").string(), "--output", (dir / "c.csv").string()},
                             dir);
    ASSERT_EQ(r.status, 0) << r.err;
    const auto chain = sfhost::readSignalFile((dir / "c.csv").string());

    std::vector<std::string> header{"t"};
    for (const auto& n : names("y", 4, 6, "Posjack.")) header.push_back(n);
    for (const auto& n : names("y", 5, 6, "Jackpos.")) header.push_back(n);
    for (int e = 0; e < 36; ++e) header.push_back("Jackpos.y5_" + std::to_string(e));  // the 6 x 6 Jacobian
    EXPECT_EQ(chain.columns, header);

    // In-process: Posjack over the motion, Jackpos over Posjack's outputs.
    const auto a = runInProcess(kPosjack, kPosjackParams, motion, true);
    const auto b = runInProcess(kJackpos, kJackposParams, a, true);
    std::vector<std::vector<double>> want;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto row = a[i];
        row.insert(row.end(), b[i].begin() + 1, b[i].end());
        want.push_back(row);
    }
    expectSameBits(chain, want);
}

TEST(SfhostChain, MismatchedWidthsNameThePorts) {
    ScratchDir dir("mismatch");
    json noAccels = loadJson(kJackposParams);
    noAccels["accelLocations"] = json::array();  // Jackpos input 2 becomes width 1
    writeFile(dir / "j.json", noAccels.dump());
    const auto r = runSfhost({"chain", kPosjack, kPosjackParams, kJackpos, (dir / "j.json").string(), "--steps", "1"}, dir);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "sfhost chain: Posjack output 2 has width 6 but Jackpos input 2 has width 1\n");
    EXPECT_EQ(r.out, "");
}

TEST(SfhostRanges, HeaveLimitsFollowFromTheStrokeAndTheGeometry) {
    ScratchDir dir("ranges");
    const auto r = runSfhost({"ranges", kJackposParams, "--json"}, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    const json ranges = json::parse(r.out);
    EXPECT_EQ(ranges["block"], "Jackpos");
    ASSERT_EQ(ranges["dofs"].size(), 6u);
    const char* dofs[] = {"x", "y", "z", "roll", "pitch", "yaw"};
    for (int j = 0; j < 6; ++j) EXPECT_EQ(ranges["dofs"][j]["dof"], dofs[j]);

    // Pure heave lengthens every strut alike. With horizontal offset r and
    // height h between its pivots, a strut of length L0 = sqrt(r^2 + h^2)
    // reaches the 150 mm stroke at z = sqrt((L0 + 150)^2 - r^2) - h, and the
    // -150 mm one at sqrt((L0 - 150)^2 - r^2) - h.
    const json p = loadJson(kJackposParams);
    const double dx = p["headPivotLocations"][0][0].get<double>() - p["basePivotLocations"][0][0].get<double>();
    const double dy = p["headPivotLocations"][1][0].get<double>() - p["basePivotLocations"][1][0].get<double>();
    const double h = 500.0;
    const double r2 = dx * dx + dy * dy;
    const double l0 = std::sqrt(r2 + h * h);
    const double zMax = std::sqrt((l0 + 150) * (l0 + 150) - r2) - h;
    const double zMin = std::sqrt((l0 - 150) * (l0 - 150) - r2) - h;
    const json& z = ranges["dofs"][2]["displacement"];
    EXPECT_NEAR(z["max"].get<double>(), zMax, 1e-3 * zMax);
    EXPECT_NEAR(z["min"].get<double>(), zMin, 1e-3 * -zMin);

    // The readable table carries the same numbers.
    const auto table = runSfhost({"ranges", kJackposParams}, dir);
    ASSERT_EQ(table.status, 0);
    EXPECT_NE(table.out.find("Jackpos DOF ranges of " + kJackposParams), std::string::npos);
    char zLine[64];
    std::snprintf(zLine, sizeof zLine, "%12.6g %12.6g", z["min"].get<double>(), z["max"].get<double>());
    EXPECT_NE(table.out.find(std::string("z       ") + zLine), std::string::npos) << table.out;
}

TEST(SfhostRanges, BlockChoiceCountsAndBlockMessages) {
    ScratchDir dir("ranges2");
    // Posjack has no displacement limits; the named Posjack file says Posjack.
    const auto pj = runSfhost({"ranges", kPosjackParams, "--json"}, dir);
    ASSERT_EQ(pj.status, 0) << pj.err;
    EXPECT_EQ(json::parse(pj.out)["block"], "Posjack");

    json bad = loadJson(kJackposParams);
    bad["canonicalUnits"] = json::array({1, 2, 3});
    writeFile(dir / "bad.json", bad.dump());
    const auto r = runSfhost({"ranges", (dir / "bad.json").string()}, dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "(mdlCheckParameters) Canonical units array has wrong size.\n");

    writeFile(dir / "short.json", "[1, 2, 3]");
    const auto s = runSfhost({"ranges", (dir / "short.json").string(), "--block", "Jackpos"}, dir);
    EXPECT_EQ(s.status, 2);
    EXPECT_EQ(s.err, (dir / "short.json").string() + ": $: 3 parameters given, Jackpos has 17\n");
}

}  // namespace
