// MAT parameter and signal files on their own: shapes as a peer (Octave)
// wrote them, round trips at every level sfhost writes, and every kind of
// variable a parameter or signal file must refuse.
#include <gtest/gtest.h>
#include <matio.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "errors.h"
#include "mat_files.h"
#include "param_file.h"
#include "test_mat_support.h"

namespace {

namespace fs = std::filesystem;
using sfhost::InputError;
using sfhost::MatFormat;
using sfhost::ParamValue;

const std::string kFixtures = std::string(SFHOST_TEST_FIXTURES) + "/octave";
const std::string kHexapod = std::string(HEXAPOD_DIR);

class MatDir {
public:
    MatDir() {
        path_ = fs::temp_directory_path() / ("sfhost-mat-" + std::to_string(::getpid()) + "-" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~MatDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    std::string operator/(const std::string& leaf) const { return (path_ / leaf).string(); }

private:
    fs::path path_;
};

using mat_test::putDouble;
using mat_test::putVar;
using mat_test::sameBits;
using mat_test::writeRaw;

ParamValue readRaw(const std::string& path, const char* name) {
    mat_test::Matrix m = mat_test::readRaw(path, name);
    return ParamValue{m.dims, m.data};
}

// Expects an InputError whose text names the file and the variable and says `problem`.
template <typename F>
void expectRefusal(F&& f, const std::string& path, const std::string& variable, const std::string& problem) {
    try {
        f();
        ADD_FAILURE() << "no error for " << path << " (" << variable << ")";
    } catch (const InputError& e) {
        const std::string what = e.what();
        EXPECT_EQ(what.rfind(path + ": ", 0), 0u) << what;
        if (!variable.empty()) {
            EXPECT_EQ(e.place(), "variable " + variable) << what;
        }
        EXPECT_NE(e.problem().find(problem), std::string::npos) << what;
    }
}

// --- What a peer wrote ------------------------------------------------------

// shapes_*.mat were saved by Octave with cube(i,j,k) = 100 i + 10 j + k
// (1-based), so an element's value tells where it came from.
TEST(MatFiles, OctaveShapesKeepDimensionsAndColumnMajorOrder) {
    for (const char* file : {"shapes_v7.mat", "shapes_v6.mat"}) {
        const std::string path = kFixtures + "/" + file;
        SCOPED_TRACE(path);
        const ParamValue cube = sfhost::readMatArray(path, "cube");
        ASSERT_EQ(cube.dims, (std::vector<std::size_t>{2, 3, 4}));
        for (std::size_t k = 0; k < 4; ++k)
            for (std::size_t j = 0; j < 3; ++j)
                for (std::size_t i = 0; i < 2; ++i)
                    EXPECT_EQ(cube.data[i + 2 * (j + 3 * k)], 100.0 * (i + 1) + 10.0 * (j + 1) + (k + 1));
        const ParamValue matrix = sfhost::readMatArray(path, "matrix");
        EXPECT_EQ(matrix.dims, (std::vector<std::size_t>{2, 3}));
        EXPECT_EQ(matrix.data, (std::vector<double>{111, 211, 121, 221, 131, 231}));
        EXPECT_EQ(sfhost::readMatArray(path, "column"), sfhost::makeParamValue({3, 1}, {1, 2, 3}));
        EXPECT_EQ(sfhost::readMatArray(path, "scalar"), sfhost::makeParamValue({1, 1}, {42}));
        EXPECT_EQ(sfhost::readMatArray(path, "empty"), sfhost::makeParamValue({0, 0}, {}));
        EXPECT_EQ(sfhost::readMatArray(path, "twoByZero"), sfhost::makeParamValue({2, 0}, {}));
    }
}

// kinds.mat holds one Octave variable of each class a parameter must not be.
TEST(MatFiles, OctaveVariablesOfOtherClassesAreRefused) {
    const std::string path = kFixtures + "/kinds.mat";
    const std::vector<std::pair<std::string, std::string>> cases{
        {"charVar", "is a char array"},     {"complexVar", "is complex"},   {"sparseVar", "is a sparse array"},
        {"logicalVar", "is a logical array"}, {"int32Var", "is an int32 array"}, {"uint8Var", "is a uint8 array"},
        {"singleVar", "is a single array"},  {"structVar", "is a struct"},   {"cellVar", "is a cell array"},
    };
    for (const auto& c : cases) {
        const std::string& name = c.first;
        const std::string& problem = c.second;
        SCOPED_TRACE(name);
        expectRefusal([&] { sfhost::readMatArray(path, name); }, path, name,
                      problem + "; a parameter must be a real double array");
    }
}

// The Octave-written hexapod tables equal the JSON ones, value for value and
// shape for shape (Octave keeps 3x6 as 3x6, [] as 0x0, a scalar as 1x1).
TEST(MatFiles, OctaveHexapodParametersEqualTheJsonOnes) {
    for (const char* block : {"posjack", "jackpos"}) {
        const std::string name = block == std::string("posjack") ? "Posjack" : "Jackpos";
        const auto fromJson = sfhost::readParameterFile(kHexapod + "/" + block + ".json", name);
        for (const char* level : {"v7", "mat7binary", "v6", "v4"}) {
            const std::string path = kFixtures + "/" + block + "_" + level + ".mat";
            SCOPED_TRACE(path);
            EXPECT_EQ(sfhost::detectMatBlockName(path), name);
            const auto fromMat = sfhost::readMatParameterFile(path, name);
            ASSERT_EQ(fromMat.size(), fromJson.size());
            const auto names = sfhost::dialogParameterNames(name);
            for (std::size_t i = 0; i < fromJson.size(); ++i) {
                EXPECT_EQ(fromMat[i].dims, fromJson[i].dims) << names[i];
                EXPECT_TRUE(sameBits(fromMat[i].data, fromJson[i].data)) << names[i];
            }
        }
    }
}

// --- Round trips through sfhost's writer --------------------------------------

std::vector<ParamValue> oddShapes() {
    // Posjack's 15 parameters in shapes a block sees rarely: 2x0, 0x3, N-D
    // with a trailing page, values that text would blur (subnormal, -0, inf).
    std::vector<ParamValue> v;
    v.push_back(sfhost::makeParamValue({2, 3}, {1, 2, 3, 4, 5, 6}));
    v.push_back(sfhost::makeParamValue({1, 1}, {-0.0}));
    v.push_back(sfhost::makeParamValue({0, 0}, {}));
    v.push_back(sfhost::makeParamValue({2, 0}, {}));
    v.push_back(sfhost::makeParamValue({0, 3}, {}));
    std::vector<double> cube(3 * 2 * 3);
    for (std::size_t i = 0; i < cube.size(); ++i) cube[i] = 0.1 * static_cast<double>(i) + 1.0 / 3.0;
    v.push_back(sfhost::makeParamValue({3, 2, 3}, cube));
    v.push_back(sfhost::makeParamValue({1, 2, 1, 2}, {1, 2, 3, 4}));
    v.push_back(sfhost::makeParamValue({1, 1}, {std::numeric_limits<double>::denorm_min()}));
    v.push_back(sfhost::makeParamValue({1, 1}, {std::numeric_limits<double>::infinity()}));
    v.push_back(sfhost::makeParamValue({1, 3}, {std::nextafter(1.0, 2.0), 1e308, -1e-308}));
    for (int i = 0; i < 5; ++i) v.push_back(sfhost::makeParamValue({1, 1}, {static_cast<double>(i)}));
    return v;
}

TEST(MatFiles, ParameterRoundTripAtEveryLevel) {
    MatDir dir;
    const auto values = oddShapes();
    for (MatFormat f : {MatFormat::Level5, MatFormat::Level7, MatFormat::Level73}) {
        const std::string path = dir / ("p" + std::to_string(static_cast<int>(f)) + ".mat");
        SCOPED_TRACE(path);
        sfhost::writeMatParameterFile(path, "Posjack", values, f);
        const auto back = sfhost::readMatParameterFile(path, "Posjack");
        ASSERT_EQ(back.size(), values.size());
        for (std::size_t i = 0; i < values.size(); ++i) {
            EXPECT_EQ(back[i].dims, values[i].dims) << i;
            EXPECT_TRUE(sameBits(back[i].data, values[i].data)) << i;
        }
        // The file is what MATLAB would see: matio's own reader agrees on a
        // 3-D array's layout.
        const ParamValue raw = readRaw(path, "basePivotLocations");
        EXPECT_EQ(raw.dims, (std::vector<std::size_t>{3, 2, 3}));
        EXPECT_TRUE(sameBits(raw.data, values[5].data));
    }
}

TEST(MatFiles, LevelsWrittenAsAsked) {
    MatDir dir;
    const auto values = oddShapes();
    struct Case {
        MatFormat format;
        mat_ft version;
    };
    for (Case c : {Case{MatFormat::Level5, MAT_FT_MAT5}, Case{MatFormat::Level7, MAT_FT_MAT5},
                   Case{MatFormat::Level73, MAT_FT_MAT73}}) {
        const std::string path = dir / "p.mat";
        sfhost::writeMatParameterFile(path, "Posjack", values, c.format);
        mat_t* mat = Mat_Open(path.c_str(), MAT_ACC_RDONLY);
        ASSERT_NE(mat, nullptr);
        EXPECT_EQ(Mat_GetVersion(mat), c.version);
        matvar_t* v = Mat_VarReadNextInfo(mat);
        ASSERT_NE(v, nullptr);
        if (c.version == MAT_FT_MAT5) {
            EXPECT_EQ(v->compression, c.format == MatFormat::Level7 ? MAT_COMPRESSION_ZLIB : MAT_COMPRESSION_NONE);
        }
        Mat_VarFree(v);
        Mat_Close(mat);
    }
}

// --- Refusals -------------------------------------------------------------------

// A Posjack file, good but for the variable `make` writes in place of rateType
// (or in addition, when `replace` is false).
void writePosjackWith(const std::string& path, const std::function<void(mat_t*)>& make, bool replace = true,
                      const std::string& skip = "rateType") {
    const auto values = oddShapes();
    const auto names = sfhost::dialogParameterNames("Posjack");
    writeRaw(path, [&](mat_t* mat) {
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (replace && names[i] == skip) continue;
            const std::string n(names[i]);
            putDouble(mat, n.c_str(), values[i].dims, values[i].data);
        }
        make(mat);
    });
}

struct BadKind {
    const char* label;
    std::function<matvar_t*(const char*)> make;
    const char* problem;
};

std::vector<BadKind> badKinds() {
    return {
        {"char",
         [](const char* n) {
             static char text[] = "abc";
             size_t d[2] = {1, 3};
             return Mat_VarCreate(n, MAT_C_CHAR, MAT_T_UTF8, 2, d, text, 0);
         },
         "is a char array"},
        {"complex",
         [](const char* n) {
             static double re[2] = {1, 2}, im[2] = {0, 1};
             static mat_complex_split_t z{re, im};
             size_t d[2] = {1, 2};
             return Mat_VarCreate(n, MAT_C_DOUBLE, MAT_T_DOUBLE, 2, d, &z, MAT_F_COMPLEX);
         },
         "is complex"},
        {"sparse",
         [](const char* n) {
             static double data[1] = {5};
             static mat_uint32_t ir[1] = {0}, jc[3] = {0, 1, 1};
             static mat_sparse_t s{1, ir, 1, jc, 3, 1, data};
             size_t d[2] = {2, 2};
             return Mat_VarCreate(n, MAT_C_SPARSE, MAT_T_DOUBLE, 2, d, &s, 0);
         },
         "is a sparse array"},
        {"logical",
         [](const char* n) {
             static mat_uint8_t b[1] = {1};
             size_t d[2] = {1, 1};
             return Mat_VarCreate(n, MAT_C_UINT8, MAT_T_UINT8, 2, d, b, MAT_F_LOGICAL);
         },
         "is a logical array"},
        {"int32",
         [](const char* n) {
             static mat_int32_t i[1] = {1};
             size_t d[2] = {1, 1};
             return Mat_VarCreate(n, MAT_C_INT32, MAT_T_INT32, 2, d, i, 0);
         },
         "is an int32 array"},
        {"single",
         [](const char* n) {
             static float f[1] = {1};
             size_t d[2] = {1, 1};
             return Mat_VarCreate(n, MAT_C_SINGLE, MAT_T_SINGLE, 2, d, f, 0);
         },
         "is a single array"},
        {"struct",
         [](const char* n) {
             const char* fields[1] = {"a"};
             size_t d[2] = {1, 1};
             matvar_t* s = Mat_VarCreateStruct(n, 2, d, fields, 1);
             size_t d1[2] = {1, 1};
             static double one = 1;
             Mat_VarSetStructFieldByName(s, "a", 0,
                                         Mat_VarCreate("a", MAT_C_DOUBLE, MAT_T_DOUBLE, 2, d1, &one, 0));
             return s;
         },
         "is a struct"},
        {"cell",
         [](const char* n) {
             size_t d[2] = {1, 1};
             // matio copies the list of cells and takes the cells themselves.
             matvar_t* cells[1];
             size_t d1[2] = {1, 1};
             static double one = 1;
             cells[0] = Mat_VarCreate("", MAT_C_DOUBLE, MAT_T_DOUBLE, 2, d1, &one, 0);
             return Mat_VarCreate(n, MAT_C_CELL, MAT_T_CELL, 2, d, cells, 0);
         },
         "is a cell array"},
    };
}

TEST(MatFiles, ParameterOfAnotherKindIsRefusedNamingIt) {
    MatDir dir;
    for (const BadKind& k : badKinds()) {
        SCOPED_TRACE(k.label);
        const std::string path = dir / (std::string(k.label) + ".mat");
        writePosjackWith(path, [&](mat_t* mat) { putVar(mat, k.make("rateType")); });
        expectRefusal([&] { sfhost::readMatParameterFile(path, "Posjack"); }, path, "rateType", k.problem);
    }
}

TEST(MatFiles, SignalOfAnotherKindIsRefusedNamingIt) {
    MatDir dir;
    for (const BadKind& k : badKinds()) {
        SCOPED_TRACE(k.label);
        const std::string path = dir / (std::string(k.label) + ".mat");
        writeRaw(path, [&](mat_t* mat) {
            putDouble(mat, "u0", {2, 1}, {1, 2});
            putVar(mat, k.make("u1"));
        });
        expectRefusal([&] { sfhost::readMatSignalFile(path); }, path, "u1", k.problem);
    }
}

TEST(MatFiles, MissingAndUnknownParametersAreRefused) {
    MatDir dir;
    const std::string missing = dir / "missing.mat";
    writePosjackWith(missing, [](mat_t*) {});
    expectRefusal([&] { sfhost::readMatParameterFile(missing, "Posjack"); }, missing, "rateType",
                  "missing (Posjack needs all its 15 dialog parameters)");

    // forwardIterations belongs to Jackpos only.
    const std::string unknown = dir / "unknown.mat";
    writePosjackWith(unknown, [](mat_t* mat) { putDouble(mat, "forwardIterations", {1, 1}, {3}); }, false);
    expectRefusal([&] { sfhost::readMatParameterFile(unknown, "Posjack"); }, unknown, "forwardIterations",
                  "unknown parameter for Posjack");

    // A misspelt name is reported as itself, not as the parameter it lacks.
    const std::string misspelt = dir / "misspelt.mat";
    writePosjackWith(misspelt, [](mat_t* mat) { putDouble(mat, "rateTyp", {1, 1}, {1}); });
    expectRefusal([&] { sfhost::readMatParameterFile(misspelt, "Posjack"); }, misspelt, "rateTyp",
                  "unknown parameter for Posjack");
}

TEST(MatFiles, UnreadableFilesAreRefusedNamingThem) {
    MatDir dir;
    const std::string absent = dir / "absent.mat";
    expectRefusal([&] { sfhost::readMatParameterFile(absent, "Posjack"); }, absent, "", "cannot open the file");
    const std::string text = dir / "text.mat";
    {
        std::ofstream(text) << "{\"actuatorTypes\": [1]}\n" << std::string(200, ' ') << "\n";
    }
    expectRefusal([&] { sfhost::readMatSignalFile(text); }, text, "", "not a MAT file");
    const std::string empty = dir / "empty.mat";
    { std::ofstream out(empty); }
    expectRefusal([&] { sfhost::readMatParameterFile(empty, "Posjack"); }, empty, "", "not a MAT file");
}

// A file cut short can still hand back variables with part of their data
// unread; every cut of a peer's file is refused, never read as numbers.
TEST(MatFiles, FilesCutShortAreRefused) {
    MatDir dir;
    // A 7.3 (HDF5) file from sfhost's writer besides Octave's levels 4 to 7.
    const std::string level73 = dir / "posjack73.mat";
    sfhost::writeMatParameterFile(level73, "Posjack", sfhost::readParameterFile(kHexapod + "/posjack.json", "Posjack"),
                                  MatFormat::Level73);
    for (const std::string& whole : {kFixtures + "/posjack_v7.mat", kFixtures + "/posjack_v6.mat",
                                    kFixtures + "/posjack_v4.mat", kFixtures + "/motion_v7.mat",
                                    kFixtures + "/motion_v6.mat", level73}) {
        const std::string file = fs::path(whole).filename().string();
        const std::string text = [&] {
            std::ifstream in(whole, std::ios::binary);
            return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        }();
        ASSERT_GT(text.size(), 1000u) << whole;
        const bool motion = file.rfind("motion", 0) == 0;
        for (double share : {0.3, 0.6, 0.9, 0.99}) {
            for (std::size_t cut : {static_cast<std::size_t>(share * static_cast<double>(text.size())), text.size() - 1}) {
                SCOPED_TRACE(file + " cut at " + std::to_string(cut));
                const std::string path = dir / "cut.mat";
                std::ofstream(path, std::ios::binary) << text.substr(0, cut);
                // A level 4 file has no file header, so a cut that falls
                // between two variables leaves a sound file that lacks some.
                try {
                    if (motion) sfhost::readMatSignalFile(path);
                    else sfhost::readMatParameterFile(path, "Posjack");
                    ADD_FAILURE() << "read without error";
                } catch (const InputError& e) {
                    const std::string problem = e.problem();
                    EXPECT_TRUE(problem.rfind("the file is damaged or cut short (", 0) == 0 ||
                                problem.rfind("missing", 0) == 0)
                        << e.what();
                    EXPECT_EQ(std::string(e.what()).find('\n'), std::string::npos) << e.what();
                }
            }
        }
    }
}

TEST(MatFiles, SignalsBecomeTheRowsTheCsvReaderGives) {
    MatDir dir;
    const std::string path = dir / "in.mat";
    // Three steps; u0 is 3x2, u1 is 3x1; written in column-major order.
    writeRaw(path, [](mat_t* mat) {
        putDouble(mat, "u1", {3, 1}, {7, 8, 9});
        putDouble(mat, "t", {3, 1}, {0, 0.001, 0.002});
        putDouble(mat, "u0", {3, 2}, {1, 2, 3, 4, 5, 6});
    });
    const auto table = sfhost::readMatSignalFile(path);
    const auto csv = sfhost::parseSignals("t,u0_0,u0_1,u1_0\n0,1,4,7\n0.001,2,5,8\n0.002,3,6,9\n", "in.csv");
    EXPECT_EQ(table.columns, csv.columns);
    EXPECT_TRUE(sameBits(table.values, csv.values));
    EXPECT_TRUE(sfhost::checkMatSignalPorts(table, {2, 1}, "Blk", path));
}

TEST(MatFiles, BadSignalFilesAreRefusedNamingTheVariable) {
    struct Case {
        const char* label;
        std::function<void(mat_t*)> make;
        const char* variable;
        const char* problem;
    };
    const std::vector<Case> cases{
        {"gap", [](mat_t* m) { putDouble(m, "u0", {2, 1}, {1, 2}); putDouble(m, "u2", {2, 1}, {1, 2}); }, "u1",
         "missing (the file has u2, so it needs u0 to u2)"},
        {"rows", [](mat_t* m) { putDouble(m, "u0", {2, 1}, {1, 2}); putDouble(m, "u1", {3, 1}, {1, 2, 3}); }, "u1",
         "has 3 rows (steps), u0 has 2"},
        {"time row", [](mat_t* m) { putDouble(m, "t", {1, 2}, {0, 1}); putDouble(m, "u0", {2, 1}, {1, 2}); }, "t",
         "is 1x2; t is a column of times, steps x 1"},
        {"3-D", [](mat_t* m) { putDouble(m, "u0", {2, 1, 2}, {1, 2, 3, 4}); }, "u0", "is 2x1x2"},
        {"unknown", [](mat_t* m) { putDouble(m, "u0", {1, 1}, {1}); putDouble(m, "y0", {1, 1}, {1}); }, "y0",
         "unknown variable (an input file holds t and u0, u1, ...)"},
        {"leading zero", [](mat_t* m) { putDouble(m, "u01", {1, 1}, {1}); }, "u01", "unknown variable"},
    };
    MatDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string path = dir / "bad.mat";
        writeRaw(path, c.make);
        expectRefusal([&] { sfhost::readMatSignalFile(path); }, path, c.variable, c.problem);
    }
}

TEST(MatFiles, SignalPortsCheckedAgainstTheBlock) {
    MatDir dir;
    const std::string path = dir / "in.mat";
    writeRaw(path, [](mat_t* m) {
        putDouble(m, "u0", {2, 2}, {1, 2, 3, 4});
        putDouble(m, "u1", {2, 1}, {1, 2});
    });
    const auto table = sfhost::readMatSignalFile(path);
    EXPECT_FALSE(sfhost::checkMatSignalPorts(table, {2, 1}, "Blk", path));
    expectRefusal([&] { sfhost::checkMatSignalPorts(table, {2, 3}, "Blk", path); }, path, "u1",
                  "has 1 columns, input port 1 of Blk has width 3");
    expectRefusal([&] { sfhost::checkMatSignalPorts(table, {2, 1, 4}, "Blk", path); }, path, "u2",
                  "missing (Blk has 3 input ports, u0 to u2)");
    expectRefusal([&] { sfhost::checkMatSignalPorts(table, {2}, "Blk", path); }, path, "u1",
                  "unexpected: Blk has 1 input ports");
}

// A matrix port's columns go out in the order they come (column-major), one
// variable per port, t first; read back through matio directly.
TEST(MatFiles, WriterGroupsColumnsIntoOneVariablePerPort) {
    MatDir dir;
    const std::string path = dir / "out.mat";
    sfhost::MatSignalWriter w(path, {{"t", 1}, {"Blk_y0", 2}, {"Blk_y1", 3}});
    const double r0[6] = {0.0, 1, 2, 10, 20, 30};
    const double r1[6] = {0.5, 3, 4, 40, 50, 60};
    w.writeRow(r0);
    w.writeRow(r1);
    w.finish();
    const ParamValue t = readRaw(path, "t");
    EXPECT_EQ(t.dims, (std::vector<std::size_t>{2, 1}));
    EXPECT_EQ(t.data, (std::vector<double>{0.0, 0.5}));
    const ParamValue y0 = readRaw(path, "Blk_y0");
    EXPECT_EQ(y0.dims, (std::vector<std::size_t>{2, 2}));
    EXPECT_EQ(y0.data, (std::vector<double>{1, 3, 2, 4}));
    const ParamValue y1 = readRaw(path, "Blk_y1");
    EXPECT_EQ(y1.dims, (std::vector<std::size_t>{2, 3}));
    EXPECT_EQ(y1.data, (std::vector<double>{10, 40, 20, 50, 30, 60}));
}

// An unwritable output fails when the writer is made, before any step runs;
// a writer dropped unfinished (a run that failed) leaves no file.
TEST(MatFiles, UnwritableOutputIsAFileError) {
    MatDir dir;
    const std::string path = dir / "no-such-dir/out.mat";
    try {
        sfhost::MatSignalWriter w(path, {{"y0", 1}});
        ADD_FAILURE() << "no error";
    } catch (const sfhost::FileError& e) {
        EXPECT_EQ(std::string(e.what()), path + ": cannot write the file");
    }
    const std::string dropped = dir / "dropped.mat";
    {
        sfhost::MatSignalWriter w(dropped, {{"y0", 1}});
        const double r[1] = {1};
        w.writeRow(r);
        EXPECT_TRUE(fs::exists(dropped));
    }
    EXPECT_FALSE(fs::exists(dropped));
}

}  // namespace
