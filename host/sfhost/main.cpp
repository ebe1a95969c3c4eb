// sfhost: runs block plug-ins without Simulink (see `sfhost --help`).
#include <cstdio>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "cli.h"
#include "commands.h"
#include "errors.h"

int main(int argc, char** argv) {
    using namespace sfhost;
    std::ios::sync_with_stdio(false);
    try {
        const CommandLine cl = parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
        if (cl.command == "help" || cl.help) {
            std::cout << helpText(cl.command == "help" ? (cl.operands.empty() ? "" : cl.operands[0]) : cl.command);
            std::cout.flush();
            return 0;
        }
        if (cl.command == "info") return runInfo(cl);
        if (cl.command == "run") return runRun(cl);
        if (cl.command == "chain") return runChain(cl);
        return runRanges(cl);
    } catch (const BlockError& e) {
        std::cerr << e.what() << '\n';
        return kStatusBlockError;
    } catch (const FileError& e) {
        std::cerr << e.what() << '\n';
        return kStatusBadInput;
    } catch (const UsageError& e) {
        std::cerr << e.what() << '\n';
        return kStatusBadInput;
    } catch (const std::exception& e) {
        std::cerr << "sfhost: " << e.what() << '\n';
        return kStatusBadInput;
    }
}
