#ifndef PICCONV_IMAGING_QUAD_H
#define PICCONV_IMAGING_QUAD_H

#include <stdint.h>

// A rectangle of the source picture, or an output size in the source's orientation
// (w along the source's x axis, h along its y axis).
struct QUAD_T {
    int16_t x;
    int16_t y;
    uint16_t w;
    uint16_t h;
};

#endif
