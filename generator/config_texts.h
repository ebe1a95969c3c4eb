// Procedure texts and initialisation groups that several configuration
// files share, written alike wherever they appear. Each procedure text ends
// with an empty line; the groups have none of their own.
#pragma once

#include "textfile.h"

void writeSupClassInit(TextFile *out);     // "$" statements, then "@" initialisers
void writeSupClassExport(TextFile *out);   // "@" classes offered on the uplink
void writeDspClassInit(TextFile *out);     // "#" initialisers
void writeDspClassExport(TextFile *out);   // DSP kernel classes, then "#" classes, on the uplink
void writeHostUserOpen(TextFile *out);     // uplink to the host PC
void writeUserCreate(TextFile *out);       // virtual machine

// "#define HEAPSIZE " and the first record of the marker; no line at all
// when the list has no such record.
void writeHeapSizeDefinition(TextFile *out, char marker);

void writeElementalGroup(TextFile *out);
void writeSchedulingGroup(TextFile *out);
void writeDataflowGroup(TextFile *out);
