#ifndef PICCONV_IMAGING_RESAMPLE_H
#define PICCONV_IMAGING_RESAMPLE_H

#include <stdint.h>

#include "SDL.h"

#include "picconv/imaging/quad.h"

// Where the dithering noise comes from: nextNoise (the runtime's rand() sequence, see
// dither_noise.h) unless a test substitutes a fixed sequence. Both resamplers draw the same
// values in the same order.
extern int (*g_dither_random)(void);

// The noise values one converted line draws (both resamplers alike): three (red, green, blue) per
// pixel of its output size, outputQuad's w x h, whatever the picture and rectangle. Drawn only by a
// line that made its output surface; a line that failed before that draws none.
uint64_t noiseDrawsOf(const QUAD_T *outputQuad);

// Resamples sourceQuad of source into a new four-level surface of outputQuad's size, turned a
// quarter turn counter-clockwise. Null when the surface cannot be made. The converter's fast
// path (fast_resample.cpp): tables from SDL_GetRGB and SDL_MapRGB made once per picture,
// weights from per-row and per-column parts, only the source columns and rows the samples
// touch; byte for byte the surface of resampleRotatedLiteral, with the same noise drawn.
SDL_Surface *resampleRotated(const SDL_Surface *source, const QUAD_T *sourceQuad,
                             const QUAD_T *outputQuad);

// The same into output, a surface createOutputSurface(outputQuad) made. The noise is drawn
// only while filling, so a caller that must first learn where the line's noise starts can
// make the surface (which decides whether the line draws any) before that.
void resampleRotatedInto(SDL_Surface *output, const SDL_Surface *source, const QUAD_T *sourceQuad,
                         const QUAD_T *outputQuad);

// The literal steps, kept as the reference for the fast path: per output pixel
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
