#ifndef TESTS_PICCONV_REFERENCE_PMBP_H
#define TESTS_PICCONV_REFERENCE_PMBP_H

#include <stdint.h>
#include <stdlib.h>

#include <vector>

#include "tests/picconv/test_bitmap.h"

// One conversion as a command line asks for it, in the numbers parseQuad yields.
struct REFERENCE_JOB_T {
    int16_t x;
    int16_t y;
    uint16_t w;
    uint16_t h;
    uint16_t outW;  // samples along the source's x axis: the output's height
    uint16_t outH;  // samples along the source's y axis: the output's width before rounding
};

// The whole packed file for one conversion, calculated from first principles with the noise of
// random, this process's rand() unless given (three values per output pixel, red, green, blue,
// in scan order).
std::vector<uint8_t> referencePackedFile(const TEST_IMAGE_T &image, const REFERENCE_JOB_T &job,
                                         int (*random)(void) = rand);

#endif
