#include "tests/support/process_probe.h"

#include <stdlib.h>

#include <windows.h>

#include <psapi.h>
#include <tlhelp32.h>

std::string loadedModulePath(const void *module) {
    char path[MAX_PATH];
    HMODULE handle = static_cast<HMODULE>(const_cast<void *>(module));
    const DWORD length = module != nullptr ? GetModuleFileNameA(handle, path, sizeof path) : 0;
    if (length == 0 || length >= sizeof path) {
        return std::string();
    }
    return std::string(path, length);
}

void *findLoadedFunction(const char *name) {
    // Windows has no global symbol table: every loaded module is asked in turn.
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, GetCurrentProcessId());
    if (snapshot == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    void *found = nullptr;
    MODULEENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Module32First(snapshot, &entry); more && found == nullptr;
         more = Module32Next(snapshot, &entry)) {
        found = reinterpret_cast<void *>(GetProcAddress(entry.hModule, name));
    }
    CloseHandle(snapshot);
    return found;
}

long peakMemoryKilobytes() {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) {
        return 0;
    }
    return static_cast<long>(counters.PeakWorkingSetSize / 1024);
}

void setEnvironment(const char *name, const char *value) {
    // Both copies: the C runtime's, which getenv reads, and the process's, which programs
    // started from here inherit.
    _putenv_s(name, value != nullptr ? value : "");
    SetEnvironmentVariableA(name, value);
}

bool limitFileSize(long bytes) {
    return bytes < 0;
}
