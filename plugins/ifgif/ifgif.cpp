// ifgif.spi: GIF through giflib, the first frame.
#include "plugins/common/plugin_entries.h"
#include "plugins/ifgif/gif_decode.h"

namespace {

const PICTURE_FORMAT_T GIF_FORMAT = {
    "ifgif.spi 1.0: GIF through giflib (first frame)",
    "*.gif",
    "GIF file",
    isGifHead,
    readGifFacts,
    decodeGif,
};

}  // namespace

DEFINE_PICTURE_PLUGIN_ENTRIES(GIF_FORMAT)
