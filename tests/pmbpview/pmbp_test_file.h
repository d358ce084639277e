// Hand-made PMBP files for the tests; the codes are packed here, independently of the reader
// under test.
#ifndef TESTS_PMBPVIEW_PMBP_TEST_FILE_H
#define TESTS_PMBPVIEW_PMBP_TEST_FILE_H

#include <stddef.h>
#include <stdint.h>

#include <vector>

#include "common/pmbp_header.h"

// Codes row after row, the first pixel of a byte in its top bits.
inline std::vector<uint8_t> packCodes(const std::vector<unsigned> &codes) {
    std::vector<uint8_t> packed((codes.size() + 3) / 4, 0);
    for (size_t k = 0; k < codes.size(); ++k) {
        packed[k / 4] |= static_cast<uint8_t>((codes[k] & 3) << (6 - 2 * (k % 4)));
    }
    return packed;
}

// A header for width x height followed by the given codes (which may be fewer than the header
// promises, for headers checked without their data).
inline std::vector<uint8_t> makePmbpFile(uint16_t width, uint16_t height,
                                         const std::vector<unsigned> &codes) {
    const PMBP_HEADER_T header = makePmbpHeader(width, height);
    std::vector<uint8_t> file(PMBP_HEADER_SIZE);
    encodePmbpHeader(&header, file.data());
    const std::vector<uint8_t> data = packCodes(codes);
    file.insert(file.end(), data.begin(), data.end());
    return file;
}

#endif
