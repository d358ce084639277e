// Moving the blocks GetPicture delivers into a Windows bitmap file.
#include "picconv/plugin/bitmap_writer.h"

#include <stdint.h>

#include "common/little_endian.h"
#include "picconv/diagnostics/diagnostics.h"

namespace {

enum { FILE_HEADER_SIZE = 14 };

bool writeFileHeader(FILE *file, uint64_t fileSize, uint64_t pixelOffset) {
    uint8_t header[FILE_HEADER_SIZE] = {'B', 'M'};
    storeLe32(header + 2, static_cast<uint32_t>(fileSize));
    storeLe32(header + 10, static_cast<uint32_t>(pixelOffset));
    return fwrite(header, 1, sizeof header, file) == sizeof header;
}

// Writes the whole block and frees it; returns the bytes it counts, 0 for a block that is
// absent or cannot be locked (such a block is left alone, not freed).
SIZE_T writeBlock(FILE *file, HLOCAL handle, bool *written) {
    if (handle == nullptr) {
        return 0;
    }
    const void *data = LocalLock(handle);
    if (data == nullptr) {
        return 0;
    }
    SIZE_T size = LocalSize(handle);
    if (fwrite(data, 1, size, file) != size) {
        *written = false;
    }
    LocalUnlock(handle);
    LocalFree(handle);
    return size;
}

}  // namespace

int WINAPI progressCallback(int num, int denom, long data) {
    (void)num;
    (void)denom;
    (void)data;
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
    return 0;
}

int writeBitmapFromHandles(FILE *file, const char *picturePath, const PLUGIN_ENTRIES_T *plugin,
                           int *pictureResult) {
    uint64_t fileSize = FILE_HEADER_SIZE;
    uint64_t pixelOffset = FILE_HEADER_SIZE;
    HANDLE info = nullptr;
    HANDLE pixels = nullptr;
    if (plugin->GetPicture == nullptr) {
        reportGetPictureMissing();
        *pictureResult = PLUGIN_ERR_NOT_IMPLEMENTED;
    } else {
        *pictureResult =
            plugin->GetPicture(const_cast<LPSTR>(picturePath), 0, PLUGIN_INPUT_FILE, &info, &pixels,
                               PLUGIN_FUNCTION_CAST(FARPROC, progressCallback), 0);
        if (*pictureResult != PLUGIN_OK) {
            reportPictureFailed(*pictureResult);
        }
    }
    bool written = writeFileHeader(file, fileSize, pixelOffset);
    SIZE_T infoSize = writeBlock(file, info, &written);
    fileSize += infoSize;
    pixelOffset += infoSize;
    fileSize += writeBlock(file, pixels, &written);
    // The header's fields are 32 bits wide; a larger picture cannot be described.
    if (fileSize > UINT32_MAX) {
        written = false;
    }
    if (fseek(file, 0, SEEK_SET) != 0) {
        written = false;
    }
    if (!writeFileHeader(file, fileSize, pixelOffset)) {
        written = false;
    }
    return written ? 1 : 0;
}
