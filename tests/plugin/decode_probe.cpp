// A run of its own: decodes argv[1] through argv[2] in the current directory, then reports
// whether another descriptor could take the temporary file's lock.
#include <stdio.h>

#include "picconv/plugin/temp_bitmap.h"
#include "platform/process.h"

int main(int argc, char **argv) {
    if (argc < 3) {
        return 2;
    }
    int fresh = 0;
    const char *name = decodeToTempBitmap(argv[1], argv[2], &fresh);
    const bool lockedOut = isFileLockedForProcess("$$temp$$.bmp") != 0;
    printf("%s %s\n", name != nullptr ? name : "(null)", lockedOut ? "locked" : "unlocked");
    return 0;
}
