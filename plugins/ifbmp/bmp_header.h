/* The headers of a Windows or OS/2 bitmap file, read and checked. */
#ifndef BMP_HEADER_H
#define BMP_HEADER_H

#include <cstddef>
#include <cstdint>

#define BMP_FILE_HEADER_SIZE 14u
#define BMP_CORE_HEADER_SIZE 12u

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
    int64_t height; /* always positive; see topDown */
    bool topDown;
    unsigned bits;
    uint32_t compression;
    uint32_t masks[4]; /* red, green, blue, alpha (0: no alpha); for 16 and 32 bits */
    uint32_t xPelsPerMeter;
    uint32_t yPelsPerMeter;
    size_t paletteStart;
    unsigned paletteEntrySize; /* 3 in core files, 4 else */
    unsigned paletteCount;     /* entries present in the file, at most 2^bits */
    size_t pixelStart;
};

/* True for "BM" followed by a header size this decoder knows. */
bool isBmpHead(const uint8_t *data, size_t size);

/* Reads and checks the headers; PLUGIN_OK, or the code of what is wrong. */
int readBmpHeader(const uint8_t *data, size_t size, BMP_HEADER_T *header);

static inline uint32_t bmpLe16(const uint8_t *p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8;
}

static inline uint32_t bmpLe32(const uint8_t *p) {
    return bmpLe16(p) | bmpLe16(p + 2) << 16;
}

#endif
