// Dynamic loading for the Windows layer on top of dlopen.
#include "winlayer/posix/win_dynload.h"

#include <dlfcn.h>
#include <unistd.h>

#include <string>

#include "platform/files.h"

#ifndef PLUGIN_DIR_FROM_BIN
#define PLUGIN_DIR_FROM_BIN ""
#endif

namespace {

thread_local DWORD g_last_error = 0;

bool isFile(const std::string &path) {
    return isRegularFile(path.c_str()) != 0;
}

// The folder of the running program, without a trailing '/'; empty when unknown.
std::string executableDir() {
    char buffer[4096];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer);
    if (length <= 0 || static_cast<size_t>(length) >= sizeof buffer) {
        return std::string();
    }
    const std::string path(buffer, static_cast<size_t>(length));
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// A bare name is searched for as Windows does for an application, never through
// LD_LIBRARY_PATH. The first file found is the one loaded, as there: a broken plug-in
// must not be silently replaced by another one of the same name further down the list.
std::string findBareName(const std::string &name) {
    const std::string exeDir = executableDir();
    if (!exeDir.empty()) {
        std::string candidate = exeDir + "/" + name;
        if (isFile(candidate)) {
            return candidate;
        }
        const std::string pluginDir = PLUGIN_DIR_FROM_BIN;
        if (!pluginDir.empty()) {
            candidate = exeDir + "/" + pluginDir + "/" + name;
            if (isFile(candidate)) {
                return candidate;
            }
        }
    }
    // "./" keeps dlopen from searching its own list.
    const std::string candidate = "./" + name;
    return isFile(candidate) ? candidate : std::string();
}

}  // namespace

extern "C" HMODULE LoadLibraryA(LPCSTR path) {
    if (path == nullptr || path[0] == '\0') {
        g_last_error = ERROR_MOD_NOT_FOUND;
        return nullptr;
    }
    std::string file = path;
    if (file.find('/') == std::string::npos) {
        file = findBareName(file);
        if (file.empty()) {
            g_last_error = ERROR_MOD_NOT_FOUND;
            return nullptr;
        }
    }
    void *module = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        g_last_error = isFile(file) ? ERROR_BAD_EXE_FORMAT : ERROR_MOD_NOT_FOUND;
    }
    return module;
}

extern "C" FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
    if (module == nullptr || name == nullptr) {
        g_last_error = ERROR_INVALID_HANDLE;
        return nullptr;
    }
    void *address = dlsym(module, name);
    if (address == nullptr) {
        g_last_error = ERROR_PROC_NOT_FOUND;
        return nullptr;
    }
    return reinterpret_cast<FARPROC>(address);
}

extern "C" BOOL FreeLibrary(HMODULE module) {
    if (module == nullptr || dlclose(module) != 0) {
        g_last_error = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    return TRUE;
}

extern "C" DWORD GetLastError(void) {
    return g_last_error;
}
