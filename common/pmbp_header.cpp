#include "common/pmbp_header.h"

#include <string.h>

#include "common/little_endian.h"

const uint8_t PMBP_MAGIC[PMBP_MAGIC_SIZE] = {'P', 'M', 'B', 'P'};

PMBP_HEADER_T makePmbpHeader(uint32_t width, uint32_t height) {
    PMBP_HEADER_T header = {};
    header.dataLength = width * height / 4;
    header.fileSize = header.dataLength + PMBP_HEADER_SIZE;
    header.format = 2;  // two bits per pixel
    header.formatMinor = 0;
    header.width = static_cast<uint16_t>(width);
    header.height = static_cast<uint16_t>(height);
    header.reserved = 0;
    return header;
}

void encodePmbpHeader(const PMBP_HEADER_T *header, uint8_t bytes[PMBP_HEADER_SIZE]) {
    memcpy(bytes, PMBP_MAGIC, PMBP_MAGIC_SIZE);
    storeLe32(bytes + 4, header->fileSize);
    bytes[8] = header->format;
    bytes[9] = header->formatMinor;
    storeLe16(bytes + 10, header->width);
    storeLe16(bytes + 12, header->height);
    storeLe16(bytes + 14, header->reserved);
    storeLe32(bytes + 16, header->dataLength);
}

int decodePmbpHeader(const uint8_t bytes[PMBP_HEADER_SIZE], PMBP_HEADER_T *header) {
    header->fileSize = loadLe32(bytes + 4);
    header->format = bytes[8];
    header->formatMinor = bytes[9];
    header->width = loadLe16(bytes + 10);
    header->height = loadLe16(bytes + 12);
    header->reserved = loadLe16(bytes + 14);
    header->dataLength = loadLe32(bytes + 16);
    return memcmp(bytes, PMBP_MAGIC, PMBP_MAGIC_SIZE) == 0 ? 1 : 0;
}
