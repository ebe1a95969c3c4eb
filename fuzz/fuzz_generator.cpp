// Fuzz target: the generator's six passes over arbitrary lists.
//
// The input is split at its first 0x1E byte (ASCII record separator): the
// bytes before it become generic.dat, the bytes after it classes.dat. An input
// without the separator leaves classes.dat missing. Both files are written as
// raw bytes, so they carry whatever the fuzzer makes: NUL bytes, lines far
// longer than the 128-byte buffers, lone carriage returns, no final line end.
//
// The passes read and write the current directory, so each input runs in a
// scratch directory of the process, made once and removed at exit; every
// input rewrites (or removes) the two lists there. The process returns to its
// own directory between inputs, where libFuzzer reads and writes its corpus
// and artifacts under the paths it was given.
//
// Beyond the sanitizers, each run must leave all six outputs written without
// error, and no output may hold a NUL byte: every generated line is built
// from C strings, so a NUL in an output would mean text read past its end.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <system_error>

#include <unistd.h>

#include "passes.h"

namespace {

std::filesystem::path homeDir;
std::filesystem::path scratchDir;

void removeScratch()
{
    std::error_code ignored;
    std::filesystem::remove_all(scratchDir, ignored);
}

[[noreturn]] void fail(const char *what, const char *file)
{
    std::fprintf(stderr, "fuzz_generator: %s: %s\n", file, what);
    std::error_code ignored;
    std::filesystem::current_path(homeDir, ignored);  // the artifact goes where libFuzzer was told
    std::abort();
}

void writeList(const char *name, std::string_view bytes)
{
    std::FILE *f = std::fopen(name, "wb");
    if (f == nullptr) {
        fail("cannot create the list in the scratch directory", name);
    }
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
        fail("cannot write the list", name);
    }
    if (std::fclose(f) != 0) {
        fail("cannot close the list", name);
    }
}

void checkOutput(const char *name)
{
    std::ifstream in(name, std::ios::binary);
    if (!in) {
        fail("output missing", name);
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (text.find('\0') != std::string::npos) {
        fail("output holds a NUL byte", name);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    std::string pattern = (std::filesystem::temp_directory_path() / "fuzz_generator.XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        std::perror("fuzz_generator: mkdtemp");
        std::exit(1);
    }
    homeDir = std::filesystem::current_path();
    scratchDir = pattern;
    std::atexit(removeScratch);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string_view input(reinterpret_cast<const char *>(data), size);
    const std::size_t split = input.find('\x1e');
    std::filesystem::current_path(scratchDir);

    writeList("generic.dat", input.substr(0, split));
    if (split == std::string_view::npos) {
        std::remove("classes.dat");
    } else {
        writeList("classes.dat", input.substr(split + 1));
    }

    const WriteStatus results[] = {
        writeGenericHeader(), writeGenericSource(), writeSimConfig(),
        writeSupConfig(),     writeDspConfig(),     writeMakefile(),
    };
    for (const WriteStatus &result : results) {
        if (result.error != 0) {
            fail(std::strerror(result.error), result.file);
        }
        checkOutput(result.file);
    }
    std::filesystem::current_path(homeDir);
    return 0;
}
