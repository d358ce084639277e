// Decoding a picture through its plug-in into the temporary bitmap.
#include "picconv/plugin/temp_bitmap.h"

#include <stdio.h>

#include "picconv/plugin/bitmap_writer.h"
#include "picconv/plugin/decode_cache.h"
#include "picconv/plugin/plugin_entries.h"
#include "picconv/plugin/run_lock.h"
#include "platform/files.h"

namespace {

const char TEMP_BITMAP_NAME[] = "$$temp$$.bmp";

}  // namespace

const char *decodeToTempBitmap(const char *picturePath, const char *pluginPath) {
    const bool samePlugin = pluginPathRemembered(pluginPath);
    // The file still holds this picture only if the same plug-in decoded it.
    if (samePlugin && pictureRemembered(picturePath, TEMP_BITMAP_NAME)) {
        return TEMP_BITMAP_NAME;
    }
    forgetPicture();
    if (!samePlugin) {
        makePluginCurrent(pluginPath);
        rememberPluginPath(pluginPath);
    }
    FILE_STAMP_T stamp;
    const bool stamped = takeFileStamp(picturePath, &stamp) != 0;

    takeRunLock(TEMP_BITMAP_NAME);
    FILE *file = fopen(TEMP_BITMAP_NAME, "wb");
    if (file == nullptr) {
        return nullptr;
    }
    int pictureResult = PLUGIN_ERR_NOT_IMPLEMENTED;
    bool written = writeBitmapFromHandles(file, picturePath, &currentPlugin, &pictureResult) != 0;
    if (fclose(file) != 0) {
        written = false;
    }
    if (!written) {
        return nullptr;
    }
    // A failed decode is not reused: its message must show on every line that asks for it.
    if (pictureResult == PLUGIN_OK && stamped) {
        rememberPicture(picturePath, &stamp, TEMP_BITMAP_NAME);
    }
    return TEMP_BITMAP_NAME;
}
