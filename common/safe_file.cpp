#include "common/safe_file.h"

#include <errno.h>
#include <stdlib.h>

#include "platform/files.h"
#include "platform/process.h"

namespace {

// The temporary file of the write in progress, for removePendingSafeFile. The tools write one
// output at a time.
const char *volatile g_pending_temporary = nullptr;

void release(SAFE_FILE_T *safe) {
    g_pending_temporary = nullptr;
    free(safe->targetPath);
    free(safe->temporaryPath);
    safe->file = nullptr;
    safe->targetPath = nullptr;
    safe->temporaryPath = nullptr;
}

}  // namespace

int openSafeFile(const char *path, const char *mode, SAFE_FILE_T *safe) {
    safe->file = nullptr;
    safe->temporaryPath = nullptr;
    safe->targetPath = nullptr;
    // No file has an empty name (fopen refuses it); a temporary would land in the current folder.
    if (path[0] == '\0') {
        errno = ENOENT;
        return 0;
    }
    safe->targetPath = resolveLinks(path);
    if (safe->targetPath == nullptr) {
        errno = errno != 0 ? errno : ENOMEM;
        return 0;
    }
    if (pathExists(safe->targetPath) && !isRegularFile(safe->targetPath)) {
        safe->file = fopen(safe->targetPath, mode);
    } else {
        // A stop between creating the file and noting its name would leave it behind.
        holdStopRequests();
        safe->file = createTemporaryBeside(safe->targetPath, mode, &safe->temporaryPath);
        g_pending_temporary = safe->temporaryPath;
        releaseStopRequests();
    }
    if (safe->file == nullptr) {
        const int error = errno;
        release(safe);
        errno = error;
        return 0;
    }
    return 1;
}

int commitSafeFile(SAFE_FILE_T *safe) {
    // Buffered write errors show only at the flush and the close.
    bool written = ferror(safe->file) == 0 && fflush(safe->file) == 0;
    int error = written ? 0 : errno;
    if (fclose(safe->file) != 0 && written) {
        written = false;
        error = errno;
    }
    if (written && safe->temporaryPath != nullptr &&
        !replaceFile(safe->temporaryPath, safe->targetPath)) {
        written = false;
        error = errno;
    }
    if (!written && safe->temporaryPath != nullptr) {
        removeFileNow(safe->temporaryPath);
    }
    release(safe);
    if (!written) {
        errno = error != 0 ? error : EIO;
    }
    return written ? 1 : 0;
}

void abandonSafeFile(SAFE_FILE_T *safe) {
    fclose(safe->file);
    if (safe->temporaryPath != nullptr) {
        removeFileNow(safe->temporaryPath);
    }
    release(safe);
}

void removePendingSafeFile(void) {
    const char *pending = g_pending_temporary;
    if (pending != nullptr) {
        removeFileNow(pending);
    }
}
