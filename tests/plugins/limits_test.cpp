// The documented picture limits: what is over them is refused from its headers, before it
// costs memory, and what is under them decodes in little more memory than the picture itself.
#include <stdio.h>

#include <gtest/gtest.h>

#include "tests/plugins/gif_writer.h"
#include "tests/plugins/picture_files.h"
#include "tests/plugins/png_writer.h"
#include "tests/plugins/spi_host.h"
#include "tests/support/run_program.h"
#include "tests/support/test_files.h"

namespace {

struct PROBE_T {
    int code = -100;
    long grownKilobytes = -1;  // rise of the decoding process's peak memory during the call
};

// Decodes the picture in a process of its own, so that only this decode counts.
PROBE_T probeDecode(const std::string &plugin, const std::string &name,
                    const std::vector<uint8_t> &bytes) {
    std::string path = scratchDir() + "/" + name;
    EXPECT_TRUE(writeBytes(path, bytes));
    RUN_RESULT_T run = runProgram(
        {DECODE_PROBE, std::string(PLUGIN_BUILD_DIR) + "/" + plugin + ".spi", path}, scratchDir());
    PROBE_T probe;
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(sscanf(run.out.c_str(), "%d %ld", &probe.code, &probe.grownKilobytes), 2) << run.out;
    return probe;
}

uint8_t gradient(const void *, uint32_t x, uint32_t y, size_t byte) {
    return static_cast<uint8_t>((x * 7 + y + byte * 50) >> 4);
}

int infoCode(const std::string &plugin, std::vector<uint8_t> bytes) {
    PictureInfo info;
    return spiNamed(plugin).getPictureInfo(reinterpret_cast<LPSTR>(bytes.data()),
                                           static_cast<long>(bytes.size()), PLUGIN_INPUT_MEMORY,
                                           &info);
}

std::vector<uint8_t> tinyPng(uint32_t width, uint32_t height) {
    return pngWith(pngIhdr(width, height, 8, 2), pngImageData({{0, 0, 0}}));
}

std::vector<uint8_t> tinyGif(uint16_t screenWidth, uint16_t screenHeight) {
    GIF_LAYOUT_T layout;
    layout.screenWidth = screenWidth;
    layout.screenHeight = screenHeight;
    layout.width = layout.height = 1;
    layout.paletteBits = 1;
    layout.indices = {1};
    return gifWith(layout);
}

}  // namespace

TEST(PluginsLimits, PicturesOverThePixelLimitAreRefusedFromTheirHeaders) {
    // 8192 x 8192 is 2^26 pixels, the most there may be.
    EXPECT_EQ(infoCode("ifpng", tinyPng(8192, 8192)), PLUGIN_OK);
    EXPECT_EQ(infoCode("ifpng", tinyPng(8192, 8193)), PLUGIN_ERR_NO_MEMORY);
    EXPECT_EQ(infoCode("ifpng", tinyPng(1, 100000000)), PLUGIN_ERR_NO_MEMORY);
    EXPECT_EQ(infoCode("ifgif", tinyGif(8192, 8192)), PLUGIN_OK);
    EXPECT_EQ(infoCode("ifgif", tinyGif(8193, 8192)), PLUGIN_ERR_NO_MEMORY);
}

TEST(PluginsLimits, BombsAreRefusedBeforeTheyCostMemory) {
    // 35 bytes claiming a 16384 x 16384 screen: 256 MB of pixels.
    std::vector<uint8_t> gif = tinyGif(16384, 16384);
    EXPECT_EQ(gif.size(), 35u);
    PROBE_T probe = probeDecode("ifgif", "bomb.gif", gif);
    EXPECT_EQ(probe.code, PLUGIN_ERR_NO_MEMORY);
    EXPECT_LT(probe.grownKilobytes, 4096);
    // 1 x 10^8: rows padded to 4 bytes would take 400 MB.
    probe = probeDecode("ifpng", "thread.png", tinyPng(1, 100000000));
    EXPECT_EQ(probe.code, PLUGIN_ERR_NO_MEMORY);
    EXPECT_LT(probe.grownKilobytes, 4096);
}

TEST(PluginsLimits, InterlacedPngNeedsLittleMoreThanItsPicture) {
    // Made a row at a time: a child inherits its parent's peak memory as its own starting peak.
    const uint32_t side = 4096;
    std::vector<uint8_t> png = pngWith(pngIhdr(side, side, 8, 6, true),
                                       pngInterlacedImageData(side, side, 4, gradient, nullptr));
    PROBE_T probe = probeDecode("ifpng", "interlaced.png", png);
    EXPECT_EQ(probe.code, PLUGIN_OK);
    long pictureKilobytes = 3L * side * side / 1024;  // 24-bit rows, 4 bytes wide already
    EXPECT_LT(probe.grownKilobytes, pictureKilobytes + pictureKilobytes / 4 + 8192);
}
