#include "cli.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "errors.h"

namespace sfhost {

namespace {

struct CommandSpec {
    std::string_view name;
    std::size_t minOperands;
    std::size_t maxOperands;
    std::array<std::string_view, 4> options;  // value-taking or flag options it accepts
    std::string_view help;
};

constexpr std::string_view kProgramHelp =
    R"(Usage: sfhost COMMAND ARGUMENTS...

Runs the table blocks (Jackpos, Posjack and any other block plug-in of this
host) without Simulink, one output step per row of a signal file.

Commands:
  info PLUGIN PARAMS          the block's ports, sample time and options as JSON
  run PLUGIN PARAMS           run one block over a signal file
  chain PLUGIN_A PARAMS_A PLUGIN_B PARAMS_B
                              run two blocks in series, A's outputs into B
  ranges PARAMS               the table's DOF ranges from a Jackpos or Posjack
                              parameter file
  help [COMMAND]              this text, or a command's

Parameter files are JSON, or MAT files (.mat) as MATLAB and Octave save them;
signal files are CSV, or MAT (.mat). Run 'sfhost COMMAND --help' for a
command's options and the formats.

Exit status: 0 done; 1 a block reported an error (printed as the block set it);
2 a bad command line or a bad file (printed with the file and the place).
)";

constexpr std::string_view kParamsHelp =
    R"(Parameter files (JSON) take one of two forms:
  {"actuatorTypes": [1, 1, 1], "numVelocitySensors": 0, ...}
      the block's dialog parameter names as keys, every one required and no
      others (the names of Jackpos or Posjack, chosen by the block's name)
  [[1, 1, 1], 0, ...]
      the values in dialog order, handed to the block as given
A value is a number (1x1), [] (0x0), [1, 2] (1xN), [[1, 2], [3, 4]] (MxN,
one inner list per row), three levels of lists (MxNxP, v[i][j][k] is element
(i,j,k)), or {"size": [2, 0], "data": []} with column-major data, any shape.

Parameter files (MAT, chosen by the extension .mat): MATLAB's or Octave's
`save` files, levels 4, 5, 7 (compressed) and 7.3, with one variable per
dialog parameter named as above, every one required and no others. Each must
be a real double array (not complex, sparse, logical, integer, single, char,
struct or cell); its dimensions, N-D and empty ones included, reach the block
as they are. For example, in Octave:  save -v7 posjack.mat actuatorTypes ...
)";

constexpr std::string_view kSignalsHelp =
    R"(Signal files (CSV): a header row, then one row per step.
  input   optional first column t, then u<port>_<element> for every element
          of every input port in port order (0-based), e.g. t,u0_0,u0_1,u1_0
  output  t when the input has it, then y<port>_<element>; a matrix port's
          elements in column-major order
Numbers are written in the shortest form that reads back to the same double.

Signal files (MAT, chosen by the extension .mat, for input and output alike):
  input   u0, u1, ... one variable per input port, steps x width each, and
          optionally t, steps x 1; real double arrays, no other variables
  output  t when the input has it, then y0, y1, ... steps x width (a matrix
          port as steps x rows*columns, column-major); in chain prefixed
          with the block name and an underscore: Posjack_y0, Jackpos_y0
MAT outputs are written as level 7 files (level 5 with zlib compression),
which MATLAB and Octave load with `load`.

Without --input, --steps N runs N steps with all inputs zero; with --input,
--steps N runs the first N rows only. Without --output the outputs go to
standard output. A progress bar shows on a terminal for longer runs.
)";

constexpr std::array<CommandSpec, 5> kCommands{{
    {"info", 2, 2, {}, R"(Usage: sfhost info PLUGIN PARAMS

Initialises the block of PLUGIN (a .mexa64 file) with the parameters of PARAMS,
prints on standard output, as JSON, its S-function name, parameter count,
input ports (width, direct feedthrough), output ports (width, or rows and
columns for a matrix port), sample time and offset and option flags, then
terminates the block.

)"},
    {"run", 2, 2, {"--input", "--output", "--steps"}, R"(Usage: sfhost run PLUGIN PARAMS [--input IN.csv] [--steps N] [--output OUT.csv]

Initialises the block, runs one output step per input row (or N steps with all
inputs zero), writes the outputs and terminates the block.

)"},
    {"chain", 4, 4, {"--input", "--output", "--steps"},
     R"(Usage: sfhost chain PLUGIN_A PARAMS_A PLUGIN_B PARAMS_B [--input IN.csv] [--steps N] [--output OUT.csv]

Runs two blocks in series. The input file feeds A; at every step A's output
port k feeds B's input port k, for every input port of B (the widths must
match). The output holds A's outputs, then B's, each column named after its
block: Posjack.y0_0, ..., Jackpos.y0_0, ...

)"},
    {"ranges", 1, 1, {"--json", "--block"}, R"(Usage: sfhost ranges PARAMS [--json] [--block Jackpos|Posjack]

Validates a Jackpos or Posjack parameter file with the blocks' own checks,
prepares the table model from it as the block does and prints the DOF range
table that preparation computes: per DOF the minimum and maximum reachable
displacement, velocity, acceleration and force, each DOF moving alone from
the zero pose until the first actuator or sensor limit. Rotational entries
are in the units of the parameter file (canonicalUnits). With --json the
table is printed as JSON.

The block is taken from the file: the named form is Jackpos when it has
maxActuatorDispl or forwardIterations, the list form by its length (17
Jackpos, 15 Posjack); --block names it instead.

A parameter that fails the blocks' checks is printed as the block's message,
exit status 1.

)"},
    {"help", 0, 1, {}, ""},
}};

const CommandSpec* findCommand(std::string_view name) {
    auto it = std::find_if(kCommands.begin(), kCommands.end(), [&](const CommandSpec& c) { return c.name == name; });
    return it == kCommands.end() ? nullptr : &*it;
}

std::size_t parseCount(std::string_view text, std::string_view command) {
    std::size_t n = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size())
        throw UsageError("sfhost " + std::string(command) + ": --steps needs a whole number, not \"" +
                         std::string(text) + "\"");
    return n;
}

}  // namespace

std::string helpText(std::string_view command) {
    if (command.empty() || command == "help") return std::string(kProgramHelp);
    const CommandSpec* spec = findCommand(command);
    if (!spec) return {};
    std::string text(spec->help);
    text += kParamsHelp;
    if (command == "run" || command == "chain") text += "\n" + std::string(kSignalsHelp);
    if (command == "info") text += "\nExit status: 0 done, 1 the block reported an error, 2 a bad command line or file.\n";
    return text;
}

CommandLine parseCommandLine(const std::vector<std::string>& args) {
    CommandLine cl;
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        cl.command = "help";
        return cl;
    }
    const CommandSpec* spec = findCommand(args[0]);
    if (!spec)
        throw UsageError("sfhost: unknown command \"" + args[0] + "\" (see sfhost --help)");
    cl.command = args[0];
    const std::string where = "sfhost " + cl.command;

    bool optionsEnded = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        std::string arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            cl.operands.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            cl.help = true;
            continue;
        }
        std::optional<std::string> inlineValue;
        if (auto eq = arg.find('='); eq != std::string::npos && arg.rfind("--", 0) == 0) {
            inlineValue = arg.substr(eq + 1);
            arg.resize(eq);
        }
        if (std::find(spec->options.begin(), spec->options.end(), arg) == spec->options.end())
            throw UsageError(where + ": unknown option " + arg + " (see " + where + " --help)");
        if (arg == "--json") {
            if (inlineValue) throw UsageError(where + ": --json takes no value");
            cl.json = true;
            continue;
        }
        std::string value;
        if (inlineValue) {
            value = *inlineValue;
        } else {
            if (i + 1 >= args.size()) throw UsageError(where + ": " + arg + " needs a value");
            value = args[++i];
        }
        if (arg == "--input") cl.input = value;
        else if (arg == "--output") cl.output = value;
        else if (arg == "--steps") cl.steps = parseCount(value, cl.command);
        else if (arg == "--block") cl.block = value;
    }

    if (cl.command == "help") {
        if (!cl.operands.empty() && !findCommand(cl.operands[0]))
            throw UsageError("sfhost help: unknown command \"" + cl.operands[0] + "\"");
    }
    if (cl.help) return cl;
    if (cl.operands.size() < spec->minOperands || cl.operands.size() > spec->maxOperands) {
        const std::string usage(spec->help.substr(0, spec->help.find('\n')));
        throw UsageError(where + ": expected " + std::to_string(spec->minOperands) + " operand" +
                         (spec->minOperands == 1 ? "" : "s") + ", got " + std::to_string(cl.operands.size()) +
                         " (" + usage + ")");
    }
    if ((cl.command == "run" || cl.command == "chain") && !cl.input && !cl.steps)
        throw UsageError(where + ": give --input IN.csv or --steps N");
    if (cl.block && *cl.block != "Jackpos" && *cl.block != "Posjack")
        throw UsageError(where + ": --block is Jackpos or Posjack, not \"" + *cl.block + "\"");
    return cl;
}

}  // namespace sfhost
