#include "tests/plugins/picture_files.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <gtest/gtest.h>

#include "tests/support/run_program.h"
#include "tests/support/test_files.h"

namespace {

struct SCRATCH_T {
    std::string path = makeTempDir("plugins-test");
    ~SCRATCH_T() {
        if (getenv("PLUGINS_TEST_KEEP") == nullptr) {
            removeTree(path);
        }
    }
};

bool found(const char *program) {
    return strstr(program, "NOTFOUND") == nullptr && program[0] != '\0';
}

bool runQuietly(const std::vector<std::string> &argv, std::string *out = nullptr) {
    RUN_RESULT_T result = runProgram(argv, scratchDir());
    if (result.status != 0) {
        ADD_FAILURE() << argv[0] << " failed (" << result.status << "): " << result.err;
        return false;
    }
    if (out != nullptr) {
        *out = result.out;
    }
    return true;
}

// Reads a binary PNM (P5 or P6, maxval 255) as RGBA.
bool readPnm(const std::string &path, RGBA_PICTURE_T *picture) {
    std::vector<uint8_t> bytes = readBytes(path);
    std::string text(bytes.begin(), bytes.end());
    char magic[3] = {};
    int maxval = 0;
    int start = 0;
    if (sscanf(text.c_str(), "%2s %d %d %d%n", magic, &picture->width, &picture->height, &maxval,
               &start) != 4) {
        return false;
    }
    start++;  // the one blank after maxval
    int channels = strcmp(magic, "P6") == 0 ? 3 : strcmp(magic, "P5") == 0 ? 1 : 0;
    size_t count = static_cast<size_t>(picture->width) * picture->height;
    if (channels == 0 || maxval != 255 || bytes.size() < start + count * channels) {
        return false;
    }
    picture->rgba.resize(count * 4);
    for (size_t i = 0; i < count; i++) {
        for (int c = 0; c < 3; c++) {
            picture->rgba[4 * i + c] = bytes[start + i * channels + (channels == 3 ? c : 0)];
        }
        picture->rgba[4 * i + 3] = 255;
    }
    return true;
}

}  // namespace

const std::string &scratchDir() {
    static SCRATCH_T scratch;
    return scratch.path;
}

bool haveImageMagick() {
    return found(CONVERT_PROGRAM);
}

bool haveDjpeg() {
    return found(DJPEG_PROGRAM);
}

bool runConvert(const std::vector<std::string> &arguments) {
    std::vector<std::string> argv = {CONVERT_PROGRAM};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return runQuietly(argv);
}

RGBA_PICTURE_T makePattern(const std::string &kind, int width, int height) {
    RGBA_PICTURE_T picture;
    picture.width = width;
    picture.height = height;
    picture.rgba.resize(4u * width * height);
    for (int y = 0; y < height; y++) {
        for (int x = 0; x < width; x++) {
            uint8_t *p = &picture.rgba[4u * (y * width + x)];
            int wide = width > 1 ? width - 1 : 1;
            int tall = height > 1 ? height - 1 : 1;
            p[0] = static_cast<uint8_t>(x * 255 / wide);
            p[1] = static_cast<uint8_t>(y * 255 / tall);
            p[2] = static_cast<uint8_t>((x * y * 13 + x * 5) & 255);
            p[3] = 255;
            if (kind == "rgba") {
                p[3] = static_cast<uint8_t>(((x + y * width) * 37) & 255);
            } else if (kind == "few") {
                int index = (x / 3 + (y / 2) * 7) % 200;
                p[0] = static_cast<uint8_t>(index * 41);
                p[1] = static_cast<uint8_t>(index * 13 + 7);
                p[2] = static_cast<uint8_t>(255 - index);
            } else if (kind == "grey") {
                p[0] = p[1] = p[2] = static_cast<uint8_t>((x * 7 + y * 11) & 255);
            }
        }
    }
    return picture;
}

void writePam(const std::string &path, const RGBA_PICTURE_T &picture) {
    std::string header = "P7\nWIDTH " + std::to_string(picture.width) + "\nHEIGHT " +
                         std::to_string(picture.height) +
                         "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
    std::vector<uint8_t> bytes(header.begin(), header.end());
    bytes.insert(bytes.end(), picture.rgba.begin(), picture.rgba.end());
    writeBytes(path, bytes);
}

bool imageMagickDecode(const std::string &path, RGBA_PICTURE_T *picture, bool ignoreAlpha) {
    std::string raw = path + ".rgba";
    std::string source = path + "[0]";
    std::vector<std::string> decode = {CONVERT_PROGRAM, source};
    if (ignoreAlpha) {
        decode.insert(decode.end(), {"-alpha", "off"});
    }
    decode.insert(decode.end(), {"-depth", "16", "-endian", "MSB", "rgba:" + raw});
    std::string size;
    if (!runQuietly(decode) ||
        !runQuietly({CONVERT_PROGRAM, source, "-format", "%w %h", "info:-"}, &size) ||
        sscanf(size.c_str(), "%d %d", &picture->width, &picture->height) != 2) {
        return false;
    }
    // Read at 16 bits and rounded here: ImageMagick's own reduction of some 16-bit kinds to 8
    // bits truncates.
    std::vector<uint8_t> wide = readBytes(raw);
    picture->rgba.resize(wide.size() / 2);
    for (size_t i = 0; i < picture->rgba.size(); i++) {
        unsigned value = static_cast<unsigned>(wide[2 * i]) << 8 | wide[2 * i + 1];
        picture->rgba[i] = static_cast<uint8_t>((value + 128u) / 257u);
    }
    return picture->rgba.size() == 4u * picture->width * picture->height;
}

bool djpegDecode(const std::string &path, RGBA_PICTURE_T *picture) {
    std::string pnm = path + ".pnm";
    return runQuietly({DJPEG_PROGRAM, "-pnm", "-outfile", pnm, path}) && readPnm(pnm, picture);
}

std::vector<uint8_t> overWhiteRgb(const RGBA_PICTURE_T &picture) {
    std::vector<uint8_t> rgb;
    rgb.reserve(picture.rgba.size() / 4 * 3);
    for (size_t i = 0; i + 3 < picture.rgba.size(); i += 4) {
        unsigned alpha = picture.rgba[i + 3];
        for (int c = 0; c < 3; c++) {
            rgb.push_back(static_cast<uint8_t>(
                (picture.rgba[i + c] * alpha + 255u * (255u - alpha) + 127u) / 255u));
        }
    }
    return rgb;
}

int largestDifference(const std::vector<uint8_t> &a, const std::vector<uint8_t> &b) {
    if (a.size() != b.size()) {
        return 256;
    }
    int largest = 0;
    for (size_t i = 0; i < a.size(); i++) {
        int d = abs(static_cast<int>(a[i]) - static_cast<int>(b[i]));
        largest = d > largest ? d : largest;
    }
    return largest;
}
