// Every example in docs/*.md that is marked for testing runs as shown.
//
// Markers, in the info string of a fenced code block:
//   ```sh test            a shell example; runs with bash -e, must exit 0
//   ```sh test status=2   ... must exit with status 2
//   ```sh test requires=octave
//                         ... runs only where the named program is installed
//   ```text output        right after a test example: each non-empty line must
//                         appear, in this order, among the lines the example
//                         printed (standard output and error together)
//   ```json file=NAME     a file shown in the docs; written as NAME into the
//                         working directory of every later example of the
//                         same document
// Each example runs in a fresh directory laid out like the repository root:
// a copy of examples/, and build/bin/ holding the built tools, so a command
// reads exactly as a user types it at the top of a built checkout.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Block {
    std::string info;
    std::string body;
    int line = 0;  // line of the opening fence, 1-based
};

struct Example {
    std::string doc;                                  // file name, e.g. "sfhost.md"
    int line = 0;
    std::string script;
    int status = 0;
    std::string requires_;                            // a program the example needs, or empty
    std::vector<std::string> expected;                // lines of a following output block
    std::vector<std::pair<std::string, std::string>> files;  // shown files known at this point
};

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// Fenced blocks opened and closed by ```, also indented ones (an example in a
// list item); the body loses the fence's indentation.
std::vector<Block> fencedBlocks(const std::string& text) {
    std::vector<Block> blocks;
    const std::vector<std::string> lines = splitLines(text);
    auto fenceIndent = [](const std::string& line) -> std::size_t {
        const std::size_t indent = line.find_first_not_of(' ');
        return indent != std::string::npos && line.compare(indent, 3, "```") == 0 ? indent : std::string::npos;
    };
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::size_t indent = fenceIndent(lines[i]);
        if (indent == std::string::npos) continue;
        Block b;
        b.info = lines[i].substr(indent + 3);
        b.line = static_cast<int>(i) + 1;
        std::size_t j = i + 1;
        for (; j < lines.size() && fenceIndent(lines[j]) == std::string::npos; ++j) {
            const std::size_t lead = std::min(indent, lines[j].find_first_not_of(' ') == std::string::npos
                                                          ? lines[j].size()
                                                          : lines[j].find_first_not_of(' '));
            b.body += lines[j].substr(lead) + "\n";
        }
        blocks.push_back(std::move(b));
        i = j;
    }
    return blocks;
}

std::vector<std::string> words(const std::string& s) {
    std::istringstream in(s);
    std::vector<std::string> out;
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

std::string attribute(const std::vector<std::string>& w, const std::string& key) {
    for (const std::string& x : w)
        if (x.rfind(key + "=", 0) == 0) return x.substr(key.size() + 1);
    return {};
}

std::vector<Example> examplesOf(const fs::path& path) {
    std::vector<Example> out;
    std::vector<std::pair<std::string, std::string>> files;
    const std::vector<Block> blocks = fencedBlocks(readFile(path));
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        const std::vector<std::string> w = words(blocks[i].info);
        if (const std::string name = attribute(w, "file"); !name.empty()) files.emplace_back(name, blocks[i].body);
        if (w.size() < 2 || w[0] != "sh" || w[1] != "test") continue;
        Example ex;
        ex.doc = path.filename().string();
        ex.line = blocks[i].line;
        ex.script = blocks[i].body;
        if (const std::string s = attribute(w, "status"); !s.empty()) ex.status = std::stoi(s);
        ex.requires_ = attribute(w, "requires");
        ex.files = files;
        if (i + 1 < blocks.size() && words(blocks[i + 1].info) == std::vector<std::string>{"text", "output"})
            for (const std::string& line : splitLines(blocks[i + 1].body))
                if (!line.empty()) ex.expected.push_back(line);
        out.push_back(std::move(ex));
    }
    return out;
}

std::vector<fs::path> documents() {
    std::vector<fs::path> docs;
    for (const auto& entry : fs::directory_iterator(DOCS_DIR))
        if (entry.path().extension() == ".md") docs.push_back(entry.path());
    std::sort(docs.begin(), docs.end());
    return docs;
}

// A scratch directory shaped like the top of a built checkout.
class Workspace {
public:
    Workspace() {
        std::string pattern = (fs::temp_directory_path() / "docs-example.XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        root_ = pattern;
        fs::copy(fs::path(SOURCE_DIR) / "examples", root_ / "examples", fs::copy_options::recursive);
        fs::create_directories(root_ / "build" / "bin");
        for (const char* tool : {SFHOST_PATH, GENERIC_PATH, JACKPOS_PATH, POSJACK_PATH})
            fs::create_symlink(tool, root_ / "build" / "bin" / fs::path(tool).filename());
    }
    ~Workspace() {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    const fs::path& root() const { return root_; }

private:
    fs::path root_;
};

// Runs one example in a fresh workspace; failures name the manual and line.
void runExample(const Example& ex) {
    SCOPED_TRACE(ex.doc + ":" + std::to_string(ex.line));
    if (!ex.requires_.empty() &&
        std::system(("command -v '" + ex.requires_ + "' > /dev/null 2>&1").c_str()) != 0) {
        std::cout << ex.doc << ":" << ex.line << ": skipped, " << ex.requires_ << " is not installed\n";
        return;
    }
    Workspace ws;
    for (const auto& [name, body] : ex.files) {
        fs::create_directories((ws.root() / name).parent_path());
        std::ofstream(ws.root() / name, std::ios::binary) << body;
    }
    std::ofstream(ws.root() / ".example.sh", std::ios::binary) << ex.script;
    const std::string command = "cd '" + ws.root().string() + "' && bash -e .example.sh > .output 2>&1";
    const int raw = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(raw)) << "the example did not exit normally";
    const std::string output = readFile(ws.root() / ".output");
    EXPECT_EQ(WEXITSTATUS(raw), ex.status) << ex.script << "printed:\n" << output;

    // The expected lines, in order, among the printed ones.
    const std::vector<std::string> printed = splitLines(output);
    std::size_t at = 0;
    for (const std::string& want : ex.expected) {
        while (at < printed.size() && printed[at] != want) ++at;
        EXPECT_LT(at, printed.size()) << "the line\n  " << want << "\nis not printed (in this order) by\n"
                                      << ex.script << "which printed:\n" << output;
        if (at == printed.size()) break;
        ++at;
    }
}

// One test per manual. The manuals are named here, so that the tests stay the
// same when a manual is edited; the examples are read when the test runs, so
// editing a manual needs no rebuild.
const std::vector<std::string> kManuals{"generic.md", "guide.md", "parameters.md", "sfhost.md"};

class ManualExamples : public ::testing::TestWithParam<std::string> {};

TEST_P(ManualExamples, RunAsShown) {
    for (const Example& ex : examplesOf(fs::path(DOCS_DIR) / GetParam())) runExample(ex);
}

std::string manualTestName(const ::testing::TestParamInfo<std::string>& info) {
    std::string name = info.param;
    std::replace_if(name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
    return name;
}

INSTANTIATE_TEST_SUITE_P(Docs, ManualExamples, ::testing::ValuesIn(kManuals), manualTestName);

// A broken marker or parser would silently test nothing: every manual has
// examples under test, and no manual is left out of the list above.
TEST(DocExamples, EveryManualHasTestedExamples) {
    std::vector<std::string> found;
    for (const fs::path& doc : documents()) found.push_back(doc.filename().string());
    EXPECT_EQ(found, kManuals) << "docs/*.md and the manuals under test differ";
    for (const std::string& doc : kManuals)
        EXPECT_FALSE(examplesOf(fs::path(DOCS_DIR) / doc).empty()) << doc << " has no example marked sh test";
}

// The targets of the Markdown links of a text: "](target)" or "](target#anchor)".
std::vector<std::string> linkTargets(const std::string& text) {
    std::vector<std::string> targets;
    for (std::size_t at = text.find("]("); at != std::string::npos; at = text.find("](", at + 2)) {
        const std::size_t end = text.find(')', at + 2);
        if (end == std::string::npos) break;
        std::string target = text.substr(at + 2, end - at - 2);
        target = target.substr(0, target.find('#'));
        targets.push_back(target);
    }
    return targets;
}

// Relative links (figures, other manuals) point at files that exist.
TEST(DocExamples, RelativeLinksResolve) {
    for (const fs::path& doc : documents()) {
        for (const std::string& target : linkTargets(readFile(doc))) {
            if (target.empty() || target.find("://") != std::string::npos) continue;  // same page, web
            EXPECT_TRUE(fs::exists(doc.parent_path() / target)) << doc.filename() << " links to missing " << target;
        }
    }
}

}  // namespace
