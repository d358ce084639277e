#include "picconv/imaging/pixel_access.h"

#include <stddef.h>
#include <string.h>

namespace {

uint8_t *pixelAddress(const SDL_Surface *surface, int x, int y) {
    return static_cast<uint8_t *>(surface->pixels) + static_cast<ptrdiff_t>(y) * surface->pitch +
           static_cast<ptrdiff_t>(x) * surface->format->BytesPerPixel;
}

}  // namespace

uint32_t getPixel(const SDL_Surface *surface, int x, int y) {
    return loadPixelValue(pixelAddress(surface, x, y), surface->format->BytesPerPixel);
}

void putPixel(SDL_Surface *surface, int x, int y, uint32_t value) {
    uint8_t *p = pixelAddress(surface, x, y);
    switch (surface->format->BytesPerPixel) {
        case 1:
            *p = static_cast<uint8_t>(value);
            break;
        case 2: {
            const uint16_t v = static_cast<uint16_t>(value);
            memcpy(p, &v, sizeof v);
            break;
        }
        case 3:
            p[0] = static_cast<uint8_t>(value);
            p[1] = static_cast<uint8_t>(value >> 8);
            p[2] = static_cast<uint8_t>(value >> 16);
            break;
        case 4:
            memcpy(p, &value, sizeof value);
            break;
        default:
            break;
    }
}
