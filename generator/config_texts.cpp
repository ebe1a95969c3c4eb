#include "config_texts.h"

#include "class_list.h"

namespace {

// Offers each class of the marker to the uplink under its own name.
void writeUplinkAdds(TextFile *out, const char *marker)
{
    forEachRecord(marker, [&](const char *name) {
        writeComposed(out, "\tadd(uplink, \"", name, "\", ", name, ") ;");
    });
}

}  // namespace

void writeSupClassInit(TextFile *out)
{
    fileWriteLine(out, "void supClassInit()");
    fileWriteLine(out, "{");
    fileWriteLine(out, "\t/* application libraries */");
    writeRecordLines(out, '$', "\t", " ;");
    fileWriteLine(out, "");
    fileWriteLine(out, "\t/* application classes */");
    writeRecordLines(out, '@', "\t", "Init() ;");
    fileWriteLine(out, "}");
    fileWriteLine(out, "");
}

void writeSupClassExport(TextFile *out)
{
    fileWriteLine(out, "void supClassExport()");
    fileWriteLine(out, "{");
    writeUplinkAdds(out, "@");
    fileWriteLine(out, "}");
    fileWriteLine(out, "");
}

void writeDspClassInit(TextFile *out)
{
    fileWriteLine(out, "void dspClassInit()");
    fileWriteLine(out, "{");
    fileWriteLine(out, "\t/* application classes */");
    writeRecordLines(out, '#', "\t", "Init() ;");
    fileWriteLine(out, "}");
    fileWriteLine(out, "");
}

void writeDspClassExport(TextFile *out)
{
    fileWriteLine(out, "void dspClassExport()");
    fileWriteLine(out, "{");
    fileWriteLine(out, "\t/* quelm classes */");
    fileWriteLine(out, "\tadd(uplink, \"Clock\", Clock) ;");
    fileWriteLine(out, "\tadd(uplink, \"FloatTerminal\", FloatTerminal) ;");
    fileWriteLine(out, "\tadd(uplink, \"IntTerminal\", IntTerminal) ;");
    fileWriteLine(out, "\tadd(uplink, \"Scheduler\", Scheduler) ;");
    fileWriteLine(out, "\tadd(uplink, \"Sequence\", Sequence) ;");
    fileWriteLine(out, "");
    fileWriteLine(out, "\t/* application classes */");
    writeUplinkAdds(out, "#");
    fileWriteLine(out, "}");
    fileWriteLine(out, "");
}

void writeHostUserOpen(TextFile *out)
{
    fileWriteLine(out, "void userOpen()");
    fileWriteLine(out, "{\textern objects UpPCPC ;");
    fileWriteLine(out, "");
    fileWriteLine(out, "\t/* create uplink to host pc */");
    fileWriteLine(out, "\tuplink = new(UpPCPC, 0xE) ;");
    fileWriteLine(out, "\tadd(uplink, \"uplink\", uplink) ;");
    fileWriteLine(out, "}");
    fileWriteLine(out, "");
}

void writeUserCreate(TextFile *out)
{
    fileWriteLine(out, "void userCreate(param)");
    fileWriteLine(out, "\tint param ;");
    fileWriteLine(out, "{");
    fileWriteLine(out, "\t/* create virtual machine */");
    fileWriteLine(out, "\tvmCreate(param) ;");
    fileWriteLine(out, "\tvmConnect() ;");
    fileWriteLine(out, "\tvmExport(uplink) ;");
    fileWriteLine(out, "}");
    fileWriteLine(out, "");
}

void writeHeapSizeDefinition(TextFile *out, char marker)
{
    char definition[kTextSize];
    textCopy(definition, "#define HEAPSIZE ", kTextSize);
    if (appendFirstRecord(definition, marker)) {
        fileWriteLine(out, definition);
    }
}

void writeElementalGroup(TextFile *out)
{
    fileWriteLine(out, "\t/* quelm elemental classes */");
    fileWriteLine(out, "\tObjectInit() ;");
    fileWriteLine(out, "\tClassInit() ;");
    fileWriteLine(out, "\tListInit() ;");
    fileWriteLine(out, "\tDictionaryInit() ;");
}

void writeSchedulingGroup(TextFile *out)
{
    fileWriteLine(out, "\t/* quelm scheduling classes */");
    fileWriteLine(out, "\tClockInit() ;");
    fileWriteLine(out, "\tSchedulerInit() ;");
    fileWriteLine(out, "\tSequenceInit() ;");
    fileWriteLine(out, "\tTaskInit() ;");
}

void writeDataflowGroup(TextFile *out)
{
    fileWriteLine(out, "\t/* quelm dataflow classes */");
    fileWriteLine(out, "\tTerminalInit() ;");
    fileWriteLine(out, "\tFloatTerminalInit() ;");
    fileWriteLine(out, "\tIntTerminalInit() ;");
}

void writeDspKernelObjectExterns(TextFile *out)
{
    fileWriteLine(out, "/* dsp quelm class objects */");
    fileWriteLine(out, "extern objects Clock ;");
    fileWriteLine(out, "extern objects FloatTerminal ;");
    fileWriteLine(out, "extern objects IntTerminal ;");
    fileWriteLine(out, "extern objects Scheduler ;");
    fileWriteLine(out, "extern objects Sequence ;");
}

void writeQuelmCorePrototypes(TextFile *out)
{
    fileWriteLine(out, "/* quelm class initialization procedures */");
    fileWriteLine(out, "extern void ObjectInit() ;");
    fileWriteLine(out, "extern void ClassInit() ;");
    fileWriteLine(out, "extern void ListInit() ;");
    fileWriteLine(out, "extern void DictionaryInit() ;");
    fileWriteLine(out, "extern void MessageInit() ;");
}

void writeDspKernelPrototypes(TextFile *out)
{
    fileWriteLine(out, "extern void ClockInit() ;");
    fileWriteLine(out, "extern void SchedulerInit() ;");
    fileWriteLine(out, "extern void SequenceInit() ;");
    fileWriteLine(out, "extern void TaskInit() ;");
    fileWriteLine(out, "extern void TerminalInit() ;");
    fileWriteLine(out, "extern void FloatTerminalInit() ;");
    fileWriteLine(out, "extern void IntTerminalInit() ;");
}

void writeApplicationInitPrototypes(TextFile *out, char marker)
{
    fileWriteLine(out, "/* application class initialization procedures */");
    writeRecordLines(out, marker, "extern void ", "Init() ;");
}

void writeQuelmClassInitOpening(TextFile *out)
{
    fileWriteLine(out, "/* initialization procedures */");
    fileWriteLine(out, "");
    fileWriteLine(out, "void quelmClassInit()");
    fileWriteLine(out, "{");
    writeElementalGroup(out);
    fileWriteLine(out, "");
    fileWriteLine(out, "\t/* quelm link classes */");
    fileWriteLine(out, "\tMessageInit() ;");
}

void writeSupUserInitOpening(TextFile *out)
{
    fileWriteLine(out, "/* user procedures */");
    fileWriteLine(out, "");
    fileWriteLine(out, "void userInit()");
    fileWriteLine(out, "{");
    fileWriteLine(out, "\theapInit(HEAPSIZE) ;");
    fileWriteLine(out, "\tsockStartup() ;");
    fileWriteLine(out, "\tquelmClassInit() ;");
    fileWriteLine(out, "\tsupClassInit() ;");
}

void writeUserConfigHead(TextFile *out)
{
    fileWriteLine(out, "void userConfig(dspNode, dspName, dspIPName)");
    fileWriteLine(out, "\tunsigned int dspNode ;");
    fileWriteLine(out, "\tchar *dspName ;");
    fileWriteLine(out, "\tchar *dspIPName ;");
}

void writeHostClassExports(TextFile *out)
{
    fileWriteLine(out, "\t/* make supervisor classes available to host */");
    fileWriteLine(out, "\tsupClassExport() ;");
    fileWriteLine(out, "");
    fileWriteLine(out, "\t/* make dsp classes available to host */");
    fileWriteLine(out, "\tdspClassExport() ;");
}
