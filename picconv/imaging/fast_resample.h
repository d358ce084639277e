#ifndef PICCONV_IMAGING_FAST_RESAMPLE_H
#define PICCONV_IMAGING_FAST_RESAMPLE_H

#include <stdint.h>

#include "SDL.h"

#include "picconv/imaging/quad.h"

// Resamples sourceQuad of source into a new four-level surface of outputQuad's size, turned a
// quarter turn counter-clockwise. Null when the surface cannot be made. The converter's fast
// path: tables from SDL_GetRGB and SDL_MapRGB made once per picture, weights from per-row and
// per-column parts, only the source columns and rows the samples touch; byte for byte the
// surface of resampleRotatedLiteral (resample.h), with the same noise drawn.
SDL_Surface *resampleRotated(const SDL_Surface *source, const QUAD_T *sourceQuad,
                             const QUAD_T *outputQuad);

// The same into output, a surface createOutputSurface(outputQuad) made. The noise is drawn
// only while filling, so a caller that must first learn where the line's noise starts can
// make the surface (which decides whether the line draws any) before that. Large outputs are
// sampled partly on the process's one sampling thread, started on first need; it is done with
// the call's data when the call returns.
void resampleRotatedInto(SDL_Surface *output, const SDL_Surface *source, const QUAD_T *sourceQuad,
                         const QUAD_T *outputQuad);

// How many blocks of output rows the sampling thread has sampled since the process started: for
// tests, to show that it ran. Read it between resamples.
uint64_t samplingThreadBlocks(void);

#endif
