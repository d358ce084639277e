// Reading and checking a "PMBP" file: 20-byte header, then two-bit codes, four to a byte.
#ifndef PMBPVIEW_PMBP_FILE_H
#define PMBPVIEW_PMBP_FILE_H

#include <stdint.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "common/pmbp_header.h"

enum PMBP_CHECK_T {
    PMBP_CHECK_OK,
    PMBP_CHECK_TOO_SHORT,
    PMBP_CHECK_BAD_MAGIC,
    PMBP_CHECK_FILE_SIZE_FIELD,
    PMBP_CHECK_FORMAT,
    PMBP_CHECK_WIDTH,
    PMBP_CHECK_DATA_LENGTH,
    PMBP_CHECK_DATA_SIZE,
};

struct PMBP_PICTURE_T {
    PMBP_HEADER_T header;
    std::vector<uint8_t> data;  // header.dataLength bytes, rows top to bottom
};

// `bytes` holds the file's first min(fileSize, 20) bytes. Fills `header` whenever the file
// is long enough to have one, so that a fault can be described with its values.
PMBP_CHECK_T checkPmbpHeader(const uint8_t *bytes, uint64_t fileSize, PMBP_HEADER_T *header);

std::string describePmbpFault(PMBP_CHECK_T check, const PMBP_HEADER_T &header, uint64_t fileSize);

// Opens path and reads and checks its header, so that a picture can be refused before its
// pixels are read. Returns the file, positioned at the pixels; null with a one-line reason.
FILE *openPmbpFile(const char *path, PMBP_HEADER_T *header, std::string *message);

// Reads the pixels of the file openPmbpFile gave for picture->header, and closes it. On
// failure returns false with a one-line reason.
bool readPmbpPixels(FILE *file, const char *path, PMBP_PICTURE_T *picture, std::string *message);

// Both steps: reads and checks the whole file. On failure returns false with a one-line reason.
bool loadPmbpFile(const char *path, PMBP_PICTURE_T *picture, std::string *message);

#endif
