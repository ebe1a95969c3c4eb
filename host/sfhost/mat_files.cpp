#include "mat_files.h"

#include <matio.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

#include "errors.h"
#include "param_file.h"

namespace sfhost {

namespace {

// matio reports its troubles through a process-wide log function whose
// default prints to standard error; sfhost prints one line per error itself,
// so the library's text is kept here and shown only as a detail. matio says
// nothing while it reads a sound file, but a file cut short or damaged may
// still hand back variables (with data partly unread) and only leave a
// warning here, so any message at all means the file is refused.
thread_local std::string lastMatioMessage;

// Only the first line is kept: HDF5's error stacks (7.3 files) come through
// here too and span several lines, and sfhost's errors are one line each.
void keepMatioMessage(int, char* message) {
    if (!lastMatioMessage.empty()) return;
    std::string_view text = message && *message ? message : "?";
    text = text.substr(0, text.find('\n'));
    lastMatioMessage = text.empty() ? "?" : std::string(text);
}

void refuseIfMatioComplained(const std::string& path, const std::string& place) {
    if (!lastMatioMessage.empty())
        throw InputError(path, place, "the file is damaged or cut short (" + lastMatioMessage + ")");
}

void quietMatio() {
    static std::once_flag once;
    std::call_once(once, [] { Mat_LogInitFunc("sfhost", keepMatioMessage); });
}

struct FileCloser {
    void operator()(mat_t* m) const { Mat_Close(m); }
};
struct VarFreer {
    void operator()(matvar_t* v) const { Mat_VarFree(v); }
};
using MatFile = std::unique_ptr<mat_t, FileCloser>;
using MatVar = std::unique_ptr<matvar_t, VarFreer>;

std::string variablePlace(std::string_view name) { return "variable " + std::string(name); }

MatFile openForReading(const std::string& path) {
    quietMatio();
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) throw InputError(path, "", "cannot open the file");
    if (std::filesystem::is_directory(path, ec)) throw InputError(path, "", "is a directory, not a MAT file");
    if (!std::ifstream(path, std::ios::binary)) throw InputError(path, "", "cannot open the file");
    // matio takes an empty file for a level 4 file without variables.
    if (std::filesystem::file_size(path, ec) == 0) throw InputError(path, "", "is empty, not a MAT file");
    lastMatioMessage.clear();
    MatFile mat(Mat_Open(path.c_str(), MAT_ACC_RDONLY));
    if (!mat) throw InputError(path, "", "not a MAT file (levels 4, 5, 7 and 7.3 are read)");
    return mat;
}

// Every variable's header, in file order, without the data.
std::vector<MatVar> variableInfos(mat_t* mat, const std::string& path) {
    std::vector<MatVar> out;
    Mat_Rewind(mat);
    while (matvar_t* v = Mat_VarReadNextInfo(mat)) {
        out.emplace_back(v);
        if (!v->name || !*v->name) throw InputError(path, "", "the file is damaged or cut short (a variable without a name)");
    }
    Mat_Rewind(mat);
    refuseIfMatioComplained(path, "");
    return out;
}

const char* className(matio_classes c) {
    switch (c) {
        case MAT_C_EMPTY: return "an empty value without class";
        case MAT_C_CELL: return "a cell array";
        case MAT_C_STRUCT: return "a struct";
        case MAT_C_OBJECT: return "an object";
        case MAT_C_CHAR: return "a char array";
        case MAT_C_SPARSE: return "a sparse array";
        case MAT_C_DOUBLE: return "a double array";
        case MAT_C_SINGLE: return "a single array";
        case MAT_C_INT8: return "an int8 array";
        case MAT_C_UINT8: return "a uint8 array";
        case MAT_C_INT16: return "an int16 array";
        case MAT_C_UINT16: return "a uint16 array";
        case MAT_C_INT32: return "an int32 array";
        case MAT_C_UINT32: return "a uint32 array";
        case MAT_C_INT64: return "an int64 array";
        case MAT_C_UINT64: return "a uint64 array";
        case MAT_C_FUNCTION: return "a function handle";
        case MAT_C_OPAQUE: return "an opaque object";
    }
    return "of an unknown class";
}

// Why a variable is not a real full double array, or nothing when it is.
std::optional<std::string> notRealDouble(const matvar_t& v) {
    if (v.class_type == MAT_C_SPARSE) return std::string("is a sparse array");
    if (v.isLogical) return std::string("is a logical array");
    if (v.class_type != MAT_C_DOUBLE) return std::string("is ") + className(v.class_type);
    if (v.isComplex) return std::string("is complex");
    return std::nullopt;
}

std::vector<std::size_t> dimsOf(const matvar_t& v) {
    std::vector<std::size_t> dims(v.dims, v.dims + std::max(v.rank, 0));
    return dims;
}

std::string shapeText(const std::vector<std::size_t>& dims) {
    std::string s;
    for (std::size_t i = 0; i < dims.size(); ++i) s += (i ? "x" : "") + std::to_string(dims[i]);
    return s;
}

// Reads one variable whose header passed the checks; its data as a ParamValue.
ParamValue readDouble(mat_t* mat, const std::string& path, const std::string& name, const char* what) {
    MatVar v(Mat_VarRead(mat, name.c_str()));
    refuseIfMatioComplained(path, variablePlace(name));
    if (!v) throw InputError(path, variablePlace(name), "cannot read the variable");
    if (auto why = notRealDouble(*v)) throw InputError(path, variablePlace(name), *why + "; " + what);
    std::vector<std::size_t> dims = dimsOf(*v);
    std::size_t count = 1;
    for (std::size_t d : dims) {
        if (d != 0 && count > std::numeric_limits<std::size_t>::max() / d)
            throw InputError(path, variablePlace(name), "has too many elements");
        count *= d;
    }
    if (dims.size() < 2) throw InputError(path, variablePlace(name), "has fewer than two dimensions");
    std::vector<double> data;
    if (count > 0) {
        if (!v->data || v->data_type != MAT_T_DOUBLE || v->nbytes != count * sizeof(double))
            throw InputError(path, variablePlace(name), "cannot read the data");
        const double* p = static_cast<const double*>(v->data);
        data.assign(p, p + count);
    }
    return makeParamValue(std::move(dims), std::move(data));
}

mat_ft matioVersion(MatFormat f) {
    return f == MatFormat::Level73 ? MAT_FT_MAT73 : MAT_FT_MAT5;
}

matio_compression matioCompression(MatFormat f) {
    return f == MatFormat::Level5 ? MAT_COMPRESSION_NONE : MAT_COMPRESSION_ZLIB;
}

// "u3" gives 3; nothing for any other name ("u", "u03", "ux").
std::optional<std::size_t> inputIndex(std::string_view name) {
    if (name.size() < 2 || name[0] != 'u') return std::nullopt;
    std::string_view digits = name.substr(1);
    if (digits.size() > 1 && digits[0] == '0') return std::nullopt;
    std::size_t k = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), k);
    if (ec != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    return k;
}

constexpr const char* kParamWhat = "a parameter must be a real double array";
constexpr const char* kSignalWhat = "a signal must be a real double array, steps x width";

}  // namespace

bool isMatFile(const std::string& path) {
    const std::string ext = std::filesystem::path(path).extension().string();
    return ext.size() == 4 && ext[0] == '.' && std::tolower(static_cast<unsigned char>(ext[1])) == 'm' &&
           std::tolower(static_cast<unsigned char>(ext[2])) == 'a' &&
           std::tolower(static_cast<unsigned char>(ext[3])) == 't';
}

std::vector<std::string> matVariableNames(const std::string& path) {
    MatFile mat = openForReading(path);
    std::vector<std::string> names;
    for (const MatVar& v : variableInfos(mat.get(), path)) names.emplace_back(v->name ? v->name : "");
    return names;
}

ParamValue readMatArray(const std::string& path, const std::string& name) {
    MatFile mat = openForReading(path);
    for (const MatVar& v : variableInfos(mat.get(), path))
        if (v->name && name == v->name) return readDouble(mat.get(), path, name, kParamWhat);
    throw InputError(path, variablePlace(name), "missing");
}

std::vector<ParamValue> readMatParameterFile(const std::string& path, std::string_view blockName) {
    const auto names = dialogParameterNames(blockName);
    if (names.empty())
        throw InputError(path, "",
                         "MAT parameter files are known only for Jackpos and Posjack, not for \"" +
                             std::string(blockName) + "\"");
    MatFile mat = openForReading(path);
    const std::vector<MatVar> infos = variableInfos(mat.get(), path);
    const std::string block(blockName);

    // Unknown names first: a misspelt name would otherwise show up as the
    // missing one it was meant to be, hiding the actual mistake.
    std::map<std::string, const matvar_t*, std::less<>> byName;
    for (const MatVar& v : infos) {
        const std::string name = v->name ? v->name : "";
        if (std::find(names.begin(), names.end(), name) == names.end())
            throw InputError(path, variablePlace(name), "unknown parameter for " + block);
        byName.emplace(name, v.get());
    }
    for (std::string_view name : names) {
        auto it = byName.find(name);
        if (it == byName.end())
            throw InputError(path, variablePlace(name),
                             "missing (" + block + " needs all its " + std::to_string(names.size()) +
                                 " dialog parameters)");
        if (auto why = notRealDouble(*it->second)) throw InputError(path, variablePlace(name), *why + "; " + kParamWhat);
    }
    std::vector<ParamValue> out;
    out.reserve(names.size());
    for (std::string_view name : names) out.push_back(readDouble(mat.get(), path, std::string(name), kParamWhat));
    return out;
}

std::string detectMatBlockName(const std::string& path) {
    const auto names = matVariableNames(path);
    const bool jackpos = std::any_of(names.begin(), names.end(), [](const std::string& n) {
        return n == "forwardIterations" || n == "maxActuatorDispl";
    });
    return jackpos ? "Jackpos" : "Posjack";
}

namespace {

// Writes `count` variables, each made by `make` only when its turn comes, so
// that a long run's output needs one variable's copy at a time.
void writeMatFile(const std::string& path, MatFormat format, std::size_t count,
                  const std::function<MatMatrix(std::size_t)>& make) {
    quietMatio();
    lastMatioMessage.clear();
    // matio creates the file anew; a stale file of the same name must not
    // survive a failed write. Only an ordinary file is ever removed.
    std::error_code ec;
    if (std::filesystem::is_regular_file(path, ec)) std::filesystem::remove(path, ec);
    MatFile mat(Mat_CreateVer(path.c_str(), nullptr, matioVersion(format)));
    if (!mat) throw FileError(path + ": cannot write the file");
    // A file left half written is removed, so that no truncated run can pass
    // for a complete one.
    auto fail = [&](const std::string& what) {
        mat.reset();
        std::error_code ignored;
        if (std::filesystem::is_regular_file(path, ignored)) std::filesystem::remove(path, ignored);
        return FileError(path + ": " + what + (lastMatioMessage.empty() ? "" : " (" + lastMatioMessage + ")"));
    };
    for (std::size_t i = 0; i < count; ++i) {
        const MatMatrix m = make(i);
        std::vector<std::size_t> dims = m.dims;
        // matio only reads the data it is handed (MAT_F_DONT_COPY_DATA keeps
        // it from copying or freeing it).
        MatVar v(Mat_VarCreate(m.name.c_str(), MAT_C_DOUBLE, MAT_T_DOUBLE, static_cast<int>(dims.size()), dims.data(),
                               const_cast<double*>(m.data.data()), MAT_F_DONT_COPY_DATA));
        if (!v || Mat_VarWrite(mat.get(), v.get(), matioCompression(format)) != 0)
            throw fail("writing variable " + m.name + " failed");
    }
    if (Mat_Close(mat.release()) != 0) throw fail("writing the file failed");
}

}  // namespace

void writeMatVariables(const std::string& path, const std::vector<MatMatrix>& variables, MatFormat format) {
    writeMatFile(path, format, variables.size(), [&](std::size_t i) { return variables[i]; });
}

void writeMatParameterFile(const std::string& path, std::string_view blockName,
                           const std::vector<ParamValue>& values, MatFormat format) {
    const auto names = dialogParameterNames(blockName);
    if (names.size() != values.size())
        throw std::invalid_argument("writeMatParameterFile: " + std::to_string(values.size()) + " values for " +
                                    std::to_string(names.size()) + " parameters of " + std::string(blockName));
    std::vector<MatMatrix> vars;
    for (std::size_t i = 0; i < names.size(); ++i) vars.push_back({std::string(names[i]), values[i].dims, values[i].data});
    writeMatVariables(path, vars, format);
}

SignalTable readMatSignalFile(const std::string& path) {
    MatFile mat = openForReading(path);
    const std::vector<MatVar> infos = variableInfos(mat.get(), path);

    bool hasTime = false;
    std::map<std::size_t, std::string> inputs;  // port -> variable name
    for (const MatVar& v : infos) {
        const std::string name = v->name ? v->name : "";
        if (name == "t") {
            hasTime = true;
        } else if (auto k = inputIndex(name)) {
            inputs.emplace(*k, name);
        } else {
            throw InputError(path, variablePlace(name), "unknown variable (an input file holds t and u0, u1, ...)");
        }
        if (auto why = notRealDouble(*v)) throw InputError(path, variablePlace(name), *why + "; " + kSignalWhat);
    }
    if (!inputs.empty()) {
        const std::size_t last = inputs.rbegin()->first;
        for (std::size_t k = 0; k <= last; ++k)
            if (!inputs.count(k))
                throw InputError(path, variablePlace("u" + std::to_string(k)),
                                 "missing (the file has u" + std::to_string(last) + ", so it needs u0 to u" +
                                     std::to_string(last) + ")");
    }

    // The order of the CSV columns: t, then the ports in turn.
    std::vector<std::string> order;
    if (hasTime) order.push_back("t");
    for (const auto& [k, name] : inputs) order.push_back(name);

    std::vector<ParamValue> values;
    std::optional<std::size_t> steps;
    std::string stepsFrom;
    SignalTable table;
    for (const std::string& name : order) {
        ParamValue v = readDouble(mat.get(), path, name, kSignalWhat);
        if (v.dims.size() != 2)
            throw InputError(path, variablePlace(name), "is " + shapeText(v.dims) + "; " + kSignalWhat);
        if (name == "t" && v.dims[1] != 1)
            throw InputError(path, variablePlace(name),
                             "is " + shapeText(v.dims) + "; t is a column of times, steps x 1");
        if (!steps) {
            steps = v.dims[0];
            stepsFrom = name;
        } else if (v.dims[0] != *steps) {
            throw InputError(path, variablePlace(name),
                             "has " + std::to_string(v.dims[0]) + " rows (steps), " + stepsFrom + " has " +
                                 std::to_string(*steps));
        }
        if (name == "t") {
            table.columns.push_back("t");
        } else {
            for (std::size_t e = 0; e < v.dims[1]; ++e) table.columns.push_back(name + "_" + std::to_string(e));
        }
        values.push_back(std::move(v));
    }

    // Column-major variables side by side become rows of the table.
    const std::size_t rows = steps.value_or(0);
    table.values.resize(rows * table.columns.size());
    std::size_t column = 0;
    for (const ParamValue& v : values) {
        for (std::size_t e = 0; e < v.dims[1]; ++e, ++column)
            for (std::size_t r = 0; r < rows; ++r) table.values[r * table.columns.size() + column] = v.data[r + rows * e];
    }
    return table;
}

bool checkMatSignalPorts(const SignalTable& table, const std::vector<int>& inputWidths, const std::string& blockName,
                         const std::string& path) {
    const bool hasTime = !table.columns.empty() && table.columns[0] == "t";
    // Columns per port, from the names the reader gave them (u<port>_<element>).
    std::vector<std::size_t> widths;
    for (std::size_t i = hasTime ? 1 : 0; i < table.columns.size(); ++i) {
        const std::string& c = table.columns[i];
        const std::size_t k = inputIndex(std::string_view(c).substr(0, c.find('_'))).value_or(0);
        if (widths.size() <= k) widths.resize(k + 1, 0);
        ++widths[k];
    }
    for (std::size_t k = 0; k < inputWidths.size(); ++k) {
        const std::string name = "u" + std::to_string(k);
        const std::size_t want = static_cast<std::size_t>(inputWidths[k]);
        if (k >= widths.size())
            throw InputError(path, variablePlace(name),
                             "missing (" + blockName + " has " + std::to_string(inputWidths.size()) +
                                 " input ports, u0 to u" + std::to_string(inputWidths.size() - 1) + ")");
        if (widths[k] != want)
            throw InputError(path, variablePlace(name),
                             "has " + std::to_string(widths[k]) + " columns, input port " + std::to_string(k) +
                                 " of " + blockName + " has width " + std::to_string(want));
    }
    if (widths.size() > inputWidths.size())
        throw InputError(path, variablePlace("u" + std::to_string(inputWidths.size())),
                         "unexpected: " + blockName + " has " + std::to_string(inputWidths.size()) + " input ports");
    return hasTime;
}

MatSignalWriter::MatSignalWriter(std::string path, std::vector<Variable> variables, MatFormat format)
    : path_(std::move(path)), variables_(std::move(variables)), format_(format) {
    for (const Variable& v : variables_) width_ += v.width;
    if (!std::ofstream(path_, std::ios::binary | std::ios::trunc)) throw FileError(path_ + ": cannot write the file");
}

MatSignalWriter::~MatSignalWriter() {
    if (finished_) return;
    std::error_code ec;
    if (std::filesystem::is_regular_file(path_, ec)) std::filesystem::remove(path_, ec);
}

void MatSignalWriter::writeRow(const double* values) { rows_.insert(rows_.end(), values, values + width_); }

void MatSignalWriter::finish() {
    const std::size_t steps = width_ == 0 ? 0 : rows_.size() / width_;
    std::vector<std::size_t> firstColumn;  // of each variable within a row
    std::size_t first = 0;
    for (const Variable& v : variables_) {
        firstColumn.push_back(first);
        first += v.width;
    }
    writeMatFile(path_, format_, variables_.size(), [&](std::size_t i) {
        const Variable& v = variables_[i];
        MatMatrix m{v.name, {steps, v.width}, std::vector<double>(steps * v.width)};
        for (std::size_t e = 0; e < v.width; ++e)
            for (std::size_t r = 0; r < steps; ++r) m.data[r + steps * e] = rows_[r * width_ + firstColumn[i] + e];
        return m;
    });
    finished_ = true;
}

}  // namespace sfhost
