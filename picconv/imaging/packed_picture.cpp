#include "picconv/imaging/packed_picture.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "common/output_file.h"
#include "common/pmbp_header.h"
#include "picconv/imaging/pixel_access.h"
#include "platform/files.h"

namespace {

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

namespace {

// Pixel number index of the data, when it lies inside length bytes; a surface whose pixel count
// is not a multiple of 4 has pixels at its end that no byte holds.
void setCellInside(uint8_t *data, size_t length, size_t index, int code) {
    if (index / 4 < length) {
        setTwoBitCell(data, index, code);
    }
}

// The literal packing: every pixel through getPixel and SDL_GetRGB.
void packLiteral(const SDL_Surface *surface, uint8_t *data, size_t length) {
    const size_t width = static_cast<size_t>(surface->w);
    const size_t height = static_cast<size_t>(surface->h);
    for (size_t y = 0; y < height; y++) {
        for (size_t x = 0; x < width; x++) {
            Uint8 r, g, b;
            SDL_GetRGB(getPixel(surface, static_cast<int>(x), static_cast<int>(y)), surface->format,
                       &r, &g, &b);
            setCellInside(data, length, y * width + x, packedCode(r, g, b));
        }
    }
}

// Packing from the palette index: the code of each of the 256 values a pixel can hold taken
// once through SDL_GetRGB, then four pixels to a byte.
void packByIndex(const SDL_Surface *surface, uint8_t *data, size_t length) {
    uint8_t code[256];
    for (uint32_t value = 0; value < 256; value++) {
        Uint8 r, g, b;
        SDL_GetRGB(value, surface->format, &r, &g, &b);
        code[value] = static_cast<uint8_t>(packedCode(r, g, b));
    }
    const size_t width = static_cast<size_t>(surface->w);
    const size_t height = static_cast<size_t>(surface->h);
    for (size_t y = 0; y < height; y++) {
        const uint8_t *row = static_cast<const uint8_t *>(surface->pixels) + y * surface->pitch;
        if (width % 4 != 0) {
            for (size_t x = 0; x < width; x++) {
                setCellInside(data, length, y * width + x, code[row[x]]);
            }
            continue;
        }
        uint8_t *out = data + y * width / 4;
        for (size_t x = 0; x < width; x += 4) {
            *out++ = static_cast<uint8_t>(code[row[x]] << 6 | code[row[x + 1]] << 4 |
                                          code[row[x + 2]] << 2 | code[row[x + 3]]);
        }
    }
}

uint8_t *encodePacked(const SDL_Surface *surface, bool literal, size_t *size) {
    // The header holds width and height in 16 bits; a larger surface would wrap them.
    if (surface->w < 0 || surface->h < 0 || surface->w > 0xFFFF || surface->h > 0xFFFF) {
        return nullptr;
    }
    const size_t width = static_cast<size_t>(surface->w);
    const size_t height = static_cast<size_t>(surface->h);
    const size_t length = width * height / 4;
    uint8_t *file = static_cast<uint8_t *>(malloc(PMBP_HEADER_SIZE + length));
    if (file == nullptr) {
        return nullptr;
    }
    uint8_t *data = file + PMBP_HEADER_SIZE;
    if (literal || surface->format->BytesPerPixel != 1) {
        packLiteral(surface, data, length);
    } else {
        packByIndex(surface, data, length);
    }
    const PMBP_HEADER_T fields =
        makePmbpHeader(static_cast<uint32_t>(width), static_cast<uint32_t>(height));
    encodePmbpHeader(&fields, file);
    *size = PMBP_HEADER_SIZE + length;
    return file;
}

int writePacked(const SDL_Surface *surface, const char *path, bool literal) {
    size_t size = 0;
    uint8_t *file = encodePacked(surface, literal, &size);
    if (file == nullptr) {
        return 0;
    }
    const int result = writeOutputFile(path, file, size) != OUTPUT_FAILED ? 1 : 0;
    free(file);
    return result;
}

}  // namespace

uint8_t *encodePackedPicture(const SDL_Surface *surface, size_t *size) {
    return encodePacked(surface, false, size);
}

int writePackedPicture(const SDL_Surface *surface, const char *path) {
    return writePacked(surface, path, false);
}

int writePackedPictureLiteral(const SDL_Surface *surface, const char *path) {
    return writePacked(surface, path, true);
}

void removeStalePackedPicture(const char *path) {
    if (!isRegularFileNoFollow(path)) {
        return;
    }
    FILE *file = fopen(path, "rb");
    if (file == nullptr) {
        return;
    }
    uint8_t magic[PMBP_MAGIC_SIZE];
    const bool packed = fread(magic, 1, sizeof magic, file) == sizeof magic &&
                        memcmp(magic, PMBP_MAGIC, sizeof magic) == 0;
    fclose(file);
    if (packed) {
        removeFileNow(path);
    }
}
