#include "picconv/imaging/packed_picture.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include "picconv/imaging/pixel_access.h"

namespace {

const uint32_t kMagic = 0x50424D50;  // "PMBP" once stored little-endian

void storeLE16(uint8_t *p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void storeLE32(uint8_t *p, uint32_t v) {
    storeLE16(p, v);
    storeLE16(p + 2, v >> 16);
}

// Removes a file this writer failed to complete, but only when path still names that same
// regular file: a device such as /dev/full, or whatever a symlink points at, is left alone.
void removePartial(const char *path, const struct stat *written) {
    struct stat now;
    if (!S_ISREG(written->st_mode) || lstat(path, &now) != 0 || !S_ISREG(now.st_mode) ||
        now.st_dev != written->st_dev || now.st_ino != written->st_ino) {
        return;
    }
    remove(path);
}

int writeFile(const char *path, const uint8_t *header, const uint8_t *data, size_t length) {
    FILE *file = fopen(path, "wb");
    if (file == NULL) {
        return 0;
    }
    struct stat written;
    const bool known = fstat(fileno(file), &written) == 0;
    bool ok = fwrite(header, 1, PACKED_HEADER_SIZE, file) == PACKED_HEADER_SIZE;
    if (ok && length > 0) {
        ok = fwrite(data, 1, length, file) == length;
    }
    if (fclose(file) != 0) {
        ok = false;
    }
    if (!ok && known) {
        removePartial(path, &written);
    }
    return ok ? 1 : 0;
}

// Two-bit code of a colour: 0 for the brightest class, 3 for the darkest.
int packedCode(Uint8 red, Uint8 green, Uint8 blue) {
    const int brightness = (77 * red + 150 * green + 29 * blue) >> 8;
    int level = brightness >> 6;
    if (level > 3) {
        level = 3;
    }
    return 3 - level;
}

}  // namespace

void setTwoBitCell(uint8_t *buffer, size_t index, int code) {
    const unsigned shift = (6 - 2 * (index & 3)) & 6;
    uint8_t &cell = buffer[index / 4];
    cell = static_cast<uint8_t>((cell & ~(3u << shift)) | ((code & 3u) << shift));
}

int writePackedPicture(const SDL_Surface *surface, const char *path) {
    // The header holds width and height in 16 bits; a larger surface would wrap them.
    if (surface->w < 0 || surface->h < 0 || surface->w > 0xFFFF || surface->h > 0xFFFF) {
        return 0;
    }
    const size_t width = static_cast<size_t>(surface->w);
    const size_t height = static_cast<size_t>(surface->h);
    const size_t length = width * height / 4;
    uint8_t *data = static_cast<uint8_t *>(malloc(length > 0 ? length : 1));
    if (data == NULL) {
        return 0;
    }
    for (size_t y = 0; y < height; y++) {
        for (size_t x = 0; x < width; x++) {
            Uint8 r, g, b;
            SDL_GetRGB(getPixel(surface, static_cast<int>(x), static_cast<int>(y)), surface->format,
                       &r, &g, &b);
            setTwoBitCell(data, y * width + x, packedCode(r, g, b));
        }
    }
    uint8_t header[PACKED_HEADER_SIZE] = {0};
    storeLE32(header + 0, kMagic);
    storeLE32(header + 4, static_cast<uint32_t>(length + PACKED_HEADER_SIZE));
    header[8] = 2;  // two bits per pixel
    header[9] = 0;
    storeLE16(header + 10, static_cast<uint32_t>(width));
    storeLE16(header + 12, static_cast<uint32_t>(height));
    // Bytes 14 and 15 are reserved and stay 0.
    storeLE32(header + 16, static_cast<uint32_t>(length));
    const int result = writeFile(path, header, data, length);
    free(data);
    return result;
}

void removeStalePackedPicture(const char *path) {
    struct stat st;
    if (lstat(path, &st) != 0 || !S_ISREG(st.st_mode)) {
        return;
    }
    FILE *file = fopen(path, "rb");
    if (file == NULL) {
        return;
    }
    uint8_t magic[4];
    const bool packed = fread(magic, 1, sizeof magic, file) == sizeof magic &&
                        memcmp(magic, "PMBP", sizeof magic) == 0;
    fclose(file);
    if (packed) {
        remove(path);
    }
}
