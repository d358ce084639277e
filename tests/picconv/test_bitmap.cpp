#include "test_bitmap.h"

#include <stdio.h>

#include <map>

namespace {

void put16(std::vector<uint8_t> *out, uint32_t v) {
    out->push_back(static_cast<uint8_t>(v));
    out->push_back(static_cast<uint8_t>(v >> 8));
}

void put32(std::vector<uint8_t> *out, uint32_t v) {
    put16(out, v);
    put16(out, v >> 16);
}

std::vector<uint8_t> headers(const TEST_IMAGE_T &image, int bits, uint32_t colours,
                             uint32_t rowBytes) {
    const uint32_t offset = 14 + 40 + 4 * colours;
    const uint32_t dataSize = rowBytes * static_cast<uint32_t>(image.h);
    std::vector<uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    put32(&out, offset + dataSize);
    put32(&out, 0);
    put32(&out, offset);
    put32(&out, 40);
    put32(&out, static_cast<uint32_t>(image.w));
    put32(&out, static_cast<uint32_t>(image.h));
    put16(&out, 1);
    put16(&out, static_cast<uint32_t>(bits));
    put32(&out, 0);  // uncompressed
    put32(&out, dataSize);
    put32(&out, 2835);
    put32(&out, 2835);
    put32(&out, colours);
    put32(&out, colours);
    return out;
}

bool save(const std::string &path, const std::vector<uint8_t> &bytes) {
    FILE *f = fopen(path.c_str(), "wb");
    if (f == NULL) {
        return false;
    }
    const bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && ok;
}

const uint8_t *pixel(const TEST_IMAGE_T &image, int x, int y) {
    return &image.rgb[(static_cast<size_t>(y) * image.w + x) * 3];
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
    const uint32_t rowBytes = (static_cast<uint32_t>(image.w) * 3 + 3) / 4 * 4;
    std::vector<uint8_t> out = headers(image, 24, 0, rowBytes);
    for (int y = image.h - 1; y >= 0; y--) {
        const size_t start = out.size();
        for (int x = 0; x < image.w; x++) {
            const uint8_t *p = pixel(image, x, y);
            out.push_back(p[2]);
            out.push_back(p[1]);
            out.push_back(p[0]);
        }
        out.resize(start + rowBytes, 0);
    }
    return save(path, out);
}

bool writeBmp8(const std::string &path, const TEST_IMAGE_T &image) {
    std::map<uint32_t, uint8_t> indexOf;
    std::vector<uint32_t> palette;
    for (int y = 0; y < image.h; y++) {
        for (int x = 0; x < image.w; x++) {
            const uint8_t *p = pixel(image, x, y);
            const uint32_t colour = (p[0] << 16) | (p[1] << 8) | p[2];
            if (indexOf.count(colour) == 0) {
                if (palette.size() == 256) {
                    return false;
                }
                // Palette order reversed from first use, so indices are not the colours' order.
                indexOf[colour] = static_cast<uint8_t>(255 - palette.size());
                palette.push_back(colour);
            }
        }
    }
    std::vector<uint32_t> table(256, 0);
    for (const auto &entry : indexOf) {
        table[entry.second] = entry.first;
    }
    const uint32_t rowBytes = (static_cast<uint32_t>(image.w) + 3) / 4 * 4;
    std::vector<uint8_t> out = headers(image, 8, 256, rowBytes);
    for (uint32_t colour : table) {
        put32(&out, colour);  // B, G, R, 0 in file order
    }
    for (int y = image.h - 1; y >= 0; y--) {
        const size_t start = out.size();
        for (int x = 0; x < image.w; x++) {
            const uint8_t *p = pixel(image, x, y);
            out.push_back(indexOf[(p[0] << 16) | (p[1] << 8) | p[2]]);
        }
        out.resize(start + rowBytes, 0);
    }
    return save(path, out);
}
