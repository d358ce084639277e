// The header's exact bytes, and how a run ends when the header cannot be written whole.
#include <errno.h>
#include <stdio.h>
#include <string.h>

#include <filesystem>

#include "tests/wordgen/run_support.h"

namespace {

class WordgenHeaderText : public WordgenRun {};
class WordgenWriteFailure : public WordgenRun {};
// FAILING_MALLOC_WORDGEN_PATH is wordgen linked so that its own malloc call number
// WORDGEN_TEST_FAIL_MALLOC returns null.
class WordgenOutOfMemory : public WordgenRun {
   protected:
    void SetUp() override {
        if (std::string(FAILING_MALLOC_WORDGEN_PATH).empty()) {
            GTEST_SKIP() << "no wordgen with a failing malloc: with a static runtime the wrap "
                            "catches the runtime's own calls too";
        }
        WordgenRun::SetUp();
    }
    RUN_RESULT_T runFailingAt(int call, const std::vector<std::string> &args) {
        return wordgen(args, {"WORDGEN_TEST_FAIL_MALLOC=" + std::to_string(call)},
                       FAILING_MALLOC_WORDGEN_PATH);
    }
};

TEST_F(WordgenHeaderText, TwoWordsGiveTheTenLineHeader) {
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

TEST_F(WordgenHeaderText, NoWordsGiveTheSixLineHeaderReplacingAnOldOne) {
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

TEST_F(WordgenHeaderText, NamesAreWrittenVerbatim) {
    write("a.c", "NATIVEWORD(nw_%s%n) { /* \"q\\%d */\n");
    EXPECT_EQ(wordgen({"a.c"}).status, 0);
    EXPECT_EQ(read("nativeword.h"), expectedHeader({{"nw_%s%n", "\"q\\%d"}}));
}

// The name the folder or file system takes at most: each length up to 255 bytes that can be
// made here (Windows also limits the whole path).
TEST_F(WordgenHeaderText, OutputNamesUpToTheLongestTheSystemTakesAreWritten) {
    write("a.c", "NATIVEWORD(nw_a) { /* a */\n");
    int tried = 0;
    for (size_t length = 249; length <= 255; ++length) {
        const std::string name(length, 'h');
        if (!writeFile(path(name), "old")) {
            continue;
        }
        ++tried;
        RUN_RESULT_T r = wordgen({"-o", name, "a.c"});
        EXPECT_EQ(r.status, 0) << length << " " << r.err;
        EXPECT_EQ(read(name), expectedHeader({{"nw_a", "a"}})) << length;
        EXPECT_EQ(listDir(folder), (std::vector<std::string>{"a.c", name})) << length;
        removeTree(path(name));
    }
    if (tried == 0) {
        GTEST_SKIP() << "no name of 249 bytes or more fits in this folder's path";
    }
}

// Messages follow the C runtime's reasons: a folder is "Is a directory" on Linux, while
// Windows only denies access to it.
TEST_F(WordgenWriteFailure, AHeaderThatCannotBeOpenedEndsWithStatusOneAndSaysWhy) {
    write("a.c", "NATIVEWORD(nw_a) { /* a */\n");
    ASSERT_TRUE(std::filesystem::create_directory(path("folder")));
    FILE *probe = fopen(path("folder").c_str(), "w");
    const std::string folderReason = probe == nullptr ? strerror(errno) : "opened";
    if (probe != nullptr) {
        fclose(probe);
    }
    const std::pair<const char *, std::string> cases[] = {
        {"no/such/folder/out.h", "No such file or directory"},
        {"", "No such file or directory"},
        {"folder", folderReason}};
    for (const auto &c : cases) {
        RUN_RESULT_T r = wordgen({"-o", c.first, "a.c"});
        EXPECT_EQ(r.status, 1) << c.first;
        EXPECT_EQ(r.err, "wordgen: cannot write " + std::string(c.first) + ": " + c.second + "\n");
    }
    EXPECT_EQ(listDir(folder), (std::vector<std::string>{"a.c", "folder"}));
    EXPECT_TRUE(listDir(path("folder")).empty());
}

TEST_F(WordgenWriteFailure, AFailedWriteOrCloseEndsWithStatusOneAndSaysWhy) {
    const std::string full = fullDevicePath();
    if (full.empty()) {
        GTEST_SKIP() << "no device here on which every write fails";
    }
    // Small enough to stay in the stream's buffer until the close; large enough to fail on write.
    write("small.c", "NATIVEWORD(nw_a) { /* a */\n");
    std::string many;
    for (int i = 0; i < 2000; ++i) {
        many += "NATIVEWORD(nw_word" + std::to_string(i) + ") { /* w */\n";
    }
    write("large.c", many);
    for (const char *input : {"small.c", "large.c"}) {
        RUN_RESULT_T r = wordgen({"-o", full, input});
        EXPECT_EQ(r.status, 1) << input;
        EXPECT_EQ(r.err, "wordgen: cannot write " + full + ": No space left on device\n") << input;
    }
}

TEST_F(WordgenWriteFailure, AHeaderCutOffByAFullDiskLeavesTheEarlierFileAsItWas) {
    std::string many;
    for (int i = 0; i < 2000; ++i) {
        many += "NATIVEWORD(nw_word" + std::to_string(i) + ") { /* w */\n";
    }
    write("large.c", many);
    for (bool earlier : {false, true}) {
        if (earlier) {
            write("out.h", expectedHeader({{"nw_old", "old"}}));
        }
        // A file size limit of 1 KiB stands in for a full disk.
        if (posixShell().empty()) {
            GTEST_SKIP() << "no POSIX shell to limit the size of wordgen's files";
        }
        RUN_RESULT_T r =
            wordgen({"-c", "ulimit -f 1; trap '' XFSZ; exec \"$0\" -o out.h large.c", WORDGEN_PATH},
                    {}, posixShell());
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, std::string("wordgen: cannot write out.h: ") + strerror(EFBIG) + "\n");
        EXPECT_EQ(read("out.h"), earlier ? expectedHeader({{"nw_old", "old"}}) : "");
        EXPECT_EQ(listDir(folder), earlier ? (std::vector<std::string>{"large.c", "out.h"})
                                           : std::vector<std::string>{"large.c"});
    }
}

TEST_F(WordgenOutOfMemory, TheOutputPathEndsTheRunBeforeAnyInput) {
    write("a.c", "NATIVEWORD(nw_a) { /* a */\n");
    RUN_RESULT_T r = runFailingAt(1, {"-o", "out.h", "a.c"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "malloc failed in getOutputName");
    EXPECT_FALSE(exists("out.h"));
    EXPECT_FALSE(exists("nativeword.h"));
}

TEST_F(WordgenOutOfMemory, ANodeEndsTheRunWithoutAHeader) {
    // Calls per word: the function name, the word, the node.
    write("a.c", "NATIVEWORD(nw_a) { /* a */\nNATIVEWORD(nw_b) { /* b */\n");
    RUN_RESULT_T r = runFailingAt(6, {"a.c"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "malloc failed in addList");
    EXPECT_FALSE(exists("nativeword.h"));
}

TEST_F(WordgenOutOfMemory, ANameOrWordOnlyCostsThatLine) {
    write("a.c", "NATIVEWORD(nw_a) { /* a */\nNATIVEWORD(nw_b) { /* b */\n");
    for (int call : {1, 2}) {
        RUN_RESULT_T r = runFailingAt(call, {"a.c"});
        EXPECT_EQ(r.status, 0) << call;
        EXPECT_EQ(r.err, "") << call;
        EXPECT_EQ(read("nativeword.h"), expectedHeader({{"nw_b", "b"}})) << call;
    }
}

}  // namespace
