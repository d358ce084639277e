#ifndef WORDGEN_HEADER_WRITER_H
#define WORDGEN_HEADER_WRITER_H

#include "wordgen/native_word.h"

// Returns the exit status: 0 when the whole header is at path, 1 otherwise, with
// "wordgen: cannot write PATH: REASON" on standard error. The header is written beside path and
// renamed over it, so path holds the earlier file until the new one is complete.
int writeHeader(const char *path, const NATIVE_WORD_NODE_T *head);

#endif
