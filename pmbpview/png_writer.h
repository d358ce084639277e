// Writing an 8-bit grey PNG through libpng. The file appears under its name only when it is
// complete: it is written to a temporary file beside it and renamed.
#ifndef PMBPVIEW_PNG_WRITER_H
#define PMBPVIEW_PNG_WRITER_H

#include <stdint.h>

#include <string>

// Not PNG's limit (2^31 - 1) but libpng's default one, for writing and for reading: a preview
// wider or taller than this could be made, but many viewers would not open it. Only --scale 16
// on a side of more than 62,500 pixels goes past it.
const uint64_t PNG_SIDE_LIMIT = 1000000;

// Fills one row of `width` grey bytes; context is what the caller gave writeGreyPng.
typedef void (*GREY_ROW_SOURCE_T)(void *context, uint32_t row, uint8_t *out);

// Returns false with a one-line reason, leaving neither `path` changed nor a temporary file.
bool writeGreyPng(const char *path, uint32_t width, uint32_t height, GREY_ROW_SOURCE_T fillRow,
                  void *context, std::string *message);

#endif
