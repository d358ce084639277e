// The path of a plug-in's blocks to a packed picture: the blocks (taken from the input) handed
// back by a stand-in GetPicture, checked and written as the temporary bitmap, loaded by SDL from
// memory, resampled with small quads from the input and packed into /dev/null.
//
// Input: source x, y (signed), w, h; output w, h (each cut to 0..32); the info block's size
// (16 bits, little-endian); a delivery byte (bit 0: no info block, bit 1: no pixel block,
// bit 2: GetPicture fails, bit 3: the info block handed back as the pixel block too, bit 4: the
// pixel block handed back freed); then the info block and the pixel block.
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include <vector>

#include "SDL.h"

#include "picconv/imaging/packed_picture.h"
#include "picconv/imaging/fast_resample.h"
#include "picconv/plugin/bitmap_writer.h"
#include "platform/process.h"

namespace {

enum { PREFIX_SIZE = 9, MAX_OUTPUT_SIDE = 32 };
// Bigger pictures are valid but make runs slow; the checks before SDL already ran on them.
const int MAX_LOADED_PIXELS = 1 << 20;

const uint8_t *g_info = nullptr;
size_t g_info_size = 0;
const uint8_t *g_pixels = nullptr;
size_t g_pixel_size = 0;
unsigned g_delivery = 0;

HLOCAL blockOf(const uint8_t *bytes, size_t size) {
    HLOCAL block = LocalAlloc(LMEM_FIXED, size);
    if (block != nullptr && size > 0) {
        memcpy(LocalLock(block), bytes, size);
        LocalUnlock(block);
    }
    return block;
}

int WINAPI standInGetPicture(LPSTR buf, long len, unsigned int flag, HANDLE *info, HANDLE *pixels,
                             FARPROC progress, long data) {
    (void)buf;
    (void)len;
    (void)flag;
    (void)progress;
    (void)data;
    if ((g_delivery & 1) == 0) {
        *info = blockOf(g_info, g_info_size);
    }
    if ((g_delivery & 8) != 0) {
        *pixels = *info;
    } else if ((g_delivery & 2) == 0) {
        *pixels = blockOf(g_pixels, g_pixel_size);
        if ((g_delivery & 16) != 0) {
            LocalFree(*pixels);
        }
    }
    return (g_delivery & 4) != 0 ? PLUGIN_ERR_BROKEN_DATA : PLUGIN_OK;
}

std::vector<uint8_t> readAll(FILE *file) {
    std::vector<uint8_t> bytes;
    rewind(file);
    uint8_t buffer[65536];
    for (size_t got; (got = fread(buffer, 1, sizeof buffer, file)) > 0;) {
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
    (void)argc;
    (void)argv;
    setEnvironmentDefault("SDL_VIDEODRIVER", "dummy");
    return SDL_Init(SDL_INIT_VIDEO) < 0 ? 1 : 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < PREFIX_SIZE) {
        return 0;
    }
    const QUAD_T sourceQuad = {static_cast<int8_t>(data[0]), static_cast<int8_t>(data[1]), data[2],
                               data[3]};
    const QUAD_T outputQuad = {0, 0, static_cast<uint16_t>(data[4] % (MAX_OUTPUT_SIDE + 1)),
                               static_cast<uint16_t>(data[5] % (MAX_OUTPUT_SIDE + 1))};
    const size_t rest = size - PREFIX_SIZE;
    g_info_size = data[6] | (data[7] << 8);
    g_info_size = g_info_size < rest ? g_info_size : rest;
    g_delivery = data[8];
    g_info = data + PREFIX_SIZE;
    g_pixels = g_info + g_info_size;
    g_pixel_size = rest - g_info_size;

    PLUGIN_ENTRIES_T plugin = {};
    plugin.GetPicture = standInGetPicture;
    FILE *file = tmpfile();
    if (file == nullptr) {
        return 0;
    }
    int pictureResult = 0;
    const int written = writeBitmapFromHandles(file, "fuzz", &plugin, &pictureResult);
    const std::vector<uint8_t> bitmap = readAll(file);
    fclose(file);
    if (!written || bitmap.size() < 26) {
        return 0;
    }
    // The picture's size as the checked header gives it: only small ones are loaded.
    const int32_t width = static_cast<int32_t>(bitmap[18] | bitmap[19] << 8 | bitmap[20] << 16 |
                                               static_cast<uint32_t>(bitmap[21]) << 24);
    const int32_t height = static_cast<int32_t>(bitmap[22] | bitmap[23] << 8 | bitmap[24] << 16 |
                                                static_cast<uint32_t>(bitmap[25]) << 24);
    const int64_t rows = height < 0 ? -static_cast<int64_t>(height) : height;
    if (static_cast<int64_t>(width) * rows > MAX_LOADED_PIXELS) {
        return 0;
    }
    SDL_RWops *stream = SDL_RWFromConstMem(bitmap.data(), static_cast<int>(bitmap.size()));
    SDL_Surface *source = SDL_LoadBMP_RW(stream, 1);
    if (source == nullptr) {
        return 0;
    }
    SDL_Surface *result = resampleRotated(source, &sourceQuad, &outputQuad);
    SDL_FreeSurface(source);
    if (result != nullptr) {
        writePackedPicture(result, "/dev/null");
        SDL_FreeSurface(result);
    }
    return 0;
}
