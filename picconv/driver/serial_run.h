// A run in one process: every line converted and committed in turn, as the converter always
// has; with --state, lines whose inputs are unchanged are skipped and the noise jumps over
// what they drew.
#ifndef PICCONV_DRIVER_SERIAL_RUN_H
#define PICCONV_DRIVER_SERIAL_RUN_H

#include <stdio.h>

#include "picconv/driver/run_state.h"

struct SERIAL_RESULT_T {
    int read;  // 0 when the command file could not be read to its end, errno as it left it
    int error;
    long withoutOutput;  // lines with five fields that wrote no output
    long lines;          // read
};

SERIAL_RESULT_T runSerial(const char *commandFile, FILE *file, RUN_STATE_T *state);

#endif
