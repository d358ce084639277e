// ifbmp on the bitmap kinds ImageMagick doesn't write, made byte by byte here, and on
// hostile headers.
#include <gtest/gtest.h>

#include "common/little_endian.h"
#include "tests/plugins/spi_host.h"
#include "tests/support/bmp_writer.h"

namespace {

// What a field of a pixel means, widened to 8 bits, rounded.
uint8_t field(uint32_t pixel, uint32_t mask) {
    if (mask == 0) {
        return 0;
    }
    unsigned shift = 0;
    while (((mask >> shift) & 1u) == 0) {
        shift++;
    }
    uint64_t top = mask >> shift;
    return static_cast<uint8_t>((((pixel & mask) >> shift) * 255u + top / 2) / top);
}

uint8_t overWhite(unsigned colour, unsigned alpha) {
    return static_cast<uint8_t>((colour * alpha + 255u * (255u - alpha) + 127u) / 255u);
}

std::vector<uint8_t> expectedRgb(const BMP_LAYOUT_T &layout) {
    std::vector<uint8_t> rgb;
    for (uint32_t v : layout.values) {
        if (layout.bits <= 8) {
            uint32_t colour = v < layout.palette.size() ? layout.palette[v] : 0;  // black beyond
            rgb.push_back(static_cast<uint8_t>(colour >> 16));
            rgb.push_back(static_cast<uint8_t>(colour >> 8));
            rgb.push_back(static_cast<uint8_t>(colour));
        } else if (layout.bits == 24 || (layout.bits == 32 && layout.compression == 0)) {
            rgb.push_back(static_cast<uint8_t>(v >> 16));
            rgb.push_back(static_cast<uint8_t>(v >> 8));
            rgb.push_back(static_cast<uint8_t>(v));
        } else {
            unsigned alpha = layout.masks[3] != 0 ? field(v, layout.masks[3]) : 255u;
            for (int c = 0; c < 3; c++) {
                rgb.push_back(overWhite(field(v, layout.masks[c]), alpha));
            }
        }
    }
    return rgb;
}

std::vector<uint32_t> someValues(int32_t width, int32_t height, uint32_t modulo, uint32_t step) {
    std::vector<uint32_t> values;
    for (int32_t y = 0; y < height; y++) {
        for (int32_t x = 0; x < width; x++) {
            uint32_t v = static_cast<uint32_t>(x / 4 + y * 3) * step + static_cast<uint32_t>(x) * 7;
            values.push_back(modulo ? v % modulo : v);
        }
    }
    return values;
}

std::vector<uint32_t> somePalette(size_t count) {
    std::vector<uint32_t> palette;
    for (size_t i = 0; i < count; i++) {
        palette.push_back(static_cast<uint32_t>((i * 0x3A1F27u + 0x102030u) & 0xFFFFFFu));
    }
    return palette;
}

void expectDecodes(const BMP_LAYOUT_T &layout) {
    DECODED_T decoded = decodeMemory(spiNamed("ifbmp"), writeBmp(layout));
    ASSERT_EQ(decoded.code, PLUGIN_OK);
    EXPECT_EQ(decoded.width, layout.width);
    EXPECT_EQ(decoded.height, layout.height);
    EXPECT_EQ(decoded.rgb, expectedRgb(layout));
}

BMP_LAYOUT_T masked(uint32_t headerSize, unsigned bits, uint32_t compression,
                    std::initializer_list<uint32_t> masks) {
    BMP_LAYOUT_T layout;
    layout.headerSize = headerSize;
    layout.width = 13;
    layout.height = 6;
    layout.bits = bits;
    layout.compression = compression;
    int i = 0;
    for (uint32_t mask : masks) {
        layout.masks[i++] = mask;
    }
    layout.values = someValues(layout.width, layout.height, bits == 16 ? 0x10000u : 0, 0x01234567u);
    return layout;
}

BMP_LAYOUT_T indexed(unsigned bits, int32_t width, int32_t height) {
    BMP_LAYOUT_T layout;
    layout.width = width;
    layout.height = height;
    layout.bits = bits;
    layout.palette = somePalette(1u << bits);
    layout.values = someValues(width, height, 1u << bits, 5);
    return layout;
}

int codeOf(const std::vector<uint8_t> &file) {
    return decodeMemory(spiNamed("ifbmp"), file).code;
}

void patch32(std::vector<uint8_t> &file, size_t at, uint32_t value) {
    storeLe32(&file[at], value);
}

}  // namespace

TEST(PluginsBmpVariants, TopDownRowsComeOutInPictureOrder) {
    BMP_LAYOUT_T rgb;
    rgb.width = 7;
    rgb.height = 5;
    rgb.topDown = true;
    rgb.values = someValues(7, 5, 0x1000000u, 0x0F1E2Du);
    expectDecodes(rgb);
    BMP_LAYOUT_T eight = indexed(8, 9, 4);
    eight.topDown = true;
    expectDecodes(eight);
    BMP_LAYOUT_T fields = masked(40, 32, 3, {0xFF0000u, 0xFF00u, 0xFFu});
    fields.topDown = true;
    expectDecodes(fields);
}

TEST(PluginsBmpVariants, EveryHeaderSizeReadsItsMasks) {
    expectDecodes(masked(40, 16, 3, {0xF800u, 0x07E0u, 0x001Fu}));
    expectDecodes(masked(40, 32, 3, {0x3FF00000u, 0x000FFC00u, 0x000003FFu}));  // 10 bits
    expectDecodes(masked(40, 32, 6, {0x0000FF00u, 0x00FF0000u, 0xFF000000u, 0x000000FFu}));
    expectDecodes(masked(52, 16, 3, {0x7C00u, 0x03E0u, 0x001Fu}));
    expectDecodes(masked(56, 32, 3, {0xFF0000u, 0xFF00u, 0xFFu, 0xFF000000u}));
    expectDecodes(masked(108, 32, 3, {0xFFu, 0xFF00u, 0xFF0000u, 0xFF000000u}));
    expectDecodes(masked(124, 16, 3, {0x0F00u, 0x00F0u, 0x000Fu, 0xF000u}));
    expectDecodes(masked(124, 16, 3, {0x7C00u, 0x03E0u, 0x001Fu, 0x8000u}));
}

TEST(PluginsBmpVariants, SmallFieldsWidenToTheFullRange) {
    BMP_LAYOUT_T layout = masked(124, 16, 3, {0x0F00u, 0x00F0u, 0x000Fu, 0xF000u});
    layout.width = 2;
    layout.height = 1;
    layout.values = {0xFF00u, 0xF0F7u};  // opaque red; opaque green with blue 7
    DECODED_T decoded = decodeMemory(spiNamed("ifbmp"), writeBmp(layout));
    EXPECT_EQ(decoded.rgb, (std::vector<uint8_t>{255, 0, 0, 0, 255, 119}));
}

TEST(PluginsBmpVariants, UnmaskedSixteenAndThirtyTwoBitsUseTheDefaultLayout) {
    BMP_LAYOUT_T sixteen = masked(40, 16, 0, {0x7C00u, 0x03E0u, 0x001Fu});
    expectDecodes(sixteen);
    // The fourth byte of a 32-bit BI_RGB pixel is not alpha.
    BMP_LAYOUT_T thirtyTwo = masked(40, 32, 0, {0xFF0000u, 0xFF00u, 0xFFu});
    expectDecodes(thirtyTwo);
}

TEST(PluginsBmpVariants, IndexedDepthsOfEveryHeaderKind) {
    for (unsigned bits : {1u, 2u, 4u, 8u}) {
        SCOPED_TRACE(bits);
        expectDecodes(indexed(bits, 37, 5));
    }
    for (unsigned bits : {1u, 4u, 8u}) {
        SCOPED_TRACE(bits);
        BMP_LAYOUT_T core = indexed(bits, 11, 3);
        core.headerSize = 12;
        expectDecodes(core);
    }
}

TEST(PluginsBmpVariants, RunLengthCodesOfBothKinds) {
    for (int32_t width : {1, 2, 7, 40}) {
        SCOPED_TRACE(width);
        BMP_LAYOUT_T four = indexed(4, width, 6);
        four.compression = 2;
        four.rle = encodeRle(four.values, width, 6, true);
        expectDecodes(four);
        BMP_LAYOUT_T eight = indexed(8, width, 6);
        eight.compression = 1;
        eight.rle = encodeRle(eight.values, width, 6, false);
        expectDecodes(eight);
    }
}

TEST(PluginsBmpVariants, RunLengthMovesAndEarlyEndLeaveIndexZero) {
    BMP_LAYOUT_T layout = indexed(8, 6, 4);
    layout.compression = 1;
    // Bottom row: 2 x 5, then a move 2 right 1 up; there 3 literals (padded); then the end.
    layout.rle = {2, 5, 0, 2, 2, 1, 0, 3, 7, 8, 9, 0, 0, 1};
    // Top row first; the third literal falls off the row.
    layout.values = {
        0, 0, 0, 0, 0, 0,  //
        0, 0, 0, 0, 0, 0,  //
        0, 0, 0, 0, 7, 8,  //
        5, 5, 0, 0, 0, 0,  //
    };
    expectDecodes(layout);
}

TEST(PluginsBmpVariants, IndicesBeyondAShortPaletteAreBlack) {
    BMP_LAYOUT_T layout = indexed(8, 16, 3);
    layout.palette = somePalette(3);
    layout.coloursUsed = 3;
    layout.values = someValues(16, 3, 12, 1);
    expectDecodes(layout);
    // More colours claimed than the space before the rows holds: the ones there count.
    layout.coloursUsed = 200;
    expectDecodes(layout);
    layout.coloursUsed = 0xFFFFFFFFu;
    expectDecodes(layout);
}

TEST(PluginsBmpVariants, HostileHeadersGiveErrorCodes) {
    std::vector<uint8_t> good = writeBmp(indexed(8, 16, 3));
    std::vector<uint8_t> file = good;
    patch32(file, 18, 100000);
    patch32(file, 22, 100000);
    EXPECT_EQ(codeOf(file), PLUGIN_ERR_NO_MEMORY) << "huge";
    file = good;
    patch32(file, 18, 0);
    EXPECT_EQ(codeOf(file), PLUGIN_ERR_BROKEN_DATA) << "zero width";
    file = good;
    patch32(file, 22, 0x80000000u);
    EXPECT_NE(codeOf(file), PLUGIN_OK) << "most negative height";
    file = good;
    file[28] = 7;
    EXPECT_EQ(codeOf(file), PLUGIN_ERR_BROKEN_DATA) << "7 bits";
    file = good;
    patch32(file, 10, static_cast<uint32_t>(file.size() + 1));
    EXPECT_EQ(codeOf(file), PLUGIN_ERR_BROKEN_DATA) << "rows beyond the end";
    file = good;
    patch32(file, 10, 20);
    EXPECT_EQ(codeOf(file), PLUGIN_ERR_BROKEN_DATA) << "rows inside the header";
    file = good;
    patch32(file, 22, 4);
    EXPECT_EQ(codeOf(file), PLUGIN_ERR_BROKEN_DATA) << "a row too few";
    file = good;
    file[30] = 4;
    EXPECT_EQ(codeOf(file), PLUGIN_ERR_UNKNOWN_FORMAT) << "embedded JPEG";
    file = good;
    file[30] = 1;
    patch32(file, 22, static_cast<uint32_t>(-3));
    EXPECT_EQ(codeOf(file), PLUGIN_ERR_BROKEN_DATA) << "top-down RLE";
    BMP_LAYOUT_T fields = masked(40, 32, 3, {0xFF0000u, 0xFF00u, 0xFFu});
    file = writeBmp(fields);
    file.resize(14 + 40 + 6);
    EXPECT_EQ(codeOf(file), PLUGIN_ERR_BROKEN_DATA) << "masks cut off";
    BMP_LAYOUT_T rle = indexed(8, 5, 1000);
    rle.compression = 1;
    rle.rle = {0, 2, 255, 255, 0, 2, 255, 255, 3, 1};
    EXPECT_EQ(codeOf(writeBmp(rle)), PLUGIN_ERR_BROKEN_DATA) << "RLE without its end";
}

TEST(PluginsBmpVariants, AlphaMaskAfterA52ByteHeaderIsReadOnlyWhereTheFileHoldsIt) {
    // A 52-byte header has room for three masks; with alpha bit fields the fourth follows it,
    // before the rows, as all four follow a 40-byte header.
    BMP_LAYOUT_T layout = masked(52, 32, 6, {0xFF0000u, 0xFF00u, 0xFFu, 0xFF000000u});
    std::vector<uint8_t> file = writeBmp(layout);
    const size_t headerEnd = 14 + 52;
    const uint8_t alphaMask[4] = {0, 0, 0, 0xFF};
    file.insert(file.begin() + headerEnd, alphaMask, alphaMask + 4);
    patch32(file, 2, static_cast<uint32_t>(file.size()));
    patch32(file, 10, static_cast<uint32_t>(headerEnd + 4));
    DECODED_T decoded = decodeMemory(spiNamed("ifbmp"), file);
    ASSERT_EQ(decoded.code, PLUGIN_OK);
    EXPECT_EQ(decoded.rgb, expectedRgb(layout));
    // The file ends with the header: there is no fourth mask to read.
    file.resize(headerEnd);
    patch32(file, 10, static_cast<uint32_t>(headerEnd));
    EXPECT_EQ(codeOf(file), PLUGIN_ERR_BROKEN_DATA);
    file.resize(headerEnd + 2);
    EXPECT_EQ(codeOf(file), PLUGIN_ERR_BROKEN_DATA);
}
