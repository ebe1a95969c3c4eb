// The six passes of `generic`, in the order the driver runs them. Each
// writes one file of the current directory from the lists found there.
#pragma once

#include "pass_support.h"

WriteStatus writeGenericHeader();  // generic.h from generic.dat
WriteStatus writeGenericSource();  // generic.c from generic.dat
WriteStatus writeSimConfig();      // configsim.c from classes.dat
WriteStatus writeSupConfig();      // configsup.c from classes.dat
WriteStatus writeDspConfig();      // configdsp.c from classes.dat
WriteStatus writeMakefile();       // makefile from classes.dat

// Writes the head of generic.c and the table of procedure names read from
// the list; leaves the output open.
void writeGenericNames(const char *listName, TextFile *out);
