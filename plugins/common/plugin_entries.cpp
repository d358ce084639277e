#include "plugins/common/plugin_entries.h"

#include <string.h>

#include "plugins/common/plugin_input.h"
#include "plugins/common/plugin_text.h"

namespace {

uint16_t clampDensity(unsigned density) {
    return static_cast<uint16_t>(density > 0xFFFFu ? 0xFFFFu : density);
}

// The picture's bytes, provided they are of this plug-in's format.
int readFormatInput(const PICTURE_FORMAT_T *format, LPSTR buf, PLUGIN_LONG_T len, unsigned int flag,
                    INPUT_BYTES_T *input) {
    int result = readPluginInput(buf, len, flag, input);
    if (result != PLUGIN_OK) {
        return result;
    }
    return format->isFormat(input->data, input->size) ? PLUGIN_OK : PLUGIN_ERR_UNKNOWN_FORMAT;
}

}  // namespace

int pluginGetPluginInfo(const PICTURE_FORMAT_T *format, int infono, LPSTR buf, int buflen) {
    switch (infono) {
        case 0:
            return copyPluginText(PLUGIN_VERSION_PICTURE, buf, buflen);
        case 1:
            return copyPluginText(format->about, buf, buflen);
        case 2:
            return copyPluginText(format->filter, buf, buflen);
        case 3:
            return copyPluginText(format->formatName, buf, buflen);
        default:
            return 0;
    }
}

// The bytes decide, whatever the file's name says.
int pluginIsSupported(const PICTURE_FORMAT_T *format, LPSTR /* filename */, PLUGIN_DW_T dw) {
    uint8_t head[PLUGIN_HEAD_SIZE];
    size_t size = readSupportHead(dw, head);
    return format->isFormat(head, size) ? 1 : 0;
}

int pluginGetPictureInfo(const PICTURE_FORMAT_T *format, LPSTR buf, PLUGIN_LONG_T len,
                         unsigned int flag, PictureInfo *lpInfo) {
    if (lpInfo == nullptr) {
        return PLUGIN_ERR_INTERNAL;
    }
    INPUT_BYTES_T input;
    int result = readFormatInput(format, buf, len, flag, &input);
    if (result != PLUGIN_OK) {
        return result;
    }
    PICTURE_FACTS_T facts = {};
    result = format->readFacts(input.data, input.size, &facts);
    if (result != PLUGIN_OK) {
        return result;
    }
    result = checkPictureSize(facts.width, facts.height);
    if (result != PLUGIN_OK) {
        return result;
    }
    memset(lpInfo, 0, sizeof *lpInfo);
    lpInfo->width = static_cast<int32_t>(facts.width);
    lpInfo->height = static_cast<int32_t>(facts.height);
    lpInfo->x_density = clampDensity(facts.xDensity);
    lpInfo->y_density = clampDensity(facts.yDensity);
    lpInfo->colorDepth = static_cast<int16_t>(facts.colorDepth);
    lpInfo->hInfo = nullptr;
    return PLUGIN_OK;
}

int pluginGetPicture(const PICTURE_FORMAT_T *format, LPSTR buf, PLUGIN_LONG_T len,
                     unsigned int flag, HANDLE *pHBInfo, HANDLE *pHBm, FARPROC progressCallback,
                     PLUGIN_LONG_T lData) {
    if (pHBInfo == nullptr || pHBm == nullptr) {
        return PLUGIN_ERR_INTERNAL;
    }
    *pHBInfo = nullptr;
    *pHBm = nullptr;
    INPUT_BYTES_T input;
    int result = readFormatInput(format, buf, len, flag, &input);
    if (result != PLUGIN_OK) {
        return result;
    }
    OUTPUT_BITMAP_T out;
    memset(&out, 0, sizeof out);
    PROGRESS_T progress = makeProgress(progressCallback, lData);
    result = format->decode(input.data, input.size, &out, &progress);
    if (result != PLUGIN_OK) {
        discardOutputBitmap(&out);
        return result;
    }
    return finishOutputBitmap(&out, pHBInfo, pHBm);
}

int pluginConfigurationDlg(HWND /* parent */, int fnc) {
    // No window system to show an about box in, and nothing to set.
    return (fnc == 0 || fnc == 1) ? PLUGIN_OK : PLUGIN_ERR_NOT_IMPLEMENTED;
}

unsigned dotsPerInchFromMetre(uint64_t perMetre) {
    uint64_t dpi = (perMetre * 254u + 5000u) / 10000u;
    return dpi > 0xFFFFu ? 0xFFFFu : static_cast<unsigned>(dpi);
}
