// Signal files: CSV with one header row, then one row per step.
//
// Every cell after the header is a number. Numbers are written in the
// shortest form that reads back to the same double (std::to_chars), so a run
// written and read again is the same bit for bit.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace sfhost {

struct SignalTable {
    std::vector<std::string> columns;
    std::vector<double> values;  // row by row, columns.size() per row

    std::size_t rows() const { return columns.empty() ? 0 : values.size() / columns.size(); }
    double at(std::size_t row, std::size_t column) const { return values[row * columns.size() + column]; }
    const double* row(std::size_t r) const { return values.data() + r * columns.size(); }
};

// Parses a signal file. Trailing empty lines, a UTF-8 byte order mark and CR
// before LF are accepted; anything else that is not a number is an InputError
// naming the line and column (both 1-based).
SignalTable parseSignals(std::string_view text, const std::string& path);
SignalTable readSignalFile(const std::string& path);

// Checks the header against the columns a block expects: optionally a first
// column "t", then exactly `expected` in order. Returns whether "t" is there.
bool checkSignalColumns(const SignalTable& table, const std::vector<std::string>& expected,
                        const std::string& path);

// The shortest text that reads back to the same double.
std::string formatNumber(double value);
void appendNumber(std::string& out, double value);
// Reads one number cell as the reader does; false when it is not a number.
bool parseNumber(std::string_view text, double& value);

// Writes header and rows.
void writeSignals(std::ostream& out, const SignalTable& table);

// Streams a table row by row, for runs that produce rows as they go.
class SignalWriter {
public:
    SignalWriter(std::ostream& out, const std::vector<std::string>& columns);
    void writeRow(const double* values);  // columns.size() values
    void finish();                        // flushes; throws std::runtime_error on a write failure

private:
    std::ostream& out_;
    std::size_t width_;
    std::string buffer_;
};

}  // namespace sfhost
