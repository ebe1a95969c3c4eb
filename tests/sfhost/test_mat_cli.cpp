// MAT files through the built sfhost over the real plug-ins: parameter files
// and signal files in MAT give the runs their JSON and CSV twins give, bit for
// bit, whether sfhost or Octave wrote them; every refusal has its message and
// exit status 2.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "csv_signals.h"
#include "mat_files.h"
#include "param_file.h"
#include "sfhost_runner.h"
#include "test_mat_support.h"

namespace {

using mat_test::putDouble;
using mat_test::putVar;
using mat_test::sameBits;
using mat_test::writeRaw;
using namespace sfhost_test;  // runSfhost, ScratchDir, the files, the plug-in paths
const std::string kOctave = std::string(SFHOST_TEST_FIXTURES) + "/octave";
const std::string kMotionCsv = kOctave + "/motion.csv";

// The JSON run: Posjack then Jackpos over Octave's motion, as CSV text.
std::string chainText(const std::string& posjackParams, const std::string& jackposParams, const std::string& input,
                      const ScratchDir& dir) {
    const auto r = runSfhost({"chain", kPosjack, posjackParams, kJackpos, jackposParams, "--input", input}, dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    return r.out;
}

// The same table saved as MAT at every level sfhost writes, and as Octave
// saved it.
TEST(MatCli, ParameterFilesGiveTheJsonRunBitForBit) {
    ScratchDir dir("mat-params");
    const std::string want = chainText(kPosjackParams, kJackposParams, kMotionCsv, dir);
    ASSERT_GT(std::count(want.begin(), want.end(), '\n'), 250);

    std::vector<std::pair<std::string, std::string>> files;  // Posjack's, Jackpos's
    const std::vector<std::pair<sfhost::MatFormat, const char*>> levels{
        {sfhost::MatFormat::Level5, "5"}, {sfhost::MatFormat::Level7, "7"}, {sfhost::MatFormat::Level73, "73"}};
    for (const auto& [format, label] : levels) {
        const std::string p = (dir / ("posjack" + std::string(label) + ".mat")).string();
        const std::string j = (dir / ("jackpos" + std::string(label) + ".mat")).string();
        sfhost::writeMatParameterFile(p, "Posjack", sfhost::readParameterFile(kPosjackParams, "Posjack"), format);
        sfhost::writeMatParameterFile(j, "Jackpos", sfhost::readParameterFile(kJackposParams, "Jackpos"), format);
        files.emplace_back(p, j);
    }
    for (const char* level : {"v7", "mat7binary", "v6", "v4"})
        files.emplace_back(kOctave + "/posjack_" + level + ".mat", kOctave + "/jackpos_" + level + ".mat");

    for (const auto& [p, j] : files) {
        SCOPED_TRACE(p);
        EXPECT_EQ(chainText(p, j, kMotionCsv, dir), want);
        // Mixed: MAT for one block, JSON for the other.
        EXPECT_EQ(chainText(p, kJackposParams, kMotionCsv, dir), want);
    }
}

TEST(MatCli, InfoAndRangesReadMatParameters) {
    ScratchDir dir("mat-info");
    for (const char* block : {"posjack", "jackpos"}) {
        const std::string plugin = block == std::string("posjack") ? kPosjack : kJackpos;
        const std::string json = std::string(HEXAPOD_DIR) + "/" + block + ".json";
        const std::string mat = kOctave + "/" + block + "_v7.mat";
        SCOPED_TRACE(mat);
        const auto infoJson = runSfhost({"info", plugin, json}, dir);
        const auto infoMat = runSfhost({"info", plugin, mat}, dir);
        ASSERT_EQ(infoMat.status, 0) << infoMat.err;
        EXPECT_EQ(infoMat.out, infoJson.out);
        for (const std::vector<std::string>& extra : {std::vector<std::string>{}, std::vector<std::string>{"--json"}}) {
            std::vector<std::string> a{"ranges", json}, b{"ranges", mat};
            a.insert(a.end(), extra.begin(), extra.end());
            b.insert(b.end(), extra.begin(), extra.end());
            const auto fromJson = runSfhost(a, dir);
            const auto fromMat = runSfhost(b, dir);
            ASSERT_EQ(fromMat.status, 0) << fromMat.err;
            // The text table's title names the file; the rest must agree.
            const auto body = [&](const std::string& out, const std::string& file) {
                std::string s = out;
                if (auto at = s.find(file); extra.empty() && at != std::string::npos) s.erase(at, file.size());
                return s;
            };
            EXPECT_NE(fromMat.out.find("yaw"), std::string::npos);
            EXPECT_EQ(body(fromMat.out, mat), body(fromJson.out, json));
        }
    }
}

// Octave's motion as MAT gives the run that the same doubles in CSV give.
TEST(MatCli, OctaveMotionGivesTheCsvRun) {
    ScratchDir dir("mat-motion");
    const std::string want = chainText(kPosjackParams, kJackposParams, kMotionCsv, dir);
    for (const char* file : {"motion_v7.mat", "motion_v6.mat"}) {
        SCOPED_TRACE(file);
        EXPECT_EQ(chainText(kPosjackParams, kJackposParams, kOctave + "/" + file, dir), want);
    }
}

// A MAT output holds the CSV output's numbers: one variable per port, named
// after the block in a chain, t copied, compressed level 5 (MAT 7).
TEST(MatCli, MatOutputHoldsTheCsvOutput) {
    ScratchDir dir("mat-out");
    const std::string out = (dir / "out.mat").string();
    const auto r = runSfhost({"chain", kPosjack, kPosjackParams, kJackpos, kJackposParams, "--input", kMotionCsv,
                              "--output", out},
                             dir);
    ASSERT_EQ(r.status, 0) << r.err;
    const auto csv = sfhost::parseSignals(chainText(kPosjackParams, kJackposParams, kMotionCsv, dir), "csv");

    // Group the CSV columns ("Posjack.y1_4") into the variables they belong to.
    std::map<std::string, std::vector<std::size_t>> columnsOf;
    std::vector<std::string> order;
    for (std::size_t c = 0; c < csv.columns.size(); ++c) {
        std::string name = csv.columns[c];
        if (name != "t") {
            name = name.substr(0, name.rfind('_'));
            name[name.find('.')] = '_';
        }
        if (!columnsOf.count(name)) order.push_back(name);
        columnsOf[name].push_back(c);
    }
    EXPECT_EQ(order.front(), "t");
    EXPECT_EQ(order[1], "Posjack_y0");
    EXPECT_EQ(order.back(), "Jackpos_y5");  // the Jacobian, a 6x6 matrix port
    EXPECT_EQ(columnsOf["Jackpos_y5"].size(), 36u);
    EXPECT_EQ(mat_test::variableNames(out), order);

    for (const std::string& name : order) {
        SCOPED_TRACE(name);
        const auto m = mat_test::readRaw(out, name);
        const auto& cols = columnsOf[name];
        ASSERT_EQ(m.dims, (std::vector<std::size_t>{csv.rows(), cols.size()}));
        std::vector<double> fromCsv;
        for (std::size_t c : cols)
            for (std::size_t row = 0; row < csv.rows(); ++row) fromCsv.push_back(csv.at(row, c));
        EXPECT_TRUE(sameBits(m.data, fromCsv));
    }

    mat_t* mat = Mat_Open(out.c_str(), MAT_ACC_RDONLY);
    ASSERT_NE(mat, nullptr);
    EXPECT_EQ(Mat_GetVersion(mat), MAT_FT_MAT5);
    matvar_t* first = Mat_VarReadNextInfo(mat);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->compression, MAT_COMPRESSION_ZLIB);
    Mat_VarFree(first);
    Mat_Close(mat);
}

// run: plain y names; no t without an input that has one; MAT input to MAT
// output gives the numbers of CSV to CSV.
TEST(MatCli, RunNamesAndTime) {
    ScratchDir dir("mat-run");
    const std::string zeros = (dir / "zeros.mat").string();
    const auto z = runSfhost({"run", kPosjack, kPosjackParams, "--steps", "4", "--output", zeros}, dir);
    ASSERT_EQ(z.status, 0) << z.err;
    EXPECT_EQ(mat_test::variableNames(zeros), (std::vector<std::string>{"y0", "y1", "y2", "y3"}));
    for (const char* y : {"y0", "y1", "y2", "y3"}) {
        const auto m = mat_test::readRaw(zeros, y);
        EXPECT_EQ(m.dims, (std::vector<std::size_t>{4, 6}));
        for (double v : m.data) EXPECT_EQ(v, 0.0);  // the zero pose, at rest
    }

    const std::string out = (dir / "out.mat").string();
    const auto r = runSfhost({"run", kPosjack, kPosjackParams, "--input", kOctave + "/motion_v7.mat", "--output", out},
                             dir);
    ASSERT_EQ(r.status, 0) << r.err;
    const auto csvRun = runSfhost({"run", kPosjack, kPosjackParams, "--input", kMotionCsv}, dir);
    const auto csv = sfhost::parseSignals(csvRun.out, "csv");
    const auto t = mat_test::readRaw(out, "t");
    ASSERT_EQ(t.dims, (std::vector<std::size_t>{250, 1}));
    for (std::size_t row = 0; row < 250; ++row) EXPECT_EQ(t.data[row], csv.at(row, 0));
    const auto y3 = mat_test::readRaw(out, "y3");
    ASSERT_EQ(y3.dims, (std::vector<std::size_t>{250, 6}));
    for (std::size_t e = 0; e < 6; ++e)
        for (std::size_t row = 0; row < 250; ++row) ASSERT_EQ(y3.data[row + 250 * e], csv.at(row, 1 + 18 + e));
}

// --- Refusals -------------------------------------------------------------------

// The Octave Posjack table with `name` left out (when `make` is empty) or
// written by `make`, through matio.
void posjackWith(const std::string& path, const std::string& name, const std::function<void(mat_t*)>& make) {
    const auto values = sfhost::readParameterFile(kPosjackParams, "Posjack");
    const auto names = sfhost::dialogParameterNames("Posjack");
    writeRaw(path, [&](mat_t* mat) {
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (names[i] == name) continue;
            putDouble(mat, std::string(names[i]).c_str(), values[i].dims, values[i].data);
        }
        if (make) make(mat);
    });
}

TEST(MatCli, BadParameterFilesAreRefusedWithStatus2) {
    struct Case {
        const char* label;
        std::string name;
        std::function<void(mat_t*)> make;
        std::string message;  // after "<file>: "
    };
    const std::vector<Case> cases{
        {"missing", "rateType", nullptr, "variable rateType: missing (Posjack needs all its 15 dialog parameters)"},
        {"unknown", "",
         [](mat_t* m) { putDouble(m, "maxActuatorDispl", {1, 6}, {150, 150, 150, 150, 150, 150}); },
         "variable maxActuatorDispl: unknown parameter for Posjack"},
        {"complex", "coordinateSystem",
         [](mat_t* m) {
             static double re[6] = {0, 0, 500, 0, 0, 0}, im[6] = {0, 0, 0, 0, 0, 1};
             static mat_complex_split_t z{re, im};
             size_t d[2] = {1, 6};
             putVar(m, Mat_VarCreate("coordinateSystem", MAT_C_DOUBLE, MAT_T_DOUBLE, 2, d, &z, MAT_F_COMPLEX));
         },
         "variable coordinateSystem: is complex; a parameter must be a real double array"},
        {"sparse", "actuatorTypes",
         [](mat_t* m) {
             static double data[6] = {1, 1, 1, 1, 1, 1};
             static mat_uint32_t ir[6] = {0, 0, 0, 0, 0, 0}, jc[7] = {0, 1, 2, 3, 4, 5, 6};
             static mat_sparse_t s{6, ir, 6, jc, 7, 6, data};
             size_t d[2] = {1, 6};
             putVar(m, Mat_VarCreate("actuatorTypes", MAT_C_SPARSE, MAT_T_DOUBLE, 2, d, &s, 0));
         },
         "variable actuatorTypes: is a sparse array; a parameter must be a real double array"},
        {"char", "rateType",
         [](mat_t* m) {
             static char one[] = "1";
             size_t d[2] = {1, 1};
             putVar(m, Mat_VarCreate("rateType", MAT_C_CHAR, MAT_T_UTF8, 2, d, one, 0));
         },
         "variable rateType: is a char array; a parameter must be a real double array"},
    };
    ScratchDir dir("mat-bad-params");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string path = (dir / (std::string(c.label) + ".mat")).string();
        posjackWith(path, c.name, c.make);
        const auto r = runSfhost({"run", kPosjack, path, "--steps", "1"}, dir);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, path + ": " + c.message + "\n");
        EXPECT_EQ(r.out, "");
        // A file with maxActuatorDispl would be taken for Jackpos's.
        const auto ranges = runSfhost({"ranges", path, "--block", "Posjack"}, dir);
        EXPECT_EQ(ranges.status, 2);
        EXPECT_EQ(ranges.err, path + ": " + c.message + "\n");
    }

    const std::string absent = (dir / "absent.mat").string();
    const auto a = runSfhost({"info", kPosjack, absent}, dir);
    EXPECT_EQ(a.status, 2);
    EXPECT_EQ(a.err, absent + ": cannot open the file\n");
    const std::string text = (dir / "text.mat").string();
    writeFile(text, readFile(kPosjackParams));
    const auto t = runSfhost({"info", kPosjack, text}, dir);
    EXPECT_EQ(t.status, 2);
    EXPECT_EQ(t.err, text + ": not a MAT file (levels 4, 5, 7 and 7.3 are read)\n");
}

// Shapes reach the block as they are: an empty actuatorTypes in a MAT file is
// the block's own refusal (status 1), not the reader's.
TEST(MatCli, EmptyArraysReachTheBlock) {
    ScratchDir dir("mat-empty");
    const std::string path = (dir / "empty.mat").string();
    posjackWith(path, "actuatorTypes", [](mat_t* m) { putDouble(m, "actuatorTypes", {0, 0}, {}); });
    const auto r = runSfhost({"info", kPosjack, path}, dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "(mdlCheckParameters) Actuator types array is empty.\n");
}

TEST(MatCli, BadSignalFilesAreRefusedWithStatus2) {
    struct Case {
        const char* label;
        std::function<void(mat_t*)> make;
        std::string message;
    };
    const std::vector<double> six(6 * 3, 0.5);
    const std::vector<Case> cases{
        {"width",
         [&](mat_t* m) {
             for (const char* u : {"u0", "u1", "u2"}) putDouble(m, u, {3, 6}, six);
             putDouble(m, "u3", {3, 5}, std::vector<double>(15, 1.0));
         },
         "variable u3: has 5 columns, input port 3 of Posjack has width 6"},
        {"fewer ports",
         [&](mat_t* m) {
             for (const char* u : {"u0", "u1", "u2"}) putDouble(m, u, {3, 6}, six);
         },
         "variable u3: missing (Posjack has 4 input ports, u0 to u3)"},
        {"more ports",
         [&](mat_t* m) {
             for (const char* u : {"u0", "u1", "u2", "u3", "u4"}) putDouble(m, u, {3, 6}, six);
         },
         "variable u4: unexpected: Posjack has 4 input ports"},
        {"rows",
         [&](mat_t* m) {
             for (const char* u : {"u0", "u1", "u2"}) putDouble(m, u, {3, 6}, six);
             putDouble(m, "u3", {2, 6}, std::vector<double>(12, 1.0));
         },
         "variable u3: has 2 rows (steps), u0 has 3"},
        {"logical time",
         [&](mat_t* m) {
             static mat_uint8_t b[3] = {0, 1, 1};
             size_t d[2] = {3, 1};
             putVar(m, Mat_VarCreate("t", MAT_C_UINT8, MAT_T_UINT8, 2, d, b, MAT_F_LOGICAL));
         },
         "variable t: is a logical array; a signal must be a real double array, steps x width"},
    };
    ScratchDir dir("mat-bad-signals");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string path = (dir / "in.mat").string();
        writeRaw(path, c.make);
        const std::string out = (dir / "out.mat").string();
        const auto r = runSfhost({"run", kPosjack, kPosjackParams, "--input", path, "--output", out}, dir);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, path + ": " + c.message + "\n");
        EXPECT_FALSE(std::filesystem::exists(out));
    }
    // Cut short: matio hands back the last variable with part of its data
    // unread, and only a warning says so.
    const std::string cut = (dir / "cut.mat").string();
    const std::string whole = readFile(kOctave + "/motion_v6.mat");
    writeFile(cut, whole.substr(0, whole.size() - 1000));
    const auto c = runSfhost({"run", kPosjack, kPosjackParams, "--input", cut}, dir);
    EXPECT_EQ(c.status, 2);
    EXPECT_EQ(c.err.rfind(cut + ": the file is damaged or cut short (", 0), 0u) << c.err;
    EXPECT_EQ(std::count(c.err.begin(), c.err.end(), '\n'), 1);
    EXPECT_EQ(c.out, "");

    // More steps asked for than the file holds.
    const auto s = runSfhost({"run", kPosjack, kPosjackParams, "--input", kOctave + "/motion_v7.mat", "--steps", "251"},
                             dir);
    EXPECT_EQ(s.status, 2);
    EXPECT_EQ(s.err, kOctave + "/motion_v7.mat: has 250 steps, --steps asks for 251\n");
}

TEST(MatCli, UnwritableMatOutputIsStatus2) {
    ScratchDir dir("mat-unwritable");
    const std::string out = (dir / "no-such-folder/out.mat").string();
    const auto r = runSfhost({"run", kPosjack, kPosjackParams, "--steps", "2", "--output", out}, dir);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, out + ": cannot write the file\n");
}

}  // namespace
