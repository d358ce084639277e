/* ifjpeg.spi: JPEG through libjpeg-turbo. */
#include "jpeg_decode.h"
#include "plugin_entries.h"

namespace {

const PICTURE_FORMAT_T kJpegFormat = {
    "ifjpeg.spi 1.0: JPEG through libjpeg-turbo",
    "*.jpg;*.jpeg;*.jpe;*.jfif",
    "JPEG file",
    isJpegHead,
    readJpegFacts,
    decodeJpeg,
};

}  // namespace

DEFINE_PICTURE_PLUGIN_ENTRIES(kJpegFormat)
