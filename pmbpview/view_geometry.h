// What the preview shows: the stored codes as greys, optionally turned back upright and
// enlarged, produced one row at a time so no scaled copy of the picture is ever held.
#ifndef PMBPVIEW_VIEW_GEOMETRY_H
#define PMBPVIEW_VIEW_GEOMETRY_H

#include <stdint.h>

#include "pmbpview/pmbp_file.h"

struct VIEW_T {
    bool upright;    // undo the converter's quarter turn counter-clockwise
    uint32_t scale;  // whole enlargement factor, 1 or more
};

// Code 0 is the brightest class, 3 the darkest: greys 255, 170, 85, 0. Each grey falls in
// the brightness class of its own code.
uint8_t greyForCode(unsigned code);

// The code of the stored pixel in column x, row y (x < width, y < height).
unsigned pmbpCode(const PMBP_PICTURE_T &picture, uint32_t x, uint32_t y);

void viewSize(const PMBP_HEADER_T &header, const VIEW_T &view, uint64_t *width, uint64_t *height);

// Fills `out` with the greys of view row `row`; `out` holds the view's width in bytes.
void fillViewRow(const PMBP_PICTURE_T &picture, const VIEW_T &view, uint32_t row, uint8_t *out);

#endif
