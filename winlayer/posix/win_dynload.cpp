// Dynamic loading for the Windows layer on top of dlopen.
#include "posix/win_dynload.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#ifndef PLUGIN_DIR_FROM_BIN
#define PLUGIN_DIR_FROM_BIN ""
#endif

namespace {

thread_local DWORD lastError = 0;

bool isRegularFile(const std::string &path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// The folder of the running program, without a trailing '/'; empty when unknown.
std::string executableDir() {
    char buffer[4096];
    ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer);
    if (length <= 0 || (size_t)length >= sizeof buffer) {
        return std::string();
    }
    std::string path(buffer, (size_t)length);
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// A bare name is searched for as Windows does for an application, never through
// LD_LIBRARY_PATH. The first file found is the one loaded, as there: a broken plug-in
// must not be silently replaced by another one of the same name further down the list.
std::string findBareName(const std::string &name) {
    std::string exeDir = executableDir();
    if (!exeDir.empty()) {
        std::string candidate = exeDir + "/" + name;
        if (isRegularFile(candidate)) {
            return candidate;
        }
        std::string pluginDir = PLUGIN_DIR_FROM_BIN;
        if (!pluginDir.empty()) {
            candidate = exeDir + "/" + pluginDir + "/" + name;
            if (isRegularFile(candidate)) {
                return candidate;
            }
        }
    }
    // "./" keeps dlopen from searching its own list.
    std::string candidate = "./" + name;
    return isRegularFile(candidate) ? candidate : std::string();
}

}  // namespace

extern "C" HMODULE LoadLibraryA(LPCSTR path) {
    if (path == NULL || path[0] == '\0') {
        lastError = ERROR_MOD_NOT_FOUND;
        return NULL;
    }
    std::string file = path;
    if (file.find('/') == std::string::npos) {
        file = findBareName(file);
        if (file.empty()) {
            lastError = ERROR_MOD_NOT_FOUND;
            return NULL;
        }
    }
    void *module = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == NULL) {
        lastError = isRegularFile(file) ? ERROR_BAD_EXE_FORMAT : ERROR_MOD_NOT_FOUND;
    }
    return module;
}

extern "C" FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
    if (module == NULL || name == NULL) {
        lastError = ERROR_INVALID_HANDLE;
        return NULL;
    }
    void *address = dlsym(module, name);
    if (address == NULL) {
        lastError = ERROR_PROC_NOT_FOUND;
        return NULL;
    }
    return reinterpret_cast<FARPROC>(address);
}

extern "C" BOOL FreeLibrary(HMODULE module) {
    if (module == NULL || dlclose(module) != 0) {
        lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    return TRUE;
}

extern "C" DWORD GetLastError(void) {
    return lastError;
}
