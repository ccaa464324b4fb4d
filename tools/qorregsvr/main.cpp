// qorregsvr [-u] LIBRARY: registers an in-process server, as regsvr32 does,
// by calling its DllRegisterServer (or DllUnregisterServer with -u).
// Exit status: 0 done, 1 the server's call failed, 2 bad usage or a library
// that can't be loaded or has no such entry point.

#include "Platform/Com.h"
#include "Platform/Windows/ErrorCode.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "String/Utf.h"

namespace {

using ServerCall = HRESULT(STDAPICALLTYPE*)();

int usage() {
    std::fprintf(stderr, "usage: qorregsvr [-u] LIBRARY\n"
                         "  Registers the in-process server LIBRARY (-u: unregisters it).\n");
    return 2;
}

std::string messageOf(DWORD code, std::string_view subject = {}) {
    return qor::platform::windows::ErrorCode::sMessage(code, subject);
}

// The server's entry point, which must not take the process down with an
// exception it lets out.
HRESULT callServer(ServerCall call, std::string& thrown) {
    try {
        return call();
    } catch (std::exception const& exception) {
        thrown = exception.what();
    } catch (...) {
        thrown = "an exception";
    }
    return E_UNEXPECTED;
}

// What the registry said about a refused write, beyond the HRESULT.
std::string registryProblem() {
#ifdef _WIN32
    return {};
#else
    return qor::platform::posix::ole::componentRegistryProblem();
#endif
}

} // namespace

int main(int argc, char** argv) {
    bool unregister = false;
    int next = 1;
    if (next < argc && std::strcmp(argv[next], "-u") == 0) {
        unregister = true;
        ++next;
    }
    if (argc - next != 1 || argv[next][0] == '-')
        return usage();
    char const* const library = argv[next];
    char const* const entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    std::u16string const wide = qor::string::utf8ToUtf16(library);
    HMODULE module = LoadLibraryW(std::basic_string<OLECHAR>(wide.begin(), wide.end()).c_str());
    if (!module) {
        std::fprintf(stderr, "qorregsvr: %s could not be loaded: %s\n", library,
                     messageOf(GetLastError(), library).c_str());
        return 2;
    }
    auto call = reinterpret_cast<ServerCall>(reinterpret_cast<void*>(GetProcAddress(module, entry)));
    if (!call) {
        std::fprintf(stderr, "qorregsvr: %s has no %s\n", library, entry);
        FreeLibrary(module);
        return 2;
    }
    std::string thrown;
    HRESULT const hr = callServer(call, thrown);
    if (!thrown.empty()) {
        std::fprintf(stderr, "qorregsvr: %s of %s threw %s\n", entry, library, thrown.c_str());
        return 1;
    }
    FreeLibrary(module);
    if (FAILED(hr)) {
        std::fprintf(stderr, "qorregsvr: %s of %s failed (0x%08X): %s\n", entry, library, static_cast<unsigned>(hr),
                     messageOf(static_cast<DWORD>(hr)).c_str());
        if (std::string const problem = registryProblem(); !problem.empty())
            std::fprintf(stderr, "qorregsvr: component registry %s\n", problem.c_str());
        return 1;
    }
    std::printf("qorregsvr: %s of %s succeeded\n", entry, library);
    return 0;
}
