// SPDX-License-Identifier: GPL-3.0-or-later
#include "test_environment.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace test {
namespace fs = std::filesystem;

namespace {

fs::path MakeRoot() {
    std::string pattern = (fs::temp_directory_path() / "corvanta-platform-XXXXXX").string();
    const char* made = ::mkdtemp(pattern.data());
    return made ? fs::path(made) : fs::temp_directory_path();
}

// Every test of this program runs headless with a trace of its own; a
// setting made outside (ctest's environment) wins.
struct Environment {
    Environment() : root(MakeRoot()) {
        ::setenv("CORVANTA_DRIVER", "headless", 0);
        ::setenv("CORVANTA_TRACE", (root / "trace.txt").c_str(), 1);
        ::unsetenv("CORVANTA_SCREEN");
        ::unsetenv("CORVANTA_INPUT");
        ::unsetenv("CORVANTA_CLIENT");
        ::unsetenv("CORVANTA_PALETTE");
    }
    ~Environment() {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
    fs::path root;
};

Environment& TheEnvironment() {
    static Environment environment;
    return environment;
}

// Set before any test touches the layer.
const bool prepared = (TheEnvironment(), true);

}  // namespace

fs::path TempRoot() { return TheEnvironment().root; }

fs::path MakeTempDir(const std::string& name) {
    fs::path dir = TempRoot() / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteText(const fs::path& path, const std::string& text) {
    if (path.has_parent_path()) fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

std::vector<std::string> TraceLines(const fs::path& path) {
    std::vector<std::string> lines;
    std::istringstream in(ReadText(path));
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

std::vector<std::string> OwnTrace() { return TraceLines(TempRoot() / "trace.txt"); }

}  // namespace test
