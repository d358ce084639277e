// The 20-byte header of a "PMBP" file, the converter's output and the preview tool's input.
#ifndef COMMON_PMBP_HEADER_H
#define COMMON_PMBP_HEADER_H

#include <stdint.h>

enum { PMBP_HEADER_SIZE = 20, PMBP_MAGIC_SIZE = 4 };

// The four bytes every "PMBP" file begins with.
extern const uint8_t PMBP_MAGIC[PMBP_MAGIC_SIZE];

// The header's fields as stored (little-endian in the file), magic aside.
struct PMBP_HEADER_T {
    uint32_t fileSize;
    uint8_t format;
    uint8_t formatMinor;
    uint16_t width;
    uint16_t height;
    uint16_t reserved;
    uint32_t dataLength;
};

// The header of a picture of width x height pixels at two bits a pixel (format 2.0);
// width and height are stored by their low 16 bits.
PMBP_HEADER_T makePmbpHeader(uint32_t width, uint32_t height);

void encodePmbpHeader(const PMBP_HEADER_T *header, uint8_t bytes[PMBP_HEADER_SIZE]);

// Reads the fields of bytes whatever its magic; returns 1 when the magic is "PMBP".
int decodePmbpHeader(const uint8_t bytes[PMBP_HEADER_SIZE], PMBP_HEADER_T *header);

#endif
