// What every pass is written with: one scan of a list, and lines composed
// from pieces in a fixed buffer.
#pragma once

#include "textfile.h"

// The outcome of one pass: the file it writes, and 0 or the errno of the
// first failure to create, write or close it.
struct WriteStatus {
    const char *file;
    int error;
};

// One scan of a list: opens it, hands every line to visit(line) until the
// end (or a read error) or until visit returns false, and closes it. A list
// that cannot be opened yields no lines. The list is read afresh on every
// call, so each section of output that needs the list scans it itself.
template <typename Visit>
void scanList(const char *listName, Visit visit)
{
    TextFile *list = fileOpenRead(listName);
    char line[kTextSize];
    while (fileAtEnd(list) == 0) {
        fileReadLine(list, line, kTextSize);
        if (!visit(line)) {
            break;
        }
    }
    fileClose(list);
}

// Joins the pieces in the buffer, cut at 127 characters.
template <typename... Pieces>
void composeText(char (&text)[kTextSize], const char *first, Pieces... rest)
{
    textCopy(text, first, kTextSize);
    (textAppend(text, rest, kTextSize), ...);
}

// Writes the joined pieces as one line, cut at 127 characters.
template <typename... Pieces>
void writeComposed(TextFile *out, const char *first, Pieces... rest)
{
    char line[kTextSize];
    composeText(line, first, rest...);
    fileWriteLine(out, line);
}
