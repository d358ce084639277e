#ifndef PICCONV_IMAGING_PACKED_PICTURE_H
#define PICCONV_IMAGING_PACKED_PICTURE_H

#include <stddef.h>
#include <stdint.h>

#include "SDL.h"

// Stores the low two bits of code as pixel number index of a packed buffer, first pixel of a
// byte in bits 7-6.
void setTwoBitCell(uint8_t *buffer, size_t index, int code);

// The "PMBP" file of surface, header and pixels, malloc'd, with its length in *size; null when
// out of memory or too large for the header. The bytes writePackedPicture writes.
uint8_t *encodePackedPicture(const SDL_Surface *surface, size_t *size);

// Writes surface as a "PMBP" file. Returns 1 when the whole file is in place; 0 otherwise, and
// then path holds what it held before (an earlier file is replaced only by a complete one). A
// file that already holds these bytes is left alone, its modification time too.
// The converter's fast path: on 8-bit surfaces the code of each possible pixel value comes once
// from SDL_GetRGB and four pixels are packed to a byte; the bytes are those of
// writePackedPictureLiteral. When the pixel count is not a multiple of 4, the last pixels,
// which no byte holds, are left out.
int writePackedPicture(const SDL_Surface *surface, const char *path);

// The literal steps, kept as the reference: every pixel through getPixel and SDL_GetRGB.
int writePackedPictureLiteral(const SDL_Surface *surface, const char *path);

// Removes the "PMBP" file at path, if there is one, so that a line that failed leaves no
// earlier picture where its output belongs. Any other file, and a symbolic link, is left alone.
void removeStalePackedPicture(const char *path);

#endif
