#include "../LineEditor.h"

#include "Platform/Com.h"

namespace qor::tools::qorjs {

// The console edits lines and keeps their history itself; Ctrl-C reaches
// Interrupts.
std::unique_ptr<TerminalEditing> startTerminalEditing(std::optional<std::filesystem::path>, CompletionFunction) {
    return nullptr;
}

} // namespace qor::tools::qorjs
