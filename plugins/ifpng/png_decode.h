/* PNG through libpng. */
#ifndef PNG_DECODE_H
#define PNG_DECODE_H

#include <cstddef>
#include <cstdint>

#include "plugin_entries.h"

bool isPngHead(const uint8_t *data, size_t size);
int readPngFacts(const uint8_t *data, size_t size, PICTURE_FACTS_T *facts);
int decodePng(const uint8_t *data, size_t size, OUTPUT_BITMAP_T *out, PROGRESS_T *progress);

#endif
