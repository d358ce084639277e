// Decoding a picture through its plug-in into the temporary bitmap.
#include "temp_bitmap.h"

#include <stdio.h>

#include "bitmap_writer.h"
#include "decode_cache.h"
#include "plugin_entries.h"
#include "run_lock.h"

int g_stderr_line_open = 0;

namespace {
const char TEMP_BITMAP_NAME[] = "$$temp$$.bmp";
}

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
    PICTURE_STAMP_T stamp;
    const bool stamped = takePictureStamp(picturePath, &stamp);

    takeRunLock(TEMP_BITMAP_NAME);
    FILE *file = fopen(TEMP_BITMAP_NAME, "wb");
    if (file == NULL) {
        return NULL;
    }
    int pictureResult = PLUGIN_ERR_NOT_IMPLEMENTED;
    bool written = writeBitmapFromHandles(file, picturePath, &currentPlugin, &pictureResult) != 0;
    if (fclose(file) != 0) {
        written = false;
    }
    if (!written) {
        return NULL;
    }
    // A failed decode is not reused: its message must show on every line that asks for it.
    if (pictureResult == PLUGIN_OK && stamped) {
        rememberPicture(picturePath, &stamp, TEMP_BITMAP_NAME);
    }
    return TEMP_BITMAP_NAME;
}
