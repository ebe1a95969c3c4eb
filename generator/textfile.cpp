#include "textfile.h"

#include <cerrno>
#include <new>

namespace {

// errno after a failed library call; a call that failed without setting it
// still has to read as a failure.
int lastError()
{
    return errno != 0 ? errno : EIO;
}

TextFile *fileOpen(const char *name, const char *mode)
{
    TextFile *file = new (std::nothrow) TextFile{nullptr, 1, 0};
    if (file == nullptr) {
        return nullptr;
    }
    errno = 0;
    std::FILE *stream = std::fopen(name, mode);
    if (stream == nullptr) {
        file->error = lastError();
        return file;
    }
    if (std::ferror(stream)) {
        file->error = lastError();
        std::fclose(stream);
        return file;
    }
    file->stream = stream;
    file->bad = 0;
    return file;
}

void noteFailure(TextFile *file)
{
    if (file->error == 0) {
        file->error = lastError();
    }
}

}  // namespace

TextFile *fileOpenRead(const char *name)
{
    return fileOpen(name, "r");
}

TextFile *fileOpenWrite(const char *name)
{
    return fileOpen(name, "w+");
}

int fileClose(TextFile *file)
{
    if (file == nullptr) {
        return ENOMEM;
    }
    if (file->bad == 0) {
        // A write the stream buffered may fail only now, when it is flushed.
        if (std::ferror(file->stream)) {
            noteFailure(file);
        }
        errno = 0;
        if (std::fclose(file->stream) != 0) {
            noteFailure(file);
        }
        file->stream = nullptr;
        file->bad = 1;
    }
    const int error = file->error;
    delete file;
    return error;
}

int fileAtEnd(const TextFile *file)
{
    if (file == nullptr || file->bad != 0) {
        return 1;
    }
    return std::feof(file->stream) || std::ferror(file->stream) ? 1 : 0;
}

int fileReadLine(TextFile *file, char *buffer, int size)
{
    if (size < 1) {
        return 0;
    }
    buffer[0] = '\0';
    if (file == nullptr || file->bad != 0) {
        return 0;
    }
    if (std::fgets(buffer, size, file->stream) == nullptr) {
        // At the end nothing was stored; after a read error the buffer is
        // indeterminate. Either way the line is empty.
        buffer[0] = '\0';
        return 0;
    }
    stripLineEnd(buffer);
    return textLength(buffer);
}

void stripLineEnd(char *text)
{
    int length = textLength(text);
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r')) {
        --length;
    }
    text[length] = '\0';
}

void fileWrite(TextFile *file, const char *text)
{
    if (file == nullptr || file->bad != 0) {
        return;
    }
    errno = 0;
    if (std::fputs(text, file->stream) == EOF) {
        noteFailure(file);
    }
}

void fileWriteLine(TextFile *file, const char *text)
{
    fileWrite(file, text);
    fileWrite(file, "\n");
}

int textLength(const char *text)
{
    int length = 0;
    while (text[length] != '\0') {
        ++length;
    }
    return length;
}

void textCopy(char *destination, const char *source, int size)
{
    if (size < 1) {
        return;
    }
    int i = 0;
    while (i < size - 1 && source[i] != '\0') {
        destination[i] = source[i];
        ++i;
    }
    destination[i] = '\0';
}

void textAppend(char *destination, const char *source, int size)
{
    int length = textLength(destination);
    if (length >= size - 1) {
        return;
    }
    textCopy(destination + length, source, size - length);
}

void textMid(char *destination, const char *source, int from, int count)
{
    const int length = textLength(source);
    if (from < 1) {
        from = 1;
    }
    if (from > length + 1 || count < 1) {
        return;
    }
    // Forwards, so that a destination equal to the source is read ahead of
    // where it is written.
    int i = 0;
    while (i < count - 1 && source[from - 1 + i] != '\0') {
        destination[i] = source[from - 1 + i];
        ++i;
    }
    destination[i] = '\0';
}

void intToText(int base, char *destination, int value)
{
    if (base < 2 || base > 36) {
        base = 10;
    }
    // The magnitude is taken unsigned so that the most negative int has one.
    unsigned int magnitude = value < 0 ? 0u - static_cast<unsigned int>(value)
                                       : static_cast<unsigned int>(value);
    char digits[33];
    int count = 0;
    do {
        digits[count++] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"[magnitude % static_cast<unsigned int>(base)];
        magnitude /= static_cast<unsigned int>(base);
    } while (magnitude != 0);
    int at = 0;
    if (value < 0) {
        destination[at++] = '-';
    }
    while (count > 0) {
        destination[at++] = digits[--count];
    }
    destination[at] = '\0';
}
