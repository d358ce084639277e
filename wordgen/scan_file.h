#ifndef WORDGEN_SCAN_FILE_H
#define WORDGEN_SCAN_FILE_H

#include <stdio.h>

#include "wordgen/native_word.h"

// Every piece handed to addList passes through here: a line, or up to 255 characters of one.
extern char g_line_buffer[256];

// Puts the words of one file in front of head, newest first. A file that cannot be opened
// (a folder included) is taken as empty, a read error ends the file; both are reported on
// messages as "wordgen: cannot open|read PATH: REASON". A word whose table entry would be useless
// or not compile is reported there as "PATH:LINE: warning: ...", and kept. A null messages
// says nothing.
NATIVE_WORD_NODE_T *scanFile(const char *path, NATIVE_WORD_NODE_T *head, FILE *messages);

#endif
