// Built for Windows, whose C runtime's rand() is a linear congruential generator.
#include "picconv/imaging/dither_noise.h"

NOISE_SEQUENCE_T platformNoiseSequence() {
    return NOISE_SEQUENCE_WINDOWS;
}
