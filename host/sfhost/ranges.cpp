// ranges: the table's DOF envelope, computed by the same check, load and
// preparation the blocks run in their mdlInitializeSizes.
#include <nlohmann/json.hpp>

#include <array>
#include <cstdarg>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>

#include "blocks/common/block_params.h"
#include "commands.h"
#include "errors.h"
#include "host/array.h"
#include "host/simulation.h"
#include "kinematics/kinmodel.h"
#include "mat_files.h"
#include "param_file.h"

namespace sfhost {

namespace {

constexpr std::array<const char*, 6> kDofNames{"x", "y", "z", "roll", "pitch", "yaw"};
constexpr std::array<const char*, 4> kKindNames{"displacement", "velocity", "acceleration", "force"};
constexpr int kDofSpace = 1;  // kinGetMaximum/kinGetMinimum space of the DOF ranges

struct ModelDeleter {
    void operator()(KinModel* m) const { kinDestroy(m); }
};

// printf-style formatting onto standard output (which main unties from stdio).
// The format attribute lets the compiler check every call's arguments.
[[gnu::format(printf, 1, 2)]] void print(const char* format, ...) {
    char buf[256];
    std::va_list args;
    va_start(args, format);
    std::vsnprintf(buf, sizeof buf, format, args);
    va_end(args);
    std::cout << buf;
}

const char* dofName(int code) { return code >= 0 && code < 6 ? kDofNames[static_cast<std::size_t>(code)] : "?"; }

}  // namespace

int runRanges(const CommandLine& cl) {
    const std::string& path = cl.operands[0];
    const bool mat = isMatFile(path);
    const nlohmann::json doc = mat ? nlohmann::json() : readJsonFile(path);
    const std::string blockName = cl.block ? *cl.block : mat ? detectMatBlockName(path) : detectBlockName(doc, path);
    const BlockKind kind = blockName == "Jackpos" ? BlockKind::Jackpos : BlockKind::Posjack;

    std::vector<host::Array> arrays;
    for (ParamValue& v : mat ? readMatParameterFile(path, blockName) : parametersFromJson(doc, path, blockName))
        arrays.emplace_back(std::move(v.dims), std::move(v.data));
    const int expected = blockParamCount(kind);
    if (static_cast<int>(arrays.size()) != expected)
        throw InputError(path, "$",
                         std::to_string(arrays.size()) + " parameters given, " + blockName + " has " +
                             std::to_string(expected));

    // A simulation structure holding the parameters only: the check and the
    // loading read them through the host interface, as in the block.
    host::SimulationStructure sim;
    sim.bindParameters(arrays);
    SimStruct* S = sim.get();
    S->numSFcnParams = expected;
    if (const char* message = blockParameterError(S, kind)) throw BlockError(message);

    std::unique_ptr<KinModel, ModelDeleter> model(kinCreate());
    if (!model) throw std::runtime_error("out of memory");
    loadBlockParameters(S, kind, model.get());

    const int d = model->numDofs;
    if (cl.json) {
        nlohmann::ordered_json out;
        out["block"] = blockName;
        out["dofs"] = nlohmann::ordered_json::array();
        for (int j = 0; j < d; ++j) {
            nlohmann::ordered_json dof;
            dof["dof"] = dofName(model->dofCodes[j]);
            for (int k = 0; k < 4; ++k)
                dof[kKindNames[static_cast<std::size_t>(k)]] = {{"min", kinGetMinimum(model.get(), kDofSpace, k, j)},
                                                                {"max", kinGetMaximum(model.get(), kDofSpace, k, j)}};
            out["dofs"].push_back(dof);
        }
        std::cout << out.dump(2) << '\n';
        return 0;
    }

    std::cout << blockName << " DOF ranges of " << path << "\n\n";
    print("%-6s", "DOF");
    for (const char* kind_ : kKindNames) print("  %-25s", kind_);
    print("\n%-6s", "");
    for (std::size_t k = 0; k < kKindNames.size(); ++k) print("  %12s %12s", "min", "max");
    std::cout << '\n';
    for (int j = 0; j < d; ++j) {
        print("%-6s", dofName(model->dofCodes[j]));
        for (int k = 0; k < 4; ++k)
            print("  %12.6g %12.6g", kinGetMinimum(model.get(), kDofSpace, k, j),
                        kinGetMaximum(model.get(), kDofSpace, k, j));
        std::cout << '\n';
    }
    print("\nEach DOF moves alone from the zero pose until the first limit of its kind; a kind\n"
          "whose limits the parameters do not set shows zeros. Rotational DOFs are in the\n"
          "units the canonicalUnits factors convert from.\n");
    return 0;
}

}  // namespace sfhost
