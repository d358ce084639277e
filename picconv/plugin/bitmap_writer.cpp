// Moving the blocks GetPicture delivers into a Windows bitmap file.
#include "picconv/plugin/bitmap_writer.h"

#include <stdint.h>

#include "common/little_endian.h"
#include "picconv/diagnostics/diagnostics.h"
#include "picconv/diagnostics/stage_times.h"
#include "picconv/plugin/bitmap_check.h"

namespace {

enum { FILE_HEADER_SIZE = 14 };

// One block as handed back: usable only when it is a live local memory block that locks.
struct BLOCK_T {
    HLOCAL handle;
    const uint8_t *data;  // null when absent or unlockable
    SIZE_T size;
};

bool writeFileHeader(FILE *file, uint64_t fileSize, uint64_t pixelOffset) {
    uint8_t header[FILE_HEADER_SIZE] = {'B', 'M'};
    storeLe32(header + 2, static_cast<uint32_t>(fileSize));
    storeLe32(header + 10, static_cast<uint32_t>(pixelOffset));
    return fwrite(header, 1, sizeof header, file) == sizeof header;
}

// False for a handle that is not a live local memory block: such a "block" is never read,
// locked or freed. A block that cannot be locked is left alone, as it stays its owner's.
bool takeBlock(HLOCAL handle, BLOCK_T *block) {
    block->handle = handle;
    block->data = nullptr;
    block->size = 0;
    if (handle == nullptr) {
        return true;
    }
    if (!localBlockIsLive(handle)) {
        block->handle = nullptr;
        return false;
    }
    block->data = static_cast<const uint8_t *>(LocalLock(handle));
    if (block->data != nullptr) {
        block->size = LocalSize(handle);
    }
    return true;
}

// Writes the whole block when asked, then frees it; returns the bytes it counts.
SIZE_T putBlock(FILE *file, const BLOCK_T *block, bool write, bool *written) {
    if (block->data == nullptr) {
        return 0;
    }
    if (write && fwrite(block->data, 1, block->size, file) != block->size) {
        *written = false;
    }
    LocalUnlock(block->handle);
    LocalFree(block->handle);
    return write ? block->size : 0;
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
    HANDLE infoHandle = nullptr;
    HANDLE pixelHandle = nullptr;
    if (plugin->GetPicture == nullptr) {
        reportGetPictureMissing();
        *pictureResult = PLUGIN_ERR_NOT_IMPLEMENTED;
    } else {
        const uint64_t started = stageClock();
        *pictureResult =
            plugin->GetPicture(const_cast<LPSTR>(picturePath), 0, PLUGIN_INPUT_FILE, &infoHandle,
                               &pixelHandle, PLUGIN_FUNCTION_CAST(FARPROC, progressCallback), 0);
        addStageTime(STAGE_DECODE, started);
        if (*pictureResult != PLUGIN_OK) {
            reportPictureFailed(*pictureResult);
        }
    }
    BLOCK_T info;
    BLOCK_T pixels;
    // One block handed back as both is taken once, so that it is freed once.
    const bool sameBlock = infoHandle != nullptr && infoHandle == pixelHandle;
    const bool infoLive = takeBlock(infoHandle, &info);
    const bool pixelsLive = takeBlock(sameBlock ? nullptr : pixelHandle, &pixels);
    // A failed decode that hands back nothing needs no check: the header alone is written.
    const bool delivered = infoHandle != nullptr || pixelHandle != nullptr;
    char reason[CHECK_REASON_SIZE] = "";
    bool accepted = true;
    if (!infoLive || !pixelsLive) {
        snprintf(reason, sizeof reason, "a block handed back is not a local memory block");
        accepted = false;
    } else if (sameBlock) {
        snprintf(reason, sizeof reason,
                 "the same block was handed back as the picture header and as the pixels");
        accepted = false;
    } else if (infoHandle != nullptr && info.data == nullptr) {
        snprintf(reason, sizeof reason, "the picture header block cannot be locked");
        accepted = false;
    } else if (delivered || *pictureResult == PLUGIN_OK) {
        accepted = checkBitmapBlocks(info.data, info.size, pixels.size, reason) != 0;
    }
    if (!accepted) {
        noteLineProblem("picture %s refused: %s", picturePath, reason);
    }
    bool written = writeFileHeader(file, fileSize, pixelOffset);
    const SIZE_T infoSize = putBlock(file, &info, accepted, &written);
    fileSize += infoSize;
    pixelOffset += infoSize;
    fileSize += putBlock(file, &pixels, accepted, &written);
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
    return written && accepted ? 1 : 0;
}
