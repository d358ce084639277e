#ifndef PICCONV_IMAGING_PIXEL_ACCESS_H
#define PICCONV_IMAGING_PIXEL_ACCESS_H

#include <stdint.h>

#include "SDL.h"

#include "picconv/imaging/quad.h"

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
