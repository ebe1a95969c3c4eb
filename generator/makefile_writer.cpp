// makefile: builds the DSP node's relocatable object for a PowerPC 604 board
// under VxWorks (Tornado 1.01, GNU tools), and the two hardware objects.

#include "class_list.h"
#include "passes.h"

namespace {

// One object line per "#" class and "%" module, interleaved as they stand in
// the list. Each line is continued with " \" only once the next record shows
// that it is not the last, so the last line ends bare; the empty line after
// the scan ends it (or, with no records, stands alone after the fixed
// objects).
void writeApplicationObjects(TextFile *out)
{
    int written = 0;
    forEachRecord("#%", [&](const char *name) {
        if (written > 0) {
            fileWriteLine(out, " \\");
        }
        char object[kTextSize];
        composeText(object, "\t$(LIBDSP)/", name, ".o");
        fileWrite(out, object);
        ++written;
    });
    fileWriteLine(out, "");
}

}  // namespace

WriteStatus writeMakefile()
{
    const char *fileName = "makefile";
    TextFile *out = fileOpenWrite(fileName);
    fileWriteLine(out, "# Makefile -- For QUELM on PPC with VxWorks Tornado 1.01");
    fileWriteLine(out, "");
    fileWriteLine(out, "APPCON    = AppCon");
    fileWriteLine(out, "APPDSP    = AppDsp");
    fileWriteLine(out, "QUELMDSP  = QuelmDsp");
    fileWriteLine(out, "QUELMHARD = QuelmHard");
    fileWriteLine(out, "QUELMCOM  = QuelmCom");
    fileWriteLine(out, "DESTDIR   = bin");
    fileWriteLine(out, "LIBDSP\t  = Workspace/LibDsp");
    fileWriteLine(out, "");
    fileWriteLine(out, "# Source and include file directories for automatic search");
    fileWriteLine(out, "");
    fileWriteLine(out, "VPATH = $(QUELMDSP) $(QUELMHARD) $(QUELMCOM) $(APPDSP) $(APPCON)");
    fileWriteLine(out, "EXTRA_INCLUDE = -I$(QUELMDSP) -I$(QUELMHARD) -I$(QUELMCOM) -I$(APPDSP) -I$(APPCON)");
    fileWriteLine(out, "");
    fileWriteLine(out, "# Build Targets:");
    fileWriteLine(out, "");
    fileWriteLine(out, "updateAll      : updateQuelm updateVxSocket");
    fileWriteLine(out, "updateQuelm    : $(DESTDIR)/quelm.o");
    fileWriteLine(out, "updateVxSocket : $(DESTDIR)/vxSocket.o");
    fileWriteLine(out, "updateVxSerial : $(DESTDIR)/vxSerial.o");
    fileWriteLine(out, "");
    fileWriteLine(out, "clean :");
    fileWriteLine(out, "\tdel /F /Q Workspace\\LibDsp\\*.o");
    fileWriteLine(out, "");
    fileWriteLine(out, "# Extra compiler and linker flags");
    fileWriteLine(out, "# For debugging, use the commented (-O0 -gdwarf) line:");
    fileWriteLine(out, "# ADDED_CFLAGS = -O0 -gdwarf -D_GNU_TOOL -DQUELM");
    fileWriteLine(out, "");
    fileWriteLine(out, "ADDED_CFLAGS = -O2 -D_GNU_TOOL -DQUELM");
    fileWriteLine(out, "");
    fileWriteLine(out, "# VxWorks headers and variables");
    fileWriteLine(out, "");
    fileWriteLine(out, "CPU = PPC604");
    fileWriteLine(out, "CPU_FAMILY = PPC");
    fileWriteLine(out, "TOOL = gnu");
    fileWriteLine(out, "");
    fileWriteLine(out, "include $(WIND_BASE)/target/h/make\\defs.bsp");
    fileWriteLine(out, "include $(WIND_BASE)/target/h/make\\make.$(CPU)$(TOOL)");
    fileWriteLine(out, "include $(WIND_BASE)/target/h/make\\defs.$(WIND_HOST_TYPE)");
    fileWriteLine(out, "");
    fileWriteLine(out, "# Quelm kernel object files");
    fileWriteLine(out, "");
    fileWriteLine(out, "appObjects = \\");
    fileWriteLine(out, "\t$(LIBDSP)/configdsp.o \\");
    fileWriteLine(out, "\t$(LIBDSP)/generic.o \\");
    writeApplicationObjects(out);
    fileWriteLine(out, "");
    fileWriteLine(out, "quelmObjects = \\");
    fileWriteLine(out, "\t$(LIBDSP)/Class.o \\");
    fileWriteLine(out, "\t$(LIBDSP)/Dictionary.o \\");
    fileWriteLine(out, "\t$(LIBDSP)/fork.o \\");
    fileWriteLine(out, "\t$(LIBDSP)/Link.o \\");
    fileWriteLine(out, "\t$(LIBDSP)/List.o \\");
    fileWriteLine(out, "\t$(LIBDSP)/Message.o \\");
    fileWriteLine(out, "\t$(LIBDSP)/method.o \\");
    fileWriteLine(out, "\t$(LIBDSP)/numConvert.o \\");
    fileWriteLine(out, "\t$(LIBDSP)/Object.o \\");
    fileWriteLine(out, "\t$(LIBDSP)/strnew.o \\");
    fileWriteLine(out, "\t$(LIBDSP)/DSPObject.o \\");
    fileWriteLine(out, "\t$(LIBDSP)/FloatTerminal.o \\");
    fileWriteLine(out, "\t$(LIBDSP)/IntTerminal.o \\");
    fileWriteLine(out, "\t$(LIBDSP)/Clock.o \\");
    fileWriteLine(out, "\t$(LIBDSP)/Scheduler.o \\");
    fileWriteLine(out, "\t$(LIBDSP)/Sequence.o \\");
    fileWriteLine(out, "\t$(LIBDSP)/Task.o \\");
    fileWriteLine(out, "\t$(LIBDSP)/Terminal.o \\");
    fileWriteLine(out, "\t$(LIBDSP)/UpSockPPC.o \\");
    fileWriteLine(out, "\t$(LIBDSP)/vxAsm.o \\");
    fileWriteLine(out, "\t$(LIBDSP)/vxExcept.o \\");
    fileWriteLine(out, "\t$(LIBDSP)/vxMain.o \\");
    fileWriteLine(out, "\t$(LIBDSP)/vxMapVME.o \\");
    fileWriteLine(out, "\t$(LIBDSP)/vxMisc.o \\");
    fileWriteLine(out, "\t$(LIBDSP)/vxMemory.o");
    fileWriteLine(out, "");
    fileWriteLine(out, "# Rules to compile modules");
    fileWriteLine(out, "");
    fileWriteLine(out, "$(LIBDSP)/%.o : %.c");
    fileWriteLine(out, "\t$(CC) $(CFLAGS) -c $< -o $(LIBDSP)/$*.o");
    fileWriteLine(out, "");
    fileWriteLine(out, "$(DESTDIR)/quelm.o : $(appObjects) $(quelmObjects)");
    fileWriteLine(out, "\t$(LD) $(LFLAGS) -r -o $@ $(appObjects) $(quelmObjects)");
    fileWriteLine(out, "");
    fileWriteLine(out, "$(DESTDIR)/vxSocket.o : $(QUELMHARD)/vxSocket.c");
    fileWriteLine(out, "\t$(CC) $(CFLAGS) -c $(QUELMHARD)/vxSocket.c -o $*.o");
    fileWriteLine(out, "");
    fileWriteLine(out, "$(DESTDIR)/vxSerial.o : $(QUELMHARD)/vxSerial.c");
    fileWriteLine(out, "\t$(CC) $(CFLAGS) -c $(QUELMHARD)/vxSerial.c -o $*.o");
    return {fileName, fileClose(out)};
}
