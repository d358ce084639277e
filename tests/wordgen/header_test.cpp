// The header's exact bytes, and how a run ends when the header cannot be written whole.
#include "run_support.h"

namespace {

class HeaderText : public WordgenRun {};
class WriteFailure : public WordgenRun {};
class OutOfMemory : public WordgenRun {};

TEST_F(HeaderText, TwoWordsGiveTheTenLineHeader) {
    write("a.c", "NATIVEWORD(nw_add) { /* add */\nNATIVEWORD(nw_print) { /* print */\n");
    EXPECT_EQ(wordgen({"a.c"}).status, 0);
    EXPECT_EQ(read("nativeword.h"),
              "/* This file auto genareted */\n"
              "NATIVEWORD(nw_add);\n"
              "NATIVEWORD(nw_print);\n"
              "\n"
              "#ifdef _NATIVEWORD_TABEL_SET_\n"
              "NATIVE_WORD_LIST_T g_native_word_table[]= {\n"
              " {\"add\", nw_add},\n"
              " {\"print\", nw_print},\n"
              "};\n"
              "#endif\n");
}

TEST_F(HeaderText, NoWordsGiveTheSixLineHeaderReplacingAnOldOne) {
    write("nativeword.h", std::string(10000, 'o'));
    write("a.c", "int main(void) { return 0; }\n");
    EXPECT_EQ(wordgen({"a.c"}).status, 0);
    EXPECT_EQ(read("nativeword.h"),
              "/* This file auto genareted */\n"
              "\n"
              "#ifdef _NATIVEWORD_TABEL_SET_\n"
              "NATIVE_WORD_LIST_T g_native_word_table[]= {\n"
              "};\n"
              "#endif\n");
}

TEST_F(HeaderText, NamesAreWrittenVerbatim) {
    write("a.c", "NATIVEWORD(nw_%s%n) { /* \"q\\%d */\n");
    EXPECT_EQ(wordgen({"a.c"}).status, 0);
    EXPECT_EQ(read("nativeword.h"), expectedHeader({{"nw_%s%n", "\"q\\%d"}}));
}

TEST_F(WriteFailure, AHeaderThatCannotBeOpenedEndsWithStatusOneSilently) {
    write("a.c", "NATIVEWORD(nw_a) { /* a */\n");
    for (const char *output : {"no/such/folder/out.h", ""}) {
        RunResult r = wordgen({"-o", output, "a.c"});
        EXPECT_EQ(r.status, 1) << output;
        EXPECT_EQ(r.err, "") << output;
    }
    EXPECT_FALSE(exists("nativeword.h"));
}

TEST_F(WriteFailure, AFailedWriteOrCloseEndsWithStatusOneSilently) {
    // Small enough to stay in the stream's buffer until the close; large enough to fail on write.
    write("small.c", "NATIVEWORD(nw_a) { /* a */\n");
    std::string many;
    for (int i = 0; i < 2000; ++i) {
        many += "NATIVEWORD(nw_word" + std::to_string(i) + ") { /* w */\n";
    }
    write("large.c", many);
    for (const char *input : {"small.c", "large.c"}) {
        RunResult r = wordgen({"-o", "/dev/full", input});
        EXPECT_EQ(r.status, 1) << input;
        EXPECT_EQ(r.err, "") << input;
    }
}

TEST_F(WriteFailure, AHeaderCutOffByAFullDiskIsRemoved) {
    std::string many;
    for (int i = 0; i < 2000; ++i) {
        many += "NATIVEWORD(nw_word" + std::to_string(i) + ") { /* w */\n";
    }
    write("large.c", many);
    // A file size limit of 1 KiB stands in for a full disk.
    RunResult r =
        runIn(dir_, "/bin/sh",
              {"-c", "ulimit -f 1; trap '' XFSZ; exec \"$0\" -o out.h large.c", WORDGEN_PATH});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "");
    EXPECT_FALSE(exists("out.h"));
}

// FAILING_MALLOC_WORDGEN_PATH is wordgen linked so that its own malloc call number
// WORDGEN_TEST_FAIL_MALLOC returns null.
RunResult runFailingAt(const std::string &dir, int call, const std::vector<std::string> &args) {
    return runIn(dir, FAILING_MALLOC_WORDGEN_PATH, args,
                 {"WORDGEN_TEST_FAIL_MALLOC=" + std::to_string(call)});
}

TEST_F(OutOfMemory, TheOutputPathEndsTheRunBeforeAnyInput) {
    write("a.c", "NATIVEWORD(nw_a) { /* a */\n");
    RunResult r = runFailingAt(dir_, 1, {"-o", "out.h", "a.c"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "malloc failed in getOutputName");
    EXPECT_FALSE(exists("out.h"));
    EXPECT_FALSE(exists("nativeword.h"));
}

TEST_F(OutOfMemory, ANodeEndsTheRunWithoutAHeader) {
    // Calls per word: the function name, the word, the node.
    write("a.c", "NATIVEWORD(nw_a) { /* a */\nNATIVEWORD(nw_b) { /* b */\n");
    RunResult r = runFailingAt(dir_, 6, {"a.c"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "malloc failed in addList");
    EXPECT_FALSE(exists("nativeword.h"));
}

TEST_F(OutOfMemory, ANameOrWordOnlyCostsThatLine) {
    write("a.c", "NATIVEWORD(nw_a) { /* a */\nNATIVEWORD(nw_b) { /* b */\n");
    for (int call : {1, 2}) {
        RunResult r = runFailingAt(dir_, call, {"a.c"});
        EXPECT_EQ(r.status, 0) << call;
        EXPECT_EQ(r.err, "") << call;
        EXPECT_EQ(read("nativeword.h"), expectedHeader({{"nw_b", "b"}})) << call;
    }
}

}  // namespace
