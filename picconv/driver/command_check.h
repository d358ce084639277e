// --check: reads a whole command file without converting or writing anything and warns about
// every suspicious line, as CMDFILE:LINE:COLUMN: warning: ...
#ifndef PICCONV_DRIVER_COMMAND_CHECK_H
#define PICCONV_DRIVER_COMMAND_CHECK_H

#include <stdio.h>

// Checks one line (numbered from 1) of the command file named commandFile; returns the number
// of warnings given.
int checkCommandLine(const char *commandFile, const char *line, long lineNumber);

// Checks every line of file; the exit status: 0 clean, 5 warned, 3 when it cannot be read.
int checkCommandFile(const char *commandFile, FILE *file);

#endif
