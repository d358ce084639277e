#ifndef PICCONV_IMAGING_PIXEL_ACCESS_H
#define PICCONV_IMAGING_PIXEL_ACCESS_H

#include <stdint.h>
#include <string.h>

#include "SDL.h"

#include "picconv/imaging/quad.h"

// The pixel value stored at p, by bytes per pixel (1 to 4; other depths read 0). Inline: the
// fast path reads every source pixel through it.
inline uint32_t loadPixelValue(const uint8_t *p, int bytesPerPixel) {
    switch (bytesPerPixel) {
        case 1:
            return *p;
        case 2: {
            uint16_t v;
            memcpy(&v, p, sizeof v);
            return v;
        }
        case 3:
            return p[0] | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16);
        case 4: {
            uint32_t v;
            memcpy(&v, p, sizeof v);
            return v;
        }
        default:
            return 0;
    }
}

// value limited to low..high.
inline int limitInt(int value, int low, int high) {
    return value < low ? low : (value > high ? high : value);
}

// Pixel value at column x, row y, by the surface's bytes per pixel (1 to 4; other depths read 0).
// No bounds checks: callers keep 0 <= x < w and 0 <= y < h.
uint32_t getPixel(const SDL_Surface *surface, int x, int y);
void putPixel(SDL_Surface *surface, int x, int y, uint32_t value);

// 8-bit software surface with the four-level palette, width rounded up to a multiple of 8,
// all pixels index 0. Null when SDL cannot make it.
SDL_Surface *createFourLevelSurface(int width, int height);

// Sized from an output size: its h becomes the width, its w the height.
SDL_Surface *createOutputSurface(const QUAD_T *outputQuad);

#endif
