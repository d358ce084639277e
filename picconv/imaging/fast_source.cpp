#include "picconv/imaging/fast_source.h"

#include <string.h>

#include "picconv/imaging/pixel_access.h"

namespace {

enum { CHANNEL_RED, CHANNEL_GREEN, CHANNEL_BLUE, CHANNEL_COUNT };

void colourOf(const SDL_PixelFormat *format, uint32_t value, int32_t rgb[CHANNEL_COUNT]) {
    Uint8 r, g, b;
    // SDL 1.2 declares the format non-const.
    SDL_GetRGB(value, const_cast<SDL_PixelFormat *>(format), &r, &g, &b);
    rgb[CHANNEL_RED] = r;
    rgb[CHANNEL_GREEN] = g;
    rgb[CHANNEL_BLUE] = b;
}

// A mask the tables can stand for: one run of at most 8 bits (or none at all).
bool fieldOf(uint32_t mask, int *shift) {
    *shift = 0;
    if (mask == 0) {
        return true;
    }
    while ((mask & 1) == 0) {
        mask >>= 1;
        ++*shift;
    }
    return mask <= 0xFF && (mask & (mask + 1)) == 0;
}

void decodeByTables(const SOURCE_COLOURS_T *colours, uint32_t value, int32_t rgb[CHANNEL_COUNT]) {
    for (int c = 0; c < CHANNEL_COUNT; c++) {
        rgb[c] = colours->table[c][(value & colours->mask[c]) >> colours->shift[c]];
    }
}

// The tables are made with every other field 0, so they assume that SDL decodes each channel
// from its own field alone. Before they are trusted they are checked on 0, on all ones and on
// PROBE_COUNT spread values: a channel that SDL decodes from bits outside its field shows on a
// probe that sets them, and these probes set each of the 32 bits 24 to 43 times out of 64 and
// give every pair of bits all four combinations (counted when they were chosen).
const int PROBE_COUNT = 64;

// The spread values: a linear congruential generator of full period 2^32 (multiplier 1 more than
// a multiple of 4, odd increment), so no value comes twice, started at 2^32 / golden ratio,
// whose four bytes all differ; it steps for the two extremes too.
const uint32_t PROBE_START = 0x9E3779B9u;
const uint32_t PROBE_MULTIPLIER = 1664525u;
const uint32_t PROBE_INCREMENT = 1013904223u;

bool tablesAgreeWithSdl(const SOURCE_COLOURS_T *colours) {
    const uint32_t width =
        colours->bytesPerPixel == 4 ? 0xFFFFFFFFu : (1u << (8 * colours->bytesPerPixel)) - 1;
    uint32_t probe = PROBE_START;
    for (int k = 0; k < 2 + PROBE_COUNT; k++) {
        uint32_t value = k == 0 ? 0 : k == 1 ? 0xFFFFFFFFu : probe;
        probe = probe * PROBE_MULTIPLIER + PROBE_INCREMENT;
        value &= width;
        int32_t expected[CHANNEL_COUNT];
        int32_t decoded[CHANNEL_COUNT];
        colourOf(colours->format, value, expected);
        decodeByTables(colours, value, decoded);
        if (memcmp(expected, decoded, sizeof expected) != 0) {
            return false;
        }
    }
    return true;
}

// The byte of a pixel's memory that holds exactly the bits of mask, or -1 when the mask is not
// one whole byte. Pixels of 2 and 4 bytes are words in the machine's byte order.
int byteOfMask(uint32_t mask, int bytesPerPixel) {
    uint8_t bytes[4] = {0, 0, 0, 0};
    if (bytesPerPixel == 2) {
        const uint16_t word = static_cast<uint16_t>(mask);
        if (word != mask) {
            return -1;
        }
        memcpy(bytes, &word, sizeof word);
    } else if (bytesPerPixel == 3) {
        if (mask > 0xFFFFFF) {
            return -1;
        }
        for (int k = 0; k < 3; k++) {
            bytes[k] = static_cast<uint8_t>(mask >> (8 * k));
        }
    } else {
        memcpy(bytes, &mask, sizeof mask);
    }
    int found = -1;
    for (int k = 0; k < bytesPerPixel; k++) {
        if (bytes[k] == 0xFF && found < 0) {
            found = k;
        } else if (bytes[k] != 0) {
            return -1;
        }
    }
    return found;
}

// Whole-byte fields whose tables are the identity can skip the tables.
bool readableAsBytes(SOURCE_COLOURS_T *colours) {
    for (int c = 0; c < CHANNEL_COUNT; c++) {
        colours->byte[c] = byteOfMask(colours->mask[c], colours->bytesPerPixel);
        if (colours->byte[c] < 0) {
            return false;
        }
        for (int v = 0; v < 256; v++) {
            if (colours->table[c][v] != v) {
                return false;
            }
        }
    }
    return true;
}

// SOURCE_READ_CONSTANT: the one colour of a picture whose pixels cannot be read.
void readConstant(const SOURCE_COLOURS_T *colours, size_t count, uint8_t *red, uint8_t *green,
                  uint8_t *blue, size_t stride) {
    for (size_t k = 0; k < count; k++) {
        red[k * stride] = colours->constant[CHANNEL_RED];
        green[k * stride] = colours->constant[CHANNEL_GREEN];
        blue[k * stride] = colours->constant[CHANNEL_BLUE];
    }
}

// SOURCE_READ_PER_PIXEL: SDL_GetRGB on every pixel.
void readPerPixel(const SOURCE_COLOURS_T *colours, const uint8_t *row, const int *xs, size_t count,
                  uint8_t *red, uint8_t *green, uint8_t *blue, size_t stride) {
    const int bytesPerPixel = colours->bytesPerPixel;
    for (size_t k = 0; k < count; k++) {
        int32_t rgb[CHANNEL_COUNT];
        colourOf(colours->format,
                 loadPixelValue(row + static_cast<ptrdiff_t>(xs[k]) * bytesPerPixel, bytesPerPixel),
                 rgb);
        red[k * stride] = static_cast<uint8_t>(rgb[CHANNEL_RED]);
        green[k * stride] = static_cast<uint8_t>(rgb[CHANNEL_GREEN]);
        blue[k * stride] = static_cast<uint8_t>(rgb[CHANNEL_BLUE]);
    }
}

// SOURCE_READ_BYTES: each channel straight from its byte of the pixel.
void readBytes(const SOURCE_COLOURS_T *colours, const uint8_t *row, const int *xs, size_t count,
               uint8_t *red, uint8_t *green, uint8_t *blue, size_t stride) {
    const int bytesPerPixel = colours->bytesPerPixel;
    const int byteR = colours->byte[CHANNEL_RED];
    const int byteG = colours->byte[CHANNEL_GREEN];
    const int byteB = colours->byte[CHANNEL_BLUE];
    for (size_t k = 0; k < count; k++) {
        const uint8_t *p = row + static_cast<ptrdiff_t>(xs[k]) * bytesPerPixel;
        red[k * stride] = p[byteR];
        green[k * stride] = p[byteG];
        blue[k * stride] = p[byteB];
    }
}

// SOURCE_READ_TABLES at BYTES bytes per pixel, a constant so that the load inside is fixed.
template <int BYTES>
void readByTables(const SOURCE_COLOURS_T *colours, const uint8_t *row, const int *xs, size_t count,
                  uint8_t *red, uint8_t *green, uint8_t *blue, size_t stride) {
    const uint8_t *tableR = colours->table[CHANNEL_RED];
    const uint8_t *tableG = colours->table[CHANNEL_GREEN];
    const uint8_t *tableB = colours->table[CHANNEL_BLUE];
    const uint32_t maskR = colours->mask[CHANNEL_RED];
    const uint32_t maskG = colours->mask[CHANNEL_GREEN];
    const uint32_t maskB = colours->mask[CHANNEL_BLUE];
    const int shiftR = colours->shift[CHANNEL_RED];
    const int shiftG = colours->shift[CHANNEL_GREEN];
    const int shiftB = colours->shift[CHANNEL_BLUE];
    for (size_t k = 0; k < count; k++) {
        const uint32_t v = loadPixelValue(row + static_cast<ptrdiff_t>(xs[k]) * BYTES, BYTES);
        red[k * stride] = tableR[(v & maskR) >> shiftR];
        green[k * stride] = tableG[(v & maskG) >> shiftG];
        blue[k * stride] = tableB[(v & maskB) >> shiftB];
    }
}

}  // namespace

void prepareSourceColours(const SDL_Surface *source, SOURCE_COLOURS_T *colours) {
    memset(colours, 0, sizeof *colours);
    const SDL_PixelFormat *format = source->format;
    colours->format = format;
    colours->bytesPerPixel = format->BytesPerPixel;
    if (source->w <= 0 || source->h <= 0 || format->BytesPerPixel < 1 ||
        format->BytesPerPixel > 4) {
        colours->read = SOURCE_READ_CONSTANT;
        int32_t rgb[CHANNEL_COUNT];
        colourOf(format, 0, rgb);
        for (int c = 0; c < CHANNEL_COUNT; c++) {
            colours->constant[c] = static_cast<uint8_t>(rgb[c]);
        }
        return;
    }
    colours->read = SOURCE_READ_TABLES;
    if (format->BytesPerPixel == 1) {
        for (int c = 0; c < CHANNEL_COUNT; c++) {
            colours->mask[c] = 0xFF;
        }
        for (uint32_t value = 0; value < 256; value++) {
            int32_t rgb[CHANNEL_COUNT];
            colourOf(format, value, rgb);
            for (int c = 0; c < CHANNEL_COUNT; c++) {
                colours->table[c][value] = static_cast<uint8_t>(rgb[c]);
            }
        }
        return;
    }
    const uint32_t masks[CHANNEL_COUNT] = {format->Rmask, format->Gmask, format->Bmask};
    for (int c = 0; c < CHANNEL_COUNT; c++) {
        colours->mask[c] = masks[c];
        if (!fieldOf(masks[c], &colours->shift[c])) {
            colours->read = SOURCE_READ_PER_PIXEL;
            return;
        }
        const uint32_t top = masks[c] >> colours->shift[c];
        for (uint32_t field = 0; field <= top; field++) {
            int32_t rgb[CHANNEL_COUNT];
            colourOf(format, field << colours->shift[c], rgb);
            colours->table[c][field] = static_cast<uint8_t>(rgb[c]);
        }
    }
    if (!tablesAgreeWithSdl(colours)) {
        colours->read = SOURCE_READ_PER_PIXEL;
    } else if (readableAsBytes(colours)) {
        colours->read = SOURCE_READ_BYTES;
    }
}

void readSourcePixels(const SOURCE_COLOURS_T *colours, const SDL_Surface *source,
                      ptrdiff_t rowOffset, const int *xs, size_t count, uint8_t *red,
                      uint8_t *green, uint8_t *blue, size_t stride) {
    if (colours->read == SOURCE_READ_CONSTANT) {
        readConstant(colours, count, red, green, blue, stride);
        return;
    }
    const uint8_t *row = static_cast<const uint8_t *>(source->pixels) + rowOffset;
    switch (colours->read) {
        case SOURCE_READ_PER_PIXEL:
            readPerPixel(colours, row, xs, count, red, green, blue, stride);
            break;
        case SOURCE_READ_BYTES:
            readBytes(colours, row, xs, count, red, green, blue, stride);
            break;
        default:
            switch (colours->bytesPerPixel) {
                case 1:
                    readByTables<1>(colours, row, xs, count, red, green, blue, stride);
                    break;
                case 2:
                    readByTables<2>(colours, row, xs, count, red, green, blue, stride);
                    break;
                case 3:
                    readByTables<3>(colours, row, xs, count, red, green, blue, stride);
                    break;
                default:
                    readByTables<4>(colours, row, xs, count, red, green, blue, stride);
                    break;
            }
            break;
    }
}
