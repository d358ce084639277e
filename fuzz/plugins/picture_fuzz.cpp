// One bundled picture plug-in, linked in, on any bytes given as a file image in memory: what
// IsSupported, GetPictureInfo and GetPicture make of them. A picture handed back must be what a
// host can take as it is: a 40-byte header of a known kind, blocks exactly as large as their
// contents, the size GetPictureInfo told, and nothing over the kit's limits.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "common/little_endian.h"
#include "plugin_kit/include/picture_plugin.h"

namespace {

// Larger pictures are only measured, not decoded, to keep runs fast; the decoders reach them
// by the same paths as smaller ones.
const uint64_t MAX_DECODED_PIXELS = uint64_t{1} << 20;

const uint8_t PNG_SIGNATURE[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

uint32_t crcOf(const uint8_t *bytes, size_t size) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; i++) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; bit++) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

// Gives every whole chunk of a PNG image its right checksum, so that mutations reach past
// libpng's checks; inputs with an odd last byte keep theirs, so that the checks are run too.
void fixPngChecksums(uint8_t *png, size_t size) {
    if (size < 8 || memcmp(png, PNG_SIGNATURE, 8) != 0 || (png[size - 1] & 1u) != 0) {
        return;
    }
    size_t at = 8;
    while (size - at >= 12) {
        const uint32_t length = static_cast<uint32_t>(png[at]) << 24 |
                                static_cast<uint32_t>(png[at + 1]) << 16 |
                                static_cast<uint32_t>(png[at + 2]) << 8 | png[at + 3];
        if (length > size - at - 12) {
            break;
        }
        const uint32_t crc = crcOf(png + at + 4, 4 + size_t{length});
        uint8_t *field = png + at + 8 + length;
        for (int i = 0; i < 4; i++) {
            field[i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
        }
        at += 12 + size_t{length};
    }
}

int WINAPI carryOn(int, int, long) {
    return 0;
}

void require(bool condition) {
    if (!condition) {
        abort();
    }
}

void checkPicture(HANDLE infoBlock, HANDLE pixelBlock, const PictureInfo *told) {
    require(infoBlock != nullptr && pixelBlock != nullptr && infoBlock != pixelBlock);
    require(localBlockIsLive(infoBlock) && localBlockIsLive(pixelBlock));
    const size_t infoSize = LocalSize(infoBlock);
    require(infoSize >= 40);
    const uint8_t *info = static_cast<const uint8_t *>(LocalLock(infoBlock));
    const int32_t width = static_cast<int32_t>(loadLe32(info + 4));
    const int32_t height = static_cast<int32_t>(loadLe32(info + 8));
    const unsigned bits = loadLe16(info + 14);
    const uint32_t colours = loadLe32(info + 32);
    require(loadLe32(info) == 40 && loadLe32(info + 16) == 0 && (bits == 8 || bits == 24));
    require(width > 0 && height > 0);
    require(static_cast<uint64_t>(width) * static_cast<uint64_t>(height) <= PLUGIN_MAX_PIXELS);
    require(bits == 24 ? infoSize == 40 : colours <= 256 && infoSize == 40 + 4 * size_t{colours});
    const size_t stride = (static_cast<size_t>(width) * bits / 8 + 3) & ~size_t{3};
    require(LocalSize(pixelBlock) == stride * static_cast<size_t>(height));
    require(LocalSize(pixelBlock) <= PLUGIN_MAX_PIXEL_BYTES);
    if (bits == 8) {
        const uint8_t *pixels = static_cast<const uint8_t *>(LocalLock(pixelBlock));
        for (int32_t y = 0; y < height; y++) {
            for (int32_t x = 0; x < width; x++) {
                require(pixels[static_cast<size_t>(y) * stride + x] < colours);
            }
        }
        LocalUnlock(pixelBlock);
    }
    if (told != nullptr) {
        require(told->width == width && told->height == height);
    }
    LocalUnlock(infoBlock);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    // Exactly as long as the input, so that the sanitizer sees any read past it.
    std::vector<char> image(data, data + size);
    fixPngChecksums(reinterpret_cast<uint8_t *>(image.data()), size);
    LPSTR buf = image.data();
    const long len = static_cast<long>(size);

    uint8_t head[PLUGIN_HEAD_SIZE] = {};
    if (size > 0) {
        memcpy(head, image.data(), size < sizeof head ? size : sizeof head);
    }
    IsSupported(nullptr, reinterpret_cast<PLUGIN_DW_T>(head));

    PictureInfo told;
    const int infoCode = GetPictureInfo(buf, len, PLUGIN_INPUT_MEMORY, &told);
    require(infoCode >= PLUGIN_OK && infoCode <= PLUGIN_ERR_INTERNAL);
    if (infoCode == PLUGIN_OK) {
        require(told.width > 0 && told.height > 0);
        if (static_cast<uint64_t>(told.width) * static_cast<uint64_t>(told.height) >
            MAX_DECODED_PIXELS) {
            return 0;
        }
    }

    HANDLE infoBlock = nullptr;
    HANDLE pixelBlock = nullptr;
    FARPROC progress = reinterpret_cast<FARPROC>(reinterpret_cast<void (*)(void)>(carryOn));
    const int code =
        GetPicture(buf, len, PLUGIN_INPUT_MEMORY, &infoBlock, &pixelBlock, progress, 0);
    require(code >= PLUGIN_OK && code <= PLUGIN_ERR_INTERNAL);
    if (code == PLUGIN_OK) {
        checkPicture(infoBlock, pixelBlock, infoCode == PLUGIN_OK ? &told : nullptr);
    } else {
        require(infoBlock == nullptr && pixelBlock == nullptr);
    }
    LocalFree(infoBlock);
    LocalFree(pixelBlock);
    return 0;
}
