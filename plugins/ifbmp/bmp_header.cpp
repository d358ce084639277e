#include "plugins/ifbmp/bmp_header.h"

#include "common/little_endian.h"
#include "plugin_kit/include/picture_plugin.h"

namespace {

bool isKnownHeaderSize(uint32_t size) {
    // core, info, info with RGB masks, with RGBA masks, V4, V5
    return size == 12 || size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

int readCoreHeader(const uint8_t *h, BMP_HEADER_T *header) {
    header->width = loadLe16(h + 4);
    header->height = loadLe16(h + 6);
    header->bits = loadLe16(h + 10);
    header->compression = BMP_RGB;
    header->paletteEntrySize = 3;
    if (header->bits != 1 && header->bits != 4 && header->bits != 8 && header->bits != 24) {
        return PLUGIN_ERR_BROKEN_DATA;
    }
    return PLUGIN_OK;
}

bool compressionFitsBits(uint32_t compression, unsigned bits) {
    switch (compression) {
        case BMP_RGB:
            return bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16 || bits == 24 ||
                   bits == 32;
        case BMP_RLE8:
            return bits == 8;
        case BMP_RLE4:
            return bits == 4;
        case BMP_BITFIELDS:
        case BMP_ALPHABITFIELDS:
            return bits == 16 || bits == 32;
        default:
            return false;
    }
}

void setDefaultMasks(BMP_HEADER_T *header) {
    if (header->bits == 16) {
        header->masks[0] = 0x7C00;
        header->masks[1] = 0x03E0;
        header->masks[2] = 0x001F;
    } else {
        header->masks[0] = 0xFF0000;
        header->masks[1] = 0x00FF00;
        header->masks[2] = 0x0000FF;
    }
    header->masks[3] = 0;
}

// h: the info header; size: bytes of the file from h on.
int readInfoHeader(const uint8_t *h, size_t size, BMP_HEADER_T *header, size_t *afterMasks) {
    int64_t width = static_cast<int32_t>(loadLe32(h + 4));
    int64_t height = static_cast<int32_t>(loadLe32(h + 8));
    header->bits = loadLe16(h + 14);
    header->compression = loadLe32(h + 16);
    header->xPelsPerMeter = loadLe32(h + 24);
    header->yPelsPerMeter = loadLe32(h + 28);
    uint32_t coloursUsed = loadLe32(h + 32);
    header->paletteEntrySize = 4;
    header->topDown = height < 0;
    header->width = width;
    header->height = height < 0 ? -height : height;
    if (header->compression == 4 || header->compression == 5) {
        return PLUGIN_ERR_UNKNOWN_FORMAT;  // an embedded JPEG or PNG
    }
    if (!compressionFitsBits(header->compression, header->bits)) {
        return PLUGIN_ERR_BROKEN_DATA;
    }
    bool rle = header->compression == BMP_RLE8 || header->compression == BMP_RLE4;
    if (rle && header->topDown) {
        return PLUGIN_ERR_BROKEN_DATA;
    }
    setDefaultMasks(header);
    *afterMasks = header->headerSize;
    if (header->compression == BMP_BITFIELDS || header->compression == BMP_ALPHABITFIELDS) {
        unsigned maskCount = header->compression == BMP_ALPHABITFIELDS ? 4 : 3;
        const uint8_t *masks = h + 40;
        if (header->headerSize >= 56) {
            maskCount = 4;
        }
        // Masks the header has no room for follow it (all of them after a 40-byte header, the
        // alpha mask after a 52-byte one), and must be in the file.
        size_t masksEnd = 40 + 4 * size_t{maskCount};
        if (masksEnd > header->headerSize) {
            *afterMasks = masksEnd;
        }
        if (size < *afterMasks) {
            return PLUGIN_ERR_BROKEN_DATA;
        }
        for (unsigned i = 0; i < 4; i++) {
            header->masks[i] = i < maskCount ? loadLe32(masks + 4 * i) : 0;
        }
    }
    if (header->bits <= 8) {
        header->paletteCount = coloursUsed;
    }
    return PLUGIN_OK;
}

}  // namespace

bool isBmpHead(const uint8_t *data, size_t size) {
    return size >= BMP_FILE_HEADER_SIZE + 4 && data[0] == 'B' && data[1] == 'M' &&
           isKnownHeaderSize(loadLe32(data + BMP_FILE_HEADER_SIZE));
}

int readBmpHeader(const uint8_t *data, size_t size, BMP_HEADER_T *header) {
    *header = BMP_HEADER_T{};
    if (!isBmpHead(data, size)) {
        return PLUGIN_ERR_UNKNOWN_FORMAT;
    }
    header->headerSize = loadLe32(data + BMP_FILE_HEADER_SIZE);
    if (size < BMP_FILE_HEADER_SIZE + header->headerSize) {
        return PLUGIN_ERR_BROKEN_DATA;
    }
    const uint8_t *h = data + BMP_FILE_HEADER_SIZE;
    size_t headerEnd = 0;
    int result = PLUGIN_OK;
    if (header->headerSize == BMP_CORE_HEADER_SIZE) {
        result = readCoreHeader(h, header);
        headerEnd = BMP_CORE_HEADER_SIZE;
    } else {
        result = readInfoHeader(h, size - BMP_FILE_HEADER_SIZE, header, &headerEnd);
    }
    if (result != PLUGIN_OK) {
        return result;
    }
    if (header->width <= 0 || header->height <= 0) {
        return PLUGIN_ERR_BROKEN_DATA;
    }
    header->paletteStart = BMP_FILE_HEADER_SIZE + headerEnd;
    size_t pixelStart = loadLe32(data + 10);
    if (pixelStart < header->paletteStart || pixelStart > size) {
        return PLUGIN_ERR_BROKEN_DATA;
    }
    header->pixelStart = pixelStart;
    if (header->bits <= 8) {
        unsigned most = 1u << header->bits;
        unsigned wanted = header->paletteCount;
        if (wanted == 0 || wanted > most) {
            wanted = most;
        }
        // A palette cut short by the pixel rows keeps the entries that are there.
        size_t present = (pixelStart - header->paletteStart) / header->paletteEntrySize;
        header->paletteCount = present < wanted ? static_cast<unsigned>(present) : wanted;
    } else {
        header->paletteCount = 0;
    }
    return PLUGIN_OK;
}
