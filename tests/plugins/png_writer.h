// PNG files made chunk by chunk, for the damaged and hostile ones.
#ifndef TESTS_PLUGINS_PNG_WRITER_H
#define TESTS_PLUGINS_PNG_WRITER_H

#include <stdint.h>

#include <string>
#include <utility>
#include <vector>

typedef std::vector<std::pair<std::string, std::vector<uint8_t>>> PNG_CHUNKS_T;

void putPngChunk(std::vector<uint8_t> &png, const std::string &type,
                 const std::vector<uint8_t> &data);
std::vector<uint8_t> pngIhdr(uint32_t width, uint32_t height, int depth, int colourType,
                             bool interlaced = false);
// Rows of bytes, each given a filter byte 0, compressed.
std::vector<uint8_t> pngImageData(const std::vector<std::vector<uint8_t>> &rows);
// Byte `byte` of pixel (x, y) of a picture being written.
typedef uint8_t (*PNG_SAMPLE_T)(const void *context, uint32_t x, uint32_t y, size_t byte);

// A width x height picture of pixelBytes a pixel stored as the seven passes of an interlaced
// picture, compressed as it is made, so that a large one never sits in memory whole.
std::vector<uint8_t> pngInterlacedImageData(uint32_t width, uint32_t height, size_t pixelBytes,
                                            PNG_SAMPLE_T sampleAt, const void *context);
// The same for rows of bytes.
std::vector<uint8_t> pngInterlacedImageData(const std::vector<std::vector<uint8_t>> &rows,
                                            size_t pixelBytes);
std::vector<uint8_t> pngSignature();

// raw as one zlib stream.
std::vector<uint8_t> compressed(const std::vector<uint8_t> &raw);

// Signature, IHDR, the chunks in their order, IDAT of the rows (already compressed), the chunks
// after the image, IEND.
std::vector<uint8_t> pngWith(const std::vector<uint8_t> &ihdr,
                             const std::vector<uint8_t> &imageData, const PNG_CHUNKS_T &chunks = {},
                             const PNG_CHUNKS_T &chunksAfter = {});

#endif
