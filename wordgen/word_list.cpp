#include "wordgen/native_word.h"

#include <stdio.h>
#include <stdlib.h>

NATIVE_WORD_NODE_T *addList(const char *line, NATIVE_WORD_NODE_T *head) {
    const NATIVE_WORD_NODE_T n = parseLine(line);
    if (n.func == nullptr || n.word == nullptr) {
        free(n.func);
        return head;
    }
    NATIVE_WORD_NODE_T *node = static_cast<NATIVE_WORD_NODE_T *>(malloc(sizeof *node));
    if (node == nullptr) {
        fprintf(stderr, "malloc failed in addList");
        exit(1);
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
        free(head->func);
        free(head->word);
        free(head);
        head = next;
    }
}
