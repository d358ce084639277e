// Decoding a picture through its plug-in into the temporary bitmap.
#include "picconv/plugin/temp_bitmap.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>

#include "picconv/diagnostics/diagnostics.h"
#include "picconv/plugin/bitmap_writer.h"
#include "picconv/plugin/decode_cache.h"
#include "picconv/plugin/plugin_entries.h"
#include "picconv/plugin/run_lock.h"
#include "platform/files.h"

namespace {

const char TEMP_BITMAP_NAME[] = "$$temp$$.bmp";

// Why the temporary file cannot be used, when something else than a regular file is there.
const char *unusableKind(PATH_KIND_T kind) {
    switch (kind) {
        case PATH_LINK:
            return "it is a symbolic link, which is never followed";
        case PATH_FOLDER:
            return "it is a folder";
        case PATH_OTHER:
            return "it is not a regular file";
        default:
            return nullptr;
    }
}

}  // namespace

const char *decodeToTempBitmap(const char *picturePath, const char *pluginPath, int *fresh) {
    *fresh = 0;
    const bool samePlugin = pluginPathRemembered(pluginPath);
    // The file still holds this picture only if the same plug-in decoded it.
    if (samePlugin && pictureRemembered(picturePath, TEMP_BITMAP_NAME)) {
        return TEMP_BITMAP_NAME;
    }
    forgetPicture();
    if (!samePlugin) {
        if (!makePluginCurrent(pluginPath)) {
            rememberPluginPath("");
            return nullptr;
        }
        rememberPluginPath(pluginPath);
    }
    FILE_STAMP_T stamp;
    const bool stamped = takeFileStamp(picturePath, &stamp) != 0;

    // Without the lock the run goes on unlocked, but never through what is not a regular file.
    if (!takeRunLock(TEMP_BITMAP_NAME) && unusableKind(pathKind(TEMP_BITMAP_NAME)) != nullptr) {
        noteLineProblem("cannot use %s: %s", TEMP_BITMAP_NAME,
                        unusableKind(pathKind(TEMP_BITMAP_NAME)));
        return nullptr;
    }
    FILE *file = openRegularFileNoFollow(TEMP_BITMAP_NAME, "wb");
    if (file == nullptr) {
        const char *why = unusableKind(pathKind(TEMP_BITMAP_NAME));
        noteLineProblem("cannot use %s: %s", TEMP_BITMAP_NAME,
                        why != nullptr ? why : strerror(errno));
        return nullptr;
    }
    *fresh = 1;
    int pictureResult = PLUGIN_ERR_NOT_IMPLEMENTED;
    bool written = writeBitmapFromHandles(file, picturePath, &currentPlugin, &pictureResult) != 0;
    if (currentPlugin.GetPicture == nullptr) {
        noteLineProblem("%s has no GetPicture entry point, so it cannot decode %s", pluginPath,
                        picturePath);
    } else if (pictureResult != PLUGIN_OK) {
        noteLineProblem("%s cannot decode %s: %s (%d)", pluginPath, picturePath,
                        pictureResultText(pictureResult), pictureResult);
    }
    if (fclose(file) != 0 && written) {
        noteLineProblem("cannot write %s: %s", TEMP_BITMAP_NAME, strerror(errno));
        written = false;
    }
    if (!written) {
        noteLineProblem("cannot write %s", TEMP_BITMAP_NAME);
        return nullptr;
    }
    // A failed decode is not reused: its message must show on every line that asks for it.
    if (pictureResult == PLUGIN_OK && stamped) {
        rememberPicture(picturePath, &stamp, TEMP_BITMAP_NAME);
    }
    return TEMP_BITMAP_NAME;
}
