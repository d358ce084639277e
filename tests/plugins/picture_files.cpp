#include "picture_files.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include <gtest/gtest.h>

namespace {

std::string makeScratchDir() {
    const char *base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr ? base : "/tmp") + "/plugins_test.XXXXXX";
    if (mkdtemp(&pattern[0]) == nullptr) {
        ADD_FAILURE() << "mkdtemp failed";
    }
    return pattern;
}

struct SCRATCH_T {
    std::string path = makeScratchDir();
    ~SCRATCH_T() {
        if (std::getenv("PLUGINS_TEST_KEEP") == nullptr) {
            runCommand("rm -rf '" + path + "'");
        }
    }
};

/* Reads a binary PNM (P5 or P6, maxval 255) as RGBA. */
bool readPnm(const std::string &path, RGBA_PICTURE_T *picture) {
    std::vector<uint8_t> bytes = readBytes(path);
    std::string text(bytes.begin(), bytes.end());
    std::istringstream in(text);
    std::string magic;
    int maxval = 0;
    in >> magic >> picture->width >> picture->height >> maxval;
    in.get();
    int channels = magic == "P6" ? 3 : magic == "P5" ? 1 : 0;
    size_t count = static_cast<size_t>(picture->width) * picture->height;
    size_t start = static_cast<size_t>(in.tellg());
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

std::vector<uint8_t> readBytes(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>());
}

void writeBytes(const std::string &path, const std::vector<uint8_t> &bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char *>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

bool runCommand(const std::string &command) {
    return std::system(command.c_str()) == 0;
}

bool haveImageMagick() {
    return std::string(CONVERT_PROGRAM).find("NOTFOUND") == std::string::npos;
}

bool haveDjpeg() {
    return std::string(DJPEG_PROGRAM).find("NOTFOUND") == std::string::npos;
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
    std::string size = path + ".size";
    std::string source = "'" + path + "[0]'";
    std::string alpha = ignoreAlpha ? " -alpha off" : "";
    if (!runCommand(std::string(CONVERT_PROGRAM) + " " + source + alpha +
                    " -depth 16 -endian MSB rgba:'" + raw + "' && " + CONVERT_PROGRAM + " " +
                    source + " -format '%w %h' info:- > '" + size + "'")) {
        return false;
    }
    std::ifstream in(size);
    in >> picture->width >> picture->height;
    /* Read at 16 bits and rounded here: ImageMagick's own reduction of some 16-bit kinds
     * to 8 bits truncates. */
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
    return runCommand(std::string(DJPEG_PROGRAM) + " -pnm -outfile '" + pnm + "' '" + path + "'") &&
           readPnm(pnm, picture);
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
        int d = std::abs(static_cast<int>(a[i]) - static_cast<int>(b[i]));
        largest = d > largest ? d : largest;
    }
    return largest;
}
