// Runs the built `generic` program in scratch directories and compares the
// six files it writes with hand-written expected outputs.

#include <cerrno>
#include <cstring>
#include <map>
#include <ostream>
#include <utility>
#include <string>
#include <vector>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "scratch_dir.h"

namespace {

using namespace generator_test;

// Where the expected content of each output comes from: a scenario's own
// file where its lists change it, else the missing-list output.
std::map<std::string, fs::path> expectedOutputs(const std::string &scenario,
                                                const std::vector<std::string> &ownFiles)
{
    std::map<std::string, fs::path> expected;
    for (const char *file : kOutputs) {
        expected[file] = fixture("missing/expected") / file;
    }
    for (const std::string &file : ownFiles) {
        expected[file] = fixture(scenario + "/expected") / file;
    }
    return expected;
}

void copyInputs(const std::string &inputDir, const ScratchDir &dir)
{
    if (inputDir.empty()) {
        return;
    }
    for (const auto &entry : fs::directory_iterator(fixture(inputDir))) {
        fs::copy_file(entry.path(), dir / entry.path().filename().string());
    }
}

void expectOutputs(const ScratchDir &dir, const std::map<std::string, fs::path> &expected)
{
    for (const auto &[file, source] : expected) {
        ASSERT_TRUE(fs::exists(source)) << source;
        EXPECT_EQ(readFile(dir / file), readFile(source)) << file;
    }
}

struct GoldenCase {
    const char *name;
    const char *inputDir;                // empty: no lists at all
    const char *expectedScenario;
    std::vector<std::string> ownFiles;   // outputs the scenario's lists change
};

void PrintTo(const GoldenCase &c, std::ostream *os)
{
    *os << c.name;
}

class GoldenOutputs : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(GoldenOutputs, MatchExpectedFiles)
{
    const GoldenCase &c = GetParam();
    ScratchDir dir;
    ASSERT_FALSE(dir.path().empty());
    copyInputs(c.inputDir, dir);

    const RunResult run = runGeneric(dir.path());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.errors, "");
    expectOutputs(dir, expectedOutputs(c.expectedScenario, c.ownFiles));
}

INSTANTIATE_TEST_SUITE_P(
    Lists, GoldenOutputs,
    ::testing::Values(
        // Only the fixed lines (and the heap line's empty pieces).
        GoldenCase{"NoLists", "", "missing", {}},
        // Lines that are all comments or empty give the same files.
        GoldenCase{"OnlyComments", "comments_only/input", "missing", {}},
        // Line ends LF, CR LF, CR CR LF and none; 127- and 130-character
        // names; blanks at either end; selectors past 9.
        GoldenCase{"GenericList", "generic_list/input", "generic_list", {"generic.h", "generic.c"}},
        // Every marker, first heap sizes only, "#" and "%" interleaved, a
        // 126-character name cut in every line that holds it, a long comment
        // whose second piece is a record.
        GoldenCase{"ClassList", "class_list/input", "class_list",
                   {"configsim.c", "configsup.c", "configdsp.c", "makefile"}}),
    [](const ::testing::TestParamInfo<GoldenCase> &info) { return std::string(info.param.name); });

// Sets or clears the immutable attribute; false where the file system or
// the privileges do not allow it.
bool setImmutable(const fs::path &path, bool on)
{
    const int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0) {
        return false;
    }
    int flags = 0;
    bool done = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        done = ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    close(fd);
    return done;
}

// Clears the attribute again before the scratch directory is removed.
struct ImmutableGuard {
    std::vector<fs::path> files;
    ~ImmutableGuard()
    {
        for (const fs::path &file : files) {
            setImmutable(file, false);
        }
    }
};

// A list checked out read-only must read like any other. Root may open even
// a 0444 file for update, so the lists are also made immutable where the
// file system allows it: then only a read-only open succeeds.
void runOnReadOnlyLists(bool immutable)
{
    ScratchDir dir;
    ImmutableGuard guard;
    const std::pair<std::string, std::string> lists[] = {{"generic.dat", "generic_list/input"},
                                                         {"classes.dat", "class_list/input"}};
    for (const auto &[list, inputDir] : lists) {
        fs::copy_file(fixture(inputDir) / list, dir / list);
        ASSERT_EQ(chmod((dir / list).c_str(), 0444), 0);
        if (immutable) {
            if (!setImmutable(dir / list, true)) {
                GTEST_SKIP() << "the immutable attribute cannot be set here";
            }
            guard.files.push_back(dir / list);
            const int fd = open((dir / list).c_str(), O_RDWR);
            EXPECT_LT(fd, 0) << "an immutable list opened for update";
            if (fd >= 0) {
                close(fd);
            }
        }
    }

    const RunResult run = runGeneric(dir.path());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.errors, "");
    auto expected = expectedOutputs("class_list", {"configsim.c", "configsup.c", "configdsp.c", "makefile"});
    expected["generic.h"] = fixture("generic_list/expected/generic.h");
    expected["generic.c"] = fixture("generic_list/expected/generic.c");
    expectOutputs(dir, expected);
    for (const auto &[list, inputDir] : lists) {
        EXPECT_EQ(readFile(dir / list), readFile(fixture(inputDir) / list)) << list;
    }
}

TEST(ReadOnlyLists, Mode0444ReadsNormally)
{
    runOnReadOnlyLists(false);
}

TEST(ReadOnlyLists, ImmutableListReadsNormally)
{
    runOnReadOnlyLists(true);
}

// Lists that exist but fail on every read (directories) end each scan as the
// end of the file would, and read as empty.
TEST(UnreadableLists, ReadErrorReadsAsEmpty)
{
    ScratchDir dir;
    ASSERT_EQ(mkdir((dir / "generic.dat").c_str(), 0755), 0);
    ASSERT_EQ(mkdir((dir / "classes.dat").c_str(), 0755), 0);
    const RunResult run = runGeneric(dir.path());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.errors, "");
    expectOutputs(dir, expectedOutputs("missing", {}));
}

struct BlockedCase {
    const char *name;
    std::vector<std::string> directories;  // outputs replaced by a directory (cannot be created)
    std::vector<std::string> full;         // outputs linked to /dev/full (writes fail)
};

void PrintTo(const BlockedCase &c, std::ostream *os)
{
    *os << c.name;
}

class UnwritableOutputs : public ::testing::TestWithParam<BlockedCase> {};

TEST_P(UnwritableOutputs, ReportedAndOthersWritten)
{
    const BlockedCase &c = GetParam();
    ScratchDir dir;
    copyInputs("class_list/input", dir);
    for (const std::string &file : c.directories) {
        ASSERT_EQ(mkdir((dir / file).c_str(), 0755), 0);
    }
    for (const std::string &file : c.full) {
        ASSERT_EQ(symlink("/dev/full", (dir / file).c_str()), 0);
    }

    const RunResult run = runGeneric(dir.path());
    EXPECT_EQ(run.status, 1);

    // One line per failed file, in the order the passes run.
    std::string messages;
    for (const char *file : kOutputs) {
        for (const std::string &blocked : c.directories) {
            if (blocked == file) {
                messages += "generic: cannot write " + blocked + ": " + std::strerror(EISDIR) + "\n";
            }
        }
        for (const std::string &blocked : c.full) {
            if (blocked == file) {
                messages += "generic: cannot write " + blocked + ": " + std::strerror(ENOSPC) + "\n";
            }
        }
    }
    EXPECT_EQ(run.errors, messages);

    auto expected = expectedOutputs("class_list", {"configsim.c", "configsup.c", "configdsp.c", "makefile"});
    for (const std::string &file : c.directories) {
        EXPECT_TRUE(fs::is_directory(dir / file)) << file;
        expected.erase(file);
    }
    for (const std::string &file : c.full) {
        EXPECT_TRUE(fs::is_symlink(dir / file)) << file;
        expected.erase(file);
    }
    expectOutputs(dir, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, UnwritableOutputs,
    ::testing::Values(BlockedCase{"MakefileIsDirectory", {"makefile"}, {}},
                      BlockedCase{"SupervisorConfigOnFullDevice", {}, {"configsup.c"}},
                      BlockedCase{"HeaderAndDspConfigBlocked", {"generic.h"}, {"configdsp.c"}}),
    [](const ::testing::TestParamInfo<BlockedCase> &info) { return std::string(info.param.name); });

}  // namespace
