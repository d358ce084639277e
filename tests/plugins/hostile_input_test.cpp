// Hostile PNG, JPEG and GIF files: huge or zero sizes, lying lengths, short palettes.
#include <gtest/gtest.h>

#include "tests/plugins/corpus.h"
#include "tests/plugins/picture_files.h"
#include "tests/plugins/gif_writer.h"
#include "tests/plugins/png_writer.h"
#include "tests/plugins/spi_host.h"
#include "tests/support/test_files.h"

namespace {

int pngCode(const std::vector<uint8_t> &png) {
    return decodeMemory(spiNamed("ifpng"), png).code;
}

std::vector<uint8_t> rgbOf(std::initializer_list<int> colours) {
    std::vector<uint8_t> rgb;
    for (int c : colours) {
        if (c < 0) {
            rgb.insert(rgb.end(), {255, 255, 255});
        } else if (c >= 100) {
            rgb.insert(rgb.end(), {0, 0, 0});
        } else {
            rgb.insert(rgb.end(), {static_cast<uint8_t>(10 + c), static_cast<uint8_t>(20 + c),
                                   static_cast<uint8_t>(30 + c)});
        }
    }
    return rgb;
}

// The SOF segment's height is 5 bytes after its marker, the width 7.
size_t sofAt(const std::vector<uint8_t> &jpeg) {
    for (size_t i = 2; i + 9 < jpeg.size(); i++) {
        if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2)) {
            return i;
        }
    }
    return 0;
}

}  // namespace

TEST(PluginsHostilePng, HugeOrZeroSizesGiveErrorCodes) {
    std::vector<std::vector<uint8_t>> rows(2, std::vector<uint8_t>(6, 0x40));
    EXPECT_EQ(pngCode(pngWith(pngIhdr(2, 2, 8, 2), pngImageData(rows))), PLUGIN_OK);
    EXPECT_EQ(pngCode(pngWith(pngIhdr(20000, 20000, 8, 2), pngImageData(rows))),
              PLUGIN_ERR_NO_MEMORY);
    EXPECT_EQ(pngCode(pngWith(pngIhdr(0x7FFFFFFF, 1, 8, 2), pngImageData(rows))),
              PLUGIN_ERR_NO_MEMORY);
    EXPECT_EQ(pngCode(pngWith(pngIhdr(0, 2, 8, 2), pngImageData(rows))), PLUGIN_ERR_BROKEN_DATA);
    EXPECT_EQ(pngCode(pngWith(pngIhdr(2, 2, 3, 2), pngImageData(rows))), PLUGIN_ERR_BROKEN_DATA)
        << "depth 3";
    EXPECT_EQ(pngCode(pngWith(pngIhdr(2, 5, 8, 2), pngImageData(rows))), PLUGIN_ERR_BROKEN_DATA)
        << "rows missing";
}

TEST(PluginsHostilePng, LyingChunkLengthsGiveBrokenData) {
    std::vector<std::vector<uint8_t>> rows(2, std::vector<uint8_t>(6, 0x40));
    std::vector<uint8_t> png = pngWith(pngIhdr(2, 2, 8, 2), pngImageData(rows));
    size_t idat = 8 + 25;  // signature, IHDR
    for (uint32_t length : {0x7FFFFFFFu, 0xFFFFFFFFu, 0x100u, 0u}) {
        std::vector<uint8_t> lying = png;
        for (int i = 0; i < 4; i++) {
            lying[idat + i] = static_cast<uint8_t>(length >> (24 - 8 * i));
        }
        EXPECT_EQ(pngCode(lying), PLUGIN_ERR_BROKEN_DATA) << length;
    }
    std::vector<uint8_t> badCrc = png;
    badCrc[idat + 8] ^= 1;
    EXPECT_EQ(pngCode(badCrc), PLUGIN_ERR_BROKEN_DATA);
}

TEST(PluginsHostilePng, IndicesBeyondAShortPaletteAreBlack) {
    std::vector<std::vector<uint8_t>> rows = {{0, 1, 2, 255}};
    DECODED_T decoded = decodeMemory(
        spiNamed("ifpng"),
        pngWith(pngIhdr(4, 1, 8, 3), pngImageData(rows), {{"PLTE", {10, 20, 30, 11, 21, 31}}}));
    ASSERT_EQ(decoded.code, PLUGIN_OK);
    EXPECT_EQ(decoded.rgb, rgbOf({0, 1, 100, 100}));
}

TEST(PluginsHostilePng, RgbWithTransparencyBeforePaletteDecodesWithoutReadingPastItsRows) {
    // libpng sets a tRNS chunk that comes before PLTE aside and adds no alpha channel: the
    // rows stay three bytes a pixel, and the colour it names stays opaque.
    std::vector<std::vector<uint8_t>> rows = {{10, 20, 30, 11, 21, 31, 12, 22, 32},
                                              {13, 23, 33, 10, 20, 30, 14, 24, 34}};
    for (bool interlaced : {false, true}) {
        SCOPED_TRACE(interlaced ? "interlaced" : "plain");
        std::vector<uint8_t> data =
            interlaced ? pngInterlacedImageData(rows, 3) : pngImageData(rows);
        DECODED_T decoded = decodeMemory(
            spiNamed("ifpng"), pngWith(pngIhdr(3, 2, 8, 2, interlaced), data,
                                       {{"tRNS", {0, 10, 0, 20, 0, 30}}, {"PLTE", {1, 2, 3}}}));
        ASSERT_EQ(decoded.code, PLUGIN_OK);
        EXPECT_EQ(decoded.rgb, rgbOf({0, 1, 2, 3, 0, 4}));
    }
    // In its place the same chunk makes that colour white.
    DECODED_T decoded = decodeMemory(
        spiNamed("ifpng"), pngWith(pngIhdr(3, 2, 8, 2), pngImageData(rows),
                                   {{"PLTE", {1, 2, 3}}, {"tRNS", {0, 10, 0, 20, 0, 30}}}));
    EXPECT_EQ(decoded.rgb, rgbOf({-1, 1, 2, 3, -1, 4}));
}

TEST(PluginsHostilePng, TextAndProfileChunksWholeCutOrGarbledLeaveThePixelsAlone) {
    const std::vector<std::vector<uint8_t>> rows = {{10, 20, 30, 11, 21, 31},
                                                    {12, 22, 32, 13, 23, 33}};
    const std::vector<uint8_t> ihdr = pngIhdr(2, 2, 8, 2);
    DECODED_T plain = decodeMemory(spiNamed("ifpng"), pngWith(ihdr, pngImageData(rows)));
    ASSERT_EQ(plain.code, PLUGIN_OK);
    std::vector<uint8_t> text(3000);
    for (size_t i = 0; i < text.size(); i++) {
        text[i] = static_cast<uint8_t>(i * 131 + i / 7);
    }
    const std::vector<uint8_t> whole = compressed(text);
    const std::vector<uint8_t> cut(whole.begin(), whole.begin() + whole.size() / 2);
    const std::vector<uint8_t> garbled(whole.size(), 0x5A);
    // Each chunk's head before its zlib stream.
    const PNG_CHUNKS_T heads = {
        {"zTXt", {'C', 0, 0}}, {"iTXt", {'C', 0, 1, 0, 'e', 'n', 0, 0}}, {"iCCP", {'P', 0, 0}}};
    for (const auto &head : heads) {
        for (const std::vector<uint8_t> *stream : {&whole, &cut, &garbled}) {
            std::vector<uint8_t> data = head.second;
            data.insert(data.end(), stream->begin(), stream->end());
            const PNG_CHUNKS_T chunk = {{head.first, data}};
            SCOPED_TRACE(head.first + " of " + std::to_string(stream->size()) + " bytes");
            DECODED_T before =
                decodeMemory(spiNamed("ifpng"), pngWith(ihdr, pngImageData(rows), chunk));
            DECODED_T after =
                decodeMemory(spiNamed("ifpng"), pngWith(ihdr, pngImageData(rows), {}, chunk));
            EXPECT_EQ(before.code, PLUGIN_OK);
            EXPECT_EQ(after.code, PLUGIN_OK);
            EXPECT_EQ(before.rgb, plain.rgb);
            EXPECT_EQ(after.rgb, plain.rgb);
        }
    }
}

TEST(PluginsHostilePng, InterlacedPicturesDecodeAsTheirPlainTwins) {
    // Every size up to 9 x 9 meets passes without rows or columns; each kind of pixel is placed.
    // Plain grey, palette and RGB rows go straight into the output, interlaced ones pixel by
    // pixel: the blocks must match to the padding.
    struct KIND_T {
        int colourType;
        size_t pixelBytes;
    };
    std::vector<uint8_t> palette;
    for (int i = 0; i < 3 * 256; i++) {
        palette.push_back(static_cast<uint8_t>(i * 7));
    }
    for (KIND_T kind : {KIND_T{0, 1}, KIND_T{2, 3}, KIND_T{3, 1}, KIND_T{4, 2}, KIND_T{6, 4}}) {
        for (uint32_t width = 1; width <= 9; width++) {
            for (uint32_t height = 1; height <= 9; height++) {
                SCOPED_TRACE(std::to_string(kind.colourType) + ": " + std::to_string(width) +
                             " x " + std::to_string(height));
                std::vector<std::vector<uint8_t>> rows(height);
                for (uint32_t y = 0; y < height; y++) {
                    for (size_t i = 0; i < width * kind.pixelBytes; i++) {
                        rows[y].push_back(static_cast<uint8_t>(y * 31 + i * 17 + 5));
                    }
                }
                PNG_CHUNKS_T chunks;
                if (kind.colourType == 3) {
                    chunks.push_back({"PLTE", palette});
                }
                DECODED_T plain = decodeMemory(spiNamed("ifpng"),
                                               pngWith(pngIhdr(width, height, 8, kind.colourType),
                                                       pngImageData(rows), chunks));
                DECODED_T interlaced =
                    decodeMemory(spiNamed("ifpng"),
                                 pngWith(pngIhdr(width, height, 8, kind.colourType, true),
                                         pngInterlacedImageData(rows, kind.pixelBytes), chunks));
                ASSERT_EQ(plain.code, PLUGIN_OK);
                ASSERT_EQ(interlaced.code, PLUGIN_OK);
                EXPECT_EQ(interlaced.rgb, plain.rgb);
                EXPECT_EQ(interlaced.pixelBlock, plain.pixelBlock);
            }
        }
    }
}

TEST(PluginsHostileGif, FramesAndScreensOfHostileSizes) {
    GIF_LAYOUT_T layout;
    layout.indices = {0, 1, 2, 3, 3, 2, 1, 0};
    DECODED_T decoded = decodeMemory(spiNamed("ifgif"), gifWith(layout));
    ASSERT_EQ(decoded.code, PLUGIN_OK);
    EXPECT_EQ(decoded.rgb, rgbOf({0, 1, 2, 3, 3, 2, 1, 0}));

    GIF_LAYOUT_T huge = layout;
    huge.screenWidth = huge.screenHeight = 65535;
    EXPECT_EQ(decodeMemory(spiNamed("ifgif"), gifWith(huge)).code, PLUGIN_ERR_NO_MEMORY);
    GIF_LAYOUT_T empty = layout;
    empty.width = 0;
    empty.indices.clear();
    EXPECT_EQ(decodeMemory(spiNamed("ifgif"), gifWith(empty)).code, PLUGIN_ERR_BROKEN_DATA);
    GIF_LAYOUT_T missing = layout;
    missing.height = 3;  // codes for 2 rows only
    EXPECT_EQ(decodeMemory(spiNamed("ifgif"), gifWith(missing)).code, PLUGIN_ERR_BROKEN_DATA);
    GIF_LAYOUT_T none = layout;
    none.frames = 0;
    EXPECT_EQ(decodeMemory(spiNamed("ifgif"), gifWith(none)).code, PLUGIN_ERR_BROKEN_DATA);
}

TEST(PluginsHostileGif, ShortPaletteTransparencyAndOffsetFrame) {
    GIF_LAYOUT_T layout;
    layout.paletteBits = 1;  // two colours, yet codes 2 and 3 come
    layout.indices = {0, 1, 2, 3, 3, 2, 1, 0};
    DECODED_T decoded = decodeMemory(spiNamed("ifgif"), gifWith(layout));
    ASSERT_EQ(decoded.code, PLUGIN_OK);
    EXPECT_EQ(decoded.rgb, rgbOf({0, 1, 100, 100, 100, 100, 1, 0}));

    GIF_LAYOUT_T clear = layout;
    clear.paletteBits = 2;
    clear.transparent = 2;
    decoded = decodeMemory(spiNamed("ifgif"), gifWith(clear));
    EXPECT_EQ(decoded.rgb, rgbOf({0, 1, -1, 3, 3, -1, 1, 0}));

    // A 2 x 1 frame at (1, 1) of a 3 x 2 screen, and one that sticks out to the right.
    GIF_LAYOUT_T offset = clear;
    offset.transparent = -1;
    offset.screenWidth = 3;
    offset.left = offset.top = 1;
    offset.width = 2;
    offset.height = 1;
    offset.indices = {3, 1};
    decoded = decodeMemory(spiNamed("ifgif"), gifWith(offset));
    EXPECT_EQ(decoded.rgb, rgbOf({-1, -1, -1, -1, 3, 1}));
    offset.left = 2;
    decoded = decodeMemory(spiNamed("ifgif"), gifWith(offset));
    EXPECT_EQ(decoded.width, 4);
    EXPECT_EQ(decoded.rgb, rgbOf({-1, -1, -1, -1, -1, -1, 3, 1}));
}

TEST(PluginsHostileGif, OnlyTheFirstFrameIsShown) {
    GIF_LAYOUT_T layout;
    layout.frames = 2;
    layout.indices = {0, 1, 2, 3, 3, 2, 1, 0};
    DECODED_T decoded = decodeMemory(spiNamed("ifgif"), gifWith(layout));
    EXPECT_EQ(decoded.rgb, rgbOf({0, 1, 2, 3, 3, 2, 1, 0}));
}

TEST(PluginsHostileJpeg, HugeOrZeroSizesAndLyingLengthsGiveErrorCodes) {
    if (!haveImageMagick()) {
        GTEST_SKIP() << "ImageMagick missing";
    }
    std::vector<uint8_t> good = readBytes(corpusOf("ifjpeg").front().path);
    size_t sof = sofAt(good);
    ASSERT_GT(sof, 0u);
    const SPI_T &spi = spiNamed("ifjpeg");
    std::vector<uint8_t> file = good;
    file[sof + 5] = file[sof + 7] = 0xFF;
    file[sof + 6] = file[sof + 8] = 0xDC;
    EXPECT_EQ(decodeMemory(spi, file).code, PLUGIN_ERR_NO_MEMORY) << "65500 x 65500";
    file = good;
    file[sof + 5] = file[sof + 6] = 0;
    EXPECT_EQ(decodeMemory(spi, file).code, PLUGIN_ERR_BROKEN_DATA) << "zero height";
    file = good;
    file[sof + 2] = file[sof + 3] = 0xFF;
    EXPECT_EQ(decodeMemory(spi, file).code, PLUGIN_ERR_BROKEN_DATA) << "segment longer than file";
    file = good;
    file[sof + 2] = 0;
    file[sof + 3] = 1;
    EXPECT_EQ(decodeMemory(spi, file).code, PLUGIN_ERR_BROKEN_DATA) << "segment length 1";
    std::vector<uint8_t> tablesOnly = {0xFF, 0xD8, 0xFF, 0xD9};
    EXPECT_EQ(decodeMemory(spi, tablesOnly).code, PLUGIN_ERR_BROKEN_DATA);
}
