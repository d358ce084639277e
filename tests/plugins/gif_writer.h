// GIF files made byte by byte, for the hostile ones.
#ifndef TESTS_PLUGINS_GIF_WRITER_H
#define TESTS_PLUGINS_GIF_WRITER_H

#include <stdint.h>

#include <vector>

// A GIF whose codes are each preceded by a clear code, so that they stay 3 bits wide.
struct GIF_LAYOUT_T {
    uint16_t screenWidth = 4;
    uint16_t screenHeight = 2;
    uint16_t left = 0;
    uint16_t top = 0;
    uint16_t width = 4;
    uint16_t height = 2;
    int paletteBits = 2;  // 2^paletteBits colours in the global table
    int transparent = -1;
    std::vector<uint8_t> indices;  // each below 4
    int frames = 1;
};

std::vector<uint8_t> gifWith(const GIF_LAYOUT_T &layout);

#endif
