// Stands in for the plug-in decode: the picture is already a bitmap, so it is only copied to
// the temporary file, and the plug-in path is ignored.
#include <stdio.h>

#include "picconv/plugin/temp_bitmap.h"

int g_stderr_line_open = 0;

const char *decodeToTempBitmap(const char *picturePath, const char *pluginPath) {
    (void)pluginPath;
    static const char kName[] = "$$temp$$.bmp";
    FILE *in = fopen(picturePath, "rb");
    if (in == NULL) {
        return NULL;
    }
    FILE *out = fopen(kName, "wb");
    bool ok = out != NULL;
    char buffer[4096];
    size_t n;
    while (ok && (n = fread(buffer, 1, sizeof buffer, in)) > 0) {
        ok = fwrite(buffer, 1, n, out) == n;
    }
    ok = ok && !ferror(in);
    fclose(in);
    if (out != NULL && fclose(out) != 0) {
        ok = false;
    }
    return ok ? kName : NULL;
}
