// generic: writes the generic procedure files, the three configuration
// sources and the DSP node's makefile of a QUELM application from the lists
// generic.dat and classes.dat of the current directory.

#include <cstdio>
#include <cstring>

#include "passes.h"

int main(int argc, char **)
{
    if (argc > 1) {
        std::fputs("usage: generic (no arguments; run it in the directory of generic.dat and classes.dat)\n",
                   stderr);
        return 2;
    }

    // The passes are independent: each runs even when an earlier one could
    // not write its file. Braced initialisers run in order.
    const WriteStatus results[] = {
        writeGenericHeader(), writeGenericSource(), writeSimConfig(),
        writeSupConfig(),     writeDspConfig(),     writeMakefile(),
    };

    int status = 0;
    for (const WriteStatus &result : results) {
        if (result.error != 0) {
            std::fprintf(stderr, "generic: cannot write %s: %s\n", result.file, std::strerror(result.error));
            status = 1;
        }
    }
    return status;
}
