// A "PMBP" picture in memory: its header checked against the file's size, its two-bit codes, and
// the view that shows them as greys, turned back upright and enlarged (pmbpview's picture, and
// the proof sheet's).
#ifndef COMMON_PMBP_PICTURE_H
#define COMMON_PMBP_PICTURE_H

#include <stdint.h>

#include <string>
#include <vector>

#include "common/pmbp_header.h"

enum PMBP_CHECK_T {
    PMBP_CHECK_OK,
    PMBP_CHECK_TOO_SHORT,
    PMBP_CHECK_BAD_MAGIC,
    PMBP_CHECK_FILE_SIZE_FIELD,
    PMBP_CHECK_FORMAT,
    PMBP_CHECK_WIDTH,
    PMBP_CHECK_DATA_LENGTH,
    PMBP_CHECK_DATA_SIZE,
};

struct PMBP_PICTURE_T {
    PMBP_HEADER_T header;
    std::vector<uint8_t> data;  // header.dataLength bytes, rows top to bottom
};

// `bytes` holds the file's first min(fileSize, 20) bytes. Fills `header` whenever the file
// is long enough to have one, so that a fault can be described with its values.
PMBP_CHECK_T checkPmbpHeader(const uint8_t *bytes, uint64_t fileSize, PMBP_HEADER_T *header);

std::string describePmbpFault(PMBP_CHECK_T check, const PMBP_HEADER_T &header, uint64_t fileSize);

// A whole file held in memory, checked; false when it is no sound "PMBP" file.
bool pmbpPictureOf(const uint8_t *bytes, uint64_t size, PMBP_PICTURE_T *picture);

struct VIEW_T {
    bool upright;    // undo the converter's quarter turn counter-clockwise
    uint32_t scale;  // whole enlargement factor, 1 or more
};

// Code 0 is the brightest class, 3 the darkest: greys 255, 170, 85, 0. Each grey falls in
// the brightness class of its own code.
uint8_t greyForCode(unsigned code);

// The code of the stored pixel in column x, row y (x < width, y < height).
unsigned pmbpCode(const PMBP_PICTURE_T &picture, uint32_t x, uint32_t y);

// The code shown at column x, row y of the unscaled view.
unsigned viewCode(const PMBP_PICTURE_T &picture, bool upright, uint32_t x, uint32_t y);

void viewSize(const PMBP_HEADER_T &header, const VIEW_T &view, uint64_t *width, uint64_t *height);

// Fills `out` with the greys of view row `row`; `out` holds the view's width in bytes.
void fillViewRow(const PMBP_PICTURE_T &picture, const VIEW_T &view, uint32_t row, uint8_t *out);

#endif
