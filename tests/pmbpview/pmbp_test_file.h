// Hand-made PMBP files for the tests, written independently of the reader under test.
#pragma once

#include <cstdint>
#include <vector>

inline void putLe(std::vector<uint8_t> *bytes, size_t offset, uint32_t value, int size) {
    for (int i = 0; i < size; ++i) {
        (*bytes)[offset + i] = uint8_t(value >> (8 * i));
    }
}

// Codes row after row, the first pixel of a byte in its top bits.
inline std::vector<uint8_t> packCodes(const std::vector<unsigned> &codes) {
    std::vector<uint8_t> packed((codes.size() + 3) / 4, 0);
    for (size_t k = 0; k < codes.size(); ++k) {
        packed[k / 4] |= uint8_t((codes[k] & 3) << (6 - 2 * (k % 4)));
    }
    return packed;
}

inline std::vector<uint8_t> makePmbpFile(uint16_t width, uint16_t height,
                                         const std::vector<unsigned> &codes) {
    std::vector<uint8_t> file = {'P', 'M', 'B', 'P', 0, 0, 0, 0, 2, 0};
    file.resize(20, 0);
    putLe(&file, 4, uint32_t(20 + (codes.size() + 3) / 4), 4);
    putLe(&file, 10, width, 2);
    putLe(&file, 12, height, 2);
    putLe(&file, 16, uint32_t(width) * height / 4, 4);
    const std::vector<uint8_t> data = packCodes(codes);
    file.insert(file.end(), data.begin(), data.end());
    return file;
}
