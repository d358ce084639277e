#include "tests/picconv/test_bitmap.h"

#include <map>

#include "tests/support/bmp_writer.h"
#include "tests/support/test_files.h"

namespace {

uint32_t colourAt(const TEST_IMAGE_T &image, int x, int y) {
    const uint8_t *p = &image.rgb[(static_cast<size_t>(y) * image.w + x) * 3];
    return (static_cast<uint32_t>(p[0]) << 16) | (p[1] << 8) | p[2];
}

}  // namespace

TEST_IMAGE_T makeImage(int w, int h, uint32_t seed) {
    TEST_IMAGE_T image{w, h, std::vector<uint8_t>(static_cast<size_t>(w) * h * 3)};
    uint32_t state = seed * 2654435761u + 1;
    for (uint8_t &byte : image.rgb) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<uint8_t>(state >> 16);
    }
    return image;
}

void setRgb(TEST_IMAGE_T *image, int x, int y, uint8_t r, uint8_t g, uint8_t b) {
    uint8_t *p = &image->rgb[(static_cast<size_t>(y) * image->w + x) * 3];
    p[0] = r;
    p[1] = g;
    p[2] = b;
}

bool writeBmp24(const std::string &path, const TEST_IMAGE_T &image) {
    BMP_LAYOUT_T layout;
    layout.width = image.w;
    layout.height = image.h;
    layout.bits = 24;
    for (int y = 0; y < image.h; y++) {
        for (int x = 0; x < image.w; x++) {
            layout.values.push_back(colourAt(image, x, y));
        }
    }
    return writeBytes(path, writeBmp(layout));
}

bool writeBmp8(const std::string &path, const TEST_IMAGE_T &image) {
    BMP_LAYOUT_T layout;
    layout.width = image.w;
    layout.height = image.h;
    layout.bits = 8;
    layout.palette.assign(256, 0);
    layout.coloursUsed = 256;
    std::map<uint32_t, uint32_t> indexOf;
    for (int y = 0; y < image.h; y++) {
        for (int x = 0; x < image.w; x++) {
            const uint32_t colour = colourAt(image, x, y);
            if (indexOf.count(colour) == 0) {
                if (indexOf.size() == 256) {
                    return false;
                }
                // Palette order reversed from first use, so indices are not the colours' order.
                const uint32_t index = static_cast<uint32_t>(255 - indexOf.size());
                indexOf[colour] = index;
                layout.palette[index] = colour;
            }
            layout.values.push_back(indexOf[colour]);
        }
    }
    return writeBytes(path, writeBmp(layout));
}
