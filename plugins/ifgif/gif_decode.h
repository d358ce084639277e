// GIF through giflib: the first frame on the logical screen.
#ifndef PLUGINS_IFGIF_GIF_DECODE_H
#define PLUGINS_IFGIF_GIF_DECODE_H

#include <stddef.h>
#include <stdint.h>

#include "plugins/common/plugin_entries.h"

bool isGifHead(const uint8_t *data, size_t size);
int readGifFacts(const uint8_t *data, size_t size, PICTURE_FACTS_T *facts);
int decodeGif(const uint8_t *data, size_t size, OUTPUT_BITMAP_T *out, PROGRESS_T *progress);

#endif
