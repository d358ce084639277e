// PNG through libpng.
#ifndef PLUGINS_IFPNG_PNG_DECODE_H
#define PLUGINS_IFPNG_PNG_DECODE_H

#include <stddef.h>
#include <stdint.h>

#include "plugins/common/plugin_entries.h"

bool isPngHead(const uint8_t *data, size_t size);
int readPngFacts(const uint8_t *data, size_t size, PICTURE_FACTS_T *facts);
int decodePng(const uint8_t *data, size_t size, OUTPUT_BITMAP_T *out, PROGRESS_T *progress);

#endif
