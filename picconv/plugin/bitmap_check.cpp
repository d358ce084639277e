#include "picconv/plugin/bitmap_check.h"

#include <stdarg.h>
#include <stdio.h>

#include "common/little_endian.h"
#include "picconv/plugin/plugin_entries.h"

namespace {

enum {
    INFO_HEADER_SIZE = 40,  // BITMAPINFOHEADER; the larger versions begin with it
    COMPRESSION_RGB = 0,
    COMPRESSION_RLE8 = 1,
    COMPRESSION_RLE4 = 2,
    COMPRESSION_BITFIELDS = 3,
    BITFIELDS_MASKS_SIZE = 12  // three masks after a 40-byte header
};

int refuse(char reason[CHECK_REASON_SIZE], const char *format, ...)
    __attribute__((format(printf, 2, 3)));

int refuse(char reason[CHECK_REASON_SIZE], const char *format, ...) {
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(reason, CHECK_REASON_SIZE, format, arguments);
    va_end(arguments);
    return 0;
}

bool knownDepth(unsigned bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// Whether the compression can describe pixels of this depth.
bool depthFits(uint32_t compression, unsigned bits) {
    switch (compression) {
        case COMPRESSION_RGB:
            return true;
        case COMPRESSION_RLE8:
            return bits == 8;
        case COMPRESSION_RLE4:
            return bits == 4;
        default:  // bit fields
            return bits == 16 || bits == 32;
    }
}

}  // namespace

int checkBitmapBlocks(const uint8_t *info, size_t infoSize, size_t pixelSize,
                      char reason[CHECK_REASON_SIZE]) {
    if (info == nullptr) {
        return refuse(reason, "no picture header was handed back");
    }
    if (infoSize < INFO_HEADER_SIZE) {
        return refuse(reason, "the picture header block holds %llu bytes, fewer than 40",
                      static_cast<unsigned long long>(infoSize));
    }
    const uint32_t headerSize = loadLe32(info);
    if (headerSize < INFO_HEADER_SIZE || headerSize > infoSize) {
        return refuse(reason, "the picture header gives its size as %u bytes in a block of %llu",
                      headerSize, static_cast<unsigned long long>(infoSize));
    }
    const int32_t width = static_cast<int32_t>(loadLe32(info + 4));
    const int32_t height = static_cast<int32_t>(loadLe32(info + 8));
    const unsigned bits = loadLe16(info + 14);
    const uint32_t compression = loadLe32(info + 16);
    const uint32_t coloursUsed = loadLe32(info + 32);
    if (!knownDepth(bits)) {
        return refuse(reason, "unknown bit depth %u", bits);
    }
    if (compression > COMPRESSION_BITFIELDS) {
        return refuse(reason, "unknown compression %u", compression);
    }
    if (!depthFits(compression, bits)) {
        return refuse(reason, "compression %u does not fit a bit depth of %u", compression, bits);
    }
    if (width <= 0 || height == 0) {
        return refuse(reason, "the picture is %d x %d pixels", width, height);
    }
    const uint64_t rows =
        static_cast<uint64_t>(height < 0 ? -static_cast<int64_t>(height) : height);
    const uint64_t pixels = static_cast<uint64_t>(width) * rows;
    if (pixels > PLUGIN_MAX_PIXELS) {
        return refuse(reason, "%d x %llu pixels is over the limit of %llu pixels", width,
                      static_cast<unsigned long long>(rows),
                      static_cast<unsigned long long>(PLUGIN_MAX_PIXELS));
    }
    const uint64_t stride = (static_cast<uint64_t>(width) * bits + 31) / 32 * 4;
    if (stride * rows > PLUGIN_MAX_PIXEL_BYTES || pixelSize > PLUGIN_MAX_PIXEL_BYTES) {
        return refuse(reason, "the pixel rows take over the limit of %llu bytes",
                      static_cast<unsigned long long>(PLUGIN_MAX_PIXEL_BYTES));
    }
    // The colour table follows the header, after the three masks of a 40-byte bit-field header.
    const uint64_t maximumColours = bits <= 8 ? (1u << bits) : 0;
    if (bits <= 8 && coloursUsed > maximumColours) {
        return refuse(reason, "%u colours for a bit depth of %u", coloursUsed, bits);
    }
    const uint64_t colours = coloursUsed != 0 ? coloursUsed : maximumColours;
    const uint64_t masks = compression == COMPRESSION_BITFIELDS && headerSize == INFO_HEADER_SIZE
                               ? BITFIELDS_MASKS_SIZE
                               : 0;
    const uint64_t tableEnd = headerSize + masks + colours * 4;
    if (tableEnd > infoSize) {
        return refuse(reason, "the colour table ends at byte %llu of a %llu-byte header block",
                      static_cast<unsigned long long>(tableEnd),
                      static_cast<unsigned long long>(infoSize));
    }
    // Run-length data has no fixed size; the pixel limit above bounds what it unpacks to.
    if ((compression == COMPRESSION_RGB || compression == COMPRESSION_BITFIELDS) &&
        stride * rows > pixelSize) {
        return refuse(reason, "the pixel rows need %llu bytes but the pixel block holds %llu",
                      static_cast<unsigned long long>(stride * rows),
                      static_cast<unsigned long long>(pixelSize));
    }
    return 1;
}
