// configsim.c: the simulation, in which the supervisor's and the DSP node's
// classes run together in one program that takes the supervisor's place.

#include "class_list.h"
#include "config_texts.h"
#include "passes.h"

WriteStatus writeSimConfig()
{
    const char *fileName = "configsim.c";
    TextFile *out = fileOpenWrite(fileName);
    fileWriteLine(out, "/* configsim.c:  simulation configuration */");
    fileWriteLine(out, "");
    fileWriteLine(out, "#include \"Object.h\"");
    fileWriteLine(out, "");
    fileWriteLine(out, "/* supervisor application class objects */");
    writeRecordLines(out, '@', "extern objects ", " ;");
    fileWriteLine(out, "");
    fileWriteLine(out, "/* dsp quelm class objects */");
    fileWriteLine(out, "extern objects Clock ;");
    fileWriteLine(out, "extern objects FloatTerminal ;");
    fileWriteLine(out, "extern objects IntTerminal ;");
    fileWriteLine(out, "extern objects Scheduler ;");
    fileWriteLine(out, "extern objects Sequence ;");
    fileWriteLine(out, "");
    fileWriteLine(out, "/* dsp application class objects */");
    writeRecordLines(out, '#', "extern objects ", " ;");
    fileWriteLine(out, "");
    fileWriteLine(out, "/* quelm class initialization procedures */");
    fileWriteLine(out, "extern void ObjectInit() ;");
    fileWriteLine(out, "extern void ClassInit() ;");
    fileWriteLine(out, "extern void ListInit() ;");
    fileWriteLine(out, "extern void DictionaryInit() ;");
    fileWriteLine(out, "extern void MessageInit() ;");
    fileWriteLine(out, "extern void UpPCPCInit() ;");
    fileWriteLine(out, "extern void ClockInit() ;");
    fileWriteLine(out, "extern void SchedulerInit() ;");
    fileWriteLine(out, "extern void SequenceInit() ;");
    fileWriteLine(out, "extern void TaskInit() ;");
    fileWriteLine(out, "extern void TerminalInit() ;");
    fileWriteLine(out, "extern void FloatTerminalInit() ;");
    fileWriteLine(out, "extern void IntTerminalInit() ;");
    fileWriteLine(out, "extern void SupObjectInit() ;");
    fileWriteLine(out, "extern void DSPObjectInit() ;");
    fileWriteLine(out, "");
    fileWriteLine(out, "/* application class initialization procedures */");
    writeRecordLines(out, '@', "extern void ", "Init() ;");
    fileWriteLine(out, "");
    fileWriteLine(out, "/* definitions */");
    {
        // One heap serves both sides here, so it is the sum of the two sizes;
        // a missing size leaves its piece empty.
        char heapSize[kTextSize];
        textCopy(heapSize, "#define HEAPSIZE (", kTextSize);
        appendFirstRecord(heapSize, '^');
        textAppend(heapSize, "+", kTextSize);
        appendFirstRecord(heapSize, '&');
        textAppend(heapSize, ")", kTextSize);
        fileWriteLine(out, heapSize);
    }
    fileWriteLine(out, "");
    fileWriteLine(out, "/* static variables */");
    fileWriteLine(out, "static objects uplink ;");
    fileWriteLine(out, "");
    fileWriteLine(out, "/* initialization procedures */");
    fileWriteLine(out, "");
    fileWriteLine(out, "void quelmClassInit()");
    fileWriteLine(out, "{");
    writeElementalGroup(out);
    fileWriteLine(out, "");
    fileWriteLine(out, "\t/* quelm link classes */");
    fileWriteLine(out, "\tMessageInit() ;");
    fileWriteLine(out, "\tUpPCPCInit() ;");
    fileWriteLine(out, "");
    writeSchedulingGroup(out);
    fileWriteLine(out, "");
    writeDataflowGroup(out);
    fileWriteLine(out, "");
    fileWriteLine(out, "\t/* supervisor object class */");
    fileWriteLine(out, "\tSupObjectInit() ;");
    fileWriteLine(out, "");
    fileWriteLine(out, "\t/* dsp object class */");
    fileWriteLine(out, "\tDSPObjectInit() ;");
    fileWriteLine(out, "}");
    fileWriteLine(out, "");
    writeSupClassInit(out);
    writeSupClassExport(out);
    writeDspClassInit(out);
    writeDspClassExport(out);
    fileWriteLine(out, "/* user procedures */");
    fileWriteLine(out, "");
    fileWriteLine(out, "void userInit()");
    fileWriteLine(out, "{");
    fileWriteLine(out, "\theapInit(HEAPSIZE) ;");
    fileWriteLine(out, "\tsockStartup() ;");
    fileWriteLine(out, "\tquelmClassInit() ;");
    fileWriteLine(out, "\tsupClassInit() ;");
    fileWriteLine(out, "\tdspClassInit() ;");
    fileWriteLine(out, "\tUDPConnectorInit() ;");
    fileWriteLine(out, "}");
    fileWriteLine(out, "");
    writeHostUserOpen(out);
    fileWriteLine(out, "void userConfig(dspNode, dspName, dspIPName)");
    fileWriteLine(out, "\tunsigned int dspNode ;");
    fileWriteLine(out, "\tchar *dspName ;");
    fileWriteLine(out, "\tchar *dspIPName ;");
    fileWriteLine(out, "{");
    fileWriteLine(out, "\t/* make supervisor classes available to host */");
    fileWriteLine(out, "\tsupClassExport() ;");
    fileWriteLine(out, "");
    fileWriteLine(out, "\t/* make dsp classes available to host */");
    fileWriteLine(out, "\tdspClassExport() ;");
    fileWriteLine(out, "}");
    fileWriteLine(out, "");
    writeUserCreate(out);
    fileWriteLine(out, "void userCycle(msg)");
    fileWriteLine(out, "\tobjects msg ;");
    fileWriteLine(out, "{");
    fileWriteLine(out, "\tforkCycle() ;");
    fileWriteLine(out, "\tif (msg) ;");
    fileWriteLine(out, "\t\treceive(uplink, msg) ;");
    fileWriteLine(out, "}");
    fileWriteLine(out, "");
    fileWriteLine(out, "void userClose()");
    fileWriteLine(out, "{");
    fileWriteLine(out, "\tvmClose() ;");
    fileWriteLine(out, "}");
    fileWriteLine(out, "");
    return {fileName, fileClose(out)};
}
