// generic.h and generic.c: the declarations, the name table, the selector
// numbers and the dispatch stubs of the QUELM generic procedures.

#include "passes.h"

namespace {

// Hands each procedure name of the list to take(name, selector). The whole
// line is the name; empty lines and "!" comments take no number. Names are
// numbered from 1 because selector 0 is the "undefined" entry of the table;
// every scan numbers alike, so the table index and the stub's selector agree.
template <typename Take>
void forEachGenericName(const char *listName, Take take)
{
    int selector = 0;
    scanList(listName, [&](const char *line) {
        if (line[0] != '\0' && line[0] != '!') {
            ++selector;
            take(line, selector);
        }
        return true;
    });
}

}  // namespace

WriteStatus writeGenericHeader()
{
    const char *fileName = "generic.h";
    TextFile *out = fileOpenWrite(fileName);
    fileWriteLine(out, "/* generic.h -- Interface to QUELM generic procedures */");
    fileWriteLine(out, "/* This file is created automatically from the file */");
    fileWriteLine(out, "/* Generic.dat by the program Generic.exe */");
    fileWriteLine(out, "");
    fileWriteLine(out, "extern char *genericName[] ;");
    fileWriteLine(out, "");
    fileWriteLine(out, "#undef min");
    fileWriteLine(out, "#undef max");
    fileWriteLine(out, "");
    forEachGenericName("generic.dat", [&](const char *name, int) {
        writeComposed(out, "externGeneric( ", name, " ) ;");
    });
    return {fileName, fileClose(out)};
}

void writeGenericNames(const char *listName, TextFile *out)
{
    fileWriteLine(out, "/* generic.c -- QUELM Generic procedures */");
    fileWriteLine(out, "/* This file is created automatically from the file */");
    fileWriteLine(out, "/* Generic.dat by the program Generic.exe */");
    fileWriteLine(out, "");
    fileWriteLine(out, "#include \"Object.h\"");
    fileWriteLine(out, "");
    fileWriteLine(out, "char *genericName[] = ");
    fileWriteLine(out, "{\t\"undefined\",");
    forEachGenericName(listName, [&](const char *name, int) {
        writeComposed(out, "\t\"", name, "\",");
    });
    fileWriteLine(out, "\t\"\"");
    fileWriteLine(out, "} ;");
    fileWriteLine(out, "");
}

WriteStatus writeGenericSource()
{
    const char *fileName = "generic.c";
    TextFile *out = fileOpenWrite(fileName);
    writeGenericNames("generic.dat", out);
    fileWriteLine(out, "extern objects asmGeneric() ;");
    fileWriteLine(out, "");
    forEachGenericName("generic.dat", [&](const char *name, int selector) {
        char number[kTextSize];
        intToText(10, number, selector);
        writeComposed(out, "unsigned int SEL(", name, ") = ", number, " ;");
        writeComposed(out, "objects ", name, "(objects self,...)");
        fileWriteLine(out, "{");
        writeComposed(out, "\tasmGeneric(self, ", number, ") ;");
        fileWriteLine(out, "\treturn 0 ;");
        fileWriteLine(out, "}");
        fileWriteLine(out, "");
    });
    return {fileName, fileClose(out)};
}
