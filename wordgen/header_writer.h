#ifndef WORDGEN_HEADER_WRITER_H
#define WORDGEN_HEADER_WRITER_H

#include "native_word.h"

// Returns the exit status: 0 when the whole header reached the file, 1 otherwise.
int writeHeader(const char *path, const NATIVE_WORD_NODE_T *head);

#endif
