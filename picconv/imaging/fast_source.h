#ifndef PICCONV_IMAGING_FAST_SOURCE_H
#define PICCONV_IMAGING_FAST_SOURCE_H

#include <stddef.h>
#include <stdint.h>

#include "SDL.h"

// How the fast path turns source pixels into red, green and blue without an SDL call per
// pixel: through tables taken from SDL_GetRGB on the source's own format, so the colours are
// whatever that SDL answers.
enum SOURCE_READ_T {
    SOURCE_READ_CONSTANT,   // no pixel can be read (empty, or not 1 to 4 bytes): value 0 everywhere
    SOURCE_READ_BYTES,      // every channel a whole byte of the pixel, which SDL gives unchanged
    SOURCE_READ_TABLES,     // one table per channel, indexed by the channel's field
    SOURCE_READ_PER_PIXEL,  // masks the tables cannot stand for: SDL_GetRGB on every pixel
};

struct SOURCE_COLOURS_T {
    SOURCE_READ_T read;
    int bytesPerPixel;
    const SDL_PixelFormat *format;
    uint32_t mask[3];
    int shift[3];
    int byte[3];  // SOURCE_READ_BYTES: where each channel's byte lies in the pixel
    uint8_t table[3][256];
    uint8_t constant[3];
};

// Prepares reading source's colours: a 256-entry table per channel for 1 byte per pixel; for 2
// to 4 bytes, tables over each mask's field when every mask is one run of at most 8 bits and
// sample pixels decode exactly as SDL_GetRGB decodes them (read straight from the pixel's bytes
// when every field is a whole byte SDL passes on unchanged); otherwise SDL_GetRGB per pixel.
void prepareSourceColours(const SDL_Surface *source, SOURCE_COLOURS_T *colours);

// Red, green and blue of count pixels of one row: the pixels at columns xs[k] of the row that
// starts rowOffset bytes into the pixel memory, as getPixel and SDL_GetRGB give them, stored
// at red[k * stride], green[k * stride] and blue[k * stride]. Columns and row must lie inside
// the surface (any do for SOURCE_READ_CONSTANT).
void readSourcePixels(const SOURCE_COLOURS_T *colours, const SDL_Surface *source,
                      ptrdiff_t rowOffset, const int *xs, size_t count, uint8_t *red,
                      uint8_t *green, uint8_t *blue, size_t stride);

#endif
