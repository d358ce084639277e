// Whole reads and writes on file descriptors, for the POSIX bodies of platform/: a signal or a
// short count never cuts one short.
#ifndef PLATFORM_POSIX_DESCRIPTORS_H
#define PLATFORM_POSIX_DESCRIPTORS_H

#include <errno.h>
#include <stddef.h>
#include <sys/types.h>
#include <unistd.h>

// Writes all size bytes; false when the descriptor takes no more.
inline bool writeAll(int descriptor, const void *data, size_t size) {
    const char *bytes = static_cast<const char *>(data);
    while (size > 0) {
        const ssize_t sent = write(descriptor, bytes, size);
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        if (sent <= 0) {
            return false;
        }
        bytes += sent;
        size -= static_cast<size_t>(sent);
    }
    return true;
}

// Reads up to size bytes from offset on, leaving the descriptor's position alone; the number
// read, fewer at the end of the file.
inline size_t readAllAt(int descriptor, void *buffer, size_t size, off_t offset) {
    char *bytes = static_cast<char *>(buffer);
    size_t got = 0;
    while (got < size) {
        const ssize_t count =
            pread(descriptor, bytes + got, size - got, offset + static_cast<off_t>(got));
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            break;
        }
        got += static_cast<size_t>(count);
    }
    return got;
}

#endif
