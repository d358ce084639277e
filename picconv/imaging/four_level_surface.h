#ifndef PICCONV_IMAGING_FOUR_LEVEL_SURFACE_H
#define PICCONV_IMAGING_FOUR_LEVEL_SURFACE_H

#include "SDL.h"

#include "picconv/imaging/quad.h"

// 8-bit software surface with the four-level palette, width rounded up to a multiple of 8,
// all pixels index 0. Null when SDL cannot make it.
SDL_Surface *createFourLevelSurface(int width, int height);

// The surface a line's output is drawn into, turned a quarter: outputQuad's h becomes the
// width, its w the height.
SDL_Surface *createOutputSurface(const QUAD_T *outputQuad);

#endif
