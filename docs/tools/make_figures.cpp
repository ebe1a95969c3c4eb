// make_figures OUTPUT_DIR HEXAPOD_PARAMS: writes the user guide's figures
// (docs/figures/*.svg) into OUTPUT_DIR. scripts/figures runs it on docs/figures.
#include <exception>
#include <fstream>
#include <iostream>
#include <string>

#include "figures.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: make_figures OUTPUT_DIR HEXAPOD_PARAMS\n";
        return 2;
    }
    try {
        const std::string dir = argv[1];
        for (const docs::Figure& f : docs::makeFigures(argv[2])) {
            const std::string path = dir + "/" + f.fileName;
            std::ofstream out(path, std::ios::binary | std::ios::trunc);
            out << f.svg;
            out.close();
            if (!out) {
                std::cerr << "make_figures: cannot write " << path << '\n';
                return 1;
            }
            std::cout << path << '\n';
        }
    } catch (const std::exception& e) {
        std::cerr << "make_figures: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
