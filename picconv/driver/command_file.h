// Reading a command file the one way the converter reads it.
#ifndef PICCONV_DRIVER_COMMAND_FILE_H
#define PICCONV_DRIVER_COMMAND_FILE_H

#include <stdio.h>

// Hands every piece of file to visit, as fgets reads it with a limit of 4000 (a longer line
// comes as several pieces, each a line of its own), numbered from 1. 1 at the end of the file,
// 0 on a read error.
int forEachCommandLine(FILE *file, void (*visit)(const char *line, long lineNumber, void *context),
                       void *context);

#endif
