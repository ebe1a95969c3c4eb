// configsup.c: the supervisor, which talks to the host PC over its uplink and
// to the DSP node over its downlink, and imports the DSP node's classes by
// name.

#include "class_list.h"
#include "config_texts.h"
#include "passes.h"

WriteStatus writeSupConfig()
{
    const char *fileName = "configsup.c";
    TextFile *out = fileOpenWrite(fileName);
    fileWriteLine(out, "/* configsup.c:  supervisor configuration */");
    fileWriteLine(out, "");
    fileWriteLine(out, "#include \"Object.h\"");
    fileWriteLine(out, "");
    fileWriteLine(out, "/* supervisor application class objects */");
    writeRecordLines(out, '@', "extern objects ", " ;");
    fileWriteLine(out, "");
    fileWriteLine(out, "/* imported dsp quelm class objects */");
    fileWriteLine(out, "objects Clock ;");
    fileWriteLine(out, "objects FloatTerminal ;");
    fileWriteLine(out, "objects IntTerminal ;");
    fileWriteLine(out, "objects Scheduler ;");
    fileWriteLine(out, "objects Sequence ;");
    fileWriteLine(out, "");
    fileWriteLine(out, "/* imported dsp application class objects */");
    writeRecordLines(out, '#', "objects ", " ;");
    fileWriteLine(out, "");
    writeQuelmCorePrototypes(out);
    fileWriteLine(out, "extern void UpPCPCInit() ;");
    fileWriteLine(out, "extern void DownSocketInit() ;");
    fileWriteLine(out, "extern void SupObjectInit() ;");
    fileWriteLine(out, "");
    writeApplicationInitPrototypes(out, '@');
    fileWriteLine(out, "");
    fileWriteLine(out, "/* definitions */");
    writeHeapSizeDefinition(out, '^');
    fileWriteLine(out, "");
    fileWriteLine(out, "/* static variables */");
    fileWriteLine(out, "static objects uplink ;");
    fileWriteLine(out, "static objects downlink ;");
    fileWriteLine(out, "");
    writeQuelmClassInitOpening(out);
    fileWriteLine(out, "\tUpPCPCInit() ;");
    fileWriteLine(out, "\tDownSocketInit() ;");
    fileWriteLine(out, "");
    fileWriteLine(out, "\t/* supervisor object class */");
    fileWriteLine(out, "\tSupObjectInit() ;");
    fileWriteLine(out, "}");
    fileWriteLine(out, "");
    writeSupClassInit(out);
    writeSupClassExport(out);
    fileWriteLine(out, "void dspClassImport()");
    fileWriteLine(out, "{");
    fileWriteLine(out, "\t/* quelm classes */");
    fileWriteLine(out, "\tClock = lookup(downlink, \"Clock\") ;");
    fileWriteLine(out, "\tFloatTerminal = lookup(downlink, \"FloatTerminal\") ;");
    fileWriteLine(out, "\tIntTerminal = lookup(downlink, \"IntTerminal\") ;");
    fileWriteLine(out, "\tScheduler = lookup(downlink, \"Scheduler\") ;");
    fileWriteLine(out, "\tSequence = lookup(downlink, \"Sequence\") ;");
    fileWriteLine(out, "");
    fileWriteLine(out, "\t/* application classes */");
    forEachRecord("#", [&](const char *name) {
        writeComposed(out, "\t", name, " = lookup(downlink, \"", name, "\", ", name, ") ;");
    });
    fileWriteLine(out, "}");
    fileWriteLine(out, "");
    writeDspClassExport(out);
    writeSupUserInitOpening(out);
    fileWriteLine(out, "}");
    fileWriteLine(out, "");
    writeHostUserOpen(out);
    writeUserConfigHead(out);
    fileWriteLine(out, "{\textern objects DownSocket ;");
    fileWriteLine(out, "");
    fileWriteLine(out, "\t/* create downlink to dsp */");
    fileWriteLine(out, "\tdownlink = new(DownSocket, dspNode, dspIPName) ;");
    fileWriteLine(out, "\tadd(uplink, dspName, downlink) ;");
    fileWriteLine(out, "");
    fileWriteLine(out, "\t/* look up dsp classes */");
    fileWriteLine(out, "\tdspClassImport() ;");
    fileWriteLine(out, "");
    writeHostClassExports(out);
    fileWriteLine(out, "}");
    fileWriteLine(out, "");
    writeUserCreate(out);
    fileWriteLine(out, "void userCycle(msg)");
    fileWriteLine(out, "\tobjects msg ;");
    fileWriteLine(out, "{");
    fileWriteLine(out, "\treceive(uplink, msg) ;");
    fileWriteLine(out, "\treceive(downlink) ;");
    fileWriteLine(out, "\tforkCycle() ;");
    fileWriteLine(out, "}");
    fileWriteLine(out, "");
    fileWriteLine(out, "void userClose()");
    fileWriteLine(out, "{");
    fileWriteLine(out, "\tvmClose() ;");
    fileWriteLine(out, "\tclose(downlink) ;");
    fileWriteLine(out, "\tsockShutdown() ;");
    fileWriteLine(out, "}");
    fileWriteLine(out, "");
    return {fileName, fileClose(out)};
}
