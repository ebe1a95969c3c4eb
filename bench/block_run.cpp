#include "block_run.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace benchtab {

std::unique_ptr<host::Block> openBlock(const char* pluginPath, std::vector<host::Array> parameters)
{
    auto plugin = std::make_shared<const host::Plugin>(pluginPath);
    auto block = std::make_unique<host::Block>(plugin, std::move(parameters));
    if (!block->initialize()) {
        const char* status = block->errorStatus();
        throw std::runtime_error(std::string(pluginPath) + ": " + (status ? status : "initialisation failed"));
    }
    return block;
}

Row posjackInputs(const DofCommand& c)
{
    Row row;
    for (const double* part : {c.pose, c.velocity, c.acceleration, c.force}) row.insert(row.end(), part, part + 6);
    return row;
}

void setInputs(host::Block& block, const double* row)
{
    for (int k = 0; k < block.numInputPorts(); ++k) {
        auto port = block.input(k);
        std::copy(row, row + port.size(), port.begin());
        row += port.size();
    }
}

void getOutputs(const host::Block& block, Row& row)
{
    row.clear();
    for (int k = 0; k < block.numOutputPorts(); ++k) {
        auto port = block.output(k);
        row.insert(row.end(), port.begin(), port.end());
    }
}

std::vector<Row> runBlock(host::Block& block, const std::vector<Row>& inputs)
{
    std::vector<Row> outputs(inputs.size());
    for (std::size_t s = 0; s < inputs.size(); ++s) {
        setInputs(block, inputs[s].data());
        if (!block.outputs()) throw std::runtime_error(block.name() + ": output step failed");
        getOutputs(block, outputs[s]);
    }
    return outputs;
}

std::vector<Row> jackposInputs(const char* posjackPath, const Setup& setup, const std::vector<DofCommand>& motion)
{
    auto posjack = openBlock(posjackPath, blockParameters(BlockKind::Posjack, setup));
    std::vector<Row> inputs;
    for (const DofCommand& c : motion) inputs.push_back(posjackInputs(c));
    return runBlock(*posjack, inputs);
}

}  // namespace benchtab
