// ifjpeg.spi: JPEG through libjpeg-turbo.
#include "plugins/common/plugin_entries.h"
#include "plugins/ifjpeg/jpeg_decode.h"

namespace {

const PICTURE_FORMAT_T JPEG_FORMAT = {
    "ifjpeg.spi 1.0: JPEG through libjpeg-turbo",
    "*.jpg;*.jpeg;*.jpe;*.jfif",
    "JPEG file",
    isJpegHead,
    readJpegFacts,
    decodeJpeg,
};

}  // namespace

DEFINE_PICTURE_PLUGIN_ENTRIES(JPEG_FORMAT)
