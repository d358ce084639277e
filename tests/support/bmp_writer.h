// Windows bitmap files made byte by byte, every header kind and depth, RLE included: the one
// bitmap writer of the tests.
#ifndef TESTS_SUPPORT_BMP_WRITER_H
#define TESTS_SUPPORT_BMP_WRITER_H

#include <cstddef>
#include <cstdint>
#include <vector>

struct BMP_LAYOUT_T {
    uint32_t headerSize = 40; /* 12, 40, 52, 56, 108 or 124 */
    int32_t width = 0;
    int32_t height = 0;
    bool topDown = false;
    unsigned bits = 24;
    uint32_t compression = 0;
    uint32_t masks[4] = {0, 0, 0, 0}; /* written after a 40-byte header for bit fields */
    std::vector<uint32_t> palette;    /* 0xRRGGBB */
    uint32_t coloursUsed = 0;
    std::vector<uint32_t> values; /* raw pixel values, top row first */
    std::vector<uint8_t> rle;     /* the pixel data as it is, for RLE */
};

std::vector<uint8_t> writeBmp(const BMP_LAYOUT_T &layout);

/* Run-length codes for values (top row first): runs of equal indices, literals for the rest. */
std::vector<uint8_t> encodeRle(const std::vector<uint32_t> &values, int32_t width, int32_t height,
                               bool four);

void putLe16(std::vector<uint8_t> &out, uint32_t value);
void putLe32(std::vector<uint8_t> &out, uint32_t value);

#endif
