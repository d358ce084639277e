#include <string.h>

#include <string>

#include <gtest/gtest.h>

#include "picconv/driver/command_record.h"

namespace {

void expectQuad(const char *text, int x, int y, int w, int h) {
    const QUAD_T q = parseQuad(text);
    EXPECT_EQ(q.x, x) << text;
    EXPECT_EQ(q.y, y) << text;
    EXPECT_EQ(q.w, w) << text;
    EXPECT_EQ(q.h, h) << text;
}

TEST(PicconvCommandRecordParseQuad, AnyNonDigitsSeparateNumbers) {
    expectQuad("0,0,320,240", 0, 0, 320, 240);
    expectQuad("0 0 320 240", 0, 0, 320, 240);
    expectQuad("0x0/320/240", 0, 0, 320, 240);
    expectQuad("0,0,320,240\n", 0, 0, 320, 240);
}

TEST(PicconvCommandRecordParseQuad, LeadingBlankOrSignReadsFirstNumberTwice) {
    expectQuad(" 5,6,7,8", 5, 5, 6, 7);
    expectQuad("-5,6,7,8", -5, 5, 6, 7);
    // Signs after the first number are separators.
    expectQuad("1,-2,-3,-4", 1, 2, 3, 4);
}

TEST(PicconvCommandRecordParseQuad, MissingNumbersAreZero) {
    expectQuad("", 0, 0, 0, 0);
    expectQuad("1,2", 1, 2, 0, 0);
    expectQuad("abc", 0, 0, 0, 0);
}

TEST(PicconvCommandRecordParseQuad, NumbersWrapToSixteenBits) {
    expectQuad("65535,32768,65536,65537", -1, -32768, 0, 1);
    expectQuad("99999,65533,70000,131071", -31073, -3, 4464, 65535);
    expectQuad("-40000,1,2,3", 25536, 40000 - 65536, 1, 2);
}

struct SPLIT_T {
    int complete;
    std::string fields[FIELD_COUNT];
};

SPLIT_T split(const char *line) {
    std::string copy = line;
    char *fields[FIELD_COUNT] = {};
    SPLIT_T result;
    result.complete = splitCommandRecord(&copy[0], fields);
    if (result.complete) {
        for (int i = 0; i < FIELD_COUNT; i++) {
            result.fields[i] = fields[i];
        }
    }
    return result;
}

TEST(PicconvCommandRecordSplit, FiveFieldsTakenAsTheyStand) {
    const SPLIT_T s = split("a.spi| pic.jpg |out.bin|0,0,320,240|0,0,320,240\n");
    ASSERT_EQ(s.complete, 1);
    EXPECT_EQ(s.fields[0], "a.spi");
    EXPECT_EQ(s.fields[1], " pic.jpg ");
    EXPECT_EQ(s.fields[2], "out.bin");
    EXPECT_EQ(s.fields[3], "0,0,320,240");
    EXPECT_EQ(s.fields[4], "0,0,320,240\n");
}

TEST(PicconvCommandRecordSplit, FourBarsGiveAnEmptyFifthField) {
    const SPLIT_T s = split("a|b|c|d|");
    ASSERT_EQ(s.complete, 1);
    EXPECT_EQ(s.fields[3], "d");
    EXPECT_EQ(s.fields[4], "");
    EXPECT_EQ(split("||||").complete, 1);
}

TEST(PicconvCommandRecordSplit, TextAfterAFifthBarIsDropped) {
    const SPLIT_T s = split("a|b|c|d|e|f|g");
    ASSERT_EQ(s.complete, 1);
    EXPECT_EQ(s.fields[4], "e");
}

TEST(PicconvCommandRecordSplit, FewerThanFiveFieldsAreIncomplete) {
    EXPECT_EQ(split("").complete, 0);
    EXPECT_EQ(split("\n").complete, 0);
    EXPECT_EQ(split("a").complete, 0);
    EXPECT_EQ(split("a|b").complete, 0);
    EXPECT_EQ(split("a|b|c").complete, 0);
    EXPECT_EQ(split("a|b|c|d\n").complete, 0);
}

}  // namespace
