// Records of the class list "classes.dat".
//
// The first character of a line is its marker and the rest of the line is
// the record text, untrimmed: a blank after the marker or at the end of the
// line is part of the name. Lines with any other first character are
// comments to every pass.
//
//   @  supervisor application class      %  further DSP module (makefile only)
//   #  DSP application class             $  supervisor library statement
//   ^  supervisor heap size (first only) &  DSP heap size (first only)
#pragma once

#include "pass_support.h"

inline constexpr const char *kClassList = "classes.dat";

// True when the line starts with one of the markers (an empty line has none).
bool hasMarker(const char *line, const char *markers);

// Turns a line with a marker into its record text, in place.
inline void dropMarker(char *line)
{
    textMid(line, line, 2, kTextSize);
}

// Hands the record text of each record with one of the markers to
// take(name), in list order: one scan of the class list.
template <typename Take>
void forEachRecord(const char *markers, Take take)
{
    scanList(kClassList, [&](char *line) {
        if (hasMarker(line, markers)) {
            dropMarker(line);
            take(static_cast<const char *>(line));
        }
        return true;
    });
}

// One line per record with the marker: before, the name, after.
void writeRecordLines(TextFile *out, char marker, const char *before, const char *after);

// Appends the record text of the first record with the marker to the
// buffer (cut at 127 characters); the scan stops there. Returns whether the
// list has such a record.
bool appendFirstRecord(char (&text)[kTextSize], char marker);
