// Which argument becomes the output path, and which are read as inputs.
#include "run_support.h"

#include <cstdio>

namespace {

class CommandLine : public WordgenRun {};

const char kA[] = "NATIVEWORD(nw_a) { /* a */\n";
const WordPairs kAWords = {{"nw_a", "a"}};

TEST_F(CommandLine, OptionValueIsTheOutputWhereverTheOptionStands) {
    write("a.c", kA);
    for (const auto &args : {std::vector<std::string>{"a.c", "-o", "out.h"},
                             std::vector<std::string>{"-o", "out.h", "a.c"}}) {
        RunResult r = wordgen(args);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(read("out.h"), expectedHeader(kAWords));
        EXPECT_FALSE(exists("nativeword.h"));
    }
}

TEST_F(CommandLine, WithoutOptionOrWithATrailingOneTheOutputIsNativewordH) {
    write("a.c", kA);
    EXPECT_EQ(wordgen({"a.c"}).status, 0);
    EXPECT_EQ(read("nativeword.h"), expectedHeader(kAWords));

    std::remove(path("nativeword.h").c_str());
    EXPECT_EQ(wordgen({"a.c", "-o"}).status, 0);
    EXPECT_EQ(read("nativeword.h"), expectedHeader(kAWords));
}

TEST_F(CommandLine, NoArgumentsWriteAnEmptyTable) {
    RunResult r = wordgen({});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(read("nativeword.h"), expectedHeader({}));
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "");
}

TEST_F(CommandLine, LastOptionWinsAndAnEarlierValueIsReadAsInput) {
    write("a.c", kA);
    write("one.h", "NATIVEWORD(nw_one) { /* one */\n");
    EXPECT_EQ(wordgen({"-o", "one.h", "-o", "two.h", "a.c"}).status, 0);
    EXPECT_EQ(read("two.h"), expectedHeader({{"nw_one", "one"}, {"nw_a", "a"}}));
    EXPECT_EQ(read("one.h"), "NATIVEWORD(nw_one) { /* one */\n");
    EXPECT_FALSE(exists("nativeword.h"));
}

TEST_F(CommandLine, TrailingOptionLeavesTheEarlierValueAsInput) {
    write("a.c", kA);
    write("out.h", "NATIVEWORD(nw_out) { /* out */\n");
    EXPECT_EQ(wordgen({"-o", "out.h", "a.c", "-o"}).status, 0);
    EXPECT_EQ(read("nativeword.h"), expectedHeader({{"nw_out", "out"}, {"nw_a", "a"}}));
    EXPECT_EQ(read("out.h"), "NATIVEWORD(nw_out) { /* out */\n");
}

TEST_F(CommandLine, LookalikesOfTheOptionAreInputPaths) {
    write("a.c", kA);
    write("-O", "NATIVEWORD(nw_upper) { /* upper */\n");
    write("x.h", "NATIVEWORD(nw_x) { /* x */\n");
    write("-ofile", "NATIVEWORD(nw_glued) { /* glued */\n");
    write("--o", "NATIVEWORD(nw_double) { /* double */\n");
    EXPECT_EQ(wordgen({"-O", "x.h", "-ofile", "--o", "a.c"}).status, 0);
    EXPECT_EQ(read("nativeword.h"), expectedHeader({{"nw_upper", "upper"},
                                                    {"nw_x", "x"},
                                                    {"nw_glued", "glued"},
                                                    {"nw_double", "double"},
                                                    {"nw_a", "a"}}));
    EXPECT_FALSE(exists("file"));
}

}  // namespace
