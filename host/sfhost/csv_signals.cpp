#include "csv_signals.h"

#include <charconv>
#include <fstream>
#include <iterator>
#include <ostream>
#include <stdexcept>
#include <system_error>

#include "errors.h"

namespace sfhost {

namespace {

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

std::string place(std::size_t line, std::size_t column) {
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

// Splits one line at commas; each cell with its 1-based column.
template <typename F>
void forEachCell(std::string_view line, F&& f) {
    std::size_t column = 1;
    for (;;) {
        const std::size_t comma = line.find(',');
        f(trim(line.substr(0, comma)), column);
        if (comma == std::string_view::npos) break;
        line.remove_prefix(comma + 1);
        ++column;
    }
}

std::size_t countCells(std::string_view line) {
    std::size_t n = 1;
    for (char c : line) n += (c == ',');
    return n;
}

std::string counted(std::size_t n, const char* noun) {
    return std::to_string(n) + " " + noun + (n == 1 ? "" : "s");
}

std::string quoted(std::string_view s) {
    constexpr std::size_t kShown = 40;
    std::string out = "\"";
    out += s.substr(0, kShown);
    if (s.size() > kShown) out += "...";
    return out + "\"";
}

}  // namespace

bool parseNumber(std::string_view text, double& value) {
    // from_chars refuses a leading '+', which hand-written files often have.
    if (text.size() > 1 && text[0] == '+' && text[1] != '-' && text[1] != '+') text.remove_prefix(1);
    if (text.empty()) return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    // Out-of-range magnitudes are refused too: they would not round-trip.
    return ec == std::errc() && end == text.data() + text.size();
}

SignalTable parseSignals(std::string_view text, const std::string& path) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);

    // Lines, without their end-of-line characters; trailing empty lines dropped.
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        if (nl == std::string_view::npos) break;
        text.remove_prefix(nl + 1);
    }
    while (!lines.empty() && trim(lines.back()).empty()) lines.pop_back();
    if (lines.empty()) throw InputError(path, "line 1", "no header row (the file is empty)");

    SignalTable table;
    forEachCell(lines[0], [&](std::string_view name, std::size_t column) {
        if (name.empty()) throw InputError(path, place(1, column), "empty column name");
        table.columns.emplace_back(name);
    });
    const std::size_t width = table.columns.size();
    table.values.reserve((lines.size() - 1) * width);

    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::size_t lineNo = i + 1;
        const std::size_t cells = countCells(lines[i]);
        if (cells != width)
            throw InputError(path, "line " + std::to_string(lineNo),
                             "has " + counted(cells, "cell") + ", the header has " + std::to_string(width));
        forEachCell(lines[i], [&](std::string_view cell, std::size_t column) {
            double v = 0.0;
            if (cell.empty()) throw InputError(path, place(lineNo, column), "empty cell");
            if (!parseNumber(cell, v))
                throw InputError(path, place(lineNo, column), "not a number: " + quoted(cell));
            table.values.push_back(v);
        });
    }
    return table;
}

SignalTable readSignalFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw InputError(path, "", "cannot open the file");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw InputError(path, "", "cannot read the file");
    return parseSignals(text, path);
}

bool checkSignalColumns(const SignalTable& table, const std::vector<std::string>& expected,
                        const std::string& path) {
    const bool hasTime = !table.columns.empty() && table.columns[0] == "t";
    const std::size_t offset = hasTime ? 1 : 0;
    const std::size_t given = table.columns.size() - offset;
    if (given != expected.size()) {
        std::string want = expected.empty() ? std::string("none")
                                            : expected.front() + " .. " + expected.back();
        throw InputError(path, "line 1",
                         "has " + counted(given, "input column") + (hasTime ? " after t" : "") +
                             ", expected " + std::to_string(expected.size()) + " (" + want + ")");
    }
    for (std::size_t i = 0; i < expected.size(); ++i)
        if (table.columns[offset + i] != expected[i])
            throw InputError(path, place(1, offset + i + 1),
                             "column " + quoted(table.columns[offset + i]) + ", expected " + quoted(expected[i]));
    return hasTime;
}

void appendNumber(std::string& out, double value) {
    char buf[64];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, end);
    (void)ec;  // 64 characters always suffice for a double
}

std::string formatNumber(double value) {
    std::string s;
    appendNumber(s, value);
    return s;
}

SignalWriter::SignalWriter(std::ostream& out, const std::vector<std::string>& columns)
    : out_(out), width_(columns.size()) {
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (i) buffer_ += ',';
        buffer_ += columns[i];
    }
    buffer_ += '\n';
}

void SignalWriter::writeRow(const double* values) {
    for (std::size_t i = 0; i < width_; ++i) {
        if (i) buffer_ += ',';
        appendNumber(buffer_, values[i]);
    }
    buffer_ += '\n';
    if (buffer_.size() >= (1u << 16)) {
        out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
        buffer_.clear();
    }
}

void SignalWriter::finish() {
    out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
    buffer_.clear();
    out_.flush();
    if (!out_) throw std::runtime_error("writing the output failed");
}

void writeSignals(std::ostream& out, const SignalTable& table) {
    SignalWriter w(out, table.columns);
    for (std::size_t r = 0; r < table.rows(); ++r) w.writeRow(table.row(r));
    w.finish();
}

}  // namespace sfhost
