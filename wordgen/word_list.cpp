#include "native_word.h"

#include <cstdio>
#include <cstdlib>

NATIVE_WORD_NODE_T *addList(const char *line, NATIVE_WORD_NODE_T *head) {
    NATIVE_WORD_NODE_T n = parseLine(line);
    if (n.func == nullptr || n.word == nullptr) {
        std::free(n.func);
        return head;
    }
    NATIVE_WORD_NODE_T *node = static_cast<NATIVE_WORD_NODE_T *>(std::malloc(sizeof *node));
    if (node == nullptr) {
        std::fprintf(stderr, "malloc failed in addList");
        std::exit(1);
    }
    node->func = n.func;
    node->word = n.word;
    node->next = head;
    return node;
}

NATIVE_WORD_NODE_T *reverseList(NATIVE_WORD_NODE_T *head) {
    NATIVE_WORD_NODE_T *previous = nullptr;
    while (head != nullptr) {
        NATIVE_WORD_NODE_T *next = head->next;
        head->next = previous;
        previous = head;
        head = next;
    }
    return previous;
}

void freeList(NATIVE_WORD_NODE_T *head) {
    while (head != nullptr) {
        NATIVE_WORD_NODE_T *next = head->next;
        std::free(head->func);
        std::free(head->word);
        std::free(head);
        head = next;
    }
}
