// Pictures for the plug-in tests: the one scratch folder, source patterns, and the reference
// decodes by ImageMagick and djpeg.
#ifndef TESTS_PLUGINS_PICTURE_FILES_H
#define TESTS_PLUGINS_PICTURE_FILES_H

#include <stdint.h>

#include <string>
#include <vector>

// A picture top row first, 4 bytes (red, green, blue, alpha) a pixel.
struct RGBA_PICTURE_T {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;
};

// The one scratch folder of this test process, removed at exit unless PLUGINS_TEST_KEEP is set.
const std::string &scratchDir();

bool haveImageMagick();
bool haveDjpeg();

// Runs ImageMagick's convert with these arguments; true when it succeeds.
bool runConvert(const std::vector<std::string> &arguments);

// Source patterns: "rgb" (many colours), "rgba" (every alpha level), "few" (at most 200
// colours), "grey".
RGBA_PICTURE_T makePattern(const std::string &kind, int width, int height);
// As a PAM file ImageMagick reads.
void writePam(const std::string &path, const RGBA_PICTURE_T &picture);

// ImageMagick's decode of the file's first frame, as RGBA with 8 bits a channel.
bool imageMagickDecode(const std::string &path, RGBA_PICTURE_T *picture, bool ignoreAlpha = false);
// djpeg's decode, with its default settings.
bool djpegDecode(const std::string &path, RGBA_PICTURE_T *picture);

// The picture seen against white, 3 bytes a pixel.
std::vector<uint8_t> overWhiteRgb(const RGBA_PICTURE_T &picture);

// Where two RGB pictures differ most (0 when they are equal).
int largestDifference(const std::vector<uint8_t> &a, const std::vector<uint8_t> &b);

#endif
