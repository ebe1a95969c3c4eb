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

// Fixed runs of lines that stand in more than one file, each the same text
// wherever it appears. Like the groups, they end without an empty line.

// The DSP kernel's class objects, declared extern where the node's own
// classes are linked in (the DSP node and the simulation).
void writeDspKernelObjectExterns(TextFile *out);
// The heading of the kernel's initialisation prototypes and those every
// configuration declares (elemental classes and the message class).
void writeQuelmCorePrototypes(TextFile *out);
// The prototypes of the scheduling and dataflow groups.
void writeDspKernelPrototypes(TextFile *out);
// The heading and the "Init" prototypes of the marker's application classes.
void writeApplicationInitPrototypes(TextFile *out, char marker);
// The heading of the initialisation procedures, and quelmClassInit up to
// its first link class (the message class), which every configuration has.
void writeQuelmClassInitOpening(TextFile *out);
// userInit of the supervisor's side, up to its supervisor classes.
void writeSupUserInitOpening(TextFile *out);
// The K&R head of userConfig, up to its opening brace.
void writeUserConfigHead(TextFile *out);
// The end of userConfig: both class sets offered to the host.
void writeHostClassExports(TextFile *out);
