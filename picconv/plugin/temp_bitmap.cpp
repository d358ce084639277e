// Decoding a picture through its plug-in into the temporary bitmap.
#include "picconv/plugin/temp_bitmap.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>

#include "picconv/diagnostics/diagnostics.h"
#include "picconv/diagnostics/stage_times.h"
#include "picconv/plugin/bitmap_writer.h"
#include "picconv/plugin/decode_cache.h"
#include "picconv/plugin/plugin_entries.h"
#include "picconv/plugin/run_lock.h"
#include "platform/files.h"

const char TEMP_BITMAP_NAME[] = "$$temp$$.bmp";

namespace {

// Where a worker decodes instead of the run's temporary bitmap; null in a run of one process.
const char *g_private_bitmap = nullptr;
// Whether the last decode left the temporary bitmap holding its picture.
bool g_temporary_used = false;

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

// The temporary bitmap cannot be opened for writing; errno says why.
void noteUnusableTemporary() {
    const char *why = errno == EMLINK ? "it has other names (hard links), and writing it "
                                        "would change the files they name"
                                      : unusableKind(pathKind(TEMP_BITMAP_NAME));
    noteLineProblem("cannot use %s: %s", TEMP_BITMAP_NAME, why != nullptr ? why : strerror(errno));
}

// Why the picture cannot be read at all, or null when it can be opened.
const char *pictureUnreadable(const char *path) {
    if (isRegularFile(path)) {
        FILE *file = fopen(path, "rb");
        if (file == nullptr) {
            return strerror(errno);
        }
        fclose(file);
        return nullptr;
    }
    if (pathKind(path) == PATH_FOLDER) {
        return "it is a folder";
    }
    return pathExists(path) && pathKind(path) != PATH_LINK ? "it is not a regular file"
                                                           : strerror(ENOENT);
}

// A plug-in says "out of memory" for a picture over the kit's pixel limit; its size tells.
bool pictureOverLimit(const char *picturePath, int32_t *width, int32_t *height) {
    if (currentPlugin.GetPictureInfo == nullptr) {
        return false;
    }
    PictureInfo info = {};
    const int result =
        currentPlugin.GetPictureInfo(const_cast<LPSTR>(picturePath), 0, PLUGIN_INPUT_FILE, &info);
    if (info.hInfo != nullptr && localBlockIsLive(info.hInfo)) {
        LocalFree(info.hInfo);
    }
    *width = info.width;
    *height = info.height < 0 ? -info.height : info.height;
    return result == PLUGIN_OK && *width > 0 &&
           static_cast<uint64_t>(*width) * static_cast<uint64_t>(*height) > PLUGIN_MAX_PIXELS;
}

void noteDecodeFailure(const char *pluginPath, const char *picturePath, int pictureResult) {
    const char *unreadable = pictureUnreadable(picturePath);
    int32_t width = 0;
    int32_t height = 0;
    if (unreadable != nullptr) {
        noteLineProblem("cannot open the picture %s: %s", picturePath, unreadable);
    } else if (pictureResult == PLUGIN_ERR_NO_MEMORY &&
               pictureOverLimit(picturePath, &width, &height)) {
        noteLineProblem("%s is %d x %d pixels, over the limit of %llu pixels", picturePath, width,
                        height, static_cast<unsigned long long>(PLUGIN_MAX_PIXELS));
    } else {
        noteLineProblem("%s cannot decode %s: %s (%d)", pluginPath, picturePath,
                        pictureResultText(pictureResult), pictureResult);
    }
}

}  // namespace

const char *decodeToTempBitmap(const char *picturePath, const char *pluginPath, int *fresh) {
    *fresh = 0;
    g_temporary_used = false;
    const char *target = g_private_bitmap != nullptr ? g_private_bitmap : TEMP_BITMAP_NAME;
    const bool samePlugin = pluginPathRemembered(pluginPath);
    // The file still holds this picture only if the same plug-in decoded it.
    if (samePlugin && pictureRemembered(picturePath, target)) {
        g_temporary_used = true;
        return target;
    }
    forgetPicture();
    if (!samePlugin) {
        const uint64_t started = stageClock();
        const int loaded = makePluginCurrent(pluginPath);
        addStageTime(STAGE_PLUGIN_LOAD, started);
        if (!loaded) {
            rememberPluginPath("");
            return nullptr;
        }
        rememberPluginPath(pluginPath);
    }
    FILE_STAMP_T stamp;
    const bool stamped = takeFileStamp(picturePath, &stamp) != 0;

    // Without the lock the run goes on unlocked, but never through what is not a regular file.
    // A worker's run holds the lock elsewhere; it still refuses what the run would refuse.
    const bool locked = g_private_bitmap == nullptr && takeRunLock(TEMP_BITMAP_NAME);
    if (!locked && unusableKind(pathKind(TEMP_BITMAP_NAME)) != nullptr) {
        noteLineProblem("cannot use %s: %s", TEMP_BITMAP_NAME,
                        unusableKind(pathKind(TEMP_BITMAP_NAME)));
        return nullptr;
    }
    FILE_STAMP_T shared;
    if (g_private_bitmap != nullptr && takeFileStamp(TEMP_BITMAP_NAME, &shared) &&
        shared.links > 1) {
        errno = EMLINK;
        noteUnusableTemporary();
        return nullptr;
    }
    FILE *file = openRegularFileNoFollow(target, "wb");
    if (file == nullptr) {
        noteUnusableTemporary();
        return nullptr;
    }
    *fresh = 1;
    g_temporary_used = true;
    const uint64_t writing = stageClock();
    const uint64_t decodingBefore = stageTimes().nanoseconds[STAGE_DECODE];
    int pictureResult = PLUGIN_ERR_NOT_IMPLEMENTED;
    bool written = writeBitmapFromHandles(file, picturePath, &currentPlugin, &pictureResult) != 0;
    if (currentPlugin.GetPicture == nullptr) {
        noteLineProblem("%s has no GetPicture entry point, so it cannot decode %s", pluginPath,
                        picturePath);
    } else if (pictureResult != PLUGIN_OK) {
        noteDecodeFailure(pluginPath, picturePath, pictureResult);
    }
    if (fclose(file) != 0 && written) {
        noteLineProblem("cannot write %s: %s", TEMP_BITMAP_NAME, strerror(errno));
        written = false;
    }
    // The writing alone: the decode inside it is timed on its own.
    addStageTime(STAGE_TEMPORARY,
                 writing + (stageTimes().nanoseconds[STAGE_DECODE] - decodingBefore));
    if (!written) {
        noteLineProblem("cannot write %s", TEMP_BITMAP_NAME);
        return nullptr;
    }
    // A failed decode is not reused: its message must show on every line that asks for it.
    if (pictureResult == PLUGIN_OK && stamped) {
        rememberPicture(picturePath, &stamp, target);
    }
    return target;
}

int temporaryBitmapUsed(void) {
    return g_temporary_used ? 1 : 0;
}

void decodeIntoPrivateBitmap(const char *path) {
    g_private_bitmap = path;
}
