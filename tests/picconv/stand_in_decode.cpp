// Stands in for the plug-in decode: the picture is already a bitmap, so it is only copied to
// the temporary file, and the plug-in path is ignored.
#include <stdio.h>

#include "picconv/plugin/temp_bitmap.h"

namespace {

const char TEMP_BITMAP_NAME[] = "$$temp$$.bmp";

}  // namespace

const char *decodeToTempBitmap(const char *picturePath, const char *pluginPath, int *fresh) {
    (void)pluginPath;
    *fresh = 1;
    FILE *in = fopen(picturePath, "rb");
    if (in == nullptr) {
        return nullptr;
    }
    FILE *out = fopen(TEMP_BITMAP_NAME, "wb");
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
    return ok ? TEMP_BITMAP_NAME : nullptr;
}
