#ifndef PICCONV_DRIVER_COMMAND_RECORD_H
#define PICCONV_DRIVER_COMMAND_RECORD_H

#include "picconv/imaging/quad.h"

enum {
    FIELD_PLUGIN = 0,
    FIELD_PICTURE = 1,
    FIELD_OUTPUT = 2,
    FIELD_SOURCE_QUAD = 3,
    FIELD_OUTPUT_QUAD = 4,
    FIELD_COUNT = 5
};

// Cuts text in place at the first five '|' and points fields at the five pieces; anything after
// a fifth '|' is dropped. Returns 1 for a complete record, 0 when fewer than five fields.
int splitCommandRecord(char *text, char *fields[FIELD_COUNT]);

enum RECORD_COPY_T {
    RECORD_COMPLETE,  // *copy holds the five fields; the caller frees it
    RECORD_SHORT,     // fewer than five fields: no record, nothing to free
    RECORD_NO_MEMORY  // the copy could not be made
};

// A private copy of line cut into its fields, so that line itself is left as it was.
RECORD_COPY_T copyCommandRecord(const char *line, char **copy, char *fields[FIELD_COUNT]);

// SDL makes no surface 16384 or more pixels wide, and the output's width is its h rounded up to
// a multiple of 8: the largest h an output size may have.
const unsigned MAX_OUTPUT_WIDTH = 16376;

// Four numbers read with atoi, each cut to 16 bits; any non-digits separate them.
QUAD_T parseQuad(const char *text);

// Where parseQuad reads the number after the one at p: past its digits and what separates them.
// A leading blank or sign is no digit, so such a number is read twice.
const char *nextQuadNumber(const char *p);

#endif
