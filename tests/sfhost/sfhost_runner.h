// Runs the built sfhost program and captures what it prints, for the
// end-to-end tests. Paths of the program, plug-ins and examples come from
// the build (compile definitions).
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace sfhost_test {

struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};

// The built plug-ins and the hexapod example's parameter files for them.
inline const std::string kPosjack = POSJACK_PATH;
inline const std::string kJackpos = JACKPOS_PATH;
inline const std::string kPosjackParams = std::string(HEXAPOD_DIR) + "/posjack.json";
inline const std::string kJackposParams = std::string(HEXAPOD_DIR) + "/jackpos.json";

inline std::string readFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void writeFile(const std::filesystem::path& p, const std::string& text) {
    std::ofstream(p, std::ios::binary) << text;
}

inline std::string shellQuote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// A scratch folder per test, removed afterwards.
class ScratchDir {
public:
    explicit ScratchDir(const std::string& name) {
        path_ = std::filesystem::temp_directory_path() / ("sfhost-test-" + name + "-" + std::to_string(::getpid()));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::filesystem::path operator/(const std::string& leaf) const { return path_ / leaf; }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Runs `program args...` with standard input closed; stdout and stderr
// through files of the scratch folder.
inline RunResult runProgram(const std::string& program, const std::vector<std::string>& args,
                            const ScratchDir& dir) {
    std::string cmd = shellQuote(program);
    for (const auto& a : args) cmd += " " + shellQuote(a);
    const auto out = dir / "stdout.txt";
    const auto err = dir / "stderr.txt";
    cmd += " </dev/null >" + shellQuote(out.string()) + " 2>" + shellQuote(err.string());
    const int raw = std::system(cmd.c_str());
    RunResult r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = readFile(out);
    r.err = readFile(err);
    return r;
}

inline RunResult runSfhost(const std::vector<std::string>& args, const ScratchDir& dir) {
    return runProgram(SFHOST_PATH, args, dir);
}

}  // namespace sfhost_test
