// The converter's fast path against the literal steps, in one process: thousands of random
// pictures, rectangles and output sizes over every kind of source surface, with the noise
// running on from picture to picture; and the packed writer's two ways of packing.
#include <stdint.h>
#include <string.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "SDL.h"

#include "picconv/imaging/dither_noise.h"
#include "picconv/imaging/fast_resample.h"
#include "picconv/imaging/packed_picture.h"
#include "picconv/imaging/pixel_access.h"
#include "picconv/imaging/resample.h"
#include "tests/support/bmp_writer.h"
#include "tests/support/test_files.h"

namespace {

// The tests' own generator: the noise under test must not share one with them.
struct CHOOSER_T {
    uint64_t state;
};

uint32_t choose(CHOOSER_T *chooser, uint32_t count) {
    chooser->state = chooser->state * 6364136223846793005u + 1442695040888963407u;
    return static_cast<uint32_t>((chooser->state >> 33) % count);
}

int chooseBetween(CHOOSER_T *chooser, int low, int high) {
    return low + static_cast<int>(choose(chooser, static_cast<uint32_t>(high - low + 1)));
}

struct MASKS_T {
    const char *name;
    int bits;
    Uint32 red;
    Uint32 green;
    Uint32 blue;
    Uint32 alpha;
};

// Formats made with SDL_CreateRGBSurface: palette, 16-bit, 24-bit and 32-bit layouts, with and
// without alpha, fields narrower than a byte, and 10-bit fields no table can stand for.
const MASKS_T MADE_FORMATS[] = {
    {"palette", 8, 0, 0, 0, 0},
    {"555", 16, 0x7C00, 0x03E0, 0x001F, 0},
    {"565", 16, 0xF800, 0x07E0, 0x001F, 0},
    {"4444", 16, 0x0F00, 0x00F0, 0x000F, 0xF000},
    {"1555", 16, 0x7C00, 0x03E0, 0x001F, 0x8000},
    {"24 BGR", 24, 0xFF0000, 0x00FF00, 0x0000FF, 0},
    {"24 RGB", 24, 0x0000FF, 0x00FF00, 0xFF0000, 0},
    {"32 XRGB", 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0},
    {"32 ARGB", 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000},
    {"32 RGBA", 32, 0xFF000000, 0x00FF0000, 0x0000FF00, 0x000000FF},
    {"32 ABGR", 32, 0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000},
    {"32 ARGB2101010", 32, 0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000},
};

uint32_t randomColour(CHOOSER_T *chooser) {
    // Mostly extremes and near-extremes, so that clamping and the level borders are reached.
    static const uint8_t CHANNEL[] = {0, 1, 63, 64, 127, 128, 191, 192, 254, 255};
    uint32_t colour = 0;
    for (int c = 0; c < 3; c++) {
        const uint32_t value =
            choose(chooser, 2) == 0 ? CHANNEL[choose(chooser, 10)] : choose(chooser, 256);
        colour = colour << 8 | value;
    }
    return colour;
}

SDL_Surface *makeSource(CHOOSER_T *chooser, const MASKS_T &masks, int w, int h) {
    SDL_Surface *s =
        SDL_CreateRGBSurface(0, w, h, masks.bits, masks.red, masks.green, masks.blue, masks.alpha);
    if (s == nullptr) {
        return nullptr;
    }
    if (masks.bits == 8) {
        SDL_Color colours[256];
        for (SDL_Color &colour : colours) {
            const uint32_t rgb = randomColour(chooser);
            colour.r = static_cast<Uint8>(rgb >> 16);
            colour.g = static_cast<Uint8>(rgb >> 8);
            colour.b = static_cast<Uint8>(rgb);
            colour.unused = 0;
        }
        SDL_SetColors(s, colours, 0, 256);
    }
    // Smooth areas and raw values: a uniform run or any value the depth can hold.
    const uint32_t width = masks.bits == 32 ? 0xFFFFFFFFu : (1u << masks.bits) - 1;
    uint32_t value = 0;
    for (int y = 0; y < h; y++) {
        for (int x = 0; x < w; x++) {
            if (choose(chooser, 4) != 0) {
                value = (static_cast<uint32_t>(choose(chooser, 1u << 16)) << 16 |
                         choose(chooser, 1u << 16)) &
                        width;
            }
            putPixel(s, x, y, value);
        }
    }
    return s;
}

SDL_Surface *loadBitmap(const std::vector<uint8_t> &file) {
    SDL_RWops *stream =
        SDL_RWFromMem(const_cast<uint8_t *>(file.data()), static_cast<int>(file.size()));
    return stream == nullptr ? nullptr : SDL_LoadBMP_RW(stream, 1);
}

// Bitmaps as SDL's own loader delivers them, three of each kind: 1-, 4- and 8-bit palettes,
// 16-bit default and bit fields, 24-bit, 32-bit default and with an alpha field; or, with
// runLength, 8-bit RLE. Empty when this SDL reads no compressed bitmaps: SDL 1.2 itself (the
// Windows build's) reads none, sdl12-compat does.
std::vector<SDL_Surface *> loadedSources(CHOOSER_T *chooser, bool runLength) {
    struct KIND_T {
        unsigned bits;
        uint32_t compression;
        uint32_t masks[4];
        uint32_t headerSize;
    };
    const KIND_T kinds[] = {
        {1, 0, {0, 0, 0, 0}, 40},
        {4, 0, {0, 0, 0, 0}, 40},
        {8, 0, {0, 0, 0, 0}, 40},
        {8, 1, {0, 0, 0, 0}, 40},
        {16, 0, {0, 0, 0, 0}, 40},
        {16, 3, {0xF800, 0x07E0, 0x001F, 0}, 40},
        {16, 3, {0x7C00, 0x03E0, 0x001F, 0}, 40},
        {24, 0, {0, 0, 0, 0}, 40},
        {32, 0, {0, 0, 0, 0}, 40},
        {32, 3, {0x00FF0000, 0x0000FF00, 0x000000FF, 0}, 40},
        {32, 3, {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000}, 108},
    };
    std::vector<SDL_Surface *> sources;
    for (int k = 0; k < 3 * static_cast<int>(std::size(kinds)); k++) {
        const KIND_T &kind = kinds[k % std::size(kinds)];
        if ((kind.compression == 1) != runLength) {
            continue;
        }
        BMP_LAYOUT_T layout;
        layout.headerSize = kind.headerSize;
        layout.width = chooseBetween(chooser, 1, 23);
        layout.height = chooseBetween(chooser, 1, 17);
        layout.bits = kind.bits;
        layout.compression = kind.compression;
        memcpy(layout.masks, kind.masks, sizeof layout.masks);
        const uint32_t limit = kind.bits >= 32 ? 0xFFFFFFFFu : (1u << kind.bits) - 1;
        if (kind.bits <= 8) {
            for (uint32_t k = 0; k <= limit; k++) {
                layout.palette.push_back(randomColour(chooser));
            }
        }
        for (int32_t k = 0; k < layout.width * layout.height; k++) {
            layout.values.push_back((static_cast<uint32_t>(choose(chooser, 1u << 16)) << 16 |
                                     choose(chooser, 1u << 16)) &
                                    limit);
        }
        if (kind.compression == 1) {
            layout.rle = encodeRle(layout.values, layout.width, layout.height, false);
        }
        SDL_Surface *s = loadBitmap(writeBmp(layout));
        if (s == nullptr && runLength &&
            strstr(SDL_GetError(), "Compressed BMP files not supported") != nullptr) {
            return sources;
        }
        EXPECT_NE(s, nullptr) << "bitmap of " << kind.bits << " bits, compression "
                              << kind.compression << ": " << SDL_GetError();
        if (s != nullptr) {
            sources.push_back(s);
        }
    }
    return sources;
}

std::vector<SDL_Surface *> madeSources(CHOOSER_T *chooser) {
    std::vector<SDL_Surface *> sources;
    for (const MASKS_T &masks : MADE_FORMATS) {
        for (int k = 0; k < 3; k++) {
            // One picture of a single pixel, one row or one column, then any size.
            const int w = k == 0   ? 1
                          : k == 1 ? chooseBetween(chooser, 1, 3)
                                   : chooseBetween(chooser, 2, 37);
            const int h = k == 0   ? 1
                          : k == 1 ? chooseBetween(chooser, 1, 29)
                                   : chooseBetween(chooser, 2, 31);
            SDL_Surface *s = makeSource(chooser, masks, w, h);
            EXPECT_NE(s, nullptr) << masks.name << ": " << SDL_GetError();
            if (s != nullptr) {
                sources.push_back(s);
            }
        }
    }
    // An empty picture: every neighbour reads as pixel value 0.
    for (int bits : {8, 24}) {
        SDL_Surface *empty = SDL_CreateRGBSurface(0, 0, 4, bits, bits == 8 ? 0 : 0xFF0000,
                                                  bits == 8 ? 0 : 0xFF00, bits == 8 ? 0 : 0xFF, 0);
        EXPECT_NE(empty, nullptr) << bits << " bits: " << SDL_GetError();
        if (empty != nullptr) {
            sources.push_back(empty);
        }
    }
    return sources;
}

// A rectangle inside, touching or crossing the picture's edges, negative, empty, or wrapped by
// the 16-bit fields; an output size from the special ones or any small one, often one whose
// steps put every sample on a multiple of 1/128 (the whole-number weights).
void chooseCase(CHOOSER_T *chooser, const SDL_Surface *source, QUAD_T *rect, QUAD_T *size) {
    static const uint16_t SIZES[] = {0, 1, 7, 8, 9, 13};
    const int w = source->w;
    const int h = source->h;
    switch (choose(chooser, 6)) {
        case 0:  // the whole picture
            *rect = {0, 0, static_cast<uint16_t>(w), static_cast<uint16_t>(h)};
            break;
        case 1: {  // inside
            const int x = chooseBetween(chooser, 0, w > 0 ? w - 1 : 0);
            const int y = chooseBetween(chooser, 0, h > 0 ? h - 1 : 0);
            *rect = {static_cast<int16_t>(x), static_cast<int16_t>(y),
                     static_cast<uint16_t>(chooseBetween(chooser, 0, w - x)),
                     static_cast<uint16_t>(chooseBetween(chooser, 0, h - y))};
            break;
        }
        case 2:  // crossing or outside any edge, negative too
            *rect = {static_cast<int16_t>(chooseBetween(chooser, -w - 4, w + 4)),
                     static_cast<int16_t>(chooseBetween(chooser, -h - 4, h + 4)),
                     static_cast<uint16_t>(chooseBetween(chooser, 0, 2 * w + 6)),
                     static_cast<uint16_t>(chooseBetween(chooser, 0, 2 * h + 6))};
            break;
        case 3:  // wrapped: what 65534 or 40000 become in the 16-bit fields
            *rect = {static_cast<int16_t>(choose(chooser, 2) ? -2 : -25536),
                     static_cast<int16_t>(choose(chooser, 2) ? 32767 : -32768),
                     static_cast<uint16_t>(choose(chooser, 2) ? 65535 : 40000),
                     static_cast<uint16_t>(chooseBetween(chooser, 0, 65535))};
            break;
        default:  // negative and fractional positions near the picture
            *rect = {static_cast<int16_t>(chooseBetween(chooser, -3, 3)),
                     static_cast<int16_t>(chooseBetween(chooser, -3, 3)),
                     static_cast<uint16_t>(chooseBetween(chooser, 0, w + 2)),
                     static_cast<uint16_t>(chooseBetween(chooser, 0, h + 2))};
            break;
    }
    for (int axis = 0; axis < 2; axis++) {
        const uint16_t extent = axis == 0 ? rect->w : rect->h;
        uint16_t n;
        switch (choose(chooser, 4)) {
            case 0:
                n = SIZES[choose(chooser, 6)];
                break;
            case 1: {  // steps of 4, 2, 1, 1/2, 1/4 or 1/8 where the extent allows
                static const int SHIFT[] = {-2, -1, 0, 1, 2, 3};
                const int shift = SHIFT[choose(chooser, 6)];
                const int scaled = shift < 0 ? extent >> -shift : extent << shift;
                n = static_cast<uint16_t>(scaled >= 1 && scaled <= 40 ? scaled : 8);
                break;
            }
            default:
                n = static_cast<uint16_t>(chooseBetween(chooser, 1, 40));
                break;
        }
        if (axis == 0) {
            size->w = n;
        } else {
            size->h = n;
        }
    }
    size->x = 0;
    size->y = 0;
}

bool sameSurface(const SDL_Surface *a, const SDL_Surface *b) {
    if (a == nullptr || b == nullptr) {
        return a == b;
    }
    if (a->w != b->w || a->h != b->h) {
        return false;
    }
    for (int y = 0; y < a->h && a->w > 0; y++) {
        const uint8_t *rowA = static_cast<const uint8_t *>(a->pixels) + y * a->pitch;
        const uint8_t *rowB = static_cast<const uint8_t *>(b->pixels) + y * b->pitch;
        if (memcmp(rowA, rowB, a->w) != 0) {
            return false;
        }
    }
    return true;
}

std::string describe(const SDL_Surface *source, const QUAD_T &rect, const QUAD_T &size) {
    char text[200];
    snprintf(text, sizeof text,
             "source %dx%d, %d bytes per pixel, masks %08x %08x %08x; rect %d,%d,%u,%u; "
             "size %u,%u",
             source->w, source->h, source->format->BytesPerPixel, source->format->Rmask,
             source->format->Gmask, source->format->Bmask, rect.x, rect.y, rect.w, rect.h, size.w,
             size.h);
    return text;
}

void freeAll(std::vector<SDL_Surface *> &surfaces) {
    for (SDL_Surface *s : surfaces) {
        SDL_FreeSurface(s);
    }
    surfaces.clear();
}

// Runs of one to five pictures: the fast path on all of them, then the literal steps from the
// same point of the same noise; every surface and the noise left over must agree, and every
// source must have been compared on an output with pixels.
void compareRuns(CHOOSER_T *chooser, const std::vector<SDL_Surface *> &sources, int runs) {
    std::vector<int> withPixels(sources.size(), 0);
    for (int run = 0; run < runs; run++) {
        const NOISE_SEQUENCE_T sequence =
            run % 2 == 0 ? NOISE_SEQUENCE_GLIBC : NOISE_SEQUENCE_WINDOWS;
        const int pictures = chooseBetween(chooser, 1, 5);
        std::vector<uint32_t> index;
        std::vector<const SDL_Surface *> picked;
        std::vector<QUAD_T> rects(pictures);
        std::vector<QUAD_T> sizes(pictures);
        for (int p = 0; p < pictures; p++) {
            index.push_back(choose(chooser, static_cast<uint32_t>(sources.size())));
            picked.push_back(sources[index[p]]);
            chooseCase(chooser, picked[p], &rects[p], &sizes[p]);
        }
        std::vector<SDL_Surface *> fast;
        std::vector<SDL_Surface *> literal;
        selectNoiseSequence(sequence);
        for (int p = 0; p < pictures; p++) {
            fast.push_back(resampleRotated(picked[p], &rects[p], &sizes[p]));
        }
        uint64_t drawn = 0;
        for (int p = 0; p < pictures; p++) {
            drawn += fast[p] != nullptr ? noiseDrawsOf(&sizes[p]) : 0;
        }
        ASSERT_EQ(noisePosition(), drawn) << "run " << run << ": not the noise planned";
        const int fastNext[2] = {nextNoise(), nextNoise()};
        selectNoiseSequence(sequence);
        for (int p = 0; p < pictures; p++) {
            literal.push_back(resampleRotatedLiteral(picked[p], &rects[p], &sizes[p]));
        }
        const int literalNext[2] = {nextNoise(), nextNoise()};
        for (int p = 0; p < pictures; p++) {
            ASSERT_TRUE(sameSurface(fast[p], literal[p]))
                << "run " << run << ", picture " << p << ": "
                << describe(picked[p], rects[p], sizes[p]);
            withPixels[index[p]] += fast[p] != nullptr && fast[p]->w > 0 && fast[p]->h > 0;
        }
        ASSERT_EQ(fastNext[0], literalNext[0]) << "run " << run << ": noise drawn differs";
        ASSERT_EQ(fastNext[1], literalNext[1]) << "run " << run << ": noise drawn differs";
        freeAll(fast);
        freeAll(literal);
    }
    for (size_t k = 0; k < sources.size(); k++) {
        EXPECT_GT(withPixels[k], 0) << "source " << k << ", " << sources[k]->w << "x"
                                    << sources[k]->h << ", never compared with pixels";
    }
}

TEST(PicconvFastPath, MadeSurfacesResampleAsTheLiteralSteps) {
    CHOOSER_T chooser = {1};
    std::vector<SDL_Surface *> sources = madeSources(&chooser);
    ASSERT_GE(sources.size(), 30u);
    compareRuns(&chooser, sources, 1500);
    freeAll(sources);
}

TEST(PicconvFastPath, LoadedBitmapsResampleAsTheLiteralSteps) {
    CHOOSER_T chooser = {2};
    std::vector<SDL_Surface *> sources = loadedSources(&chooser, false);
    ASSERT_EQ(sources.size(), 30u);
    compareRuns(&chooser, sources, 700);
    freeAll(sources);
}

TEST(PicconvFastPath, LoadedRunLengthBitmapsResampleAsTheLiteralSteps) {
    CHOOSER_T chooser = {7};
    std::vector<SDL_Surface *> sources = loadedSources(&chooser, true);
    if (sources.empty()) {
        GTEST_SKIP() << "this SDL reads no compressed bitmaps (SDL 1.2 itself, as on Windows)";
    }
    compareRuns(&chooser, sources, 100);
    freeAll(sources);
}

// Pictures big enough for many blocks of output rows, sampled on a second thread while the
// first dithers: steps of 1 (whole pixels), 1/2 (whole-number weights) and others (double
// arithmetic), both directions of scaling, edges crossed.
TEST(PicconvFastPath, LargerPicturesResampleAsTheLiteralSteps) {
    CHOOSER_T chooser = {3};
    SDL_Surface *source = makeSource(&chooser, MADE_FORMATS[5], 300, 260);
    ASSERT_NE(source, nullptr);
    const QUAD_T cases[][2] = {
        {{0, 0, 300, 260}, {0, 0, 300, 260}},
        {{-1, -1, 301, 261}, {0, 0, 297, 263}},
        {{10, 5, 150, 130}, {0, 0, 300, 260}},
        {{100, 50, 200, 210}, {0, 0, 340, 230}},
    };
    for (const auto &c : cases) {
        selectNoiseSequence(NOISE_SEQUENCE_GLIBC);
        const uint64_t blocks = samplingThreadBlocks();
        SDL_Surface *fast = resampleRotated(source, &c[0], &c[1]);
        EXPECT_GT(samplingThreadBlocks(), blocks) << "no block sampled on the sampling thread";
        const int fastNext = nextNoise();
        selectNoiseSequence(NOISE_SEQUENCE_GLIBC);
        SDL_Surface *literal = resampleRotatedLiteral(source, &c[0], &c[1]);
        EXPECT_TRUE(sameSurface(fast, literal)) << describe(source, c[0], c[1]);
        EXPECT_EQ(fastNext, nextNoise()) << describe(source, c[0], c[1]);
        SDL_FreeSurface(fast);
        SDL_FreeSurface(literal);
    }
    SDL_FreeSurface(source);
}

// A substituted noise source still sees the same draws, in the same number, from both paths.
std::vector<int> g_fixed;
size_t g_drawn = 0;

int fixedNoise() {
    return g_fixed[g_drawn++ % g_fixed.size()];
}

TEST(PicconvFastPath, SubstitutedNoiseIsDrawnAlikeByBothPaths) {
    CHOOSER_T chooser = {4};
    for (int k = 0; k < 97; k++) {
        g_fixed.push_back(static_cast<int>(choose(&chooser, 32768)));
    }
    SDL_Surface *source = makeSource(&chooser, MADE_FORMATS[2], 19, 11);
    ASSERT_NE(source, nullptr);
    const QUAD_T rect = {-1, 2, 19, 9};
    const QUAD_T size = {0, 0, 13, 9};
    g_dither_random = fixedNoise;
    g_drawn = 0;
    SDL_Surface *fast = resampleRotated(source, &rect, &size);
    const size_t fastDrawn = g_drawn;
    g_drawn = 0;
    SDL_Surface *literal = resampleRotatedLiteral(source, &rect, &size);
    const size_t literalDrawn = g_drawn;
    g_dither_random = nextNoise;
    EXPECT_EQ(fastDrawn, noiseDrawsOf(&size));
    EXPECT_EQ(literalDrawn, fastDrawn);
    EXPECT_TRUE(sameSurface(fast, literal));
    SDL_FreeSurface(fast);
    SDL_FreeSurface(literal);
    SDL_FreeSurface(source);
}

// Both ways of packing give the same file, for resampled pictures and for 8-bit surfaces
// holding any index at all; a pixel count that is not a multiple of 4 stays inside the data.
TEST(PicconvFastPath, PackedFilesMatchTheLiteralPacking) {
    CHOOSER_T chooser = {5};
    const std::string dir = makeTempDir("picconv-fast-pack");
    std::vector<SDL_Surface *> surfaces;
    SDL_Surface *source = makeSource(&chooser, MADE_FORMATS[7], 33, 21);
    ASSERT_NE(source, nullptr);
    const QUAD_T rect = {0, 0, 33, 21};
    const QUAD_T sizes[] = {{0, 0, 33, 21}, {0, 0, 1, 1}, {0, 0, 9, 13}, {0, 0, 0, 5}};
    for (const QUAD_T &size : sizes) {
        surfaces.push_back(resampleRotated(source, &rect, &size));
    }
    SDL_FreeSurface(source);
    for (int width : {1, 3, 5, 6, 7, 8, 16}) {
        SDL_Surface *s = SDL_CreateRGBSurface(0, width, 3, 8, 0, 0, 0, 0);
        ASSERT_NE(s, nullptr);
        SDL_Color colours[256];
        for (SDL_Color &colour : colours) {
            const uint32_t rgb = randomColour(&chooser);
            colour = {static_cast<Uint8>(rgb >> 16), static_cast<Uint8>(rgb >> 8),
                      static_cast<Uint8>(rgb), 0};
        }
        SDL_SetColors(s, colours, 0, 256);
        for (int y = 0; y < s->h; y++) {
            for (int x = 0; x < s->w; x++) {
                putPixel(s, x, y, choose(&chooser, 256));
            }
        }
        surfaces.push_back(s);
    }
    for (size_t k = 0; k < surfaces.size(); k++) {
        ASSERT_NE(surfaces[k], nullptr);
        const std::string fastPath = dir + "/fast.pmbp";
        const std::string literalPath = dir + "/literal.pmbp";
        ASSERT_EQ(writePackedPicture(surfaces[k], fastPath.c_str()), 1);
        ASSERT_EQ(writePackedPictureLiteral(surfaces[k], literalPath.c_str()), 1);
        const std::vector<uint8_t> fastBytes = readBytes(fastPath);
        EXPECT_EQ(fastBytes.size(), 20u + surfaces[k]->w * surfaces[k]->h / 4) << "surface " << k;
        EXPECT_EQ(fastBytes, readBytes(literalPath)) << "surface " << k;
    }
    freeAll(surfaces);
    removeTree(dir);
}

// The documented starts of both runtimes' unseeded sequences, whatever the platform; and the
// block fills, in pieces of any size, continue exactly as single draws do.
TEST(PicconvDitherNoise, SequencesStartAsTheRuntimesDocumentThem) {
    const int glibc[] = {1804289383, 846930886, 1681692777, 1714636915, 1957747793,
                         424238335,  719885386, 1649760492, 596516649,  1189641421};
    const int windows[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464};
    selectNoiseSequence(NOISE_SEQUENCE_GLIBC);
    for (int value : glibc) {
        EXPECT_EQ(nextNoise(), value);
    }
    selectNoiseSequence(NOISE_SEQUENCE_WINDOWS);
    for (int value : windows) {
        EXPECT_EQ(nextNoise(), value);
    }
    for (NOISE_SEQUENCE_T sequence : {NOISE_SEQUENCE_GLIBC, NOISE_SEQUENCE_WINDOWS}) {
        selectNoiseSequence(sequence);
        std::vector<int> single(20000);
        for (int &value : single) {
            value = nextNoise();
        }
        selectNoiseSequence(sequence);
        std::vector<int> filled(single.size());
        std::vector<int> offsets(single.size());
        CHOOSER_T chooser = {6};
        for (size_t k = 0; k < filled.size();) {
            const size_t piece = std::min<size_t>(choose(&chooser, 100), filled.size() - k);
            if (choose(&chooser, 2) == 0) {
                fillNoise(filled.data() + k, piece);
            } else {
                fillNoiseOffsets(offsets.data() + k, piece);
                for (size_t m = k; m < k + piece; m++) {
                    filled[m] = single[m];
                    EXPECT_EQ(offsets[m], ((single[m] >> 8) % 64) - 32) << "value " << m;
                }
            }
            k += piece;
        }
        EXPECT_EQ(filled, single) << "sequence " << sequence;
    }
}

}  // namespace
