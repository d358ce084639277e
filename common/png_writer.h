// Writing a PNG through libpng: pmbpview's previews and the proof sheet's pictures. The file
// appears under its name only when it is complete: it is written to a temporary file beside it
// and renamed.
#ifndef COMMON_PNG_WRITER_H
#define COMMON_PNG_WRITER_H

#include <stdint.h>

#include <string>

// Not PNG's limit (2^31 - 1) but libpng's default one, for writing and for reading: a preview
// wider or taller than this could be made, but many viewers would not open it. Only --scale 16
// on a side of more than 62,500 pixels goes past it.
const uint64_t PNG_SIDE_LIMIT = 1000000;

enum PNG_KIND_T {
    PNG_GREY,       // 8-bit grey: a row holds width bytes
    PNG_GREY_2BIT,  // 2-bit grey, four levels 0, 85, 170, 255: a row holds width bytes 0 to 3
    PNG_RGB         // 8-bit red, green, blue: a row holds 3 x width bytes
};

// Fills one row of samples, as the kind says; context is what the caller gave writePng.
typedef void (*PNG_ROW_SOURCE_T)(void *context, uint32_t row, uint8_t *out);

enum PNG_EFFORT_T {
    PNG_SMALLEST,  // libpng's and zlib's defaults
    PNG_QUICKEST   // zlib's quickest level and one row filter: for pictures made in bulk
};

// Returns false with a one-line reason, leaving neither `path` changed nor a temporary file.
bool writePng(const char *path, PNG_KIND_T kind, PNG_EFFORT_T effort, uint32_t width,
              uint32_t height, PNG_ROW_SOURCE_T fillRow, void *context, std::string *message);

#endif
