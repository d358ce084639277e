// Writing an output file so that its path only ever holds the old file or the whole new one.
//
// One mechanism for every tool: write-then-rename. The new contents go to a fresh file in the
// same folder and are renamed over the path once complete. Removing a partial file after a
// failure (the other choice) cannot help when the process is killed, and by then the earlier
// good file is already gone; a rename keeps it until the new one is whole, and needs no clean-up
// but the temporary file itself. Nothing is flushed to the disk: the rename protects against a
// failed or killed run, and a sync per file would cost a batch of small outputs dearly.
//
// A symbolic link at the path is followed, and its final target is replaced (the link stays).
// A path naming something other than a regular file (a device such as /dev/null, a pipe) is
// written directly, as there is nothing there to replace.
#ifndef COMMON_SAFE_FILE_H
#define COMMON_SAFE_FILE_H

#include <stdio.h>

struct SAFE_FILE_T {
    FILE *file;           // where the contents go
    char *targetPath;     // the file that is replaced, symbolic links resolved
    char *temporaryPath;  // null when writing directly
};

// Starts writing path with fopen mode mode ("wb", or "w" for text). 1 on success, with *safe
// ready; 0 with errno set when nothing could be opened (and then nothing was created).
int openSafeFile(const char *path, const char *mode, SAFE_FILE_T *safe);

// Finishes: checks every write, closes, and puts the new file in place. 1 when path now holds
// the whole new file; 0 with errno set, and then path is as it was before.
int commitSafeFile(SAFE_FILE_T *safe);

// Gives up: closes and removes the temporary file; path is as it was before.
void abandonSafeFile(SAFE_FILE_T *safe);

// Removes the temporary file of a write in progress, if any; safe to call from a signal
// handler, so a killed run leaves no stray file behind.
void removePendingSafeFile(void);

#endif
