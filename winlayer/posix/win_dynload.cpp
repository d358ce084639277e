// Dynamic loading for the Windows layer on top of dlopen.
#include "winlayer/posix/win_dynload.h"

#include <dlfcn.h>
#include <link.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/files.h"

#ifndef PLUGIN_DIR_FROM_BIN
#define PLUGIN_DIR_FROM_BIN ""
#endif

namespace {

thread_local DWORD g_last_error = 0;
thread_local std::string g_load_error;
// Where bare names are looked for last, in place of the current directory.
std::string g_search_folder = ".";

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
// *searched lists the folders looked in.
std::string findBareName(const std::string &name, std::string *searched) {
    std::vector<std::string> folders;
    const std::string exeDir = executableDir();
    if (!exeDir.empty()) {
        folders.push_back(exeDir);
        const std::string pluginDir = PLUGIN_DIR_FROM_BIN;
        if (!pluginDir.empty()) {
            folders.push_back(exeDir + "/" + pluginDir);
        }
    }
    // "./" keeps dlopen from searching its own list.
    folders.push_back(g_search_folder);
    for (const std::string &folder : folders) {
        const std::string candidate = folder + "/" + name;
        if (isFile(candidate)) {
            return candidate;
        }
        *searched += (searched->empty() ? "" : ", ") + folder;
    }
    return std::string();
}

}  // namespace

extern "C" HMODULE LoadLibraryA(LPCSTR path) {
    g_load_error.clear();
    if (path == nullptr || path[0] == '\0') {
        g_last_error = ERROR_MOD_NOT_FOUND;
        g_load_error = "no file named";
        return nullptr;
    }
    std::string file = path;
    if (file.find('/') == std::string::npos) {
        std::string searched;
        file = findBareName(file, &searched);
        if (file.empty()) {
            g_last_error = ERROR_MOD_NOT_FOUND;
            g_load_error = "not found in " + searched;
            return nullptr;
        }
    }
    void *module = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        g_last_error = isFile(file) ? ERROR_BAD_EXE_FORMAT : ERROR_MOD_NOT_FOUND;
        const char *error = dlerror();
        g_load_error = error != nullptr ? error : "cannot be loaded";
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

extern "C" DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size) {
    struct link_map *map = nullptr;
    if (module == nullptr || size == 0 || dlinfo(module, RTLD_DI_LINKMAP, &map) != 0 ||
        map == nullptr) {
        g_last_error = ERROR_INVALID_HANDLE;
        return 0;
    }
    char *real = realpath(map->l_name, nullptr);
    const char *name = real != nullptr ? real : map->l_name;
    const size_t length = strlen(name);
    // As on Windows: a name that does not fit is cut and still terminated.
    const size_t copied = length < size ? length : size - 1;
    memcpy(buffer, name, copied);
    buffer[copied] = '\0';
    free(real);
    return static_cast<DWORD>(copied);
}

extern "C" DWORD findModuleFile(LPCSTR path, LPSTR buffer, DWORD size) {
    if (path == nullptr || path[0] == '\0' || size == 0) {
        return 0;
    }
    std::string file = path;
    if (file.find('/') == std::string::npos) {
        std::string searched;
        file = findBareName(file, &searched);
    }
    char *real = file.empty() ? nullptr : realpath(file.c_str(), nullptr);
    if (real == nullptr) {
        return 0;
    }
    const size_t length = strlen(real);
    const DWORD copied = length < size ? static_cast<DWORD>(length) : 0;
    if (copied > 0) {
        memcpy(buffer, real, length + 1);
    }
    free(real);
    return copied;
}

extern "C" BOOL SetDllDirectoryA(LPCSTR folder) {
    g_search_folder = folder != nullptr && folder[0] != '\0' ? folder : ".";
    return TRUE;
}

extern "C" const char *loadErrorText(void) {
    return g_load_error.empty() ? "unknown error" : g_load_error.c_str();
}
