#include "plugins/common/output_bitmap.h"

#include <string.h>

#include "common/little_endian.h"

namespace {

int highestIndexUsed(const OUTPUT_BITMAP_T *out) {
    int highest = 0;
    for (int32_t y = 0; y < out->height && highest < 255; y++) {
        const uint8_t *row = out->pixels + static_cast<size_t>(y) * out->stride;
        for (int32_t x = 0; x < out->width; x++) {
            if (row[x] > highest) {
                highest = row[x];
            }
        }
    }
    return highest;
}

}  // namespace

int checkPictureSize(int64_t width, int64_t height) {
    if (width <= 0 || height <= 0) {
        return PLUGIN_ERR_BROKEN_DATA;
    }
    if (width > INT32_MAX || height > INT32_MAX ||
        static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > PLUGIN_MAX_PIXELS) {
        return PLUGIN_ERR_NO_MEMORY;
    }
    return PLUGIN_OK;
}

int startOutputBitmap(OUTPUT_BITMAP_T *out, int64_t width, int64_t height, int bitsPerPixel) {
    memset(out, 0, sizeof *out);
    int sizeCheck = checkPictureSize(width, height);
    if (sizeCheck != PLUGIN_OK) {
        return sizeCheck;
    }
    uint64_t rowBytes = static_cast<uint64_t>(width) * static_cast<unsigned>(bitsPerPixel / 8);
    uint64_t stride = (rowBytes + 3u) & ~uint64_t{3};
    // Both sides are below 2^26 here: the product cannot overflow.
    if (stride * static_cast<uint64_t>(height) > PLUGIN_MAX_PIXEL_BYTES) {
        return PLUGIN_ERR_NO_MEMORY;
    }
    out->width = static_cast<int32_t>(width);
    out->height = static_cast<int32_t>(height);
    out->bitsPerPixel = bitsPerPixel;
    out->stride = static_cast<size_t>(stride);
    out->pixelBlock = LocalAlloc(LPTR, out->stride * static_cast<size_t>(height));
    if (out->pixelBlock == nullptr) {
        return PLUGIN_ERR_NO_MEMORY;
    }
    out->pixels = static_cast<uint8_t *>(LocalLock(out->pixelBlock));
    return PLUGIN_OK;
}

uint8_t *outputRow(OUTPUT_BITMAP_T *out, int32_t y) {
    return out->pixels + static_cast<size_t>(out->height - 1 - y) * out->stride;
}

void setPaletteEntry(OUTPUT_BITMAP_T *out, int index, uint8_t red, uint8_t green, uint8_t blue) {
    if (index < 0 || index > 255) {
        return;
    }
    out->palette[index][0] = blue;
    out->palette[index][1] = green;
    out->palette[index][2] = red;
    out->palette[index][3] = 0;
    if (index >= out->paletteCount) {
        out->paletteCount = index + 1;
    }
}

void setGreyPalette(OUTPUT_BITMAP_T *out, int count) {
    for (int i = 0; i < count; i++) {
        uint8_t grey = static_cast<uint8_t>(count > 1 ? i * 255 / (count - 1) : 0);
        setPaletteEntry(out, i, grey, grey, grey);
    }
}

int finishOutputBitmap(OUTPUT_BITMAP_T *out, HANDLE *pHBInfo, HANDLE *pHBm) {
    int colours = 0;
    if (out->bitsPerPixel == 8) {
        colours = highestIndexUsed(out) + 1;
        if (colours < out->paletteCount) {
            colours = out->paletteCount;
        }
        // Entries past the palette are zero already: black.
    }
    HLOCAL infoBlock =
        LocalAlloc(LPTR, BITMAP_INFO_HEADER_SIZE + 4u * static_cast<size_t>(colours));
    if (infoBlock == nullptr) {
        discardOutputBitmap(out);
        return PLUGIN_ERR_NO_MEMORY;
    }
    uint8_t *info = static_cast<uint8_t *>(LocalLock(infoBlock));
    storeLe32(info + 0, BITMAP_INFO_HEADER_SIZE);
    storeLe32(info + 4, static_cast<uint32_t>(out->width));
    storeLe32(info + 8, static_cast<uint32_t>(out->height));
    storeLe16(info + 12, 1);
    storeLe16(info + 14, static_cast<uint32_t>(out->bitsPerPixel));
    storeLe32(info + 16, 0);  // BI_RGB
    storeLe32(info + 20, static_cast<uint32_t>(out->stride * static_cast<size_t>(out->height)));
    storeLe32(info + 32, static_cast<uint32_t>(colours));
    memcpy(info + BITMAP_INFO_HEADER_SIZE, out->palette, 4u * static_cast<size_t>(colours));
    LocalUnlock(infoBlock);
    LocalUnlock(out->pixelBlock);
    *pHBInfo = infoBlock;
    *pHBm = out->pixelBlock;
    out->pixelBlock = nullptr;
    out->pixels = nullptr;
    return PLUGIN_OK;
}

void discardOutputBitmap(OUTPUT_BITMAP_T *out) {
    if (out->pixelBlock != nullptr) {
        LocalUnlock(out->pixelBlock);
        LocalFree(out->pixelBlock);
    }
    out->pixelBlock = nullptr;
    out->pixels = nullptr;
}
