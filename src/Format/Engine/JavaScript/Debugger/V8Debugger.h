#pragma once

#include <v8.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace qor::format::engine::javascript {

// A V8 inspector for one isolate, served to Chrome DevTools or VS Code over a
// WebSocket on 127.0.0.1. The socket has a thread of its own; the protocol
// runs on the isolate's thread: while a run waits for a debugger, while the
// script is paused, around each run, and between two statements of a running
// script (an interrupt), so that DevTools can pause it.
class V8Debugger {
public:
    V8Debugger(v8::Isolate* isolate, v8::Platform* platform);
    ~V8Debugger();
    V8Debugger(V8Debugger const&) = delete;
    V8Debugger& operator=(V8Debugger const&) = delete;

    // Runs `run` (a script run, or a single function when `functionCall`)
    // with the inspector listening on `port`. Before a script run with no
    // debugger attached, `dialog(port)` is asked; true means: wait for a
    // debugger to attach, then stop at the first statement. `disconnectDialog`
    // is called when the attached debugger goes away. When the port cannot be
    // opened, `run` runs without a debugger and the log says why.
    void execute(bool functionCall, std::function<void()> run, std::function<bool(unsigned short)> dialog,
                 std::function<void()> disconnectDialog, unsigned short port);
    // Pauses the running script in the attached debugger; nothing without one.
    void breakProgram(std::string_view reason, std::string_view details);
    // The script the discovery list names, as a file URL ("file://" for none).
    void setScriptPath(std::optional<std::filesystem::path> const& path);

    // Evaluates `module`. V8 runs a module's body under a catch of its own, so
    // that a throw there never counts as uncaught; its failure is the
    // rejection of the evaluation's promise, which pauses a debugger only
    // where a script frame stands on the stack. With a debugger attached to
    // the isolate, the evaluation therefore runs beneath one.
    static v8::MaybeLocal<v8::Value> evaluate(v8::Local<v8::Module> module, v8::Local<v8::Context> context);

    bool attached() const;

    // The address DevTools opens for the inspector on `port` of this process.
    static std::string frontendUrl(unsigned short port);
    // The target's identity in the discovery list and the WebSocket path.
    static std::string const& targetId();

    class Client;

private:
    std::unique_ptr<Client> client;
};

} // namespace qor::format::engine::javascript
