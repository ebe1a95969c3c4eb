// configdsp.c: the DSP node, which talks only to the supervisor over its
// uplink and reboots when it is closed.

#include "class_list.h"
#include "config_texts.h"
#include "passes.h"

WriteStatus writeDspConfig()
{
    const char *fileName = "configdsp.c";
    TextFile *out = fileOpenWrite(fileName);
    fileWriteLine(out, "/* configdsp.c:  dsp configuration */");
    fileWriteLine(out, "");
    fileWriteLine(out, "#include \"Object.h\"");
    fileWriteLine(out, "");
    writeDspKernelObjectExterns(out);
    fileWriteLine(out, "");
    fileWriteLine(out, "/* application class objects */");
    writeRecordLines(out, '#', "extern objects ", " ;");
    fileWriteLine(out, "");
    writeQuelmCorePrototypes(out);
    fileWriteLine(out, "extern void UpSockPPCInit() ;");
    writeDspKernelPrototypes(out);
    fileWriteLine(out, "extern void DSPObjectInit() ;");
    fileWriteLine(out, "");
    writeApplicationInitPrototypes(out, '#');
    fileWriteLine(out, "");
    fileWriteLine(out, "/* definitions */");
    writeHeapSizeDefinition(out, '&');
    fileWriteLine(out, "#define CLOSE_DELAY 500");
    fileWriteLine(out, "");
    fileWriteLine(out, "/* static variables */");
    fileWriteLine(out, "static objects uplink ;");
    fileWriteLine(out, "");
    writeQuelmClassInitOpening(out);
    fileWriteLine(out, "\tUpSockPPCInit() ;");
    fileWriteLine(out, "");
    writeSchedulingGroup(out);
    fileWriteLine(out, "");
    writeDataflowGroup(out);
    fileWriteLine(out, "");
    fileWriteLine(out, "\t/* dsp object class */");
    fileWriteLine(out, "\tDSPObjectInit() ;");
    fileWriteLine(out, "}");
    fileWriteLine(out, "");
    writeDspClassInit(out);
    writeDspClassExport(out);
    fileWriteLine(out, "/* user procedures */");
    fileWriteLine(out, "");
    fileWriteLine(out, "void userInit()");
    fileWriteLine(out, "{\textern void heapInit() ;");
    fileWriteLine(out, "");
    fileWriteLine(out, "\theapInit(HEAPSIZE) ;");
    fileWriteLine(out, "\tquelmClassInit() ;");
    fileWriteLine(out, "\tdspClassInit() ;");
    fileWriteLine(out, "}");
    fileWriteLine(out, "");
    fileWriteLine(out, "void userOpen(nodeNumber)");
    fileWriteLine(out, "\tint nodeNumber ;");
    fileWriteLine(out, "{\textern objects UpSockPPC ;");
    fileWriteLine(out, "");
    fileWriteLine(out, "\t/* create uplink to supervisor */");
    fileWriteLine(out, "\tuplink = new(UpSockPPC, nodeNumber) ;");
    fileWriteLine(out, "\tadd(uplink, \"uplink\", uplink) ;");
    fileWriteLine(out, "");
    fileWriteLine(out, "\t/* make dsp classes available to supervisor */");
    fileWriteLine(out, "\tdspClassExport() ;");
    fileWriteLine(out, "}");
    fileWriteLine(out, "");
    fileWriteLine(out, "void userTest()");
    fileWriteLine(out, "{\textern void printf() ;");
    fileWriteLine(out, "");
    fileWriteLine(out, "\tprintf(\"I am a very happy clam!\\n\") ;");
    fileWriteLine(out, "}");
    fileWriteLine(out, "");
    fileWriteLine(out, "void userCycle()");
    fileWriteLine(out, "{\textern void forkCycle() ;");
    fileWriteLine(out, "");
    fileWriteLine(out, "\treceive(uplink) ;");
    fileWriteLine(out, "\tforkCycle() ;");
    fileWriteLine(out, "}");
    fileWriteLine(out, "");
    fileWriteLine(out, "void userClose()");
    fileWriteLine(out, "{\textern void sleep() ;");
    fileWriteLine(out, "\textern void heapDispose() ;");
    fileWriteLine(out, "\textern void sockShutdown() ;");
    fileWriteLine(out, "\textern void reboot() ;");
    fileWriteLine(out, "");
    fileWriteLine(out, "\tsleep(CLOSE_DELAY) ;");
    fileWriteLine(out, "\tclose(uplink) ;");
    fileWriteLine(out, "\theapDispose() ;");
    fileWriteLine(out, "\tsockShutdown() ;");
    fileWriteLine(out, "\treboot() ;");
    fileWriteLine(out, "}");
    fileWriteLine(out, "");
    return {fileName, fileClose(out)};
}
