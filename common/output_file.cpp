#include "common/output_file.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>

#include "common/safe_file.h"
#include "platform/files.h"

int fileHoldsBytes(const char *path, const uint8_t *data, size_t size) {
    if (!isRegularFile(path)) {
        return 0;
    }
    FILE *file = fopen(path, "rb");
    if (file == nullptr) {
        return 0;
    }
    uint64_t length = 0;
    bool same = regularFileSize(file, &length) && length == size;
    uint8_t buffer[65536];
    for (size_t at = 0; same && at < size;) {
        const size_t want = size - at < sizeof buffer ? size - at : sizeof buffer;
        same = fread(buffer, 1, want, file) == want && memcmp(buffer, data + at, want) == 0;
        at += want;
    }
    same = same && fgetc(file) == EOF;
    fclose(file);
    return same ? 1 : 0;
}

OUTPUT_WRITE_T writeOutputFile(const char *path, const uint8_t *data, size_t size) {
    if (path[0] != '\0' && fileHoldsBytes(path, data, size)) {
        return OUTPUT_UNCHANGED;
    }
    SAFE_FILE_T safe;
    if (!openSafeFile(path, "wb", &safe)) {
        return OUTPUT_FAILED;
    }
    if (size > 0 && fwrite(data, 1, size, safe.file) != size) {
        const int error = errno;
        abandonSafeFile(&safe);
        errno = error;
        return OUTPUT_FAILED;
    }
    return commitSafeFile(&safe) ? OUTPUT_WRITTEN : OUTPUT_FAILED;
}
