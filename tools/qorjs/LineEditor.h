#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qor::tools::qorjs {

// What a read of the interactive session gives.
struct InputLine {
    enum class Kind { line, interrupted, end };
    Kind kind = Kind::end;
    std::string text; // a line, without its end; an interrupted line as far as it was typed
};

// The completions of the word before the cursor: the names that may take
// its place, and how many bytes of it they replace.
struct Completions {
    std::size_t typed = 0;
    std::vector<std::string> names;
};

using CompletionFunction = std::function<Completions(std::string_view beforeCursor)>;

// The editing of lines on a terminal, where the platform gives one: emacs
// keys, the history (kept in a file, if one is named), Tab to complete (as
// the completer says, once, or the list of choices), Ctrl-C to drop the
// line, Ctrl-D on an empty line to end.
class TerminalEditing {
public:
    virtual ~TerminalEditing() = default;
    virtual InputLine read(std::string const& prompt) = 0;
    virtual void remember(std::string const& line) = 0;
};

// Null where the platform's terminal edits lines by itself.
std::unique_ptr<TerminalEditing> startTerminalEditing(std::optional<std::filesystem::path> historyFile,
                                                      CompletionFunction complete);

// The lines of the interactive session: edited on a terminal
// (TerminalEditing), elsewhere read as they come, after the prompt.
class LineEditor {
public:
    LineEditor(bool terminal, std::optional<std::filesystem::path> historyFile, CompletionFunction complete);

    InputLine read(std::string const& prompt);
    // Keeps a line entered, for the history and its file.
    void remember(std::string const& line);

private:
    std::unique_ptr<TerminalEditing> editing_;
};

} // namespace qor::tools::qorjs
