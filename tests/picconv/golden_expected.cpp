// Writes the expected files of golden conversion cases from the independent calculation
// (reference_pmbp.cpp), never from the converter:
//   picconv_golden_expected CASEDIR...
// Each CASEDIR holds picture.bmp (24-bit, or 8-bit with a palette; uncompressed) and command,
// one command line "PLUGIN|picture.bmp|out.pmbp|x,y,w,h|x,y,w,h" with plain numbers. Written:
// expected.pmbp with glibc's unseeded rand() sequence, expected-windows.pmbp with the Windows C
// runtime's, the noise picconv draws on each.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "tests/picconv/reference_pmbp.h"
#include "tests/support/test_files.h"

namespace {

// glibc's rand() from srand(1): words seeded by r[i] = 16807 r[i-1] mod (2^31 - 1), then
// r[i] = r[i-31] + r[i-3], handed out as r >> 1 after the first 310.
std::vector<uint32_t> g_glibc;

int glibcRand() {
    if (g_glibc.empty()) {
        g_glibc.push_back(1);
        for (size_t i = 1; i < 344; i++) {
            g_glibc.push_back(
                i < 31   ? static_cast<uint32_t>(16807 * uint64_t{g_glibc[i - 1]} % 2147483647)
                : i < 34 ? g_glibc[i - 31]
                         : g_glibc[i - 31] + g_glibc[i - 3]);
        }
    }
    const size_t i = g_glibc.size();
    g_glibc.push_back(g_glibc[i - 31] + g_glibc[i - 3]);
    return static_cast<int>(g_glibc.back() >> 1);
}

// The Windows C runtime's rand() from its start: a linear congruential generator.
uint32_t g_windows = 1;

int windowsRand() {
    g_windows = g_windows * 214013u + 2531011u;
    return static_cast<int>(g_windows >> 16 & 0x7FFF);
}

uint32_t le(const std::vector<uint8_t> &bytes, size_t at, int count) {
    uint32_t value = 0;
    for (int k = count - 1; k >= 0; k--) {
        value = value << 8 | bytes[at + k];
    }
    return value;
}

bool readPicture(const std::string &path, TEST_IMAGE_T *image) {
    const std::vector<uint8_t> file = readBytes(path);
    if (file.size() < 54 || file[0] != 'B' || file[1] != 'M') {
        return false;
    }
    const uint32_t bits = le(file, 28, 2);
    image->w = static_cast<int>(le(file, 18, 4));
    image->h = static_cast<int>(le(file, 22, 4));
    const size_t rowSize = (static_cast<size_t>(image->w) * bits / 8 + 3) / 4 * 4;
    const size_t pixels = le(file, 10, 4);
    const size_t palette = 14 + le(file, 14, 4);
    if (le(file, 30, 4) != 0 || (bits != 24 && bits != 8) || image->w <= 0 || image->h <= 0 ||
        pixels + rowSize * image->h > file.size()) {
        return false;
    }
    image->rgb.clear();
    for (int y = 0; y < image->h; y++) {
        const size_t row = pixels + rowSize * (image->h - 1 - y);
        for (int x = 0; x < image->w; x++) {
            const size_t at = bits == 24 ? row + 3 * x : palette + 4 * file[row + x];
            if (at + 3 > file.size()) {
                return false;
            }
            image->rgb.insert(image->rgb.end(), {file[at + 2], file[at + 1], file[at]});
        }
    }
    return true;
}

// The rectangle's and the size's numbers, after the third '|': runs of digits, cut to 16 bits.
bool readJob(const std::string &command, REFERENCE_JOB_T *job) {
    std::vector<uint16_t> numbers;
    int bars = 0;
    for (const char *p = command.c_str(); *p != '\0';) {
        if (bars >= 3 && *p >= '0' && *p <= '9') {
            char *end = nullptr;
            numbers.push_back(static_cast<uint16_t>(strtoul(p, &end, 10)));
            p = end;
        } else {
            bars += *p++ == '|';
        }
    }
    if (numbers.size() != 8) {
        return false;
    }
    *job = {static_cast<int16_t>(numbers[0]),
            static_cast<int16_t>(numbers[1]),
            numbers[2],
            numbers[3],
            numbers[6],
            numbers[7]};
    return true;
}

}  // namespace

int main(int argc, char **argv) {
    for (int k = 1; k < argc; k++) {
        const std::string dir = argv[k];
        TEST_IMAGE_T image;
        REFERENCE_JOB_T job;
        if (!readPicture(dir + "/picture.bmp", &image) ||
            !readJob(readFile(dir + "/command"), &job)) {
            fprintf(stderr, "%s: no picture.bmp or command this tool reads\n", argv[k]);
            return 1;
        }
        g_glibc.clear();
        g_windows = 1;
        if (!writeBytes(dir + "/expected.pmbp", referencePackedFile(image, job, glibcRand)) ||
            !writeBytes(dir + "/expected-windows.pmbp",
                        referencePackedFile(image, job, windowsRand))) {
            fprintf(stderr, "%s: cannot write the expected files\n", argv[k]);
            return 1;
        }
    }
    return 0;
}
