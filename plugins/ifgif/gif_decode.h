/* GIF through giflib: the first frame on the logical screen. */
#ifndef GIF_DECODE_H
#define GIF_DECODE_H

#include <cstddef>
#include <cstdint>

#include "plugin_entries.h"

bool isGifHead(const uint8_t *data, size_t size);
int readGifFacts(const uint8_t *data, size_t size, PICTURE_FACTS_T *facts);
int decodeGif(const uint8_t *data, size_t size, OUTPUT_BITMAP_T *out, PROGRESS_T *progress);

#endif
