// JPEG through libjpeg(-turbo).
#ifndef PLUGINS_IFJPEG_JPEG_DECODE_H
#define PLUGINS_IFJPEG_JPEG_DECODE_H

#include <stddef.h>
#include <stdint.h>

#include "plugins/common/plugin_entries.h"

bool isJpegHead(const uint8_t *data, size_t size);
int readJpegFacts(const uint8_t *data, size_t size, PICTURE_FACTS_T *facts);
int decodeJpeg(const uint8_t *data, size_t size, OUTPUT_BITMAP_T *out, PROGRESS_T *progress);

#endif
