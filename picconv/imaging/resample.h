#ifndef PICCONV_IMAGING_RESAMPLE_H
#define PICCONV_IMAGING_RESAMPLE_H

#include <stdint.h>

#include "SDL.h"

#include "picconv/imaging/limit_int.h"
#include "picconv/imaging/quad.h"

// The four weights of sampleWeighted, (2 - distance) * 0.5 * 256 each, distance being |dx| + |dy|
// from the sample point, add up to this for any sample point at or past 0 (the four distances
// add up to 4); the weighted totals are divided by it. Both resamplers use it.
const int SAMPLE_WEIGHT_TOTAL = 512;

// The channel a weighted total (truncated to an int) stands for, 0 to 255: negative weights
// (negative, non-whole sample points) can push a total out of 0..130560. Inline: the fast path
// turns every sample through it.
inline int channelOfTotal(int total) {
    return limitInt(total / SAMPLE_WEIGHT_TOTAL, 0, 255);
}

// The literal steps, kept as the reference for the fast path (fast_resample.h): per output pixel
// sampleWeighted (getPixel and SDL_GetRGB on four neighbours), ditherChannel three times,
// SDL_MapRGB and putPixel.
SDL_Surface *resampleRotatedLiteral(const SDL_Surface *source, const QUAD_T *sourceQuad,
                                    const QUAD_T *outputQuad);
void resampleRotatedLiteralInto(SDL_Surface *output, const SDL_Surface *source,
                                const QUAD_T *sourceQuad, const QUAD_T *outputQuad);

// Distance-weighted mix of the four pixels around (sx, sy), packed as 0x00RRGGBB.
uint32_t sampleWeighted(const SDL_Surface *source, double sx, double sy);

// One channel reduced to 0, 64, 128 or 192 with noise; *error carries to the next pixel.
int ditherChannel(int value, int *error);

#endif
