#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "wordgen/native_word.h"

namespace {

std::vector<std::string> wordsOf(const NATIVE_WORD_NODE_T *head) {
    std::vector<std::string> words;
    for (; head != nullptr; head = head->next) {
        words.emplace_back(head->word);
    }
    return words;
}

NATIVE_WORD_NODE_T *listOf(const std::vector<std::string> &lines) {
    NATIVE_WORD_NODE_T *head = nullptr;
    for (const auto &line : lines) {
        head = addList(line.c_str(), head);
    }
    return head;
}

TEST(WordgenWordList, ReverseListRelinksTheSameNodesInInputOrder) {
    EXPECT_EQ(reverseList(nullptr), nullptr);

    NATIVE_WORD_NODE_T *single = listOf({"NATIVEWORD(f) { /* only */"});
    EXPECT_EQ(reverseList(single), single);
    EXPECT_EQ(single->next, nullptr);
    freeList(single);

    NATIVE_WORD_NODE_T *head =
        listOf({"NATIVEWORD(a) { /* a */", "NATIVEWORD(b) { /* b */", "NATIVEWORD(c) { /* c */"});
    std::vector<const NATIVE_WORD_NODE_T *> before;
    for (const NATIVE_WORD_NODE_T *n = head; n != nullptr; n = n->next) {
        before.push_back(n);
    }
    head = reverseList(head);
    EXPECT_EQ(wordsOf(head), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(head, before[2]);
    EXPECT_EQ(head->next, before[1]);
    EXPECT_EQ(head->next->next, before[0]);
    EXPECT_EQ(before[0]->next, nullptr);
    freeList(head);
}

}  // namespace
