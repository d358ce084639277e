// An independent calculation of the converter's output, for the golden tests. It shares no
// code with the converter and works on the test's own pixel data rather than on SDL surfaces.
#include "tests/picconv/reference_pmbp.h"

#include <math.h>

namespace {

const int PALETTE[4][3] = {{0, 0, 0}, {85, 85, 85}, {0, 170, 170}, {255, 255, 255}};

int clampInt(int v, int lo, int hi) {
    return v < lo ? lo : (v > hi ? hi : v);
}

// Nearest pixel inside the picture for neighbours beyond its edges.
const uint8_t *rgbAt(const TEST_IMAGE_T &image, int x, int y) {
    x = clampInt(x, 0, image.w - 1);
    y = clampInt(y, 0, image.h - 1);
    return &image.rgb[(static_cast<size_t>(y) * image.w + x) * 3];
}

void sample(const TEST_IMAGE_T &image, double sx, double sy, int out[3]) {
    const int cx = static_cast<int>(trunc(sx));
    const int cy = static_cast<int>(trunc(sy));
    const int offsets[4][2] = {{0, 0}, {0, 1}, {1, 0}, {1, 1}};
    double total[3] = {0, 0, 0};
    for (const auto &o : offsets) {
        const int px = cx + o[0];
        const int py = cy + o[1];
        const double d = fabs(static_cast<double>(px) - sx) + fabs(static_cast<double>(py) - sy);
        const double weight = (2.0 - d) * 0.5 * 256.0;
        const uint8_t *p = rgbAt(image, px, py);
        for (int c = 0; c < 3; c++) {
            total[c] = trunc(total[c] + static_cast<double>(p[c]) * weight);
        }
    }
    for (int c = 0; c < 3; c++) {
        out[c] = clampInt(static_cast<int>(total[c]) / 512, 0, 255);
    }
}

int quantise(int value, int *carry, int (*random)(void)) {
    const int noise = (random() >> 8) % 64 - 32;
    const int withNoise = value + noise;
    const int level = clampInt(withNoise + *carry, 0, 255) / 64 * 64;
    *carry = withNoise - level;
    return level;
}

int nearestEntry(const int level[3]) {
    int best = 0;
    long bestDistance = -1;
    for (int e = 0; e < 4; e++) {
        long distance = 0;
        for (int c = 0; c < 3; c++) {
            const long d = level[c] - PALETTE[e][c];
            distance += d * d;
        }
        if (bestDistance < 0 || distance < bestDistance) {
            best = e;
            bestDistance = distance;
        }
    }
    return best;
}

int codeOfEntry(int entry) {
    const int *c = PALETTE[entry];
    const int brightness = (77 * c[0] + 150 * c[1] + 29 * c[2]) / 256;
    return 3 - (brightness / 64 > 3 ? 3 : brightness / 64);
}

void append(std::vector<uint8_t> *out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; i++) {
        out->push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}

}  // namespace

std::vector<uint8_t> referencePackedFile(const TEST_IMAGE_T &image, const REFERENCE_JOB_T &job,
                                         int (*random)(void)) {
    const int width = (job.outH + 7) / 8 * 8;
    const int height = job.outW;
    std::vector<int> entries(static_cast<size_t>(width) * height, 0);
    const double stepX = job.outW ? static_cast<double>(job.w) / job.outW : 0;
    const double stepY = job.outH ? static_cast<double>(job.h) / job.outH : 0;
    int carry[3] = {0, 0, 0};
    for (int i = 0; i < job.outW; i++) {
        for (int j = 0; j < job.outH; j++) {
            int rgb[3];
            sample(image, job.x + stepX * i, job.y + stepY * j, rgb);
            int level[3];
            for (int c = 0; c < 3; c++) {
                level[c] = quantise(rgb[c], &carry[c], random);
            }
            entries[static_cast<size_t>(job.outW - 1 - i) * width + j] = nearestEntry(level);
        }
    }
    const uint32_t dataLength = static_cast<uint32_t>(width) * height / 4;
    std::vector<uint8_t> file;
    for (const char c : {'P', 'M', 'B', 'P'}) {
        file.push_back(static_cast<uint8_t>(c));
    }
    append(&file, dataLength + 20, 4);
    append(&file, 2, 2);
    append(&file, static_cast<uint32_t>(width), 2);
    append(&file, static_cast<uint32_t>(height), 2);
    append(&file, 0, 2);
    append(&file, dataLength, 4);
    uint8_t byte = 0;
    for (size_t k = 0; k < entries.size(); k++) {
        byte = static_cast<uint8_t>(byte << 2 | codeOfEntry(entries[k]));
        if (k % 4 == 3) {
            file.push_back(byte);
            byte = 0;
        }
    }
    return file;
}
