#include <stdlib.h>

#include <string>

#include <gtest/gtest.h>

#include "wordgen/native_word.h"

namespace {

// "-" for a string parseLine left null.
struct PARSED_T {
    std::string func;
    std::string word;
};

PARSED_T parse(const char *line) {
    NATIVE_WORD_NODE_T n = parseLine(line);
    PARSED_T p{n.func != nullptr ? n.func : "-", n.word != nullptr ? n.word : "-"};
    EXPECT_EQ(n.next, nullptr);
    free(n.func);
    free(n.word);
    return p;
}

void expectParsed(const char *line, const char *func, const char *word) {
    PARSED_T p = parse(line);
    EXPECT_EQ(p.func, func) << "line: " << line;
    EXPECT_EQ(p.word, word) << "line: " << line;
}

// The near misses of the layout are covered end to end; these guard the character classes
// and the edges of the text.
TEST(WordgenParseLine, ExactlyTheSixCLocaleSpaceCharactersAreWhitespace) {
    expectParsed("NATIVEWORD(nw_add)\v{\f/*\radd\n", "nw_add", "add");
    expectParsed("NATIVEWORD(nw_add)\n{ /* add", "nw_add", "add");
    expectParsed("NATIVEWORD(f)\xA0{ /* w */", "f", "-");
    expectParsed("NATIVEWORD(f)\x85{ /* w */", "f", "-");
    expectParsed("NATIVEWORD(f) { /* w\xC3\xB6rd\xA0\x1Fx */", "f", "w\xC3\xB6rd\xA0\x1Fx");
}

TEST(WordgenParseLine, TextEndingEarlyKeepsWhatWasFound) {
    expectParsed("", "-", "-");
    expectParsed("NATIVEWORD(", "", "-");
    expectParsed("NATIVEWORD(nw_add) {", "nw_add", "-");
    expectParsed("NATIVEWORD(nw_add) { /", "nw_add", "-");
    expectParsed("NATIVEWORD(nw_add) { /*", "nw_add", "");
    expectParsed("NATIVEWORD(nw_add) { /* add", "nw_add", "add");
    expectParsed("NATIVEWORD(nw_add { /* add */\n", "nw_add { /* add */\n", "-");
}

TEST(WordgenParseLine, SkipsTakeAnyNonWhitespaceThenOneWhitespace) {
    expectParsed("NATIVEWORD(a b(c) { /* w */", "a b(c", "w");
    expectParsed("NATIVEWORD(nw_add)x { /* add */", "nw_add", "add");
    expectParsed("NATIVEWORD(nw_add) {  /* add */", "nw_add", "-");
    expectParsed("NATIVEWORD(nw_add) { / * add */", "nw_add", "-");
    expectParsed("NATIVEWORD(a) x NATIVEWORD(b) { /* two */", "a", "-");
}

}  // namespace
