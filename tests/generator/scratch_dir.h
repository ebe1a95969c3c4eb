// Test helpers: a scratch directory that removes itself, whole-file reads,
// and a run of the built `generic` program inside a directory.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace generator_test {

namespace fs = std::filesystem;

class ScratchDir {
public:
    ScratchDir()
    {
        std::string pattern = (fs::temp_directory_path() / "generator-test-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) {
            path_ = pattern;
        }
    }
    ~ScratchDir()
    {
        std::error_code ignored;
        if (!path_.empty()) {
            fs::remove_all(path_, ignored);
        }
    }
    ScratchDir(const ScratchDir &) = delete;
    ScratchDir &operator=(const ScratchDir &) = delete;

    const fs::path &path() const { return path_; }
    fs::path operator/(const std::string &name) const { return path_ / name; }

private:
    fs::path path_;
};

inline std::string readFile(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeFile(const fs::path &path, const std::string &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

struct RunResult {
    int status = -1;      // exit status, or -1 when the program did not exit normally
    std::string errors;   // everything it wrote on standard error
};

// Runs the program with no arguments in the directory.
inline RunResult runGeneric(const fs::path &directory)
{
    RunResult result;
    const fs::path errorsFile = directory.parent_path() / (directory.filename().string() + ".stderr");
    const pid_t child = fork();
    if (child == 0) {
        const int fd = open(errorsFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || dup2(fd, STDERR_FILENO) < 0 || chdir(directory.c_str()) != 0) {
            _exit(126);
        }
        execl(GENERIC_BINARY, "generic", static_cast<char *>(nullptr));
        _exit(127);
    }
    int waitStatus = 0;
    if (child > 0 && waitpid(child, &waitStatus, 0) == child && WIFEXITED(waitStatus)) {
        result.status = WEXITSTATUS(waitStatus);
    }
    result.errors = readFile(errorsFile);
    std::error_code ignored;
    fs::remove(errorsFile, ignored);
    return result;
}

inline const char *const kOutputs[] = {"generic.h",   "generic.c",   "configsim.c",
                                       "configsup.c", "configdsp.c", "makefile"};

inline fs::path fixture(const std::string &relative)
{
    return fs::path(GENERATOR_FIXTURES) / relative;
}

}  // namespace generator_test
