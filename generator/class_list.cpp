#include "class_list.h"

bool hasMarker(const char *line, const char *markers)
{
    if (line[0] == '\0') {
        return false;
    }
    for (const char *marker = markers; *marker != '\0'; ++marker) {
        if (line[0] == *marker) {
            return true;
        }
    }
    return false;
}

void writeRecordLines(TextFile *out, char marker, const char *before, const char *after)
{
    const char markers[] = {marker, '\0'};
    forEachRecord(markers, [&](const char *name) { writeComposed(out, before, name, after); });
}

bool appendFirstRecord(char (&text)[kTextSize], char marker)
{
    const char markers[] = {marker, '\0'};
    bool found = false;
    scanList(kClassList, [&](char *line) {
        if (!hasMarker(line, markers)) {
            return true;
        }
        dropMarker(line);
        textAppend(text, line, kTextSize);
        found = true;
        return false;
    });
    return found;
}
