// The command line of sfhost: which command, its operands and its options.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sfhost {

struct CommandLine {
    std::string command;                  // "info", "run", "chain", "ranges" or "help"
    std::vector<std::string> operands;
    std::optional<std::string> input;     // --input IN.csv
    std::optional<std::string> output;    // --output OUT.csv
    std::optional<std::size_t> steps;     // --steps N
    std::optional<std::string> block;     // --block NAME (ranges)
    bool json = false;                    // --json (ranges)
    bool help = false;                    // --help / -h
};

// Parses argv[1..]; UsageError for anything the command does not take (an
// unknown command or option, a missing option value, a wrong operand count).
// `sfhost`, `sfhost --help` and `sfhost help [COMMAND]` come back as the help
// command with the asked-for command, if any, as its operand.
CommandLine parseCommandLine(const std::vector<std::string>& args);

// The program's help, or one command's; empty for an unknown command.
std::string helpText(std::string_view command = {});

}  // namespace sfhost
