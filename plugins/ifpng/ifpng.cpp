/* ifpng.spi: PNG through libpng. */
#include <png.h>

#include "plugin_entries.h"
#include "png_decode.h"

namespace {

const PICTURE_FORMAT_T kPngFormat = {
    "ifpng.spi 1.0: PNG through libpng " PNG_LIBPNG_VER_STRING,
    "*.png",
    "PNG file",
    isPngHead,
    readPngFacts,
    decodePng,
};

}  // namespace

DEFINE_PICTURE_PLUGIN_ENTRIES(kPngFormat)
