// ifppm.spi: binary PPM pictures (P6, 8 bits a sample) as 24-bit bitmaps. A complete picture
// plug-in written against the installed kit, to copy from: every entry point a picture plug-in
// exports, both input kinds, the size limits, progress, and the two blocks GetPicture returns.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <picture_plugin/picture_plugin.h>

namespace {

// GetPluginInfo's texts: API version, about, then the filter and name of the one format.
const char *const INFO_TEXTS[] = {PLUGIN_VERSION_PICTURE, "ifppm.spi 1.0: binary PPM (kit example)",
                                  "*.ppm", "Portable pixmap"};
const int INFO_TEXT_COUNT = 4;

struct PPM_T {
    uint32_t width;
    uint32_t height;
    size_t pixelStart;  // offset of the top row
    size_t stride;      // bytes of an output row, padded to 4
};

// The picture's bytes, from a file or from the caller's memory.
struct INPUT_T {
    const uint8_t *data;
    size_t size;
    uint8_t *owned;  // malloc'd copy of the file, or null
};

bool isBlank(uint8_t c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Skips blanks and # comments, then reads a decimal number of at most 9 digits.
bool readNumber(const uint8_t *data, size_t size, size_t *at, uint32_t *value) {
    while (*at < size && (isBlank(data[*at]) || data[*at] == '#')) {
        if (data[*at] == '#') {
            while (*at < size && data[*at] != '\n') {
                ++*at;
            }
        } else {
            ++*at;
        }
    }
    uint32_t number = 0;
    int digits = 0;
    while (*at < size && data[*at] >= '0' && data[*at] <= '9' && digits < 9) {
        number = number * 10 + static_cast<uint32_t>(data[*at] - '0');
        ++*at;
        digits++;
    }
    *value = number;
    return digits > 0;
}

// "P6", width, height, 255 and one blank, then width x height x 3 bytes, top row first.
int readHeader(const uint8_t *data, size_t size, PPM_T *ppm) {
    if (size < 3 || data[0] != 'P' || data[1] != '6' || !isBlank(data[2])) {
        return PLUGIN_ERR_UNKNOWN_FORMAT;
    }
    size_t at = 2;
    uint32_t maxval = 0;
    if (!readNumber(data, size, &at, &ppm->width) || !readNumber(data, size, &at, &ppm->height) ||
        !readNumber(data, size, &at, &maxval) || at >= size || !isBlank(data[at])) {
        return PLUGIN_ERR_BROKEN_DATA;
    }
    if (ppm->width == 0 || ppm->height == 0 || maxval != 255) {
        return PLUGIN_ERR_BROKEN_DATA;
    }
    // Refused before anything is allocated for them, as the kit asks.
    const uint64_t pixels = static_cast<uint64_t>(ppm->width) * ppm->height;
    const uint64_t stride = (3 * static_cast<uint64_t>(ppm->width) + 3) & ~uint64_t{3};
    if (pixels > PLUGIN_MAX_PIXELS || stride * ppm->height > PLUGIN_MAX_PIXEL_BYTES) {
        return PLUGIN_ERR_NO_MEMORY;
    }
    ppm->pixelStart = at + 1;
    ppm->stride = static_cast<size_t>(stride);
    if (size - ppm->pixelStart < 3 * pixels) {
        return PLUGIN_ERR_BROKEN_DATA;
    }
    return PLUGIN_OK;
}

int readFile(const char *path, PLUGIN_LONG_T offset, INPUT_T *input) {
    // fseek takes a long, which on 64-bit Windows is narrower than the offset.
    const bool seekable = offset >= 0 && static_cast<long>(offset) == offset;
    FILE *file = path != nullptr && seekable ? fopen(path, "rb") : nullptr;
    if (file == nullptr) {
        return PLUGIN_ERR_FILE_READ;
    }
    int result = PLUGIN_ERR_FILE_READ;
    long end = -1;
    if (fseek(file, 0, SEEK_END) == 0 && (end = ftell(file)) >= offset &&
        fseek(file, static_cast<long>(offset), SEEK_SET) == 0) {
        input->size = static_cast<size_t>(end - offset);
        input->owned = static_cast<uint8_t *>(malloc(input->size + 1));
        if (input->owned == nullptr) {
            result = PLUGIN_ERR_NO_MEMORY;
        } else if (fread(input->owned, 1, input->size, file) == input->size) {
            input->data = input->owned;
            result = PLUGIN_OK;
        }
    }
    fclose(file);
    return result;
}

// buf, len and flag as the picture entry points receive them.
int readInput(LPSTR buf, PLUGIN_LONG_T len, unsigned int flag, INPUT_T *input) {
    *input = INPUT_T{nullptr, 0, nullptr};
    switch (flag & PLUGIN_INPUT_MASK) {
        case PLUGIN_INPUT_FILE:
            return readFile(buf, len, input);
        case PLUGIN_INPUT_MEMORY:
            if (buf == nullptr || len < 0) {
                return PLUGIN_ERR_FILE_READ;
            }
            input->data = reinterpret_cast<const uint8_t *>(buf);
            input->size = static_cast<size_t>(len);
            return PLUGIN_OK;
        default:
            return PLUGIN_ERR_UNKNOWN_FORMAT;
    }
}

// Fills the rows, bottom row first, blue-green-red; false when the host asks to stop.
bool copyRows(const uint8_t *data, const PPM_T *ppm, uint8_t *rows, FARPROC callback,
              PLUGIN_LONG_T lData) {
    PLUGIN_PROGRESS_T progress =
        reinterpret_cast<PLUGIN_PROGRESS_T>(reinterpret_cast<void (*)(void)>(callback));
    const int total = static_cast<int>(ppm->height);
    for (uint32_t y = 0; y < ppm->height; y++) {
        const uint8_t *in = data + ppm->pixelStart + static_cast<size_t>(y) * 3 * ppm->width;
        uint8_t *out = rows + static_cast<size_t>(ppm->height - 1 - y) * ppm->stride;
        for (uint32_t x = 0; x < ppm->width; x++) {
            out[3 * x] = in[3 * x + 2];
            out[3 * x + 1] = in[3 * x + 1];
            out[3 * x + 2] = in[3 * x];
        }
        if (progress != nullptr && progress(static_cast<int>(y) + 1, total, lData) != 0) {
            return false;
        }
    }
    return true;
}

int decode(const INPUT_T *input, HANDLE *pHBInfo, HANDLE *pHBm, FARPROC callback,
           PLUGIN_LONG_T lData) {
    PPM_T ppm;
    int result = readHeader(input->data, input->size, &ppm);
    if (result != PLUGIN_OK) {
        return result;
    }
    // Each block exactly as large as its contents: the header alone, then the rows.
    HLOCAL infoBlock = LocalAlloc(LHND, sizeof(BITMAPINFOHEADER));
    HLOCAL pixelBlock = LocalAlloc(LHND, ppm.stride * ppm.height);
    BITMAPINFOHEADER *header =
        infoBlock != nullptr ? static_cast<BITMAPINFOHEADER *>(LocalLock(infoBlock)) : nullptr;
    uint8_t *rows = pixelBlock != nullptr ? static_cast<uint8_t *>(LocalLock(pixelBlock)) : nullptr;
    if (header == nullptr || rows == nullptr) {
        result = PLUGIN_ERR_NO_MEMORY;
    } else {
        header->biSize = sizeof(BITMAPINFOHEADER);
        header->biWidth = static_cast<LONG>(ppm.width);
        header->biHeight = static_cast<LONG>(ppm.height);
        header->biPlanes = 1;
        header->biBitCount = 24;
        header->biCompression = BI_RGB;
        header->biSizeImage = static_cast<DWORD>(ppm.stride * ppm.height);
        result =
            copyRows(input->data, &ppm, rows, callback, lData) ? PLUGIN_OK : PLUGIN_ERR_ABORTED;
    }
    if (infoBlock != nullptr) {
        LocalUnlock(infoBlock);
    }
    if (pixelBlock != nullptr) {
        LocalUnlock(pixelBlock);
    }
    if (result != PLUGIN_OK) {
        LocalFree(infoBlock);
        LocalFree(pixelBlock);
        return result;
    }
    *pHBInfo = infoBlock;
    *pHBm = pixelBlock;
    return PLUGIN_OK;
}

}  // namespace

PLUGIN_EXPORT int WINAPI GetPluginInfo(int infono, LPSTR buf, int buflen) {
    if (infono < 0 || infono >= INFO_TEXT_COUNT || buf == nullptr || buflen <= 0) {
        return 0;
    }
    // Always terminated, cut to buflen - 1 characters when it must be.
    size_t length = strlen(INFO_TEXTS[infono]);
    if (length > static_cast<size_t>(buflen) - 1) {
        length = static_cast<size_t>(buflen) - 1;
    }
    memcpy(buf, INFO_TEXTS[infono], length);
    buf[length] = '\0';
    return static_cast<int>(length);
}

PLUGIN_EXPORT int WINAPI IsSupported(LPSTR /* filename */, PLUGIN_DW_T dw) {
    // The handle form would need the platform's read call; this example answers the buffer
    // form only, which holds the file's first 2 KB.
    if (PLUGIN_DW_IS_HANDLE(dw)) {
        return 0;
    }
    const uint8_t *head = reinterpret_cast<const uint8_t *>(dw);
    return head[0] == 'P' && head[1] == '6' && isBlank(head[2]) ? 1 : 0;
}

PLUGIN_EXPORT int WINAPI GetPictureInfo(LPSTR buf, PLUGIN_LONG_T len, unsigned int flag,
                                        PictureInfo *lpInfo) {
    if (lpInfo == nullptr) {
        return PLUGIN_ERR_INTERNAL;
    }
    INPUT_T input;
    PPM_T ppm;
    int result = readInput(buf, len, flag, &input);
    if (result == PLUGIN_OK) {
        result = readHeader(input.data, input.size, &ppm);
    }
    if (result == PLUGIN_OK) {
        memset(lpInfo, 0, sizeof *lpInfo);
        lpInfo->width = static_cast<int32_t>(ppm.width);
        lpInfo->height = static_cast<int32_t>(ppm.height);
        lpInfo->colorDepth = 24;
    }
    free(input.owned);
    return result;
}

PLUGIN_EXPORT int WINAPI GetPicture(LPSTR buf, PLUGIN_LONG_T len, unsigned int flag,
                                    HANDLE *pHBInfo, HANDLE *pHBm, FARPROC lpPrgressCallback,
                                    PLUGIN_LONG_T lData) {
    if (pHBInfo == nullptr || pHBm == nullptr) {
        return PLUGIN_ERR_INTERNAL;
    }
    // Nothing is handed back on failure.
    *pHBInfo = nullptr;
    *pHBm = nullptr;
    INPUT_T input;
    int result = readInput(buf, len, flag, &input);
    if (result == PLUGIN_OK) {
        result = decode(&input, pHBInfo, pHBm, lpPrgressCallback, lData);
    }
    free(input.owned);
    return result;
}

PLUGIN_EXPORT int WINAPI GetPreview(LPSTR, PLUGIN_LONG_T, unsigned int, HANDLE *, HANDLE *, FARPROC,
                                    PLUGIN_LONG_T) {
    return PLUGIN_ERR_NOT_IMPLEMENTED;
}

PLUGIN_EXPORT int WINAPI ConfigurationDlg(HWND /* parent */, int fnc) {
    // Nothing to show or set: the about box (0) and settings (1) succeed at once.
    return fnc == 0 || fnc == 1 ? PLUGIN_OK : PLUGIN_ERR_NOT_IMPLEMENTED;
}
