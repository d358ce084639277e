// The pictures of the converter's tests, and their bitmap files (written by the tests' one
// bitmap writer, independently of SDL).
#ifndef TESTS_PICCONV_TEST_BITMAP_H
#define TESTS_PICCONV_TEST_BITMAP_H

#include <stdint.h>

#include <string>
#include <vector>

// A picture as the tests know it: rows from the top, three bytes (R, G, B) per pixel.
struct TEST_IMAGE_T {
    int w;
    int h;
    std::vector<uint8_t> rgb;
};

TEST_IMAGE_T makeImage(int w, int h, uint32_t seed);
void setRgb(TEST_IMAGE_T *image, int x, int y, uint8_t r, uint8_t g, uint8_t b);

// 24-bit bitmap, bottom-up rows.
bool writeBmp24(const std::string &path, const TEST_IMAGE_T &image);
// Palettized; the image must have at most 256 distinct colours.
bool writeBmp8(const std::string &path, const TEST_IMAGE_T &image);

#endif
