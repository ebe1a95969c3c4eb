#include "param_file.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cctype>
#include <fstream>
#include <iterator>
#include <sstream>

#include "errors.h"

namespace sfhost {

namespace {

using nlohmann::json;

// The shared first ten parameters, then each block's own tail.
constexpr std::array<std::string_view, 17> kJackposNames{
    "actuatorTypes",     "numVelocitySensors", "numForceSensors",   "degreesOfFreedom",
    "headPivotLocations", "basePivotLocations", "linkPivotLocations", "accelLocations",
    "accelOrientations", "coordinateSystem",   "maxActuatorDispl",  "maxActuatorForce",
    "canonicalUnits",    "verticalAccelOffset", "jacobianUpdateMode", "rateType",
    "forwardIterations"};

constexpr std::array<std::string_view, 15> kPosjackNames{
    "actuatorTypes",     "numVelocitySensors", "numForceSensors",   "degreesOfFreedom",
    "headPivotLocations", "basePivotLocations", "linkPivotLocations", "accelLocations",
    "accelOrientations", "coordinateSystem",   "maxActuatorForce",  "canonicalUnits",
    "verticalAccelOffset", "jacobianUpdateMode", "rateType"};

std::string typeName(const json& v) {
    if (v.is_boolean()) return "a boolean";
    if (v.is_null()) return "null";
    if (v.is_string()) return "a string";
    if (v.is_object()) return "an object";
    if (v.is_array()) return "a list";
    return "a number";
}

double numberAt(const json& v, const std::string& path, const std::string& where) {
    if (!v.is_number()) throw InputError(path, where, "expected a number, found " + typeName(v));
    return v.get<double>();
}

// A list of numbers (no nested lists); used for the rows of 2- and 3-level lists.
std::vector<double> numberList(const json& v, const std::string& path, const std::string& where) {
    std::vector<double> out;
    out.reserve(v.size());
    for (std::size_t i = 0; i < v.size(); ++i) out.push_back(numberAt(v[i], path, jsonIndex(where, i)));
    return out;
}

void requireList(const json& v, const std::string& path, const std::string& where, const char* what) {
    if (!v.is_array()) throw InputError(path, where, std::string("expected ") + what + ", found " + typeName(v));
}

void requireLength(const json& v, std::size_t expected, const std::string& path, const std::string& where,
                   const char* what) {
    if (v.size() != expected)
        throw InputError(path, where,
                         std::string(what) + " has " + std::to_string(v.size()) + (v.size() == 1 ? " element" : " elements") + ", expected " +
                             std::to_string(expected) + " like the first");
}

ParamValue decodeSized(const json& v, const std::string& path, const std::string& where) {
    for (auto it = v.begin(); it != v.end(); ++it)
        if (it.key() != "size" && it.key() != "data")
            throw InputError(path, jsonMember(where, it.key()),
                             "unknown key \"" + it.key() + "\" (a sized value has \"size\" and \"data\")");
    if (!v.contains("size")) throw InputError(path, where, "missing \"size\"");
    if (!v.contains("data")) throw InputError(path, where, "missing \"data\"");
    const json& size = v["size"];
    const std::string sizePath = jsonMember(where, "size");
    requireList(size, path, sizePath, "a list of dimensions");
    if (size.size() < 2) throw InputError(path, sizePath, "needs at least two dimensions");
    std::vector<std::size_t> dims;
    std::size_t count = 1;
    for (std::size_t i = 0; i < size.size(); ++i) {
        const json& d = size[i];
        const std::string dPath = jsonIndex(sizePath, i);
        const double x = numberAt(d, path, dPath);
        // The range comes first: converting a double beyond size_t is undefined.
        if (!(x >= 0) || x > 1e9 || x != static_cast<double>(static_cast<std::size_t>(x)))
            throw InputError(path, dPath, "a dimension must be a whole number from 0 to 1e9");
        dims.push_back(static_cast<std::size_t>(x));
        count *= dims.back();
        if (count > 100'000'000) throw InputError(path, sizePath, "too many elements");
    }
    const json& data = v["data"];
    const std::string dataPath = jsonMember(where, "data");
    requireList(data, path, dataPath, "a list of numbers");
    if (data.size() != count)
        throw InputError(path, dataPath,
                         "has " + std::to_string(data.size()) + " numbers, the size asks for " +
                             std::to_string(count));
    return makeParamValue(std::move(dims), numberList(data, path, dataPath));
}

}  // namespace

std::string jsonMember(const std::string& parent, std::string_view key) {
    const bool plain = !key.empty() && !std::isdigit(static_cast<unsigned char>(key[0])) &&
                       std::all_of(key.begin(), key.end(), [](char c) {
                           return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
                       });
    if (plain) return parent + "." + std::string(key);
    return parent + "[" + json(std::string(key)).dump() + "]";
}

std::string jsonIndex(const std::string& parent, std::size_t index) {
    return parent + "[" + std::to_string(index) + "]";
}

std::span<const std::string_view> dialogParameterNames(std::string_view blockName) {
    if (blockName == "Jackpos") return kJackposNames;
    if (blockName == "Posjack") return kPosjackNames;
    return {};
}

nlohmann::json parseJsonText(std::string_view text, const std::string& path) {
    try {
        return json::parse(text.begin(), text.end());
    } catch (const json::parse_error& e) {
        // Turn the byte offset into a line and column; the library's own text
        // starts with an internal tag we leave out.
        const std::size_t end = std::min<std::size_t>(e.byte == 0 ? 0 : e.byte - 1, text.size());
        std::size_t line = 1, column = 1;
        for (std::size_t i = 0; i < end; ++i) {
            if (text[i] == '\n') {
                ++line;
                column = 1;
            } else {
                ++column;
            }
        }
        std::string what = e.what();
        if (auto p = what.find("syntax error"); p != std::string::npos) what = what.substr(p);
        else if (auto q = what.find(": "); q != std::string::npos) what = what.substr(q + 2);
        throw InputError(path, "line " + std::to_string(line) + ", column " + std::to_string(column),
                         "not valid JSON: " + what);
    } catch (const json::out_of_range& e) {
        // A number too large for a double (1e999) fails in the parser's number
        // conversion, which knows no position.
        std::string what = e.what();
        if (auto q = what.find("] "); q != std::string::npos) what = what.substr(q + 2);
        throw InputError(path, "", "not valid JSON: " + what);
    }
}

nlohmann::json readJsonFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw InputError(path, "", "cannot open the file");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw InputError(path, "", "cannot read the file");
    return parseJsonText(text, path);
}

ParamValue decodeValue(const nlohmann::json& v, const std::string& path, const std::string& where) {
    if (v.is_number()) return makeParamValue({1, 1}, {v.get<double>()});
    if (v.is_object()) return decodeSized(v, path, where);
    if (!v.is_array())
        throw InputError(path, where, "expected a number, a list or a sized value, found " + typeName(v));
    if (v.empty()) return makeParamValue({0, 0}, {});

    // The first element decides the depth; every sibling must agree.
    const json& first = v[0];
    if (first.is_number()) {  // 1xN
        std::vector<double> data = numberList(v, path, where);
        const std::size_t n = data.size();
        return makeParamValue({1, n}, std::move(data));
    }
    requireList(first, path, jsonIndex(where, 0), "a number or a list");
    const bool threeLevels = !first.empty() && first[0].is_array();
    const std::size_t m = v.size();

    if (!threeLevels) {  // MxN, outer = rows
        const std::size_t n = first.size();
        std::vector<double> data(m * n);
        for (std::size_t i = 0; i < m; ++i) {
            const std::string rowPath = jsonIndex(where, i);
            requireList(v[i], path, rowPath, "a list (a row)");
            requireLength(v[i], n, path, rowPath, "row");
            for (std::size_t j = 0; j < n; ++j) data[i + m * j] = numberAt(v[i][j], path, jsonIndex(rowPath, j));
        }
        return makeParamValue({m, n}, std::move(data));
    }

    // MxNxP: v[i][j][k] is element (i, j, k), column-major index i + m(j + n k).
    const std::size_t n = first.size();
    const std::size_t p = first[0].size();
    std::vector<double> data(m * n * p);
    for (std::size_t i = 0; i < m; ++i) {
        const std::string iPath = jsonIndex(where, i);
        requireList(v[i], path, iPath, "a list of lists");
        requireLength(v[i], n, path, iPath, "list");
        for (std::size_t j = 0; j < n; ++j) {
            const std::string jPath = jsonIndex(iPath, j);
            requireList(v[i][j], path, jPath, "a list of numbers");
            requireLength(v[i][j], p, path, jPath, "list");
            for (std::size_t k = 0; k < p; ++k) {
                const json& x = v[i][j][k];
                if (x.is_array()) throw InputError(path, jsonIndex(jPath, k), "lists nest at most three deep");
                data[i + m * (j + n * k)] = numberAt(x, path, jsonIndex(jPath, k));
            }
        }
    }
    return makeParamValue({m, n, p}, std::move(data));
}

std::vector<ParamValue> parametersFromJson(const nlohmann::json& doc, const std::string& path,
                                           std::string_view blockName) {
    std::vector<ParamValue> out;
    if (doc.is_array()) {
        out.reserve(doc.size());
        for (std::size_t i = 0; i < doc.size(); ++i) out.push_back(decodeValue(doc[i], path, jsonIndex("$", i)));
        return out;
    }
    if (!doc.is_object())
        throw InputError(path, "$", "expected an object of named parameters or a list of values, found " +
                                        typeName(doc));
    const auto names = dialogParameterNames(blockName);
    if (names.empty())
        throw InputError(path, "$",
                         "named parameters are known only for Jackpos and Posjack, not for \"" +
                             std::string(blockName) + "\"; give a list of values in dialog order");
    for (auto it = doc.begin(); it != doc.end(); ++it)
        if (std::find(names.begin(), names.end(), it.key()) == names.end())
            throw InputError(path, jsonMember("$", it.key()),
                             "unknown parameter \"" + it.key() + "\" for " + std::string(blockName));
    for (std::string_view name : names) {
        const std::string key(name);
        if (!doc.contains(key))
            throw InputError(path, "$", "missing parameter \"" + key + "\" for " + std::string(blockName));
        out.push_back(decodeValue(doc[key], path, jsonMember("$", key)));
    }
    return out;
}

std::vector<ParamValue> readParameterFile(const std::string& path, std::string_view blockName) {
    return parametersFromJson(readJsonFile(path), path, blockName);
}

std::string detectBlockName(const nlohmann::json& doc, const std::string& path) {
    if (doc.is_object()) return doc.contains("forwardIterations") || doc.contains("maxActuatorDispl") ? "Jackpos"
                                                                                                        : "Posjack";
    if (doc.is_array()) {
        if (doc.size() == kJackposNames.size()) return "Jackpos";
        if (doc.size() == kPosjackNames.size()) return "Posjack";
        throw InputError(path, "$",
                         "a list of " + std::to_string(doc.size()) +
                             " values is neither Jackpos's 17 nor Posjack's 15 parameters");
    }
    throw InputError(path, "$", "expected an object of named parameters or a list of values, found " +
                                    typeName(doc));
}

ParamValue makeParamValue(std::vector<std::size_t> dims, std::vector<double> data) {
    while (dims.size() < 2) dims.push_back(1);
    while (dims.size() > 2 && dims.back() == 1) dims.pop_back();
    return ParamValue{std::move(dims), std::move(data)};
}

}  // namespace sfhost
