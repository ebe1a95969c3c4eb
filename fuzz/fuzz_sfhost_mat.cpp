// Fuzz target: sfhost's MAT readers (parameter files and input signal files,
// through matio). matio reads only from a file, so each input is written to a
// file in a scratch directory of the process (made once, removed at exit) and
// read back with every reader.
//
// As for the text formats, a reader must either give a well-formed result or
// throw sfhost::InputError; any other exception, a sanitizer report or a hang
// is a finding. matio itself is a Debian library without coverage counters,
// so the guidance comes from sfhost's own code; its memory accesses are still
// watched through the sanitizer's interceptors.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>
#include <system_error>

#include <unistd.h>

#include "errors.h"
#include "mat_files.h"

// matio trusts the lengths and dimensions a file declares and may ask malloc
// for gigabytes on behalf of a corrupt file of a few hundred bytes, then
// reads what the file really holds and reports the short read. On a real
// system such an allocation either succeeds untouched or fails; here any C
// allocation above 1 GiB fails (malloc returns null, as the system would
// refuse it), and scripts/fuzz raises libFuzzer's own single-allocation
// limit for this target so that the refusal, not the request, is what
// counts. An allocation through operator new (sfhost's own containers) still
// reports out-of-memory: sfhost must bound what it allocates itself.
extern "C" const char *__asan_default_options()
{
    return "allocator_may_return_null=1:max_allocation_size_mb=1024";
}

namespace {

std::filesystem::path scratchDir;
std::string matPath;

void removeScratch()
{
    std::error_code ignored;
    std::filesystem::remove_all(scratchDir, ignored);
}

[[noreturn]] void fail(const char *what, const std::string &detail = {})
{
    std::fprintf(stderr, "fuzz_sfhost_mat: %s %s\n", what, detail.c_str());
    std::abort();
}

void checkValue(const sfhost::ParamValue &value)
{
    std::size_t count = 1;
    for (std::size_t d : value.dims) count *= d;
    if (value.dims.size() < 2 || count != value.data.size()) fail("parameter value with inconsistent dimensions");
}

template <typename Read>
void tolerateInputError(Read read)
{
    try {
        read();
    } catch (const sfhost::InputError &) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    std::string pattern = (std::filesystem::temp_directory_path() / "fuzz_sfhost_mat.XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        std::perror("fuzz_sfhost_mat: mkdtemp");
        std::exit(1);
    }
    scratchDir = pattern;
    matPath = (scratchDir / "fuzz.mat").string();
    std::atexit(removeScratch);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::FILE *f = std::fopen(matPath.c_str(), "wb");
    if (f == nullptr || (size > 0 && std::fwrite(data, 1, size, f) != size) || std::fclose(f) != 0)
        fail("cannot write the scratch file", matPath);

    try {
        tolerateInputError([] {
            for (const std::string &name : sfhost::matVariableNames(matPath))
                tolerateInputError([&] { checkValue(sfhost::readMatArray(matPath, name)); });
        });
        tolerateInputError([] {
            const std::string block = sfhost::detectMatBlockName(matPath);
            if (block != "Jackpos" && block != "Posjack") fail("detected an unknown block", block);
        });
        for (const char *block : {"Jackpos", "Posjack"}) {
            tolerateInputError([&] {
                for (const auto &value : sfhost::readMatParameterFile(matPath, block)) checkValue(value);
            });
        }
        tolerateInputError([] {
            const sfhost::SignalTable table = sfhost::readMatSignalFile(matPath);
            // A file without inputs (or with steps x 0 ones) is a table of no columns.
            const bool whole = table.columns.empty() ? table.values.empty()
                                                     : table.values.size() % table.columns.size() == 0;
            if (!whole) fail("signal table without whole rows");
            tolerateInputError([&] { (void)sfhost::checkMatSignalPorts(table, {6, 6, 6, 6}, "Posjack", matPath); });
        });
    } catch (const std::exception &e) {
        fail("a reader threw something other than InputError:", e.what());
    }
    return 0;
}
