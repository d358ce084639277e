/* ifgif.spi: GIF through giflib, the first frame. */
#include "gif_decode.h"
#include "plugin_entries.h"

namespace {

const PICTURE_FORMAT_T kGifFormat = {
    "ifgif.spi 1.0: GIF through giflib (first frame)",
    "*.gif",
    "GIF file",
    isGifHead,
    readGifFacts,
    decodeGif,
};

}  // namespace

DEFINE_PICTURE_PLUGIN_ENTRIES(kGifFormat)
