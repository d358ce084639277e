// A picture plug-in for the Windows checks. Whatever it is asked for, it hands back a 16 x 8
// 24-bit picture in two local memory blocks. With WINDOWS_TEST_LOG naming a file it logs its
// calls there and, while loaded, routes the host's LocalFree through a counter that logs every
// block freed; WINDOWS_TEST_GATE makes GetPicture wait until that file exists;
// WINDOWS_TEST_FOREIGN makes it hand back static memory in place of the pixel block.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "common/little_endian.h"
#include "plugin_kit/include/picture_plugin.h"
#include "tests/plugin/stub_entry_points.h"

namespace {

const int WIDTH = 16;
const int HEIGHT = 8;
const int ROW_BYTES = WIDTH * 3;

typedef HLOCAL(WINAPI *LOCAL_FREE_T)(HLOCAL block);

LOCAL_FREE_T g_system_local_free = nullptr;
FARPROC *g_hooked_slot = nullptr;
uint8_t g_foreign[ROW_BYTES * HEIGHT + 64];

// Appends one line to the log, when there is one.
void logLine(const char *text) {
    const char *path = getenv("WINDOWS_TEST_LOG");
    FILE *log = path != nullptr ? fopen(path, "ab") : nullptr;
    if (log != nullptr) {
        fprintf(log, "%s\n", text);
        fclose(log);
    }
}

// "word number" for a process id, "word handle handle" for blocks.
void logEvent(const char *word, unsigned long number) {
    char text[64];
    snprintf(text, sizeof text, "%s %lu", word, number);
    logLine(text);
}

void logBlocks(const char *word, HLOCAL first, HLOCAL second) {
    char text[64];
    snprintf(text, sizeof text, "%s %p %p", word, first, second);
    logLine(text);
}

HLOCAL WINAPI countingLocalFree(HLOCAL block) {
    char text[64];
    snprintf(text, sizeof text, "free %p", block);
    logLine(text);
    return g_system_local_free(block);
}

// The host program's import slot that holds target, or null.
FARPROC *hostImportSlot(FARPROC target) {
    uint8_t *base = reinterpret_cast<uint8_t *>(GetModuleHandleA(nullptr));
    const IMAGE_DOS_HEADER *dos = reinterpret_cast<const IMAGE_DOS_HEADER *>(base);
    const IMAGE_NT_HEADERS *nt = reinterpret_cast<const IMAGE_NT_HEADERS *>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY &imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0) {
        return nullptr;
    }
    for (const IMAGE_IMPORT_DESCRIPTOR *module =
             reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR *>(base + imports.VirtualAddress);
         module->Name != 0; module++) {
        for (IMAGE_THUNK_DATA *slot =
                 reinterpret_cast<IMAGE_THUNK_DATA *>(base + module->FirstThunk);
             slot->u1.Function != 0; slot++) {
            if (slot->u1.Function == reinterpret_cast<uintptr_t>(target)) {
                return reinterpret_cast<FARPROC *>(&slot->u1.Function);
            }
        }
    }
    return nullptr;
}

void writeSlot(FARPROC *slot, FARPROC value) {
    DWORD before = 0;
    if (VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &before)) {
        *slot = value;
        VirtualProtect(slot, sizeof *slot, before, &before);
    }
}

__attribute__((constructor)) void onLoad() {
    if (getenv("WINDOWS_TEST_LOG") == nullptr) {
        return;
    }
    const FARPROC system = GetProcAddress(GetModuleHandleA("kernel32.dll"), "LocalFree");
    g_hooked_slot = hostImportSlot(system);
    if (g_hooked_slot != nullptr) {
        g_system_local_free = PLUGIN_FUNCTION_CAST(LOCAL_FREE_T, system);
        writeSlot(g_hooked_slot, PLUGIN_FUNCTION_CAST(FARPROC, countingLocalFree));
        logLine("hooked");
    }
}

// The host may free blocks after we are gone: its slot gets the system's call back.
__attribute__((destructor)) void onUnload() {
    if (g_hooked_slot != nullptr) {
        writeSlot(g_hooked_slot, PLUGIN_FUNCTION_CAST(FARPROC, g_system_local_free));
    }
}

void waitForGate() {
    const char *gate = getenv("WINDOWS_TEST_GATE");
    while (gate != nullptr && GetFileAttributesA(gate) == INVALID_FILE_ATTRIBUTES) {
        Sleep(10);
    }
}

}  // namespace

PLUGIN_EXPORT int WINAPI GetPluginInfo(int infono, LPSTR buf, int buflen) {
    return answerPluginInfo(infono, buf, buflen, PLUGIN_VERSION_PICTURE, "Windows checks");
}

PLUGIN_EXPORT int WINAPI GetPictureInfo(LPSTR, PLUGIN_LONG_T, unsigned int, PictureInfo *lpInfo) {
    memset(lpInfo, 0, sizeof *lpInfo);
    lpInfo->width = WIDTH;
    lpInfo->height = HEIGHT;
    lpInfo->colorDepth = 24;
    return PLUGIN_OK;
}

PLUGIN_EXPORT int WINAPI GetPicture(LPSTR, PLUGIN_LONG_T, unsigned int, HANDLE *pHBInfo,
                                    HANDLE *pHBm, FARPROC, PLUGIN_LONG_T) {
    logEvent("begin", GetCurrentProcessId());
    waitForGate();
    HLOCAL info = LocalAlloc(LHND, 40);
    HLOCAL pixels = getenv("WINDOWS_TEST_FOREIGN") != nullptr
                        ? reinterpret_cast<HLOCAL>(g_foreign + 16)
                        : LocalAlloc(LHND, ROW_BYTES * HEIGHT);
    uint8_t *header = static_cast<uint8_t *>(LocalLock(info));
    uint8_t *rows =
        pixels == g_foreign + 16 ? g_foreign + 16 : static_cast<uint8_t *>(LocalLock(pixels));
    storeLe32(header, 40);
    storeLe32(header + 4, WIDTH);
    storeLe32(header + 8, HEIGHT);
    storeLe16(header + 12, 1);
    storeLe16(header + 14, 24);
    for (int i = 0; i < ROW_BYTES * HEIGHT; i++) {
        rows[i] = static_cast<uint8_t>(i * 7);
    }
    LocalUnlock(info);
    if (pixels != g_foreign + 16) {
        LocalUnlock(pixels);
    }
    *pHBInfo = info;
    *pHBm = pixels;
    logBlocks("give", info, pixels);
    logEvent("end", GetCurrentProcessId());
    return PLUGIN_OK;
}
