#include "picconv/imaging/resample.h"

#include <math.h>

#include "picconv/imaging/dither_noise.h"
#include "picconv/imaging/four_level_surface.h"
#include "picconv/imaging/limit_int.h"
#include "picconv/imaging/pixel_access.h"

namespace {

struct NEIGHBOUR_T {
    int dx;
    int dy;
};

const NEIGHBOUR_T NEIGHBOURS[4] = {{0, 0}, {0, 1}, {1, 0}, {1, 1}};

// Neighbours beyond the picture take the nearest pixel inside it, so no read leaves the
// pixel memory; an empty picture has none and reads as 0.
uint32_t getPixelClamped(const SDL_Surface *source, int x, int y) {
    if (source->w <= 0 || source->h <= 0) {
        return 0;
    }
    return getPixel(source, limitInt(x, 0, source->w - 1), limitInt(y, 0, source->h - 1));
}

}  // namespace

uint32_t sampleWeighted(const SDL_Surface *source, double sx, double sy) {
    const int cx = static_cast<int>(sx);
    const int cy = static_cast<int>(sy);
    double totalR = 0.0;
    double totalG = 0.0;
    double totalB = 0.0;
    for (const NEIGHBOUR_T &n : NEIGHBOURS) {
        const int xk = cx + n.dx;
        const int yk = cy + n.dy;
        Uint8 r, g, b;
        SDL_GetRGB(getPixelClamped(source, xk, yk), source->format, &r, &g, &b);
        const double distance = fabs(xk - sx) + fabs(yk - sy);
        const double weight = (2.0 - distance) * 0.5 * 256.0;
        // Truncating the running total after each neighbour is part of the result: it is not
        // always the sum of the truncated products.
        totalR = trunc(totalR + r * weight);
        totalG = trunc(totalG + g * weight);
        totalB = trunc(totalB + b * weight);
    }
    const uint32_t red = static_cast<uint32_t>(channelOfTotal(static_cast<int>(totalR)));
    const uint32_t green = static_cast<uint32_t>(channelOfTotal(static_cast<int>(totalG)));
    const uint32_t blue = static_cast<uint32_t>(channelOfTotal(static_cast<int>(totalB)));
    return (red << 16) | (green << 8) | blue;
}

int ditherChannel(int value, int *error) {
    const int noise = ((g_dither_random() >> 8) % 64) - 32;
    const int a = value + noise;
    const int t = limitInt(a + *error, 0, 255);
    const int level = t & ~63;
    // The carried error comes from value + noise alone, not from t.
    *error = a - level;
    return level;
}

SDL_Surface *resampleRotatedLiteral(const SDL_Surface *source, const QUAD_T *sourceQuad,
                                    const QUAD_T *outputQuad) {
    SDL_Surface *output = createOutputSurface(outputQuad);
    if (output != nullptr) {
        resampleRotatedLiteralInto(output, source, sourceQuad, outputQuad);
    }
    return output;
}

void resampleRotatedLiteralInto(SDL_Surface *output, const SDL_Surface *source,
                                const QUAD_T *sourceQuad, const QUAD_T *outputQuad) {
    int errorR = 0;
    int errorG = 0;
    int errorB = 0;
    // A step whose divisor is 0 belongs to an empty loop and is never used.
    const double stepX =
        outputQuad->w != 0 ? static_cast<double>(sourceQuad->w) / outputQuad->w : 0.0;
    const double stepY =
        outputQuad->h != 0 ? static_cast<double>(sourceQuad->h) / outputQuad->h : 0.0;
    for (int i = 0; i < outputQuad->w; i++) {
        const double sx = sourceQuad->x + stepX * i;
        for (int j = 0; j < outputQuad->h; j++) {
            const double sy = sourceQuad->y + stepY * j;
            const uint32_t sample = sampleWeighted(source, sx, sy);
            const int red = ditherChannel((sample >> 16) & 0xFF, &errorR);
            const int green = ditherChannel((sample >> 8) & 0xFF, &errorG);
            const int blue = ditherChannel(sample & 0xFF, &errorB);
            const Uint32 index = SDL_MapRGB(output->format, static_cast<Uint8>(red),
                                            static_cast<Uint8>(green), static_cast<Uint8>(blue));
            putPixel(output, j, outputQuad->w - 1 - i, index);
        }
    }
}
