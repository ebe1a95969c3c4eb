// The fixed-buffer string operations every pass composes its lines with.

#include <climits>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "textfile.h"

namespace {

struct TextCase {
    const char *what;
    std::function<std::string()> run;
    std::string expected;
};

std::string repeated(char c, int count)
{
    return std::string(static_cast<std::size_t>(count), c);
}

std::string copied(const std::string &source, int size)
{
    char destination[kTextSize];
    textCopy(destination, source.c_str(), size);
    return destination;
}

std::string appended(const std::string &start, const std::string &source)
{
    char destination[kTextSize];
    textCopy(destination, start.c_str(), kTextSize);
    textAppend(destination, source.c_str(), kTextSize);
    return destination;
}

// textMid the way the passes call it: the line buffer as both ends.
std::string midInPlace(const std::string &line, int from, int count)
{
    char buffer[kTextSize];
    textCopy(buffer, line.c_str(), kTextSize);
    textMid(buffer, buffer, from, count);
    return buffer;
}

std::string midInto(const std::string &previous, const std::string &source, int from, int count)
{
    char destination[kTextSize];
    textCopy(destination, previous.c_str(), kTextSize);
    textMid(destination, source.c_str(), from, count);
    return destination;
}

std::string number(int base, int value)
{
    char text[kTextSize];
    intToText(base, text, value);
    return text;
}

std::string stripped(const std::string &line)
{
    char buffer[kTextSize];
    textCopy(buffer, line.c_str(), kTextSize);
    stripLineEnd(buffer);
    return buffer;
}

TEST(TextOperations, Table)
{
    const std::vector<TextCase> cases = {
        {"copy of a short text", [] { return copied("abc", kTextSize); }, "abc"},
        {"copy cut at 127", [] { return copied(repeated('c', 200), kTextSize); }, repeated('c', 127)},
        {"copy cut at size - 1", [] { return copied("abcdef", 4); }, "abc"},
        {"append joins", [] { return appended("ab", "cd"); }, "abcd"},
        {"append onto 126 takes one character", [] { return appended(repeated('a', 126), "xyz"); },
         repeated('a', 126) + "x"},
        {"append onto 127 leaves it unchanged", [] { return appended(repeated('a', 127), "xyz"); },
         repeated('a', 127)},
        {"append of a long text cut at 127", [] { return appended("ab", repeated('z', 300)); },
         "ab" + repeated('z', 125)},

        {"mid from 2 drops the marker", [] { return midInPlace("#Motor", 2, kTextSize); }, "Motor"},
        {"mid keeps blanks after the marker", [] { return midInPlace("@ Beta  ", 2, kTextSize); }, " Beta  "},
        {"mid of a marker alone is empty", [] { return midInPlace("#", 2, kTextSize); }, ""},
        {"mid from 0 counts as 1", [] { return midInPlace("abc", 0, kTextSize); }, "abc"},
        {"mid from -5 counts as 1", [] { return midInPlace("abc", -5, kTextSize); }, "abc"},
        {"mid copies at most count - 1", [] { return midInPlace("abcdef", 2, 3); }, "bc"},
        {"mid of 127 characters from 2", [] { return midInPlace(repeated('m', 127), 2, kTextSize); },
         repeated('m', 126)},
        {"mid just past the end gives empty", [] { return midInto("keep", "abc", 4, kTextSize); }, ""},
        {"mid further past the end leaves the destination", [] { return midInto("keep", "abc", 5, kTextSize); },
         "keep"},

        {"0 in base 10", [] { return number(10, 0); }, "0"},
        {"minus twelve", [] { return number(10, -12); }, "-12"},
        {"selector 10", [] { return number(10, 10); }, "10"},
        {"largest int", [] { return number(10, INT_MAX); }, "2147483647"},
        {"smallest int", [] { return number(10, INT_MIN); }, "-2147483648"},
        {"255 in base 16", [] { return number(16, 255); }, "FF"},
        {"4096 in base 16", [] { return number(16, 4096); }, "1000"},
        {"-255 in base 16", [] { return number(16, -255); }, "-FF"},
        {"0 in base 16", [] { return number(16, 0); }, "0"},
        {"smallest int in base 16", [] { return number(16, INT_MIN); }, "-80000000"},

        {"strip CR CR LF", [] { return stripped("abc\r\r\n"); }, "abc"},
        {"strip any mix of line ends", [] { return stripped("a\n\r\n\r"); }, "a"},
        {"strip keeps blanks and tabs", [] { return stripped(" two  \t\r\n"); }, " two  \t"},
        {"strip keeps an inner CR", [] { return stripped("a\rb\n"); }, "a\rb"},
        {"strip of a lone CR is empty", [] { return stripped("\r"); }, ""},
    };
    for (const TextCase &c : cases) {
        EXPECT_EQ(c.run(), c.expected) << c.what;
    }
}

}  // namespace
