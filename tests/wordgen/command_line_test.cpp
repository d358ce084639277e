// Which argument becomes the output path, and which are read as inputs.
#include <stdio.h>

#include <filesystem>
#include <system_error>

#include "tests/wordgen/run_support.h"

namespace {

class WordgenCommandLine : public WordgenRun {};

const char A_SOURCE[] = "NATIVEWORD(nw_a) { /* a */\n";
const WORD_PAIRS_T A_WORDS = {{"nw_a", "a"}};

TEST_F(WordgenCommandLine, OptionValueIsTheOutputWhereverTheOptionStands) {
    write("a.c", A_SOURCE);
    for (const auto &args : {std::vector<std::string>{"a.c", "-o", "out.h"},
                             std::vector<std::string>{"-o", "out.h", "a.c"}}) {
        RUN_RESULT_T r = wordgen(args);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(read("out.h"), expectedHeader(A_WORDS));
        EXPECT_FALSE(exists("nativeword.h"));
    }
}

TEST_F(WordgenCommandLine, WithoutOptionOrWithATrailingOneTheOutputIsNativewordH) {
    write("a.c", A_SOURCE);
    EXPECT_EQ(wordgen({"a.c"}).status, 0);
    EXPECT_EQ(read("nativeword.h"), expectedHeader(A_WORDS));

    remove(path("nativeword.h").c_str());
    EXPECT_EQ(wordgen({"a.c", "-o"}).status, 0);
    EXPECT_EQ(read("nativeword.h"), expectedHeader(A_WORDS));
}

TEST_F(WordgenCommandLine, NoArgumentsWriteAnEmptyTable) {
    RUN_RESULT_T r = wordgen({});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(read("nativeword.h"), expectedHeader({}));
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "");
}

TEST_F(WordgenCommandLine, LastOptionWinsAndAnEarlierValueIsReadAsInput) {
    write("a.c", A_SOURCE);
    write("one.h", "NATIVEWORD(nw_one) { /* one */\n");
    EXPECT_EQ(wordgen({"-o", "one.h", "-o", "two.h", "a.c"}).status, 0);
    EXPECT_EQ(read("two.h"), expectedHeader({{"nw_one", "one"}, {"nw_a", "a"}}));
    EXPECT_EQ(read("one.h"), "NATIVEWORD(nw_one) { /* one */\n");
    EXPECT_FALSE(exists("nativeword.h"));
}

TEST_F(WordgenCommandLine, TrailingOptionLeavesTheEarlierValueAsInput) {
    write("a.c", A_SOURCE);
    write("out.h", "NATIVEWORD(nw_out) { /* out */\n");
    EXPECT_EQ(wordgen({"-o", "out.h", "a.c", "-o"}).status, 0);
    EXPECT_EQ(read("nativeword.h"), expectedHeader({{"nw_out", "out"}, {"nw_a", "a"}}));
    EXPECT_EQ(read("out.h"), "NATIVEWORD(nw_out) { /* out */\n");
}

TEST_F(WordgenCommandLine, LookalikesOfTheOptionAreInputPaths) {
    write("a.c", A_SOURCE);
    write("-O", "NATIVEWORD(nw_upper) { /* upper */\n");
    write("x.h", "NATIVEWORD(nw_x) { /* x */\n");
    write("-ofile", "NATIVEWORD(nw_glued) { /* glued */\n");
    write("--o", "NATIVEWORD(nw_double) { /* double */\n");
    write("-help", "NATIVEWORD(nw_help) { /* help */\n");
    write("--version=1", "NATIVEWORD(nw_version) { /* version */\n");
    EXPECT_EQ(wordgen({"-O", "x.h", "-ofile", "--o", "-help", "--version=1", "a.c"}).status, 0);
    EXPECT_EQ(read("nativeword.h"), expectedHeader({{"nw_upper", "upper"},
                                                    {"nw_x", "x"},
                                                    {"nw_glued", "glued"},
                                                    {"nw_double", "double"},
                                                    {"nw_help", "help"},
                                                    {"nw_version", "version"},
                                                    {"nw_a", "a"}}));
    EXPECT_FALSE(exists("file"));
}

// However the output is named, or when a misplaced -o names a source: status 1 and the file
// untouched. A header wordgen wrote, which yields no word, is replaced as always.
TEST_F(WordgenCommandLine, TheHeaderNeverReplacesAnInputOrASource) {
    const std::string plain = "int plain;\n";
    write("words.c", A_SOURCE);
    write("plain.c", plain);
    const bool linked = makeSymlink("plain.c", path("link.c"));
    std::error_code error;
    std::filesystem::create_hard_link(path("plain.c"), path("hard.c"), error);
    const std::string source =
        ": it holds NATIVEWORD lines, so it is a source, not a header "
        "(is an -o misplaced?)\n";
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"-o", "-o", "words.c"}, "words.c" + source},
        {{"-o", "words.c"}, "words.c" + source},
        {{"-o", "plain.c", "-o", "plain.c"}, "plain.c: it is the input plain.c"},
        {{"-o", "./plain.c", "words.c", "plain.c"}, "./plain.c: it is the input plain.c"},
        {{"-o", "link.c", "plain.c"}, linked ? "link.c: it is the input plain.c" : ""},
        {{"-o", "hard.c", "plain.c"}, !error ? "hard.c: it is the input plain.c" : ""},
    };
    for (const auto &c : cases) {
        if (c.second.empty()) {
            continue;  // no such link can be made here
        }
        RUN_RESULT_T r = wordgen(c.first);
        EXPECT_EQ(r.status, 1) << c.second;
        EXPECT_EQ(r.err.rfind("wordgen: cannot write " + c.second, 0), 0u) << r.err;
        EXPECT_EQ(read("words.c"), A_SOURCE);
        EXPECT_EQ(read("plain.c"), plain);
        EXPECT_FALSE(exists("nativeword.h"));
    }
    write("out.h", expectedHeader({{"nw_old", "old"}}));
    EXPECT_EQ(wordgen({"-o", "out.h", "words.c"}).status, 0);
    EXPECT_EQ(read("out.h"), expectedHeader(A_WORDS));
}

// Wherever --help or --version stands, the first of them is answered and nothing is read or
// written, not even the header of the -o beside it.
TEST_F(WordgenCommandLine, HelpAndVersionAnswerOnStandardOutputAndTouchNothing) {
    const std::string version = std::string("wordgen ") + TOOLS_VERSION + "\n";
    write("nativeword.h", "old");
    const std::vector<std::pair<std::vector<std::string>, bool>> cases = {
        {{"--help"}, true},
        {{"missing.c", "-o", "out.h", "--help", "--version"}, true},
        {{"--version"}, false},
        {{"-o", "--version", "--help"}, false},
    };
    for (const auto &c : cases) {
        RUN_RESULT_T r = wordgen(c.first);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, "");
        if (c.second) {
            EXPECT_EQ(r.out.rfind("Usage: wordgen [-o OUTPUT] [FILE]...\n", 0), 0u) << r.out;
        } else {
            EXPECT_EQ(r.out, version);
        }
        EXPECT_EQ(listDir(folder), std::vector<std::string>{"nativeword.h"});
        EXPECT_EQ(read("nativeword.h"), "old");
    }

    if (posixShell().empty()) {
        GTEST_SKIP() << "no POSIX shell to give wordgen a full device as standard output";
    }
    RUN_RESULT_T full =
        wordgen({"-c", "exec \"$0\" --version >/dev/full", WORDGEN_PATH}, {}, posixShell());
    EXPECT_EQ(full.status, 1);
    EXPECT_EQ(full.err, "wordgen: cannot write to standard output: No space left on device\n");
}

}  // namespace
