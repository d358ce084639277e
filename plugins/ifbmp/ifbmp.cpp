// ifbmp.spi: Windows and OS/2 bitmaps, with the project's own decoder.
#include "plugins/common/plugin_entries.h"
#include "plugins/ifbmp/bmp_decode.h"
#include "plugins/ifbmp/bmp_header.h"

namespace {

int readBmpFacts(const uint8_t *data, size_t size, PICTURE_FACTS_T *facts) {
    BMP_HEADER_T header;
    int result = readBmpHeader(data, size, &header);
    if (result != PLUGIN_OK) {
        return result;
    }
    facts->width = header.width;
    facts->height = header.height;
    facts->colorDepth = static_cast<int>(header.bits);
    facts->xDensity = dotsPerInchFromMetre(header.xPelsPerMeter);
    facts->yDensity = dotsPerInchFromMetre(header.yPelsPerMeter);
    return PLUGIN_OK;
}

const PICTURE_FORMAT_T BMP_FORMAT = {
    "ifbmp.spi 1.0: Windows/OS/2 bitmaps (core, info, V4, V5; 1-32 bits; RLE4, RLE8; bit fields)",
    "*.bmp;*.dib;*.rle",
    "Windows bitmap",
    isBmpHead,
    readBmpFacts,
    decodeBmp,
};

}  // namespace

DEFINE_PICTURE_PLUGIN_ENTRIES(BMP_FORMAT)
