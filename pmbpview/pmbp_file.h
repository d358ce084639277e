// Reading and checking a "PMBP" file from the disk: 20-byte header, then two-bit codes, four to
// a byte.
#ifndef PMBPVIEW_PMBP_FILE_H
#define PMBPVIEW_PMBP_FILE_H

#include <stdint.h>
#include <stdio.h>

#include <string>

#include "common/pmbp_picture.h"

// Opens path and reads and checks its header, so that a picture can be refused before its
// pixels are read. Returns the file, positioned at the pixels; null with a one-line reason.
FILE *openPmbpFile(const char *path, PMBP_HEADER_T *header, std::string *message);

// Reads the pixels of the file openPmbpFile gave for picture->header, and closes it. On
// failure returns false with a one-line reason.
bool readPmbpPixels(FILE *file, const char *path, PMBP_PICTURE_T *picture, std::string *message);

// Both steps: reads and checks the whole file. On failure returns false with a one-line reason.
bool loadPmbpFile(const char *path, PMBP_PICTURE_T *picture, std::string *message);

#endif
