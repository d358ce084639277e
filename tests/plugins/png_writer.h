// PNG files made chunk by chunk, for the damaged and hostile ones.
#ifndef TESTS_PLUGINS_PNG_WRITER_H
#define TESTS_PLUGINS_PNG_WRITER_H

#include <stdint.h>

#include <string>
#include <vector>

void putPngChunk(std::vector<uint8_t> &png, const std::string &type,
                 const std::vector<uint8_t> &data);
std::vector<uint8_t> pngIhdr(uint32_t width, uint32_t height, int depth, int colourType);
// Rows of bytes, each given a filter byte 0, compressed.
std::vector<uint8_t> pngImageData(const std::vector<std::vector<uint8_t>> &rows);
std::vector<uint8_t> pngSignature();

#endif
