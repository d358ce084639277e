// scanFile reads in large blocks; it must hand addList exactly the pieces that
// fgets(g_line_buffer, 256, file) would, so its words must match an fgets scan.
#include "wordgen/scan_file.h"

#include <stdio.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/wordgen/run_support.h"
#include "wordgen/native_word.h"

namespace {

WORD_PAIRS_T pairsOf(NATIVE_WORD_NODE_T *head) {
    WORD_PAIRS_T pairs;
    for (const NATIVE_WORD_NODE_T *n = head; n != nullptr; n = n->next) {
        pairs.emplace_back(n->func, n->word);
    }
    freeList(head);
    return pairs;
}

WORD_PAIRS_T scanWithFgets(const std::string &path) {
    NATIVE_WORD_NODE_T *head = nullptr;
    FILE *file = fopen(path.c_str(), "r");
    char buffer[256];
    while (file != nullptr && fgets(buffer, sizeof buffer, file) != nullptr) {
        head = addList(buffer, head);
    }
    if (file != nullptr) {
        fclose(file);
    }
    return pairsOf(head);
}

WORD_PAIRS_T scanWithScanFile(const std::string &path) {
    return pairsOf(scanFile(path.c_str(), nullptr, nullptr));
}

// Lines of every length around the 255-character cut, dense with markers, with the odd NUL,
// carriage return and near miss, over several of the reader's blocks.
std::string randomSource(unsigned seed, size_t size) {
    std::mt19937 random(seed);
    auto below = [&random](unsigned n) { return static_cast<unsigned>(random() % n); };
    const char *filler[] = {"x", " ", "\t", "int a;", "(", ")", "{", "/*", "*/", "NATIVEWORD"};
    std::string text;
    int id = 0;
    while (text.size() < size) {
        std::string line;
        unsigned length = below(8) == 0 ? 255 * (1 + below(3)) - 12 + below(24) : below(700);
        while (line.size() < length) {
            unsigned pick = below(40);
            if (pick == 0) {
                line +=
                    "NATIVEWORD(f" + std::to_string(id) + ") { /* w" + std::to_string(id) + " */";
                ++id;
            } else if (pick == 1) {
                line += '\0';
            } else if (pick == 2) {
                line += "NATIVEWORD(g" + std::to_string(id++) + "){ /* near */";
            } else {
                line += filler[below(10)];
            }
        }
        text += line;
        text += below(10) == 0 ? "\r\n" : "\n";
    }
    if (below(2) == 0) {
        text += "NATIVEWORD(last) { /* unterminated */";
    }
    return text;
}

class WordgenScanFile : public WordgenRun {};

TEST_F(WordgenScanFile, FindsTheSameWordsAsAnFgetsScan) {
    for (unsigned seed = 1; seed <= 4; ++seed) {
        write("random.c", randomSource(seed, 3u << 20));
        WORD_PAIRS_T expected = scanWithFgets(path("random.c"));
        EXPECT_GT(expected.size(), 1000u);
        EXPECT_EQ(scanWithScanFile(path("random.c")), expected) << "seed " << seed;
    }
}

TEST_F(WordgenScanFile, ALineLongerThanABlockIsCutLikeFgetsCutsIt) {
    std::string line;
    for (int i = 0; line.size() < (5u << 20) / 2; ++i) {
        line += std::string(static_cast<size_t>(i % 300), 'x');
        line += "NATIVEWORD(f" + std::to_string(i) + ") { /* w" + std::to_string(i) + " */";
    }
    write("long.c", line + "\n" + line);
    WORD_PAIRS_T expected = scanWithFgets(path("long.c"));
    EXPECT_GT(expected.size(), 1000u);
    EXPECT_EQ(scanWithScanFile(path("long.c")), expected);
}

TEST_F(WordgenScanFile, EmptyMissingAndUnreadableFilesGiveNoWords) {
    write("empty.c", "");
    std::filesystem::create_directory(path("folder"));
    for (const char *name : {"empty.c", "missing.c", "folder"}) {
        EXPECT_EQ(scanFile(path(name).c_str(), nullptr, nullptr), nullptr) << name;
    }
}

}  // namespace
