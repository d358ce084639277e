// What the plug-in import tests need beyond tests/support: the test plug-ins, PPM pictures
// for them, and the temporary bitmaps they should give.
#ifndef TESTS_PLUGIN_PLUGIN_TEST_FILES_H
#define TESTS_PLUGIN_PLUGIN_TEST_FILES_H

#include <string>

// The test plug-ins, built into one folder of the build tree.
std::string testPluginPath(const std::string &name);

// A binary PPM picture whose pixel values follow from seed.
std::string makePpm(int width, int height, int seed);

// The temporary bitmap the working test plug-in gives for ppm, with or without each block
// (sizes and offset counted accordingly).
enum BITMAP_PARTS_T { INFO_AND_PIXELS, PIXELS_ONLY, HEADER_ONLY };
std::string expectedBitmap(const std::string &ppm, BITMAP_PARTS_T parts, bool inverted = false);
std::string bitmapFileHeader(unsigned int fileSize, unsigned int pixelOffset);

#endif
