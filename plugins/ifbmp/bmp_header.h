// The headers of a Windows or OS/2 bitmap file, read and checked.
#ifndef PLUGINS_IFBMP_BMP_HEADER_H
#define PLUGINS_IFBMP_BMP_HEADER_H

#include <stddef.h>
#include <stdint.h>

const size_t BMP_FILE_HEADER_SIZE = 14;
const size_t BMP_CORE_HEADER_SIZE = 12;

enum BMP_COMPRESSION_T : uint32_t {
    BMP_RGB = 0,
    BMP_RLE8 = 1,
    BMP_RLE4 = 2,
    BMP_BITFIELDS = 3,
    BMP_ALPHABITFIELDS = 6,
};

struct BMP_HEADER_T {
    uint32_t headerSize;
    int64_t width;
    int64_t height;  // always positive; see topDown
    bool topDown;
    unsigned bits;
    uint32_t compression;
    uint32_t masks[4];  // red, green, blue, alpha (0: no alpha); for 16 and 32 bits
    uint32_t xPelsPerMeter;
    uint32_t yPelsPerMeter;
    size_t paletteStart;
    unsigned paletteEntrySize;  // 3 in core files, 4 else
    unsigned paletteCount;      // entries present in the file, at most 2^bits
    size_t pixelStart;
};

// True for "BM" followed by a header size this decoder knows.
bool isBmpHead(const uint8_t *data, size_t size);

// Reads and checks the headers; PLUGIN_OK, or the code of what is wrong.
int readBmpHeader(const uint8_t *data, size_t size, BMP_HEADER_T *header);

#endif
