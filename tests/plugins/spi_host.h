// A plug-in loaded by path as a host loads it, and its GetPicture result read back.
#ifndef TESTS_PLUGINS_SPI_HOST_H
#define TESTS_PLUGINS_SPI_HOST_H

#include <stdint.h>

#include <string>
#include <vector>

#include "plugin_kit/include/picture_plugin.h"

struct SPI_T {
    HMODULE module;
    GET_PLUGIN_INFO_T getPluginInfo;
    IS_SUPPORTED_T isSupported;
    GET_PICTURE_INFO_T getPictureInfo;
    GET_PICTURE_T getPicture;
    GET_PREVIEW_T getPreview;
    CONFIGURATION_DLG_T configurationDlg;
};

// "ifbmp" etc., loaded once from the build tree; fails the test when it can't be.
const SPI_T &spiNamed(const std::string &name);

// A decoded picture, top row first, 3 bytes (red, green, blue) a pixel.
struct DECODED_T {
    int code = -100;
    int32_t width = 0;
    int32_t height = 0;
    int bits = 0;
    std::vector<uint8_t> rgb;
    std::vector<uint8_t> pixelBlock;  // as handed back, padding included
};

// Reads the two blocks back (checking that each is exactly as large as its contents) and
// frees them.
DECODED_T takeBlocks(int code, HANDLE info, HANDLE pixels);

DECODED_T decodeMemory(const SPI_T &spi, const std::vector<uint8_t> &bytes,
                       FARPROC progress = nullptr, PLUGIN_LONG_T data = 0);
DECODED_T decodeFile(const SPI_T &spi, const std::string &path, long offset);

#endif
