// One picture plug-in, built once per behaviour the tests need (see CMakeLists.txt).
// It decodes a binary PPM ("P6") into a 24-bit bottom-up bitmap and, when the
// environment names a log file in TEST_PLUGIN_LOG, appends one line per event to it.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include "common/little_endian.h"
#include "plugin_kit/include/picture_plugin.h"
#include "tests/plugin/stub_entry_points.h"
#include "tests/support/process_probe.h"

#ifndef PLUGIN_TAG
#define PLUGIN_TAG "plugin"
#endif
#ifndef VERSION_TEXT
#define VERSION_TEXT "00IN"
#endif

namespace {

void logEvent(const char *format, const char *text) {
    const char *logPath = getenv("TEST_PLUGIN_LOG");
    if (logPath == nullptr) {
        return;
    }
    FILE *log = fopen(logPath, "ab");
    if (log == nullptr) {
        return;
    }
    fprintf(log, "%s ", PLUGIN_TAG);
    fprintf(log, format, text);
    fputc('\n', log);
    fclose(log);
}

// Whether SDL is still up while we are released, when the test asks. Only for runs in
// which every plug-in is released by the host: one left for the process exit to finalise
// would ask SDL after it has been torn down.
const char *sdlState() {
    if (getenv("TEST_PLUGIN_SDL_CHECK") == nullptr) {
        return "";
    }
    using WAS_INIT_T = unsigned int (*)(unsigned int);
    WAS_INIT_T wasInit = PLUGIN_FUNCTION_CAST(WAS_INIT_T, findLoadedFunction("SDL_WasInit"));
    if (wasInit == nullptr) {
        return "";
    }
    return wasInit(0x20u /* SDL_INIT_VIDEO */) != 0 ? " sdl=up" : " sdl=down";
}

HLOCAL g_unlockable_block = nullptr;
[[maybe_unused]] int *volatile g_nowhere = nullptr;
[[maybe_unused]] alignas(16) char g_foreign[4096];
// Plain memory the hostile plug-in handed back, as the picture's pixels and in a PictureInfo:
// still ours, freed when we are.
void *g_hostile_memory[2] = {};

__attribute__((constructor)) void onLoad() {
    logEvent("%s", "load");
}

__attribute__((destructor)) void onUnload() {
    logEvent("unload%s", sdlState());
    // The host must leave a block it cannot lock alone; it is ours to free.
    LocalFree(g_unlockable_block);
    free(g_hostile_memory[0]);
    free(g_hostile_memory[1]);
}

// What the hostile plug-in hands back in place of block, chosen by the picture's file name:
// "same" the other block (or block itself when there is none), "freed" block after freeing it,
// "stray" an address nothing was allocated at, "malloc" plain malloc memory, "oldkit" memory laid
// out as a block of kit 1 (its size and mark in front), which no owner in this process made.
[[maybe_unused]] HANDLE hostileInPlaceOf(const char *picture, HLOCAL block, HLOCAL other,
                                         int slot) {
    const char *slash = strrchr(picture, '/');
    std::string kind = slash != nullptr ? slash + 1 : picture;
    kind = kind.substr(0, kind.find('.'));
    if (kind == "same") {
        if (other == nullptr) {
            return block;
        }
        LocalFree(block);
        return other;
    }
    const size_t size = LocalSize(block);
    LocalFree(block);
    if (kind == "freed") {
        return block;
    }
    if (kind == "stray") {
        return reinterpret_cast<HANDLE>(0x1000);
    }
    free(g_hostile_memory[slot]);
    if (kind == "malloc") {
        g_hostile_memory[slot] = calloc(1, size);
        return g_hostile_memory[slot];
    }
    struct KIT1_HEADER_T {
        size_t size;
        unsigned int flags;
        unsigned int magic;
    };
    const KIT1_HEADER_T header = {size, LHND, 0x4B4C424Cu};
    uint8_t *memory = static_cast<uint8_t *>(calloc(1, sizeof header + size));
    memcpy(memory, &header, sizeof header);
    g_hostile_memory[slot] = memory;
    return memory + sizeof header;
}

// Reads a P6 picture with maxval 255 into a BITMAPINFOHEADER and bottom-up BGR rows.
[[maybe_unused]] int decodePpm(const char *path, HANDLE *info, HANDLE *pixels) {
    FILE *file = fopen(path, "rb");
    if (file == nullptr) {
        return PLUGIN_ERR_FILE_READ;
    }
    int width = 0;
    int height = 0;
    int maxValue = 0;
    const int fields = fscanf(file, "P6 %d %d %d", &width, &height, &maxValue);
    // As the kit asks: a picture over its pixel limit is refused as too large before decoding.
    if (fields == 3 && width > 0 && height > 0 &&
        static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > PLUGIN_MAX_PIXELS) {
        fclose(file);
        return PLUGIN_ERR_NO_MEMORY;
    }
    if (fields != 3 || maxValue != 255 || width <= 0 || height <= 0 || width > 4096 ||
        height > 4096 || fgetc(file) == EOF) {
        fclose(file);
        return PLUGIN_ERR_UNKNOWN_FORMAT;
    }
    const size_t rowSize = (static_cast<size_t>(width) * 3 + 3) / 4 * 4;
    uint8_t *header = static_cast<uint8_t *>(LocalAlloc(LPTR, 40));
    uint8_t *rows = static_cast<uint8_t *>(LocalAlloc(LPTR, rowSize * height));
    storeLe32(header, 40);
    storeLe32(header + 4, static_cast<uint32_t>(width));
    storeLe32(header + 8, static_cast<uint32_t>(height));
    storeLe16(header + 12, 1);
    storeLe16(header + 14, 24);
    storeLe32(header + 20, static_cast<uint32_t>(rowSize * height));
    storeLe32(header + 24, 2835);
    storeLe32(header + 28, 2835);
    for (int y = 0; y < height; y++) {
        uint8_t *row = rows + rowSize * (height - 1 - y);
        for (int x = 0; x < width; x++) {
            uint8_t rgb[3];
            if (fread(rgb, 1, 3, file) != 3) {
                fclose(file);
                LocalFree(header);
                LocalFree(rows);
                return PLUGIN_ERR_BROKEN_DATA;
            }
            for (int c = 0; c < 3; c++) {
#ifdef INVERT_COLOURS
                row[x * 3 + c] = static_cast<uint8_t>(255 - rgb[2 - c]);
#else
                row[x * 3 + c] = rgb[2 - c];
#endif
            }
        }
    }
    fclose(file);
    *info = header;
    *pixels = rows;
    return PLUGIN_OK;
}

}  // namespace

#ifndef NO_PLUGIN_INFO
PLUGIN_EXPORT int WINAPI GetPluginInfo(int infono, LPSTR buf, int buflen) {
    char number[16];
    snprintf(number, sizeof number, "%d", infono);
    logEvent("info %s", number);
#ifdef INFO_RETURNS_ZERO
    (void)buf;
    (void)buflen;
    return 0;
#elif defined(VERSION_WITHOUT_NUL)
    if (infono != 0) {
        return 0;
    }
    for (int i = 0; i < buflen; i++) {
        buf[i] = static_cast<char>('a' + i % 26);
    }
    return buflen;
#else
    return answerPluginInfo(infono, buf, buflen, VERSION_TEXT, PLUGIN_TAG " test plug-in");
#endif
}
#endif

// The size from a P6 picture's header, for the converter's --check.
PLUGIN_EXPORT int WINAPI GetPictureInfo(LPSTR buf, PLUGIN_LONG_T len, unsigned int flag,
                                        PictureInfo *lpInfo) {
    if (len != 0 || flag != PLUGIN_INPUT_FILE) {
        return PLUGIN_ERR_NOT_IMPLEMENTED;
    }
    FILE *file = fopen(buf, "rb");
    if (file == nullptr) {
        return PLUGIN_ERR_FILE_READ;
    }
    int width = 0;
    int height = 0;
    const bool read = fscanf(file, "P6 %d %d", &width, &height) == 2;
    fclose(file);
    if (!read) {
        return PLUGIN_ERR_UNKNOWN_FORMAT;
    }
    *lpInfo = PictureInfo{};
    lpInfo->width = width;
    lpInfo->height = height;
    lpInfo->colorDepth = 24;
#ifdef HOSTILE_HANDLES
    lpInfo->hInfo = hostileInPlaceOf(buf, LocalAlloc(LPTR, 16), nullptr, 1);
#endif
    return PLUGIN_OK;
}

#ifndef NO_GET_PICTURE
PLUGIN_EXPORT int WINAPI GetPicture(LPSTR buf, PLUGIN_LONG_T len, unsigned int flag,
                                    HANDLE *pHBInfo, HANDLE *pHBm, FARPROC lpPrgressCallback,
                                    PLUGIN_LONG_T lData) {
    logEvent("picture %s", buf);
    if (len != 0 || flag != PLUGIN_INPUT_FILE || *pHBInfo != nullptr || *pHBm != nullptr) {
        return PLUGIN_ERR_INTERNAL;
    }
    PLUGIN_PROGRESS_T progress = PLUGIN_FUNCTION_CAST(PLUGIN_PROGRESS_T, lpPrgressCallback);
    char answer[16];
    snprintf(answer, sizeof answer, "%d", progress(0, 1, lData));
    logEvent("progress %s", answer);
#ifdef CRASH_IN_GET_PICTURE
    // A fault in the plug-in's own code, through a pointer the compiler must read first.
    *g_nowhere = 1;
#endif
#ifdef HANG_IN_GET_PICTURE
    // Only a signal ends this: the converter must not wait for the plug-in to give up.
    for (;;) {
        sleep(1);
    }
#endif
#ifdef PICTURE_FAILS_WITHOUT_BLOCKS
    return PLUGIN_ERR_BROKEN_DATA;
#else
    int result = decodePpm(buf, pHBInfo, pHBm);
    if (result != PLUGIN_OK) {
        return result;
    }
#if defined(PICTURE_FAILS_WITH_BLOCKS)
    return PLUGIN_ERR_INTERNAL;
#elif defined(PIXELS_ONLY)
    LocalFree(*pHBInfo);
    *pHBInfo = nullptr;
#elif defined(CLAIM_HUGE_PICTURE)
    // A few bytes that claim 32767 x 32767 pixels.
    storeLe32(static_cast<uint8_t *>(*pHBInfo) + 4, 32767);
    storeLe32(static_cast<uint8_t *>(*pHBInfo) + 8, 32767);
#elif defined(FOREIGN_PIXEL_HANDLE)
    // Our own memory handed back as if it were a block.
    LocalFree(*pHBm);
    *pHBm = g_foreign + 64;
#elif defined(HOSTILE_HANDLES)
    *pHBm = hostileInPlaceOf(buf, *pHBm, *pHBInfo, 0);
#elif defined(INFO_UNLOCKABLE)
    LocalFree(*pHBInfo);
    LocalFree(g_unlockable_block);
    g_unlockable_block = LocalAlloc(LMEM_MOVEABLE, 0);
    *pHBInfo = g_unlockable_block;
#endif
    return PLUGIN_OK;
#endif
}
#endif

// Archive entry points too, so the tests can see they are bound only for "00AM".
PLUGIN_EXPORT int WINAPI GetArchiveInfo(LPSTR, PLUGIN_LONG_T, unsigned int, HLOCAL *) {
    return PLUGIN_ERR_NOT_IMPLEMENTED;
}

PLUGIN_EXPORT int WINAPI GetFileInfo(LPSTR, PLUGIN_LONG_T, LPSTR, unsigned int, fileInfo *) {
    return PLUGIN_ERR_NOT_IMPLEMENTED;
}

PLUGIN_EXPORT int WINAPI GetFile(LPSTR, PLUGIN_LONG_T, LPSTR, unsigned int, FARPROC,
                                 PLUGIN_LONG_T) {
    return PLUGIN_ERR_NOT_IMPLEMENTED;
}
