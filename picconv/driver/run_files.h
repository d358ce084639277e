// The files a run reads and writes, for --depfile and the lists.
#ifndef PICCONV_DRIVER_RUN_FILES_H
#define PICCONV_DRIVER_RUN_FILES_H

#include <stdio.h>

// Each path is kept once, in the order first noted.
void noteRunInput(const char *path);
void noteRunOutput(const char *path);

// Prints the noted paths, one per line.
void printRunFiles(FILE *stream, bool inputs);

// Writes path as a Makefile rule: every noted output depends on every noted input, paths made
// absolute, with blanks, '$' and '#' escaped as compilers escape them for Make, Ninja and CMake.
// 1 when written.
int writeDepfile(const char *path);

#endif
