#include "Repl.h"

#include "Completion.h"
#include "Inspect.h"
#include "Interrupts.h"
#include "LineEditor.h"
#include "Terminal.h"

#include "Format/Engine/JavaScript/Com/Engine/ScriptFile.h"
#include "Format/Engine/JavaScript/Com/Version.h"

#include <fmt/format.h>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <regex>

namespace qor::tools::qorjs {
namespace {

using format::engine::javascript::ComV8Engine;
using format::engine::javascript::Error;

constexpr char const* helpText =
    ".break    Leave a statement that goes on over several lines\n"
    ".clear    The same as .break\n"
    ".exit     Leave the session\n"
    ".help     Show these commands\n"
    ".load     Run a script file in the session: .load FILE\n"
    ".save     Save the statements run so far to a file: .save FILE\n"
    "\n"
    "Ctrl-C clears the line or ends the statement that runs; Ctrl-D on an empty line\n"
    "leaves. Tab completes global names and members.\n";

constexpr std::string_view commands[] = {".break", ".clear", ".exit", ".help", ".load", ".save"};

void print(std::string const& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

// Where the session's lines are kept: QORJS_REPL_HISTORY's file (none when
// it is empty), else ~/.qorjs_repl_history.
std::optional<std::filesystem::path> historyFile() {
    if (char const* named = std::getenv("QORJS_REPL_HISTORY"))
        return *named == '\0' ? std::nullopt : std::optional<std::filesystem::path>(named);
    if (char const* home = std::getenv("HOME"); home != nullptr && *home != '\0')
        return std::filesystem::path(home) / ".qorjs_repl_history";
    return std::nullopt;
}

// A statement that is only cut short: more lines may complete it.
bool leftOpen(Error const& error) {
    return error.type == Error::Type::Compile && (error.message.ends_with("Unexpected end of input") ||
                                                  error.message.ends_with("Unterminated template literal"));
}

class Repl {
public:
    explicit Repl(Session& session);
    void run();

private:
    enum class Ran { done, leftOpen, syntaxError };
    // Runs a statement and prints its value; a text that starts as an object
    // literal is tried as one first, as in Node.
    Ran evaluate(std::string const& code);
    Ran runOnce(std::string const& source, bool tryingAsExpression);
    // A line starting with a command; false when the session is to end.
    bool command(std::string const& line, bool& handled);
    void showError(Error const& error);
    Completions complete(std::string_view beforeCursor);

    Session& session_;
    ComV8Engine& engine_;
    bool const terminal_;
    Interrupts interrupts_;
    LineEditor editor_;
    std::string pending_;                 // the lines of a statement left open
    std::vector<std::string> statements_; // run so far, for .save
    int inputs_ = 0;
};

Repl::Repl(Session& session)
    : session_(session), engine_(session.engine()), terminal_(isTerminal(stdin) && isTerminal(stdout)),
      interrupts_([&engine = session.engine()] { engine.terminateScript(); }),
      editor_(terminal_, terminal_ ? historyFile() : std::nullopt,
              [this](std::string_view beforeCursor) { return complete(beforeCursor); }) {
    session_.onError([this](Error const& error) { showError(error); });
}

Completions Repl::complete(std::string_view beforeCursor) {
    std::size_t const start = beforeCursor.find_first_not_of(" \t");
    if (pending_.empty() && start != std::string_view::npos && beforeCursor[start] == '.' &&
        beforeCursor.find(' ', start) == std::string_view::npos) {
        std::string_view const typed = beforeCursor.substr(start);
        Completions found{typed.size(), {}};
        for (std::string_view name : commands)
            if (name.starts_with(typed))
                found.names.emplace_back(name);
        return found;
    }
    v8::Isolate* isolate = engine_.getIsolate();
    v8::Isolate::Scope isolateScope(isolate);
    v8::HandleScope handleScope(isolate);
    v8::Local<v8::Context> context = session_.context();
    v8::Context::Scope contextScope(context);
    return completeExpression(engine_, context, beforeCursor);
}

void Repl::showError(Error const& error) {
    std::string text;
    if (error.type == Error::Type::Compile && error.sourceLine && error.startColumn && *error.startColumn >= 1) {
        auto const width = error.endColumn && *error.endColumn > *error.startColumn
                               ? static_cast<std::size_t>(*error.endColumn - *error.startColumn)
                               : 1;
        text += *error.sourceLine + "\n" + std::string(static_cast<std::size_t>(*error.startColumn - 1), ' ') +
                std::string(width, '^') + "\n\n";
    }
    text += error.message.starts_with("Uncaught") ? error.message : "Uncaught " + error.message;
    text += "\n";
    // The frames of what the statement called; the statement's own top
    // level is the prompt.
    if (error.stackTrace) {
        static std::regex const topLevel(R"(^    at REPL\d+:\d+:\d+$)");
        std::size_t at = error.stackTrace->find("\n    at ");
        while (at != std::string::npos) {
            std::size_t const end = error.stackTrace->find('\n', at + 1);
            std::string const frame = error.stackTrace->substr(at + 1, end == std::string::npos ? end : end - at - 1);
            if (!std::regex_match(frame, topLevel))
                text += frame + "\n";
            at = end;
        }
    }
    print(text);
}

Repl::Ran Repl::runOnce(std::string const& source, bool tryingAsExpression) {
    ComV8Engine::ScriptSettings settings;
    settings.path = std::filesystem::path(fmt::format("REPL{}", ++inputs_));
    engine_.setScript(source, settings);
    // A Ctrl-C between statements ended nothing.
    interrupts_.taken();
    std::optional<Error> failure;
    engine_.runScript([&](ComV8Engine::RunResult& result, v8::Local<v8::Context>& context) {
        if (!result) {
            failure = result.error();
            return;
        }
        if (auto text = inspect(engine_, context, *result))
            print(*text + "\n");
        v8::TryCatch tryCatch(context->GetIsolate());
        context->Global()->Set(context, v8::String::NewFromUtf8Literal(context->GetIsolate(), "_"), *result).IsJust();
    });
    if (failure) {
        if (leftOpen(*failure))
            return Ran::leftOpen;
        if (tryingAsExpression && failure->type == Error::Type::Compile)
            return Ran::syntaxError;
        if (interrupts_.taken())
            // After the ^C the terminal shows.
            print(terminal_ ? "\nScript execution was interrupted by Ctrl-C\n"
                            : "Script execution was interrupted by Ctrl-C\n");
        else if (!session_.process().exitRequested())
            showError(*failure);
    }
    engine_.reportPendingError();
    return Ran::done;
}

Repl::Ran Repl::evaluate(std::string const& code) {
    std::size_t const first = code.find_first_not_of(" \t\n");
    std::size_t const last = code.find_last_not_of(" \t\n");
    if (first != std::string::npos && code[first] == '{' && code[last] != ';') {
        Ran const asObject = runOnce("(" + code.substr(first, last - first + 1) + ")\n", true);
        if (asObject != Ran::syntaxError)
            return asObject;
    }
    return runOnce(code, false);
}

bool Repl::command(std::string const& line, bool& handled) {
    static std::regex const pattern(R"(^\s*(\.[^\s.][^\s]*)\s*(.*?)\s*$)");
    std::smatch match;
    handled = false;
    if (!std::regex_match(line, match, pattern))
        return true;
    std::string const name = match[1];
    std::string const argument = match[2];
    if (std::ranges::find(commands, name) == std::end(commands)) {
        // In a statement left open, it is the statement's next line.
        if (!pending_.empty() || (name.size() > 1 && name[1] >= '0' && name[1] <= '9'))
            return true;
        handled = true;
        print("Invalid REPL keyword\n");
        return true;
    }
    handled = true;
    if (name == ".exit")
        return false;
    if (name == ".help") {
        print(helpText);
    } else if (name == ".break" || name == ".clear") {
        pending_.clear();
    } else if (name == ".load") {
        auto text = format::engine::javascript::readScriptFile(argument);
        if (!text) {
            print(fmt::format("Failed to load: {} {}\n", argument, describe(text.error())));
            return true;
        }
        evaluate(*text);
    } else if (name == ".save") {
        std::ofstream out(argument);
        for (std::string const& statement : statements_)
            out << statement << "\n";
        print(out ? fmt::format("Session saved to: {}\n", argument) : fmt::format("Failed to save: {}\n", argument));
    }
    return true;
}

void Repl::run() {
    print(fmt::format("Welcome to qorjs, QorJavaScriptCom {} with V8 {}.\nType \".help\" for more information.\n",
                      QOR_JAVASCRIPT_COM_VERSION, v8::V8::GetVersion()));
    bool interruptedEmpty = false;
    while (!session_.process().exitRequested()) {
        InputLine const input = editor_.read(pending_.empty() ? "> " : "... ");
        if (input.kind == InputLine::Kind::end) {
            if (terminal_)
                print("\n");
            return;
        }
        if (input.kind == InputLine::Kind::interrupted) {
            if (!pending_.empty() || !input.text.empty()) {
                pending_.clear();
                interruptedEmpty = false;
                continue;
            }
            if (interruptedEmpty)
                return;
            print("(To exit, press Ctrl+C again or Ctrl+D or type .exit)\n");
            interruptedEmpty = true;
            continue;
        }
        interruptedEmpty = false;
        editor_.remember(input.text);
        bool handled = false;
        if (!command(input.text, handled))
            return;
        if (handled)
            continue;
        pending_ += pending_.empty() ? input.text : "\n" + input.text;
        if (pending_.find_first_not_of(" \t\n") == std::string::npos) {
            pending_.clear();
            continue;
        }
        if (evaluate(pending_) == Ran::leftOpen)
            continue;
        statements_.push_back(pending_);
        pending_.clear();
    }
}

} // namespace

void runRepl(Session& session) {
    // Typed text in the terminal's character set, UTF-8 for most.
    std::setlocale(LC_CTYPE, "");
    Repl(session).run();
}

} // namespace qor::tools::qorjs
