#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "SDL.h"

#include "picconv/imaging/dither_noise.h"
#include "picconv/imaging/fast_resample.h"
#include "picconv/imaging/four_level_surface.h"
#include "picconv/imaging/packed_picture.h"
#include "picconv/imaging/pixel_access.h"
#include "picconv/imaging/resample.h"
#include "platform/files.h"
#include "tests/support/process_probe.h"
#include "tests/support/test_files.h"

namespace {

// Feeds ditherChannel a fixed sequence instead of the noise, and counts the draws.
std::vector<int> g_fixed_values;
size_t g_draws = 0;

int fixedRandom() {
    const int value = g_fixed_values.empty() ? 0 : g_fixed_values[g_draws % g_fixed_values.size()];
    g_draws++;
    return value;
}

class PicconvImagingFixedNoise : public ::testing::Test {
   protected:
    void SetUp() override {
        g_dither_random = fixedRandom;
        g_draws = 0;
        g_fixed_values.clear();
    }
    void TearDown() override { g_dither_random = nextNoise; }
};

// Raw random values that give a wanted noise (-32..31).
int randomForNoise(int noise) {
    return (noise + 32) << 8;
}

SDL_Surface *makeSurface(int w, int h, int bytesPerPixel) {
    static const Uint32 masks[5][3] = {{0, 0, 0},
                                       {0, 0, 0},
                                       {0xF800, 0x07E0, 0x001F},
                                       {0xFF, 0xFF00, 0xFF0000},
                                       {0xFF0000, 0xFF00, 0xFF}};
    const Uint32 *m = masks[bytesPerPixel];
    return SDL_CreateRGBSurface(0, w, h, bytesPerPixel * 8, m[0], m[1], m[2], 0);
}

// A 24-bit picture whose pixels are given as 0xRRGGBB, rows from the top.
SDL_Surface *makePicture(int w, int h, const std::vector<uint32_t> &rgb) {
    SDL_Surface *s = makeSurface(w, h, 3);
    for (int y = 0; y < h; y++) {
        for (int x = 0; x < w; x++) {
            const uint32_t c = rgb[y * w + x];
            putPixel(s, x, y, SDL_MapRGB(s->format, c >> 16, (c >> 8) & 0xFF, c & 0xFF));
        }
    }
    return s;
}

TEST(PicconvImagingPixelAccess, EachDepthKeepsItsWidthOfValue) {
    const struct {
        int bytes;
        uint32_t read;
    } cases[] = {{1, 0x78}, {2, 0x5678}, {3, 0x345678}, {4, 0x12345678}};
    for (const auto &c : cases) {
        SDL_Surface *s = makeSurface(3, 2, c.bytes);
        putPixel(s, 2, 1, 0x12345678);
        EXPECT_EQ(getPixel(s, 2, 1), c.read) << c.bytes;
        EXPECT_EQ(getPixel(s, 1, 1), 0u) << c.bytes;
        if (c.bytes == 3) {  // lowest byte first on every machine
            const uint8_t *p = static_cast<uint8_t *>(s->pixels) + s->pitch + 6;
            EXPECT_EQ(p[0] << 16 | p[1] << 8 | p[2], 0x785634);
        }
        SDL_FreeSurface(s);
    }
    SDL_Surface *s = makeSurface(1, 1, 1);
    putPixel(s, 0, 0, 200);
    EXPECT_EQ(getPixel(s, 0, 0), 200u);  // zero-extended, not negative
    SDL_FreeSurface(s);
}

TEST(PicconvImagingPixelAccess, RowsAreSteppedByPitchAtEveryDepth) {
    for (int bytes = 1; bytes <= 4; bytes++) {
        std::vector<uint8_t> memory(64 * 2, 0);
        const int pitch = 40;  // wider than 3 pixels of any depth
        SDL_Surface *s =
            SDL_CreateRGBSurfaceFrom(memory.data(), 3, 2, bytes * 8, pitch, 0, 0, 0, 0);
        ASSERT_NE(s, nullptr);
        ASSERT_EQ(s->pitch, pitch);
        memory[pitch + bytes] = 0x5A;  // lowest byte of pixel (1, 1) on this machine
        EXPECT_EQ(getPixel(s, 1, 1) & 0xFF, 0x5Au) << bytes;
        putPixel(s, 0, 1, 0xA5);
        EXPECT_EQ(memory[pitch], 0xA5) << bytes;
        SDL_FreeSurface(s);
    }
}

TEST(PicconvImagingFourLevelSurface, WidthRoundsUpToAMultipleOfEight) {
    const int cases[][4] = {{1, 1, 8, 1}, {8, 3, 8, 3}, {9, 3, 16, 3}, {0, 5, 0, 5}, {5, 0, 8, 0}};
    for (const auto &c : cases) {
        SDL_Surface *s = createFourLevelSurface(c[0], c[1]);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->w, c[2]);
        EXPECT_EQ(s->h, c[3]);
        EXPECT_EQ(s->format->BytesPerPixel, 1);
        SDL_FreeSurface(s);
    }
    const QUAD_T sizes[] = {{0, 0, 320, 240}, {0, 0, 10, 13}};
    const int expected[][2] = {{240, 320}, {16, 10}};
    for (int i = 0; i < 2; i++) {
        SDL_Surface *s = createOutputSurface(&sizes[i]);
        EXPECT_EQ(s->w, expected[i][0]);
        EXPECT_EQ(s->h, expected[i][1]);
        SDL_FreeSurface(s);
    }
}

TEST(PicconvImagingFourLevelSurface, StartsAtIndexZeroWithTheExactPalette) {
    SDL_Surface *s = createFourLevelSurface(9, 3);
    for (int y = 0; y < s->h; y++) {
        for (int x = 0; x < s->w; x++) {
            EXPECT_EQ(getPixel(s, x, y), 0u);
        }
    }
    const Uint8 palette[4][3] = {{0, 0, 0}, {85, 85, 85}, {0, 170, 170}, {255, 255, 255}};
    for (Uint32 i = 0; i < 4; i++) {
        Uint8 r, g, b;
        SDL_GetRGB(i, s->format, &r, &g, &b);
        EXPECT_EQ(r, palette[i][0]);
        EXPECT_EQ(g, palette[i][1]);
        EXPECT_EQ(b, palette[i][2]);
    }
    SDL_FreeSurface(s);
}

TEST(PicconvImagingFourLevelSurface, LevelTriplesMapToTheirPaletteEntries) {
    auto triple = [](int r, int g, int b) { return r / 64 * 16 + g / 64 * 4 + b / 64; };
    std::vector<Uint32> expected(64, 1);
    for (const auto &t : {std::vector<int>{0, 0, 0}, {64, 0, 0}, {0, 64, 0}, {0, 0, 64}}) {
        expected[triple(t[0], t[1], t[2])] = 0;
    }
    const int cyan[][3] = {{0, 64, 192},   {0, 128, 128},  {0, 128, 192},  {0, 192, 64},
                           {0, 192, 128},  {0, 192, 192},  {64, 128, 192}, {64, 192, 128},
                           {64, 192, 192}, {128, 192, 192}};
    for (const auto &t : cyan) {
        expected[triple(t[0], t[1], t[2])] = 2;
    }
    for (const auto &t : {std::vector<int>{192, 192, 192}, {192, 192, 128}, {192, 128, 192}}) {
        expected[triple(t[0], t[1], t[2])] = 3;
    }
    SDL_Surface *s = createFourLevelSurface(8, 1);
    for (int r = 0; r < 256; r += 64) {
        for (int g = 0; g < 256; g += 64) {
            for (int b = 0; b < 256; b += 64) {
                EXPECT_EQ(SDL_MapRGB(s->format, r, g, b), expected[triple(r, g, b)])
                    << r << "," << g << "," << b;
            }
        }
    }
    SDL_FreeSurface(s);
}

TEST_F(PicconvImagingFixedNoise, NoiseIsBitsEightToThirteenLessThirtyTwo) {
    const int randoms[] = {0, 8191, 16383, 16384, 32767};
    const int noises[] = {-32, -1, 31, -32, 31};
    for (int k = 0; k < 5; k++) {
        g_fixed_values = {randoms[k]};
        int error = 0;
        const int level = ditherChannel(100, &error);
        EXPECT_EQ(error + level - 100, noises[k]) << randoms[k];
    }
}

TEST_F(PicconvImagingFixedNoise, ErrorCarriesFromValueAndNoiseOnly) {
    g_fixed_values = {randomForNoise(0)};
    int error = 0;
    const int levels[] = {64, 128, 64, 128};
    const int errors[] = {36, -28, 36, -28};
    for (int k = 0; k < 4; k++) {
        EXPECT_EQ(ditherChannel(100, &error), levels[k]);
        EXPECT_EQ(error, errors[k]);
    }
    g_fixed_values = {randomForNoise(31)};
    error = 50;
    EXPECT_EQ(ditherChannel(250, &error), 192);
    EXPECT_EQ(error, 89);
    g_fixed_values = {randomForNoise(-32)};
    error = -20;
    EXPECT_EQ(ditherChannel(0, &error), 0);
    EXPECT_EQ(error, -32);
}

TEST(PicconvImagingSampleWeighted, WholeCoordinatesMixCentreBelowAndRightClampedToThePicture) {
    // (2 x centre + below + right) / 4 per channel, truncated.
    SDL_Surface *s = makePicture(2, 2, {0x102030, 0x405060, 0x0A0B0C, 0xFFFFFF});
    EXPECT_EQ(sampleWeighted(s, 0.0, 0.0), 0x1A2633u);
    SDL_FreeSurface(s);
    // Neighbours beyond the edges take the nearest pixel inside, weights unchanged.
    s = makePicture(2, 1, {0x808080, 0x404040});
    EXPECT_EQ(sampleWeighted(s, 1.0, 0.0), 0x404040u);
    EXPECT_EQ(sampleWeighted(s, -7.0, 3.0), 0x808080u);
    EXPECT_EQ(sampleWeighted(s, 90000.0, -32768.0), 0x404040u);
    SDL_FreeSurface(s);
}

TEST(PicconvImagingSampleWeighted, RunningTotalIsTruncatedAfterEachNeighbour) {
    // Rectangle 0,0,3,4 at output size 47 x 45, sample i = 0, j = 15: the sum of the four
    // truncated products would give 59.
    SDL_Surface *s = makePicture(3, 4, {0, 0, 0, 21, 102, 0, 69, 135, 0, 0, 0, 0});
    EXPECT_EQ(sampleWeighted(s, 0.0, (4.0 / 45) * 15) & 0xFF, 60u);
    SDL_FreeSurface(s);
}

TEST(PicconvImagingSampleWeighted, NegativeWeightsAreLimitedToTheChannelRange) {
    // At (-0.5, 0) the weights are 192, 64, 64 and -64; white only at the last neighbour
    // would give a negative total.
    SDL_Surface *s = makePicture(2, 2, {0x000000, 0x0000FF, 0x000000, 0xFF00FF});
    EXPECT_EQ(sampleWeighted(s, -0.5, 0.0), 0x000000u);
    SDL_FreeSurface(s);
}

TEST_F(PicconvImagingFixedNoise, QuarterTurnPutsTheSourceOriginBottomLeft) {
    // Source 4 x 2, rectangle (0, 0, 4, 1), output 2 x 1: steps 2 and 1. No noise, so black
    // and white samples give entries 0 and 3 whatever the carried error.
    g_fixed_values = {randomForNoise(0)};
    for (int white = 0; white < 2; white++) {
        const uint32_t left = white ? 0xFFFFFF : 0, right = white ? 0 : 0xFFFFFF;
        SDL_Surface *src = makePicture(4, 2, {left, left, right, right, left, left, right, right});
        const QUAD_T rect = {0, 0, 4, 1}, size = {0, 0, 2, 1};
        g_draws = 0;
        SDL_Surface *out = resampleRotated(src, &rect, &size);
        ASSERT_NE(out, nullptr);
        EXPECT_EQ(out->w, 8);
        EXPECT_EQ(out->h, 2);
        EXPECT_EQ(g_draws, noiseDrawsOf(&size));
        EXPECT_EQ(getPixel(out, 0, 1), white ? 3u : 0u);  // sample at source (0, 0)
        EXPECT_EQ(getPixel(out, 0, 0), white ? 0u : 3u);  // sample at source (2, 0)
        for (int x = 1; x < 8; x++) {
            EXPECT_EQ(getPixel(out, x, 0) + getPixel(out, x, 1), 0u);
        }
        SDL_FreeSurface(out);
        SDL_FreeSurface(src);
    }
}

TEST_F(PicconvImagingFixedNoise, EmptyOutputSizeDrawsNoNoise) {
    SDL_Surface *src = makePicture(2, 2, {0, 0, 0, 0});
    const QUAD_T rect = {0, 0, 2, 2};
    const QUAD_T sizes[] = {{0, 0, 0, 5}, {0, 0, 5, 0}};
    const int dims[][2] = {{8, 0}, {0, 5}};
    for (int k = 0; k < 2; k++) {
        SDL_Surface *out = resampleRotated(src, &rect, &sizes[k]);
        ASSERT_NE(out, nullptr);
        EXPECT_EQ(out->w, dims[k][0]);
        EXPECT_EQ(out->h, dims[k][1]);
        SDL_FreeSurface(out);
    }
    const QUAD_T tooWide = {0, 0, 1, 16384};  // SDL makes no surface this wide
    EXPECT_EQ(resampleRotated(src, &rect, &tooWide), nullptr);
    EXPECT_EQ(g_draws, 0u);
    SDL_FreeSurface(src);
}

class PicconvImagingPackedFile : public ::testing::Test {
   protected:
    void SetUp() override { dir_ = makeTempDir("picconv-test"); }
    void TearDown() override { removeTree(dir_); }
    std::string dir_;
};

TEST_F(PicconvImagingPackedFile, EightByOneExample) {
    SDL_Surface *s = createFourLevelSurface(8, 1);
    const Uint32 entries[8] = {0, 1, 2, 3, 3, 2, 1, 0};
    for (int x = 0; x < 8; x++) {
        putPixel(s, x, 0, entries[x]);
    }
    const std::string path = dir_ + "/out.pmbp";
    EXPECT_EQ(writePackedPicture(s, path.c_str()), 1);
    const unsigned char expected[] = {'P', 'M', 'B', 'P', 22, 0, 0, 0, 2, 0,    8,
                                      0,   1,   0,   0,   0,  2, 0, 0, 0, 0xE8, 0x2B};
    EXPECT_EQ(readFile(path), std::string(reinterpret_cast<const char *>(expected), 22));
    SDL_FreeSurface(s);
}

TEST_F(PicconvImagingPackedFile, FailedWritesLeaveNoFileBehind) {
    SDL_Surface *s = createFourLevelSurface(64, 64);
    const std::string missing = dir_ + "/no/such/dir.pmbp";
    EXPECT_EQ(writePackedPicture(s, missing.c_str()), 0);
    EXPECT_TRUE(listDir(dir_).empty());
    SDL_FreeSurface(s);
}

TEST_F(PicconvImagingPackedFile, AFullDeviceFailsTheWriteAndIsLeftAlone) {
    const std::string full = fullDevicePath();
    if (full.empty()) {
        GTEST_SKIP() << "no device that takes no writes here (Windows)";
    }
    SDL_Surface *s = createFourLevelSurface(64, 64);
    EXPECT_EQ(writePackedPicture(s, full.c_str()), 0);
    EXPECT_EQ(pathKind(full.c_str()), PATH_OTHER);
    SDL_FreeSurface(s);
}

TEST_F(PicconvImagingPackedFile, AShortWriteLeavesNoPartialFile) {
    if (!limitFileSize(100)) {
        GTEST_SKIP() << "no limit on the size of the files written here (Windows)";
    }
    SDL_Surface *s = createFourLevelSurface(64, 64);
    const std::string partial = dir_ + "/partial.pmbp";
    const int result = writePackedPicture(s, partial.c_str());
    limitFileSize(-1);
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(fileExists(partial));
    SDL_FreeSurface(s);
}

}  // namespace
