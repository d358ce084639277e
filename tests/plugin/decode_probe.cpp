// A run of its own: decodes argv[1] through argv[2] in the current directory, then reports
// whether another descriptor could take the temporary file's lock.
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>

#include "picconv/plugin/temp_bitmap.h"

int main(int argc, char **argv) {
    if (argc < 3) {
        return 2;
    }
    int fresh = 0;
    const char *name = decodeToTempBitmap(argv[1], argv[2], &fresh);
    int other = open("$$temp$$.bmp", O_RDONLY);
    bool lockedOut = other >= 0 && flock(other, LOCK_EX | LOCK_NB) != 0;
    printf("%s %s\n", name != nullptr ? name : "(null)", lockedOut ? "locked" : "unlocked");
    return 0;
}
