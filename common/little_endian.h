// Little-endian fields of the file formats the tools read and write (BMP, "PMBP"), whatever
// the machine's own byte order.
#ifndef COMMON_LITTLE_ENDIAN_H
#define COMMON_LITTLE_ENDIAN_H

#include <stdint.h>

inline uint16_t loadLe16(const uint8_t *p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

inline uint32_t loadLe32(const uint8_t *p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

inline void storeLe16(uint8_t *p, uint32_t value) {
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
}

inline void storeLe32(uint8_t *p, uint32_t value) {
    storeLe16(p, value);
    storeLe16(p + 2, value >> 16);
}

#endif
