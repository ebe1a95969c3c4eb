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
    writeDspKernelObjectExterns(out);
    fileWriteLine(out, "");
    fileWriteLine(out, "/* dsp application class objects */");
    writeRecordLines(out, '#', "extern objects ", " ;");
    fileWriteLine(out, "");
    writeQuelmCorePrototypes(out);
    fileWriteLine(out, "extern void UpPCPCInit() ;");
    writeDspKernelPrototypes(out);
    fileWriteLine(out, "extern void SupObjectInit() ;");
    fileWriteLine(out, "extern void DSPObjectInit() ;");
    fileWriteLine(out, "");
    writeApplicationInitPrototypes(out, '@');
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
    writeQuelmClassInitOpening(out);
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
    writeSupUserInitOpening(out);
    fileWriteLine(out, "\tdspClassInit() ;");
    fileWriteLine(out, "\tUDPConnectorInit() ;");
    fileWriteLine(out, "}");
    fileWriteLine(out, "");
    writeHostUserOpen(out);
    writeUserConfigHead(out);
    fileWriteLine(out, "{");
    writeHostClassExports(out);
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
