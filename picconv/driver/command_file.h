// Reading a command file the one way the converter reads it.
#ifndef PICCONV_DRIVER_COMMAND_FILE_H
#define PICCONV_DRIVER_COMMAND_FILE_H

#include <stddef.h>
#include <stdio.h>

typedef void (*COMMAND_LINE_VISIT_T)(const char *line, long lineNumber, void *context);

// Hands every piece of file to visit, as fgets reads it with a limit of 4000 (a longer line
// comes as several pieces, each a line of its own), numbered from 1. 1 at the end of the file,
// 0 on a read error, with errno as the failed read left it.
int forEachCommandLine(FILE *file, COMMAND_LINE_VISIT_T visit, void *context);

// The same pieces, with the number of bytes fgets really read into each: more than
// strlen(line) when the piece holds a NUL byte, which hides the rest of it from the converter.
int forEachMeasuredCommandLine(FILE *file,
                               void (*visit)(const char *line, size_t bytesRead, long lineNumber,
                                             void *context),
                               void *context);

#endif
