// Fuzz target: sfhost's readers of parameter files (JSON) and signal files
// (CSV). Every input is given to both readers.
//
// A reader must either give a well-formed result or throw sfhost::InputError
// (the message that names the file and the place); any other exception, a
// sanitizer report or a hang is a finding. Results are checked as well:
// - a parameter value has at least two dimensions, no trailing singleton past
//   the second, and exactly as many data as its dimensions ask for;
// - a signal table holds whole rows, and writing it and reading it back
//   gives the same numbers bit for bit (NaN stays NaN).
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <sstream>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "csv_signals.h"
#include "errors.h"
#include "param_file.h"

namespace {

[[noreturn]] void fail(const char *what, const std::string &detail = {})
{
    std::fprintf(stderr, "fuzz_sfhost_readers: %s %s\n", what, detail.c_str());
    std::abort();
}

void checkValue(const sfhost::ParamValue &value)
{
    if (value.dims.size() < 2) {
        fail("parameter value with fewer than two dimensions");
    }
    if (value.dims.size() > 2 && value.dims.back() == 1) {
        fail("parameter value keeps a trailing singleton dimension");
    }
    // The product is formed with an overflow check: dimensions that multiply
    // past size_t but hold no data would still have to describe that data.
    std::size_t count = 1;
    for (std::size_t d : value.dims) {
        if (d != 0 && count > SIZE_MAX / d) {
            if (!value.data.empty()) {
                fail("parameter dimensions overflow");
            }
            count = SIZE_MAX;
        } else {
            count *= d;
        }
    }
    if (count != value.data.size()) {
        fail("parameter data count differs from its dimensions");
    }
}

void readParameters(std::string_view text)
{
    nlohmann::json doc;
    try {
        doc = sfhost::parseJsonText(text, "fuzz.json");
    } catch (const sfhost::InputError &) {
        return;
    }
    std::string detected;
    try {
        detected = sfhost::detectBlockName(doc, "fuzz.json");
        if (detected != "Jackpos" && detected != "Posjack") {
            fail("detected an unknown block", detected);
        }
    } catch (const sfhost::InputError &) {
    }
    for (const char *block : {"Jackpos", "Posjack", "Other"}) {
        try {
            const auto values = sfhost::parametersFromJson(doc, "fuzz.json", block);
            if (doc.is_object() && values.size() != sfhost::dialogParameterNames(block).size()) {
                fail("named parameters not in dialog count for", block);
            }
            for (const auto &value : values) {
                checkValue(value);
            }
        } catch (const sfhost::InputError &) {
        }
    }
}

bool sameNumber(double a, double b)
{
    if (std::isnan(a) || std::isnan(b)) {
        return std::isnan(a) && std::isnan(b);
    }
    return std::memcmp(&a, &b, sizeof a) == 0;
}

void readSignals(std::string_view text)
{
    sfhost::SignalTable table;
    try {
        table = sfhost::parseSignals(text, "fuzz.csv");
    } catch (const sfhost::InputError &) {
        return;
    }
    if (table.columns.empty() || table.values.size() % table.columns.size() != 0) {
        fail("signal table without whole rows");
    }
    for (const auto &name : table.columns) {
        if (name.empty()) {
            fail("signal table with an empty column name");
        }
    }
    try {
        (void)sfhost::checkSignalColumns(table, {"a", "b"}, "fuzz.csv");
    } catch (const sfhost::InputError &) {
    }

    // The round trip is about the numbers: the header is written with plain
    // names, since a name may hold bytes (a lone carriage return, a second
    // byte order mark) that the reader drops at the start or end of a line.
    sfhost::SignalTable plain = table;
    for (std::size_t i = 0; i < plain.columns.size(); ++i) {
        plain.columns[i] = "c" + std::to_string(i);
    }
    std::ostringstream out;
    sfhost::writeSignals(out, plain);
    sfhost::SignalTable again;
    try {
        again = sfhost::parseSignals(out.str(), "again.csv");
    } catch (const sfhost::InputError &e) {
        fail("a written table does not read back:", e.what());
    }
    if (again.values.size() != table.values.size()) {
        fail("a written table reads back with another size");
    }
    for (std::size_t i = 0; i < table.values.size(); ++i) {
        if (!sameNumber(table.values[i], again.values[i])) {
            fail("a number does not survive writing and reading:", sfhost::formatNumber(table.values[i]));
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    try {
        readParameters(text);
        readSignals(text);
    } catch (const std::exception &e) {
        fail("a reader threw something other than InputError:", e.what());
    }
    return 0;
}
