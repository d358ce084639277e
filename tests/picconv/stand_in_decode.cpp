// Stands in for the plug-in import: the picture is already a bitmap, so it is only copied to
// the temporary file; the plug-in path is ignored, and a probe reads the bitmap's own header.
#include <stdio.h>
#include <string.h>

#include "picconv/diagnostics/diagnostics.h"
#include "picconv/plugin/decode_cache.h"
#include "picconv/plugin/plugin_entries.h"
#include "picconv/plugin/run_lock.h"
#include "picconv/plugin/plugin_probe.h"
#include "picconv/plugin/temp_bitmap.h"

const char TEMP_BITMAP_NAME[] = "$$temp$$.bmp";

namespace {

const char *g_target = TEMP_BITMAP_NAME;
bool g_used = false;

}  // namespace

int temporaryBitmapUsed(void) {
    return g_used ? 1 : 0;
}

void decodeIntoPrivateBitmap(const char *path) {
    g_target = path != nullptr ? path : TEMP_BITMAP_NAME;
}

int takeRunLock(const char *path) {
    (void)path;
    return 1;
}

void setFatalLoadHook(void (*hook)(void)) {
    (void)hook;
}

bool pluginPathRemembered(const char *path) {
    (void)path;
    return false;
}

bool pictureRemembered(const char *path, const char *tempPath) {
    (void)path;
    (void)tempPath;
    return false;
}

void forgetPicture(void) {}

const char *decodeToTempBitmap(const char *picturePath, const char *pluginPath, int *fresh) {
    (void)pluginPath;
    *fresh = 1;
    g_used = false;
    FILE *in = fopen(picturePath, "rb");
    if (in == nullptr) {
        noteLineProblem("cannot read %s", picturePath);
        return nullptr;
    }
    FILE *out = fopen(g_target, "wb");
    g_used = out != nullptr;
    bool ok = out != nullptr;
    char buffer[4096];
    size_t n;
    while (ok && (n = fread(buffer, 1, sizeof buffer, in)) > 0) {
        ok = fwrite(buffer, 1, n, out) == n;
    }
    ok = ok && !ferror(in);
    fclose(in);
    if (out != nullptr && fclose(out) != 0) {
        ok = false;
    }
    return ok ? g_target : nullptr;
}

void setKeepGoing(int keepGoing) {
    (void)keepGoing;
}

int findPluginFile(const char *path, char *buffer, size_t size) {
    const size_t length = strlen(path);
    if (length >= size) {
        return 0;
    }
    memcpy(buffer, path, length + 1);
    return 1;
}

void setPluginSearchFolder(const char *folder) {
    (void)folder;
}

const char *currentPluginFile(void) {
    return nullptr;
}

int probePlugin(const char *pluginPath, const char **file, const char **why) {
    *file = pluginPath;
    *why = "";
    return 1;
}

int probePictureSize(const char *picturePath, int32_t *width, int32_t *height) {
    FILE *in = fopen(picturePath, "rb");
    uint8_t header[26];
    const bool read = in != nullptr && fread(header, 1, sizeof header, in) == sizeof header;
    if (in != nullptr) {
        fclose(in);
    }
    if (!read || header[0] != 'B' || header[1] != 'M') {
        return 0;
    }
    *width = static_cast<int32_t>(header[18] | header[19] << 8 | header[20] << 16 |
                                  static_cast<uint32_t>(header[21]) << 24);
    const int32_t rows = static_cast<int32_t>(header[22] | header[23] << 8 | header[24] << 16 |
                                              static_cast<uint32_t>(header[25]) << 24);
    *height = rows < 0 ? -rows : rows;
    return 1;
}

void releaseProbedPlugin(void) {}
