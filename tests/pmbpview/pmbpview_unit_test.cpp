#include <gtest/gtest.h>

#include "common/little_endian.h"
#include "pmbpview/pmbp_file.h"
#include "pmbpview/view_options.h"
#include "tests/pmbpview/pmbp_test_file.h"

namespace {

PMBP_CHECK_T check(const std::vector<uint8_t> &file) {
    PMBP_HEADER_T header;
    return checkPmbpHeader(file.data(), file.size(), &header);
}

const std::vector<uint8_t> EIGHT_BY_ONE = makePmbpFile(8, 1, {3, 2, 2, 0, 0, 2, 2, 3});

TEST(PmbpviewHeaderCheck, AcceptsWellFormedFilesWhateverTheReservedField) {
    std::vector<uint8_t> file = EIGHT_BY_ONE;
    storeLe16(file.data() + 14, 0xBEEF);
    EXPECT_EQ(check(file), PMBP_CHECK_OK);
    EXPECT_EQ(check(makePmbpFile(0, 0, {})), PMBP_CHECK_OK);
    // The largest picture a header can describe needs no wider arithmetic.
    file = makePmbpFile(65528, 65535, {});
    const uint64_t size = 20 + static_cast<uint64_t>(65528) * 65535 / 4;
    PMBP_HEADER_T header;
    EXPECT_EQ(checkPmbpHeader(file.data(), size, &header), PMBP_CHECK_OK);
}

TEST(PmbpviewHeaderCheck, RefusesEveryInconsistentHeader) {
    struct {
        void (*spoil)(std::vector<uint8_t> *);
        PMBP_CHECK_T fault;
    } const cases[] = {
        {[](std::vector<uint8_t> *f) { f->resize(19); }, PMBP_CHECK_TOO_SHORT},
        {[](std::vector<uint8_t> *f) { (*f)[3] = 'Q'; }, PMBP_CHECK_BAD_MAGIC},
        {[](std::vector<uint8_t> *f) { f->pop_back(); }, PMBP_CHECK_FILE_SIZE_FIELD},
        {[](std::vector<uint8_t> *f) { storeLe32(f->data() + 4, 0x10016); },
         PMBP_CHECK_FILE_SIZE_FIELD},
        {[](std::vector<uint8_t> *f) { (*f)[8] = 1; }, PMBP_CHECK_FORMAT},
        {[](std::vector<uint8_t> *f) { (*f)[9] = 1; }, PMBP_CHECK_FORMAT},
        {[](std::vector<uint8_t> *f) {
             storeLe16(f->data() + 10, 4), storeLe16(f->data() + 12, 2);
         },
         PMBP_CHECK_WIDTH},
        {[](std::vector<uint8_t> *f) { storeLe32(f->data() + 16, 3); }, PMBP_CHECK_DATA_LENGTH},
        {[](std::vector<uint8_t> *f) { f->resize(30), storeLe32(f->data() + 4, 30); },
         PMBP_CHECK_DATA_SIZE},
    };
    for (const auto &c : cases) {
        std::vector<uint8_t> file = EIGHT_BY_ONE;
        c.spoil(&file);
        EXPECT_EQ(check(file), c.fault) << &c - cases;
    }
}

PMBP_PICTURE_T pictureOf(uint16_t width, uint16_t height, const std::vector<unsigned> &codes) {
    PMBP_PICTURE_T picture = {};
    picture.header.width = width;
    picture.header.height = height;
    picture.data = packCodes(codes);
    return picture;
}

std::vector<uint8_t> wholeView(const PMBP_PICTURE_T &picture, VIEW_T view, uint64_t *width,
                               uint64_t *height) {
    viewSize(picture.header, view, width, height);
    std::vector<uint8_t> pixels(*width * *height);
    for (uint32_t row = 0; row < *height; ++row) {
        fillViewRow(picture, view, row, pixels.data() + row * *width);
    }
    return pixels;
}

TEST(PmbpviewGeometry, UnpacksTopBitsFirstIntoGreysOfEachCodesBrightnessClass) {
    PMBP_PICTURE_T picture = pictureOf(8, 1, {});
    picture.data = {0xE8, 0x2B};
    const unsigned expected[8] = {3, 2, 2, 0, 0, 2, 2, 3};
    for (uint32_t x = 0; x < 8; ++x) {
        EXPECT_EQ(pmbpCode(picture, x, 0), expected[x]);
    }
    for (unsigned code = 0; code < 4; ++code) {
        EXPECT_EQ(greyForCode(code), 255 - 85 * code);
        EXPECT_EQ(3u - greyForCode(code) / 64u, code);  // the converter's class rule
    }
}

TEST(PmbpviewGeometry, UprightTurnsAQuarterClockwiseAndScaleMakesBlocks) {
    const PMBP_PICTURE_T picture =
        pictureOf(8, 2, {0, 1, 2, 3, 0, 1, 2, 3, 3, 3, 3, 3, 0, 0, 0, 0});
    uint64_t width = 0;
    uint64_t height = 0;
    // The stored bottom-left pixel (the source's top-left) comes to the top-left.
    EXPECT_EQ(
        wholeView(picture, {true, 1}, &width, &height),
        (std::vector<uint8_t>{0, 255, 0, 170, 0, 85, 0, 0, 255, 255, 255, 170, 255, 85, 255, 0}));
    EXPECT_EQ(width, 2u);
    EXPECT_EQ(height, 8u);
    wholeView(picture, {false, 3}, &width, &height);
    EXPECT_EQ(width, 24u);
    EXPECT_EQ(height, 6u);
}

bool parse(std::vector<const char *> args, VIEW_OPTIONS_T *options, std::string *message) {
    args.insert(args.begin(), "pmbpview");
    return parseViewOptions(static_cast<int>(args.size()), const_cast<char **>(args.data()),
                            options, message);
}

TEST(PmbpviewOptions, TakesOptionsAnywhereAndRefusesNonsense) {
    VIEW_OPTIONS_T o;
    std::string message;
    ASSERT_TRUE(parse({"in", "--scale", "16", "out", "--upright"}, &o, &message));
    EXPECT_TRUE(o.upright);
    EXPECT_EQ(o.scale, 16u);
    EXPECT_STREQ(o.input, "in");
    EXPECT_STREQ(o.output, "out");
    ASSERT_TRUE(parse({"--", "-in", "-"}, &o, &message));
    EXPECT_STREQ(o.input, "-in");

    EXPECT_FALSE(parse({"in"}, &o, &message));
    EXPECT_FALSE(parse({"a", "b", "c"}, &o, &message));
    EXPECT_FALSE(parse({"--flip", "a", "b"}, &o, &message));
    for (const char *scale : {"0", "17", "2x", "-1", "", "99999999999"}) {
        EXPECT_FALSE(parse({"--scale", scale, "a", "b"}, &o, &message)) << scale;
    }
    EXPECT_FALSE(parse({"a", "b", "--scale"}, &o, &message));
}

}  // namespace
