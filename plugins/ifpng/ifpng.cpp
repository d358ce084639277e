// ifpng.spi: PNG through libpng.
#include <png.h>

#include "plugins/common/plugin_entries.h"
#include "plugins/ifpng/png_decode.h"

namespace {

const PICTURE_FORMAT_T PNG_FORMAT = {
    "ifpng.spi 1.0: PNG through libpng " PNG_LIBPNG_VER_STRING,
    "*.png",
    "PNG file",
    isPngHead,
    readPngFacts,
    decodePng,
};

}  // namespace

DEFINE_PICTURE_PLUGIN_ENTRIES(PNG_FORMAT)
