// Built for glibc, whose rand() is its additive feedback generator.
#include "picconv/imaging/dither_noise.h"

NOISE_SEQUENCE_T platformNoiseSequence() {
    return NOISE_SEQUENCE_GLIBC;
}
