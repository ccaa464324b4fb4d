#pragma once

// Runs the qorjs program through the shell, as a user would, and collects
// its exit status and what it wrote.

#include "Support/ScriptFiles.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace qor::test {

struct QorjsOutcome {
    int status;
    std::string out;
    std::string err;
};

// One shell word, whatever the text holds.
inline std::string shellQuote(std::string const& text) {
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

inline std::string slurp(std::filesystem::path const& path) {
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// qorjs with `arguments` (already in shell syntax), started in
// `workingDirectory`; its output passes through files in `scratch`.
inline QorjsOutcome runQorjs(ScriptFiles const& scratch, std::string const& arguments,
                             std::filesystem::path const& workingDirectory = ".") {
    auto const out = scratch.dir() / "stdout", err = scratch.dir() / "stderr";
    std::string const command = "cd " + shellQuote(workingDirectory.string()) + " && " + std::string(QORJS_PATH) +
                                " " + arguments + " >" + out.string() + " 2>" + err.string();
    int const raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp(out), slurp(err)};
}

} // namespace qor::test
