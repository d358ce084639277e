#ifndef PICCONV_IMAGING_DITHER_NOISE_H
#define PICCONV_IMAGING_DITHER_NOISE_H

#include <stddef.h>
#include <stdint.h>

#include "picconv/imaging/quad.h"

// The dithering noise is the C runtime's unseeded rand() sequence, made by the converter's own
// generator from the runtime's documented algorithm: a value costs a few instructions, and
// nothing else in the process can draw from it. Which runtime's sequence is the default is
// chosen when the program is built.
enum NOISE_SEQUENCE_T {
    NOISE_SEQUENCE_GLIBC,    // glibc: additive feedback generator (TYPE_3, seed 1)
    NOISE_SEQUENCE_WINDOWS,  // Windows C runtime: linear congruential generator (seed 1)
    NOISE_SEQUENCE_RUNTIME,  // rand() itself, for any other runtime
};

// The sequence of the runtime the program was built for.
NOISE_SEQUENCE_T platformNoiseSequence();

// Starts sequence from its first value; the following draws come from it. Without a call the
// platform's sequence runs from its start. Selecting NOISE_SEQUENCE_RUNTIME calls srand(1).
void selectNoiseSequence(NOISE_SEQUENCE_T sequence);

// The next value of the current sequence, 0 to that runtime's RAND_MAX.
int nextNoise();

// The next count values, in order: the same as count calls of nextNoise().
void fillNoise(int *values, size_t count);

// The next count values as the dithering takes them, bits 8 to 13 less 32 (-32 to 31): the same
// as ((nextNoise() >> 8) % 64) - 32 count times.
void fillNoiseOffsets(int *offsets, size_t count);

// From now on the next value drawn from the current sequence (the platform's when none was
// selected) is its value number position, 0 being its first. Well under a millisecond for any
// position of the glibc and Windows sequences; NOISE_SEQUENCE_RUNTIME calls srand(1) and draws
// position values, as rand() cannot jump.
void seekNoise(uint64_t position);

// How many values of the current sequence come before the next one drawn: the position of the
// last seekNoise (0 without one) plus the values drawn since that seek or the sequence's start.
uint64_t noisePosition();

// Where the dithering takes its noise from: nextNoise unless a test substitutes a fixed
// sequence. Both resamplers draw the same values in the same order.
extern int (*g_dither_random)(void);

// The noise values one converted line draws (both resamplers alike): three (red, green, blue) per
// pixel of its output size, outputQuad's w x h, whatever the picture and rectangle. Drawn only by a
// line that made its output surface; a line that failed before that draws none.
uint64_t noiseDrawsOf(const QUAD_T *outputQuad);

#endif
