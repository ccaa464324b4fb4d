#pragma once

#include <v8.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace qor::format::engine::javascript {

// A V8 inspector for one isolate, served to Chrome DevTools or VS Code over a
// WebSocket on 127.0.0.1. Everything, the socket included, runs on the
// isolate's thread: the socket is pumped while a run waits for a debugger,
// while the script is paused, and around each run.
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
