// Writing an 8-bit grey PNG through libpng. The file appears under its name only when it is
// complete: it is written to a temporary file beside it and renamed.
#ifndef PMBPVIEW_PNG_WRITER_H
#define PMBPVIEW_PNG_WRITER_H

#include <stdint.h>

#include <string>

// libpng refuses wider or taller pictures by default, and so do most readers.
const uint64_t PNG_SIDE_LIMIT = 1000000;

// Fills one row of `width` grey bytes; context is what the caller gave writeGreyPng.
typedef void (*GREY_ROW_SOURCE_T)(void *context, uint32_t row, uint8_t *out);

// Returns false with a one-line reason, leaving neither `path` changed nor a temporary file.
bool writeGreyPng(const char *path, uint32_t width, uint32_t height, GREY_ROW_SOURCE_T fillRow,
                  void *context, std::string *message);

#endif
