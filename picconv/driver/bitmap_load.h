#ifndef PICCONV_DRIVER_BITMAP_LOAD_H
#define PICCONV_DRIVER_BITMAP_LOAD_H

#include "SDL.h"

// Loads the Windows bitmap at path with SDL's loader, opening it only as a regular file (a
// symbolic link there is never followed). Null when it cannot be opened or loaded.
SDL_Surface *loadBitmapNoFollow(const char *path);

#endif
