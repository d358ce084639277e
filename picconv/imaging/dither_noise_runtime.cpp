// Built for any other C runtime: the noise is rand() itself.
#include "picconv/imaging/dither_noise.h"

NOISE_SEQUENCE_T platformNoiseSequence() {
    return NOISE_SEQUENCE_RUNTIME;
}
