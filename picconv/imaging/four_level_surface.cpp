#include "picconv/imaging/four_level_surface.h"

namespace {

// Entry 2 is deliberately cyan-ish: the palette choices and brightness classes rest on it.
const SDL_Color FOUR_LEVEL_PALETTE[4] = {
    {0, 0, 0, 0}, {85, 85, 85, 0}, {0, 170, 170, 0}, {255, 255, 255, 0}};

}  // namespace

SDL_Surface *createFourLevelSurface(int width, int height) {
    const int roundedWidth = (width + 7) / 8 * 8;
    SDL_Surface *surface = SDL_CreateRGBSurface(0, roundedWidth, height, 8, 0xFF000000, 0x00FF0000,
                                                0x0000FF00, 0x000000FF);
    if (surface == nullptr) {
        return nullptr;
    }
    SDL_SetColors(surface, const_cast<SDL_Color *>(FOUR_LEVEL_PALETTE), 0, 4);
    return surface;
}

SDL_Surface *createOutputSurface(const QUAD_T *outputQuad) {
    return createFourLevelSurface(outputQuad->h, outputQuad->w);
}
