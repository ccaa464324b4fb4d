#include "LineEditor.h"

#include "StandardInput.h"

#include <cstdio>

namespace qor::tools::qorjs {

LineEditor::LineEditor(bool terminal, std::optional<std::filesystem::path> historyFile, CompletionFunction complete)
    : editing_(terminal ? startTerminalEditing(std::move(historyFile), std::move(complete)) : nullptr) {}

InputLine LineEditor::read(std::string const& prompt) {
    if (editing_)
        return editing_->read(prompt);
    std::fputs(prompt.c_str(), stdout);
    std::optional<std::string> line = readInputLine();
    if (!line)
        return {InputLine::Kind::end, {}};
    return {InputLine::Kind::line, std::move(*line)};
}

void LineEditor::remember(std::string const& line) {
    if (editing_)
        editing_->remember(line);
}

} // namespace qor::tools::qorjs
