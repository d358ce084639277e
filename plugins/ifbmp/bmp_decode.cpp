#include "plugins/ifbmp/bmp_decode.h"

#include "common/little_endian.h"
#include "plugin_kit/include/picture_plugin.h"

namespace {

// One colour channel of a 16- or 32-bit pixel, as its mask describes it.
struct CHANNEL_T {
    uint32_t mask;
    unsigned shift;
    uint32_t top;  // largest value of the field
};

CHANNEL_T makeChannel(uint32_t mask) {
    CHANNEL_T channel = {mask, 0, 0};
    if (mask != 0) {
        while (((mask >> channel.shift) & 1u) == 0) {
            channel.shift++;
        }
        channel.top = mask >> channel.shift;
    }
    return channel;
}

uint8_t channelValue(const CHANNEL_T &channel, uint32_t pixel) {
    if (channel.mask == 0) {
        return 0;
    }
    uint64_t value = (pixel & channel.mask) >> channel.shift;
    return static_cast<uint8_t>((value * 255u + channel.top / 2u) / channel.top);
}

void readPalette(const BMP_HEADER_T *header, const uint8_t *data, OUTPUT_BITMAP_T *out) {
    for (unsigned i = 0; i < header->paletteCount; i++) {
        const uint8_t *entry = data + header->paletteStart + i * header->paletteEntrySize;
        setPaletteEntry(out, static_cast<int>(i), entry[2], entry[1], entry[0]);
    }
}

void unpackIndexRow(const uint8_t *in, unsigned bits, int32_t width, uint8_t *row) {
    if (bits == 8) {
        for (int32_t x = 0; x < width; x++) {
            row[x] = in[x];
        }
        return;
    }
    unsigned perByte = 8 / bits;
    unsigned valueMask = (1u << bits) - 1u;
    for (int32_t x = 0; x < width; x++) {
        unsigned slot = static_cast<unsigned>(x) % perByte;
        row[x] = static_cast<uint8_t>((in[x / perByte] >> (8 - bits * (slot + 1))) & valueMask);
    }
}

void convertMaskedRow(const uint8_t *in, const BMP_HEADER_T *header, const CHANNEL_T *channels,
                      int32_t width, uint8_t *row) {
    bool hasAlpha = channels[3].mask != 0;
    for (int32_t x = 0; x < width; x++) {
        uint32_t pixel = header->bits == 16 ? loadLe16(in + 2 * x) : loadLe32(in + 4 * x);
        unsigned red = channelValue(channels[0], pixel);
        unsigned green = channelValue(channels[1], pixel);
        unsigned blue = channelValue(channels[2], pixel);
        if (hasAlpha) {
            unsigned alpha = channelValue(channels[3], pixel);
            red = overWhite(red, alpha);
            green = overWhite(green, alpha);
            blue = overWhite(blue, alpha);
        }
        row[3 * x] = static_cast<uint8_t>(blue);
        row[3 * x + 1] = static_cast<uint8_t>(green);
        row[3 * x + 2] = static_cast<uint8_t>(red);
    }
}

uint64_t fileStrideOf(const BMP_HEADER_T *header) {
    return ((static_cast<uint64_t>(header->width) * header->bits + 31u) / 32u) * 4u;
}

// Called before the output is allocated, so that a few bytes claiming a huge picture cost
// nothing.
bool hasAllRows(const BMP_HEADER_T *header, size_t size) {
    uint64_t available = size - header->pixelStart;
    return fileStrideOf(header) <= available / static_cast<uint64_t>(header->height);
}

int decodeUncompressed(const BMP_HEADER_T *header, const uint8_t *data, OUTPUT_BITMAP_T *out,
                       PROGRESS_T *progress) {
    uint64_t fileStride = fileStrideOf(header);
    CHANNEL_T channels[4];
    for (int i = 0; i < 4; i++) {
        channels[i] = makeChannel(header->masks[i]);
    }
    int32_t width = out->width;
    int32_t height = out->height;
    for (int32_t r = 0; r < height; r++) {
        const uint8_t *in = data + header->pixelStart + static_cast<size_t>(r) * fileStride;
        uint8_t *row = outputRow(out, header->topDown ? r : height - 1 - r);
        if (header->bits <= 8) {
            unpackIndexRow(in, header->bits, width, row);
        } else if (header->bits == 24) {
            for (int32_t i = 0; i < 3 * width; i++) {
                row[i] = in[i];
            }
        } else {
            convertMaskedRow(in, header, channels, width, row);
        }
        if (progressRowDone(progress)) {
            return PLUGIN_ERR_ABORTED;
        }
    }
    return PLUGIN_OK;
}

}  // namespace

int decodeBmp(const uint8_t *data, size_t size, OUTPUT_BITMAP_T *out, PROGRESS_T *progress) {
    BMP_HEADER_T header;
    int result = readBmpHeader(data, size, &header);
    if (result != PLUGIN_OK) {
        return result;
    }
    bool rle = header.compression == BMP_RLE8 || header.compression == BMP_RLE4;
    result = checkPictureSize(header.width, header.height);
    if (result != PLUGIN_OK) {
        return result;
    }
    if (!rle && !hasAllRows(&header, size)) {
        return PLUGIN_ERR_BROKEN_DATA;
    }
    result = startOutputBitmap(out, header.width, header.height, header.bits <= 8 ? 8 : 24);
    if (result != PLUGIN_OK) {
        return result;
    }
    progress->total = out->height;
    if (header.bits <= 8) {
        readPalette(&header, data, out);
    }
    if (rle) {
        return decodeBmpRle(&header, data, size, out, progress);
    }
    return decodeUncompressed(&header, data, out, progress);
}
