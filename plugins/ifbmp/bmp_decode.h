/* Decoding a bitmap file into the output picture. */
#ifndef BMP_DECODE_H
#define BMP_DECODE_H

#include <cstddef>
#include <cstdint>

#include "bmp_header.h"
#include "output_bitmap.h"
#include "progress.h"

int decodeBmp(const uint8_t *data, size_t size, OUTPUT_BITMAP_T *out, PROGRESS_T *progress);

/* Run-length coded indices (RLE8 or RLE4) into the 8-bit output. */
int decodeBmpRle(const BMP_HEADER_T *header, const uint8_t *data, size_t size, OUTPUT_BITMAP_T *out,
                 PROGRESS_T *progress);

#endif
