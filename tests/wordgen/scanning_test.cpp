// What the input files contribute: the line grammar, long lines, and the order of files.
#include <errno.h>
#include <stdio.h>
#include <string.h>

#include <filesystem>
#include <sstream>

#include "tests/wordgen/run_support.h"

namespace {

class WordgenLineGrammar : public WordgenRun {};
class WordgenLongLines : public WordgenRun {};
class WordgenInputFiles : public WordgenRun {};

TEST_F(WordgenLineGrammar, OnlyTheExactLayoutYieldsAWord) {
    write("words.c",
          "NATIVEWORD(nw_add) { /* add */\n"
          "NATIVEWORD(nw_tab)\t{\t/*\ttab */\n"
          "NATIVEWORD(nw_two)  { /* two */\n"
          "NATIVEWORD(nw_none){ /* none */\n"
          "NATIVEWORD(nw_glued) {/* glued */\n"
          "NATIVEWORD(nw_nospace) { /*nospace */\n"
          "NATIVEWORD(nw_suffix) { /* suffix*/\n"
          "NATIVEWORD(nw_gap) { /*  gap */\n"
          "NATIVEWORD(nw_end) { /*\n"
          "NATIVEWORD() { /* anon */\n"
          "NATIVEWORD(nw_paren)) { /* paren */\n"
          "    /* indented */ NATIVEWORD(nw_lead) { /* lead */\n"
          "NATIVEWORD(nw_first) { /* first */ NATIVEWORD(nw_second) { /* second */\n"
          "nativeword(nw_lower) { /* lower */\n"
          "NATIVEWORD(nw_open { /* open */\n"
          "int plain_line(void) { return 0; }\n");
    EXPECT_EQ(wordgen({"words.c"}).status, 0);
    EXPECT_EQ(read("nativeword.h"), expectedHeader({{"nw_add", "add"},
                                                    {"nw_tab", "tab"},
                                                    {"nw_nospace", "*/"},
                                                    {"nw_suffix", "suffix*/"},
                                                    {"nw_gap", ""},
                                                    {"nw_end", ""},
                                                    {"", "anon"},
                                                    {"nw_paren", "paren"},
                                                    {"nw_lead", "lead"},
                                                    {"nw_first", "first"}}));
}

// Lines are counted across the reader's blocks and for the later pieces of a long line.
TEST_F(WordgenLineGrammar, EntriesThatAreUselessOrDoNotCompileAreWarnedAboutAndWrittenAsBefore) {
    std::string filler;
    for (int i = 0; i < 200000; ++i) {
        filler += "int x;\n";  // 1.4 MB: past the first block
    }
    write("words.c",
          "NATIVEWORD(nw_add) { /* add */\n"
          "NATIVEWORD(w_emit) { /*emit*/\n"
          "NATIVEWORD(nw_star) { /* */ */\n"
          "NATIVEWORD() { /* anon */\n"
          "NATIVEWORD(nw_dq) { /* .\" */\n"
          "NATIVEWORD(nw_\\) { /* \\ */\n" +
              filler + std::string(300, 'y') + "NATIVEWORD(nw_far) { /*  far */\n");
    RUN_RESULT_T r = wordgen({"words.c"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(read("nativeword.h"), expectedHeader({{"nw_add", "add"},
                                                    {"w_emit", ""},
                                                    {"nw_star", "*/"},
                                                    {"", "anon"},
                                                    {"nw_dq", ".\""},
                                                    {"nw_\\", "\\"},
                                                    {"nw_far", ""}}));
    const std::pair<int, const char *> warnings[] = {
        {2, "NATIVEWORD(w_emit) gives an empty word"},
        {4, "NATIVEWORD() gives an empty function name"},
        {5, "the word .\" of NATIVEWORD(nw_dq) holds a double quote"},
        {6, "the word \\ of NATIVEWORD(nw_\\) holds a backslash"},
        {6, "NATIVEWORD(nw_\\) holds a backslash in its function name"},
        {200007, "NATIVEWORD(nw_far) gives an empty word"}};
    std::istringstream said(r.err);
    std::string line;
    for (const auto &w : warnings) {
        ASSERT_TRUE(std::getline(said, line));
        EXPECT_EQ(line.rfind("words.c:" + std::to_string(w.first) + ": warning: " + w.second, 0),
                  0u)
            << line;
    }
    EXPECT_FALSE(std::getline(said, line)) << line;
}

TEST_F(WordgenLineGrammar, AGeneratedHeaderReadBackYieldsNothing) {
    write("a.c", "NATIVEWORD(nw_add) { /* add */\nNATIVEWORD(nw_print) { /* print */\n");
    ASSERT_EQ(wordgen({"-o", "first.h", "a.c"}).status, 0);
    EXPECT_EQ(wordgen({"-o", "second.h", "first.h"}).status, 0);
    EXPECT_EQ(read("second.h"), expectedHeader({}));
}

TEST_F(WordgenLongLines, LinesOverTheBufferAreCutInto255CharacterPieces) {
    const std::string marker = "NATIVEWORD(nw_long) { /* long */";
    // Starts at character 250: cut after its sixth character, found in neither piece.
    std::string split = std::string(249, 'x') + marker + "\n";
    // Starts at character 256: the second piece begins with it.
    std::string second = std::string(255, 'y') + "NATIVEWORD(nw_second) { /* second */\n";
    // The word ends the first piece exactly; the rest of the line is a piece of its own.
    std::string fits = "NATIVEWORD(nw_fits) { /* fits";
    fits += std::string(255 - fits.size(), 'z') + " NATIVEWORD(nw_rest) { /* rest */\n";
    // Three pieces; the third starts at character 511.
    std::string third = std::string(510, 'w') + "NATIVEWORD(nw_third) { /* third */\n";
    write("long.c", split + second + fits + third);

    EXPECT_EQ(wordgen({"long.c"}).status, 0);
    EXPECT_EQ(read("nativeword.h"),
              expectedHeader({{"nw_second", "second"},
                              {"nw_fits", "fits" + std::string(255 - 29, 'z')},
                              {"nw_rest", "rest"},
                              {"nw_third", "third"}}));
}

TEST_F(WordgenInputFiles, WordsComeInCommandLineAndLineOrderDuplicatesKept) {
    write("a.c", "NATIVEWORD(nw_a1) { /* A1 */\nint x;\nNATIVEWORD(nw_a2) { /* A2 */\n");
    write("b.c", "NATIVEWORD(nw_b1) { /* B1 */\nNATIVEWORD(nw_a1) { /* A1 */\n");
    EXPECT_EQ(wordgen({"a.c", "b.c", "a.c"}).status, 0);
    EXPECT_EQ(read("nativeword.h"), expectedHeader({{"nw_a1", "A1"},
                                                    {"nw_a2", "A2"},
                                                    {"nw_b1", "B1"},
                                                    {"nw_a1", "A1"},
                                                    {"nw_a1", "A1"},
                                                    {"nw_a2", "A2"}}));
}

TEST_F(WordgenInputFiles, MissingFilesAndFoldersAreReportedAlikeAndSkipped) {
    write("a.c", "NATIVEWORD(nw_a) { /* a */\n");
    write("b.c", "NATIVEWORD(nw_b) { /* b */");  // no final line feed
    std::filesystem::create_directory(path("folder"));
    // The reasons are the C runtime's. A folder opens on Linux and fails at its first read; on
    // Windows it cannot be opened.
    std::string expected;
    for (const char *name : {"missing.c", "folder", "a.c/x"}) {
        FILE *file = fopen(path(name).c_str(), "r");
        const int error = file != nullptr ? EISDIR : errno;
        if (file != nullptr) {
            fclose(file);
        }
        expected += "wordgen: cannot open " + std::string(name) + ": " + strerror(error) + "\n";
    }
    EXPECT_EQ(expected.find("wordgen: cannot open missing.c: No such file or directory\n"
                            "wordgen: cannot open folder: "),
              0u);
    RUN_RESULT_T r = wordgen({"missing.c", "", "a.c", "folder", "a.c/x", "b.c"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, expected);
    EXPECT_EQ(read("nativeword.h"), expectedHeader({{"nw_a", "a"}, {"nw_b", "b"}}));
}

}  // namespace
