// The three ways a run of sfhost can fail, each with its exit status:
// - InputError (status 2): a file the user gave is unreadable or malformed;
//   the message names the file and the place (JSON path, CSV line/column).
// - FileError (status 2): a plug-in that cannot be loaded, an output that
//   cannot be written; the message names the file.
// - UsageError (status 2): the command line itself is wrong.
// - BlockError (status 1): a block set its error status; the message is the
//   block's own text, unchanged.
#pragma once

#include <stdexcept>
#include <string>

namespace sfhost {

inline constexpr int kStatusBlockError = 1;
inline constexpr int kStatusBadInput = 2;

// A file that cannot be used, with a message that already names it (status 2).
class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class InputError : public FileError {
public:
    InputError(const std::string& file, const std::string& place, const std::string& problem)
        : FileError(file + (place.empty() ? "" : ": " + place) + ": " + problem),
          file_(file), place_(place), problem_(problem) {}

    const std::string& file() const noexcept { return file_; }
    const std::string& place() const noexcept { return place_; }
    const std::string& problem() const noexcept { return problem_; }

private:
    std::string file_;
    std::string place_;
    std::string problem_;
};

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class BlockError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace sfhost
