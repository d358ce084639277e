// An output written whole through the safe writer, and left alone when it already holds exactly
// the bytes it would be given: its modification time then stays, and a build that depends on it
// has nothing to redo.
#ifndef COMMON_OUTPUT_FILE_H
#define COMMON_OUTPUT_FILE_H

#include <stddef.h>
#include <stdint.h>

enum OUTPUT_WRITE_T {
    OUTPUT_FAILED = 0,  // errno says why; path is as it was
    OUTPUT_WRITTEN,
    OUTPUT_UNCHANGED  // the file there (a link's target) already held these bytes
};

OUTPUT_WRITE_T writeOutputFile(const char *path, const uint8_t *data, size_t size);

// 1 when the regular file at path (links followed) holds exactly size bytes equal to data.
int fileHoldsBytes(const char *path, const uint8_t *data, size_t size);

#endif
