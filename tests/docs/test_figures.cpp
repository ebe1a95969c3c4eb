// The checked-in figures of the user guide must be exactly what the figure
// generator draws from the kinematics core today; scripts/figures redraws them.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "figures.h"

namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

const std::vector<docs::Figure>& figures() {
    static const std::vector<docs::Figure> all = docs::makeFigures(HEXAPOD_PARAMS);
    return all;
}

std::string fixed2(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", v);
    return buf;
}

// make_figures (what scripts/figures runs) draws into a scratch directory;
// every figure it writes must equal the checked-in one.
TEST(Figures, CheckedInFiguresMatchTheGenerator) {
    std::string pattern = (fs::temp_directory_path() / "docs-figures.XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const fs::path scratch = pattern;
    const std::string command = std::string("'") + MAKE_FIGURES_PATH + "' '" + scratch.string() + "' '" +
                                HEXAPOD_PARAMS + "' > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    std::size_t drawn = 0;
    for (const auto& entry : fs::directory_iterator(scratch)) {
        ++drawn;
        const fs::path checkedIn = fs::path(DOCS_DIR) / "figures" / entry.path().filename();
        ASSERT_TRUE(fs::exists(checkedIn)) << checkedIn << " is missing; run scripts/figures";
        EXPECT_TRUE(readFile(checkedIn) == readFile(entry.path()))
            << checkedIn << " differs from the generator's drawing; run scripts/figures";
    }
    EXPECT_EQ(drawn, figures().size());
    fs::remove_all(scratch);
}

TEST(Figures, NoStaleFigureIsCheckedIn) {
    std::set<std::string> generated;
    for (const docs::Figure& f : figures()) generated.insert(f.fileName);
    for (const auto& entry : fs::directory_iterator(fs::path(DOCS_DIR) / "figures")) {
        if (entry.path().extension() != ".svg") continue;
        EXPECT_TRUE(generated.count(entry.path().filename().string()))
            << entry.path() << " is not drawn by the generator any more";
    }
}

TEST(Figures, GenerationIsRepeatable) {
    const std::vector<docs::Figure> again = docs::makeFigures(HEXAPOD_PARAMS);
    ASSERT_EQ(again.size(), figures().size());
    for (std::size_t i = 0; i < again.size(); ++i) EXPECT_TRUE(again[i].svg == figures()[i].svg) << again[i].fileName;
}

// The strut figure's lengths, worked out by hand from its dialog values: head
// pivot (150, 0, 400), base pivot (260, 0, 0), kinematic origin 400 mm up, and
// the pose x 25, z 40, pitch 6 degrees (a head point h sits at t + Ry(pitch) h).
TEST(Figures, StrutFigureShowsTheLengthsOfItsGeometry) {
    const docs::Figure* strut = nullptr;
    for (const docs::Figure& f : figures())
        if (f.fileName == "type1-strut.svg") strut = &f;
    ASSERT_NE(strut, nullptr);
    const double zero = std::hypot(150.0 - 260.0, 400.0 - 0.0);
    const double p = 6.0 * 3.14159265358979323846 / 180.0;
    const double hx = 25.0 + 150.0 * std::cos(p), hz = 40.0 - 150.0 * std::sin(p);
    const double moved = std::hypot(hx - 260.0, hz - (-400.0));
    EXPECT_NE(strut->svg.find("zero pose, L = " + fixed2(zero) + "."), std::string::npos) << fixed2(zero);
    EXPECT_NE(strut->svg.find("L = " + fixed2(moved) + "."), std::string::npos) << fixed2(moved);
}

}  // namespace
