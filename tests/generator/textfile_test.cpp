// The text-file module: how lines are read, how read-only and unreadable
// lists behave, and how failed writes are carried back.

#include <cerrno>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "scratch_dir.h"
#include "textfile.h"

namespace {

using generator_test::ScratchDir;
using generator_test::readFile;
using generator_test::writeFile;

// The scan every pass runs: read until the end indicator (or an error).
std::vector<std::string> scanLines(const std::string &path)
{
    std::vector<std::string> lines;
    TextFile *file = fileOpenRead(path.c_str());
    char line[kTextSize];
    while (fileAtEnd(file) == 0 && lines.size() < 100) {
        const int length = fileReadLine(file, line, kTextSize);
        EXPECT_EQ(length, textLength(line));
        lines.emplace_back(line);
    }
    fileClose(file);
    return lines;
}

struct ReadCase {
    const char *what;
    std::string bytes;
    std::vector<std::string> lines;
};

TEST(TextFileRead, LinesAndLineEnds)
{
    const std::string s127(127, 's');
    const std::vector<ReadCase> cases = {
        // The end indicator is set only by a read that finds nothing, so a
        // final line end yields one more, empty, line.
        {"LF", "abc\n", {"abc", ""}},
        {"CR LF", "abc\r\n", {"abc", ""}},
        {"CR CR LF", "abc\r\r\n", {"abc", ""}},
        {"no line end at the end", "abc", {"abc"}},
        {"zero bytes", "", {""}},
        {"a line of only CR", "\r\nx\n", {"", "x", ""}},
        {"blanks at both ends stay", " lead\ttrail  \n", {" lead\ttrail  ", ""}},
        {"an inner CR stays", "a\rb\n", {"a\rb", ""}},
        // 127 characters fill the buffer; the line end is read on its own.
        {"127 characters", s127 + "\nnext\n", {s127, "", "next", ""}},
        {"128 characters", s127 + "t\nnext", {s127, "t", "next"}},
        {"128 characters with CR LF", s127 + "t\r\n", {s127, "t", ""}},
    };
    ScratchDir dir;
    for (const ReadCase &c : cases) {
        const std::string path = (dir / "list").string();
        writeFile(path, c.bytes);
        EXPECT_EQ(scanLines(path), c.lines) << c.what;
    }
}

TEST(TextFileRead, MissingFileReadsAsEmpty)
{
    ScratchDir dir;
    TextFile *file = fileOpenRead((dir / "absent.dat").c_str());
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->bad, 1);
    EXPECT_EQ(fileAtEnd(file), 1);
    char line[kTextSize] = "stale";
    EXPECT_EQ(fileReadLine(file, line, kTextSize), 0);
    EXPECT_STREQ(line, "");
    EXPECT_EQ(fileClose(file), ENOENT);
}

TEST(TextFileRead, OpensForReadingOnly)
{
    ScratchDir dir;
    const std::string path = (dir / "list").string();
    writeFile(path, "@A\n");
    TextFile *file = fileOpenRead(path.c_str());
    ASSERT_EQ(file->bad, 0);
    const int flags = fcntl(fileno(file->stream), F_GETFL);
    EXPECT_EQ(flags & O_ACCMODE, O_RDONLY);
    fileClose(file);
}

TEST(TextFileRead, ReadOnlyFileReadsAndStaysUnchanged)
{
    ScratchDir dir;
    const std::string path = (dir / "list").string();
    const std::string content = "#Motor\r\n%Ramp\n";
    writeFile(path, content);
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    struct stat before {};
    ASSERT_EQ(stat(path.c_str(), &before), 0);

    EXPECT_EQ(scanLines(path), (std::vector<std::string>{"#Motor", "%Ramp", ""}));

    struct stat after {};
    ASSERT_EQ(stat(path.c_str(), &after), 0);
    EXPECT_EQ(readFile(path), content);
    EXPECT_EQ(after.st_mode & 07777, 0444u);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
}

// Reading a directory fails without ever reaching the end of a file; a scan
// that waited for the end indicator would never stop.
TEST(TextFileRead, ReadErrorEndsTheScan)
{
    ScratchDir dir;
    const std::string path = (dir / "classes.dat").string();
    ASSERT_EQ(mkdir(path.c_str(), 0755), 0);
    TextFile *file = fileOpenRead(path.c_str());
    if (file->bad != 0) {
        fileClose(file);
        GTEST_SKIP() << "this C library does not open directories as streams";
    }
    EXPECT_EQ(fileAtEnd(file), 0);
    char line[kTextSize];
    EXPECT_EQ(fileReadLine(file, line, kTextSize), 0);
    EXPECT_STREQ(line, "");
    EXPECT_EQ(fileAtEnd(file), 1);
    fileClose(file);
}

TEST(TextFileWrite, WritesTextAndLineFeeds)
{
    ScratchDir dir;
    const std::string path = (dir / "out").string();
    writeFile(path, "old content that must go\n");
    TextFile *file = fileOpenWrite(path.c_str());
    ASSERT_EQ(file->bad, 0);
    fileWrite(file, "\t$(LIBDSP)/A.o");
    fileWriteLine(file, " \\");
    fileWriteLine(file, "");
    fileWriteLine(file, "end");
    EXPECT_EQ(fileClose(file), 0);
    EXPECT_EQ(readFile(path), "\t$(LIBDSP)/A.o \\\n\nend\n");
}

TEST(TextFileWrite, OutputThatCannotBeCreated)
{
    ScratchDir dir;
    const std::string path = (dir / "makefile").string();
    ASSERT_EQ(mkdir(path.c_str(), 0755), 0);
    TextFile *file = fileOpenWrite(path.c_str());
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->bad, 1);
    fileWriteLine(file, "dropped");
    EXPECT_EQ(fileClose(file), EISDIR);
}

// /dev/full takes the open but fails every write: a short text fails only
// when the buffer is flushed at close, a long one already while writing.
TEST(TextFileWrite, WriteThatFailsIsReported)
{
    for (const std::size_t length : {std::size_t{10}, std::size_t{100000}}) {
        TextFile *file = fileOpenWrite("/dev/full");
        ASSERT_EQ(file->bad, 0);
        const std::string text(length, 'w');
        fileWriteLine(file, text.c_str());
        EXPECT_EQ(fileClose(file), ENOSPC) << length << " characters";
    }
}

// A record that could not be allocated behaves as a failed open.
TEST(TextFileWrite, MissingRecordBehavesAsBad)
{
    char line[kTextSize] = "stale";
    EXPECT_EQ(fileAtEnd(nullptr), 1);
    EXPECT_EQ(fileReadLine(nullptr, line, kTextSize), 0);
    EXPECT_STREQ(line, "");
    fileWriteLine(nullptr, "dropped");
    EXPECT_EQ(fileClose(nullptr), ENOMEM);
}

}  // namespace
