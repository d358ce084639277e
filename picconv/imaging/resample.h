#ifndef PICCONV_IMAGING_RESAMPLE_H
#define PICCONV_IMAGING_RESAMPLE_H

#include <stdint.h>

#include "SDL.h"

#include "picconv/imaging/quad.h"

// Where the dithering noise comes from; rand() unless a test substitutes a fixed sequence.
extern int (*g_dither_random)(void);

// Resamples sourceQuad of source into a new four-level surface of outputQuad's size, turned a
// quarter turn counter-clockwise. Null when the surface cannot be made.
SDL_Surface *resampleRotated(const SDL_Surface *source, const QUAD_T *sourceQuad,
                             const QUAD_T *outputQuad);

// Distance-weighted mix of the four pixels around (sx, sy), packed as 0x00RRGGBB.
uint32_t sampleWeighted(const SDL_Surface *source, double sx, double sy);

// One channel reduced to 0, 64, 128 or 192 with noise; *error carries to the next pixel.
int ditherChannel(int value, int *error);

#endif
