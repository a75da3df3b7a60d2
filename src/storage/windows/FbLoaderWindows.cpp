// Firebird 3 embedded on Windows: fbclient.dll beside the executable together with firebird.conf
// (Providers = Engine12), plugins\engine12.dll, icu*.dll and firebird.msg; the engine then opens the file
// inside this process and no server is installed.
#include <windows.h>

#include "platform/AppPaths.h"
#include "storage/FbLoader.h"

namespace vh::fb {

std::string DefaultClientLibrary() {
    return vh::platform::ExecutableDir() + "fbclient.dll";
}

// The engine's mode is the ServerMode of the firebird.conf delivered beside fbclient.dll.
std::string PrepareEngineEnvironment(void*, bool) {
    return {};
}

void EngineEnvironmentRead() {}

void* LoadClientLibrary(const std::string& path, std::string& error) {
    HMODULE library = ::LoadLibraryA(path.c_str());
    if (!library)
        error = "Firebird client library " + path + " could not be loaded (error " +
                std::to_string(static_cast<unsigned long>(::GetLastError())) + ")";
    return reinterpret_cast<void*>(library);
}

void* ClientLibrarySymbol(void* library, const char* name) {
    return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(library), name));
}

} // namespace vh::fb
