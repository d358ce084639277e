#ifndef PICCONV_IMAGING_PIXEL_ACCESS_H
#define PICCONV_IMAGING_PIXEL_ACCESS_H

#include <stdint.h>
#include <string.h>

#include "SDL.h"

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

// Pixel value at column x, row y, by the surface's bytes per pixel (1 to 4; other depths read 0).
// No bounds checks: callers keep 0 <= x < w and 0 <= y < h.
uint32_t getPixel(const SDL_Surface *surface, int x, int y);
void putPixel(SDL_Surface *surface, int x, int y, uint32_t value);

#endif
