// info, run and chain: blocks loaded through the host's loader and driven one
// output step per row of the signal file.
#include "commands.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "csv_signals.h"
#include "errors.h"
#include "host/loader.h"
#include "mat_files.h"
#include "param_file.h"
#include "progress.h"

namespace sfhost {

namespace {

std::shared_ptr<const host::Plugin> loadPlugin(const std::string& path) {
    try {
        return std::make_shared<const host::Plugin>(path);
    } catch (const std::exception& e) {
        throw FileError(e.what());
    }
}

std::vector<host::Array> toArrays(std::vector<ParamValue> values) {
    std::vector<host::Array> arrays;
    arrays.reserve(values.size());
    for (ParamValue& v : values) arrays.emplace_back(std::move(v.dims), std::move(v.data));
    return arrays;
}

// A plug-in and its parameter file, initialised; the block's own message
// becomes a BlockError.
std::unique_ptr<host::Block> openBlock(const std::string& pluginPath, const std::string& paramsPath) {
    auto plugin = loadPlugin(pluginPath);
    auto params = toArrays(isMatFile(paramsPath) ? readMatParameterFile(paramsPath, plugin->name())
                                                 : readParameterFile(paramsPath, plugin->name()));
    auto block = std::make_unique<host::Block>(plugin, std::move(params));
    if (!block->initialize()) {
        const char* status = block->errorStatus();
        throw BlockError(status ? status : block->name() + ": initialisation failed");
    }
    return block;
}

std::vector<std::string> portColumns(const host::Block& b, bool inputs, const std::string& prefix) {
    std::vector<std::string> names;
    const int ports = inputs ? b.numInputPorts() : b.numOutputPorts();
    for (int k = 0; k < ports; ++k) {
        const int width = inputs ? b.inputWidth(k) : b.outputWidth(k);
        for (int e = 0; e < width; ++e)
            names.push_back(prefix + (inputs ? "u" : "y") + std::to_string(k) + "_" + std::to_string(e));
    }
    return names;
}

// Where the outputs go: a file, or standard output. A file left unfinished
// (a block error or a write failure part way) is removed, so that no
// truncated run can pass for a complete one.
class OutputTarget {
public:
    explicit OutputTarget(const std::optional<std::string>& path) : path_(path) {
        if (path_) {
            file_.open(*path_, std::ios::binary | std::ios::trunc);
            if (!file_) throw FileError(*path_ + ": cannot write the file");
            // Only an ordinary file is ever removed (never /dev/null or a pipe).
            std::error_code ec;
            regular_ = std::filesystem::is_regular_file(*path_, ec);
        }
    }
    ~OutputTarget() {
        if (path_ && regular_ && !complete_) {
            file_.close();
            std::error_code ec;
            std::filesystem::remove(*path_, ec);
        }
    }
    OutputTarget(const OutputTarget&) = delete;
    OutputTarget& operator=(const OutputTarget&) = delete;

    std::ostream& stream() { return path_ ? static_cast<std::ostream&>(file_) : std::cout; }
    std::string name() const { return path_ ? *path_ : std::string("standard output"); }
    void markComplete() { complete_ = true; }

private:
    std::optional<std::string> path_;
    std::ofstream file_;
    bool regular_ = false;
    bool complete_ = false;
};

// The shared stepping of run and chain: the input table (or zeros) feeds the
// first block, each block's output port k feeds the next block's input port
// k, and every block's outputs are written in order.
int runSeries(const CommandLine& cl, std::vector<std::unique_ptr<host::Block>>& blocks,
              const std::optional<SignalTable>& table, bool prefixed) {
    host::Block& first = *blocks.front();
    bool hasTime = false;
    std::size_t steps = cl.steps.value_or(0);
    if (table) {
        if (isMatFile(*cl.input)) {
            std::vector<int> widths;
            for (int k = 0; k < first.numInputPorts(); ++k) widths.push_back(first.inputWidth(k));
            hasTime = checkMatSignalPorts(*table, widths, first.name(), *cl.input);
        } else {
            hasTime = checkSignalColumns(*table, portColumns(first, true, ""), *cl.input);
        }
        if (cl.steps && *cl.steps > table->rows())
            throw InputError(*cl.input, "", "has " + std::to_string(table->rows()) + " steps, --steps asks for " +
                                                std::to_string(*cl.steps));
        if (!cl.steps) steps = table->rows();
    }

    std::vector<std::string> columns;
    if (hasTime) columns.push_back("t");
    for (const auto& b : blocks) {
        auto names = portColumns(*b, false, prefixed ? b->name() + "." : "");
        columns.insert(columns.end(), names.begin(), names.end());
    }

    // A MAT output gathers the rows and writes one variable per port at the
    // end (t, then y<port>, prefixed <block>_ in a chain); CSV streams.
    std::optional<MatSignalWriter> matWriter;
    std::optional<OutputTarget> target;
    std::optional<SignalWriter> writer;
    if (cl.output && isMatFile(*cl.output)) {
        std::vector<MatSignalWriter::Variable> variables;
        if (hasTime) variables.push_back({"t", 1});
        for (const auto& b : blocks)
            for (int k = 0; k < b->numOutputPorts(); ++k)
                variables.push_back({(prefixed ? b->name() + "_" : "") + "y" + std::to_string(k),
                                     static_cast<std::size_t>(b->outputWidth(k))});
        matWriter.emplace(*cl.output, std::move(variables));
    } else {
        target.emplace(cl.output);
        writer.emplace(target->stream(), columns);
    }
    std::vector<double> row(columns.size());
    Progress progress(steps);

    for (std::size_t step = 0; step < steps; ++step) {
        std::size_t col = 0;
        if (table) {
            const double* in = table->row(step);
            if (hasTime) row[col++] = *in++;
            for (int k = 0; k < first.numInputPorts(); ++k)
                for (double& v : first.input(k)) v = *in++;
        }
        for (std::size_t i = 0; i < blocks.size(); ++i) {
            host::Block& b = *blocks[i];
            if (i > 0) {
                const host::Block& prev = *blocks[i - 1];
                for (int k = 0; k < b.numInputPorts(); ++k) {
                    auto src = prev.output(k);
                    std::copy(src.begin(), src.end(), b.input(k).begin());
                }
            }
            if (!b.outputs()) {
                const char* status = b.errorStatus();
                throw BlockError(status ? status : b.name() + ": output step failed");
            }
            for (int k = 0; k < b.numOutputPorts(); ++k)
                for (double v : b.output(k)) row[col++] = v;
        }
        if (matWriter) matWriter->writeRow(row.data());
        else writer->writeRow(row.data());
        progress.update(step + 1);
    }
    if (matWriter) {
        matWriter->finish();
    } else {
        try {
            writer->finish();
        } catch (const std::exception&) {
            throw FileError(target->name() + ": writing the outputs failed");
        }
        target->markComplete();
    }
    for (auto& b : blocks) b->terminate();
    return 0;
}

std::optional<SignalTable> readInput(const CommandLine& cl) {
    if (!cl.input) return std::nullopt;
    return isMatFile(*cl.input) ? readMatSignalFile(*cl.input) : readSignalFile(*cl.input);
}

}  // namespace

int runInfo(const CommandLine& cl) {
    auto block = openBlock(cl.operands[0], cl.operands[1]);
    const host::Block& b = *block;
    // Two-space indented JSON with one port per line, easy to read and to diff.
    auto portList = [](const std::vector<nlohmann::ordered_json>& ports) {
        std::string text = "[";
        for (std::size_t k = 0; k < ports.size(); ++k) text += (k ? ",\n    " : "\n    ") + ports[k].dump(-1, ' ');
        return text + (ports.empty() ? "]" : "\n  ]");
    };
    std::vector<nlohmann::ordered_json> inputs, outputs;
    for (int k = 0; k < b.numInputPorts(); ++k)
        inputs.push_back({{"width", b.inputWidth(k)}, {"directFeedthrough", b.inputDirectFeedthrough(k)}});
    for (int k = 0; k < b.numOutputPorts(); ++k) {
        if (b.outputCols(k) > 1)
            outputs.push_back({{"rows", b.outputRows(k)}, {"columns", b.outputCols(k)}});
        else
            outputs.push_back({{"width", b.outputWidth(k)}});
    }
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", b.options());
    std::cout << "{\n  \"name\": " << nlohmann::json(b.name()).dump()
              << ",\n  \"parameters\": " << b.parameterCount()
              << ",\n  \"inputs\": " << portList(inputs)
              << ",\n  \"outputs\": " << portList(outputs)
              << ",\n  \"sampleTime\": " << nlohmann::json(b.sampleTime(0)).dump()
              << ",\n  \"offsetTime\": " << nlohmann::json(b.offsetTime(0)).dump()
              << ",\n  \"options\": \"" << hex << "\"\n}\n";
    block->terminate();
    return 0;
}

int runRun(const CommandLine& cl) {
    // Files first, so a bad file is reported before any block runs.
    auto table = readInput(cl);
    std::vector<std::unique_ptr<host::Block>> blocks;
    blocks.push_back(openBlock(cl.operands[0], cl.operands[1]));
    return runSeries(cl, blocks, table, false);
}

int runChain(const CommandLine& cl) {
    auto table = readInput(cl);
    std::vector<std::unique_ptr<host::Block>> blocks;
    blocks.push_back(openBlock(cl.operands[0], cl.operands[1]));
    blocks.push_back(openBlock(cl.operands[2], cl.operands[3]));
    const host::Block& a = *blocks[0];
    const host::Block& b = *blocks[1];
    for (int k = 0; k < b.numInputPorts(); ++k) {
        if (k >= a.numOutputPorts())
            throw UsageError("sfhost chain: " + b.name() + " input " + std::to_string(k) + " (width " +
                             std::to_string(b.inputWidth(k)) + ") has no partner: " + a.name() + " has only " +
                             std::to_string(a.numOutputPorts()) + " outputs");
        if (a.outputWidth(k) != b.inputWidth(k))
            throw UsageError("sfhost chain: " + a.name() + " output " + std::to_string(k) + " has width " +
                             std::to_string(a.outputWidth(k)) + " but " + b.name() + " input " + std::to_string(k) +
                             " has width " + std::to_string(b.inputWidth(k)));
    }
    return runSeries(cl, blocks, table, true);
}

}  // namespace sfhost
