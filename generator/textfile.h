// Text files and fixed-buffer strings of the generator.
//
// Every line the generator reads or composes lives in a buffer of
// kTextSize bytes: 127 characters and the terminating NUL. Longer text is
// cut at 127 characters without notice.
#pragma once

#include <cstdio>

inline constexpr int kTextSize = 128;

// The handle of one open text file. A record whose open failed is still
// handed out: it behaves as an empty file that takes no writes, and it must
// still be closed.
struct TextFile {
    std::FILE *stream;  // owned by the record
    int bad;            // 1 when the open failed: every operation then does nothing
    int error;          // errno of the first failure of open, write or close; 0 while all went well
};

// Opens an existing file for reading only ("r"), so a read-only list reads
// like any other. A missing file gives a bad record.
TextFile *fileOpenRead(const char *name);

// Creates the file, or truncates it to empty ("w+").
TextFile *fileOpenWrite(const char *name);

// Closes the stream (unless the record is bad) and frees the record.
// Returns 0 when the file was opened, written and closed without failure,
// else the errno of the first failure. A null record (the allocation of the
// record failed) counts as a bad record and gives ENOMEM.
int fileClose(TextFile *file);

// 1 when the record is bad, when a read has gone past the last character, or
// when a read has failed: a scan stops on a read error as it does at the end.
int fileAtEnd(const TextFile *file);

// Reads one line of at most size - 1 characters (a longer line is read in
// pieces), drops its line end and returns the remaining length. The buffer is
// empty when nothing could be read.
int fileReadLine(TextFile *file, char *buffer, int size);

// Removes every line feed and carriage return at the end of the text.
void stripLineEnd(char *text);

// Writes the text as it is, with no line end.
void fileWrite(TextFile *file, const char *text);

// Writes the text followed by one line feed.
void fileWriteLine(TextFile *file, const char *text);

int textLength(const char *text);

// Copies at most size - 1 characters and always terminates the destination.
void textCopy(char *destination, const char *source, int size);

// Appends until the destination holds size - 1 characters; a destination
// that is already that full is left unchanged.
void textAppend(char *destination, const char *source, int size);

// Copies at most count - 1 characters of the source from the 1-based
// position `from` (below 1 counts as 1). When `from` lies more than one place
// past the last character the destination is left as it was. Destination and
// source may be the same buffer.
void textMid(char *destination, const char *source, int from, int count);

// Writes the value in the base (2 to 36; any other base writes decimal),
// with a leading "-" when negative, digits above 9 as capital letters. The
// destination must hold 34 bytes.
void intToText(int base, char *destination, int value);
