#ifndef WORDGEN_SCAN_FILE_H
#define WORDGEN_SCAN_FILE_H

#include "wordgen/native_word.h"

// Every piece handed to addList passes through here: a line, or up to 255 characters of one.
extern char g_line_buffer[256];

// Puts the words of one file in front of head, newest first. A file that cannot be opened is
// reported on standard error and taken as empty; a read error ends the file.
NATIVE_WORD_NODE_T *scanFile(const char *path, NATIVE_WORD_NODE_T *head);

#endif
