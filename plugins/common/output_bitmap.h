// The picture as GetPicture hands it back: a bottom-up BITMAPINFO (40-byte header, plus a
// colour table for 8-bit pictures) and the pixel rows padded to 4 bytes, each in a local
// memory block exactly as large as its contents.
#ifndef PLUGINS_COMMON_OUTPUT_BITMAP_H
#define PLUGINS_COMMON_OUTPUT_BITMAP_H

#include <stddef.h>
#include <stdint.h>

#include "plugin_kit/include/picture_plugin.h"

const size_t BITMAP_INFO_HEADER_SIZE = 40;

struct OUTPUT_BITMAP_T {
    int32_t width;
    int32_t height;
    int bitsPerPixel;  // 8 (indices into palette) or 24 (blue, green, red)
    size_t stride;
    HLOCAL pixelBlock;
    uint8_t *pixels;
    uint8_t palette[256][4];  // blue, green, red, 0
    int paletteCount;
};

// PLUGIN_OK when a width x height picture may be decoded, PLUGIN_ERR_BROKEN_DATA for a zero
// or negative size, PLUGIN_ERR_NO_MEMORY for one over PLUGIN_MAX_PIXELS.
int checkPictureSize(int64_t width, int64_t height);

// Allocates the zero-filled pixel rows; the palette starts empty. PLUGIN_ERR_NO_MEMORY for a
// picture over PLUGIN_MAX_PIXELS or whose rows would take more than PLUGIN_MAX_PIXEL_BYTES.
int startOutputBitmap(OUTPUT_BITMAP_T *out, int64_t width, int64_t height, int bitsPerPixel);

// Row y counted from the top of the picture.
uint8_t *outputRow(OUTPUT_BITMAP_T *out, int32_t y);

void setPaletteEntry(OUTPUT_BITMAP_T *out, int index, uint8_t red, uint8_t green, uint8_t blue);
// count evenly spaced greys from black to white.
void setGreyPalette(OUTPUT_BITMAP_T *out, int count);

// Builds the info block and hands both blocks over, unlocked. Indices beyond the palette
// get black entries, so that every pixel has a colour. On failure frees everything.
int finishOutputBitmap(OUTPUT_BITMAP_T *out, HANDLE *pHBInfo, HANDLE *pHBm);

void discardOutputBitmap(OUTPUT_BITMAP_T *out);

// A colour seen through alpha against white, rounded to nearest.
inline uint8_t overWhite(unsigned colour, unsigned alpha) {
    return static_cast<uint8_t>((colour * alpha + 255u * (255u - alpha) + 127u) / 255u);
}

#endif
