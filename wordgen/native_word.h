// The word list that the scanner builds and the header writer reads.
#ifndef WORDGEN_NATIVE_WORD_H
#define WORDGEN_NATIVE_WORD_H

struct NATIVE_WORD_NODE_T {
    char *func;
    char *word;
    NATIVE_WORD_NODE_T *next;
};

// Text up to the first NUL is what counts, as with any C string. Either string of the result
// may be null (not found, or out of memory); next is always null.
NATIVE_WORD_NODE_T parseLine(const char *line);

// Puts the line's word in front of head. Exits with status 1 when the node itself cannot be
// allocated.
NATIVE_WORD_NODE_T *addList(const char *line, NATIVE_WORD_NODE_T *head);

// Relinks the same nodes in the opposite order and returns the new head.
NATIVE_WORD_NODE_T *reverseList(NATIVE_WORD_NODE_T *head);

void freeList(NATIVE_WORD_NODE_T *head);

#endif
