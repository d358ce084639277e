// Decoding a bitmap file into the output picture.
#ifndef PLUGINS_IFBMP_BMP_DECODE_H
#define PLUGINS_IFBMP_BMP_DECODE_H

#include <stddef.h>
#include <stdint.h>

#include "plugins/common/output_bitmap.h"
#include "plugins/common/progress.h"
#include "plugins/ifbmp/bmp_header.h"

int decodeBmp(const uint8_t *data, size_t size, OUTPUT_BITMAP_T *out, PROGRESS_T *progress);

// Run-length coded indices (RLE8 or RLE4) into the 8-bit output.
int decodeBmpRle(const BMP_HEADER_T *header, const uint8_t *data, size_t size, OUTPUT_BITMAP_T *out,
                 PROGRESS_T *progress);

#endif
