// The run-long lock on the temporary bitmap.
#include "run_lock.h"

#include "windows_layer.h"

#ifdef _WIN32

void takeRunLock(const char *path) {
    static HANDLE lockHandle = INVALID_HANDLE_VALUE;
    if (lockHandle != INVALID_HANDLE_VALUE) {
        return;
    }
    // Read access and full sharing, so that our own truncating writes and SDL's reads
    // (which share reading only) still open the file.
    HANDLE handle =
        CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (handle == INVALID_HANDLE_VALUE) {
        return;
    }
    // Windows locks are mandatory: lock one byte far past any picture, never its data.
    OVERLAPPED where = {};
    where.Offset = 0xFFFFFFFEu;
    where.OffsetHigh = 0x7FFFFFFFu;
    if (!LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &where)) {
        CloseHandle(handle);
        return;
    }
    lockHandle = handle;
}

#else

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

void takeRunLock(const char *path) {
    static int lockDescriptor = -1;
    if (lockDescriptor >= 0) {
        return;
    }
    // No truncation here: the file may hold another run's picture until we own the lock.
    // flock belongs to this descriptor alone, so truncating and closing the file through
    // other descriptors of ours keeps the lock.
    int descriptor = open(path, O_RDONLY | O_CREAT | O_CLOEXEC, 0666);
    if (descriptor < 0) {
        return;
    }
    while (flock(descriptor, LOCK_EX) != 0) {
        if (errno != EINTR) {
            close(descriptor);
            return;
        }
    }
    lockDescriptor = descriptor;
}

#endif
