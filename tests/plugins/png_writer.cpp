#include "tests/plugins/png_writer.h"

#include <zlib.h>

namespace {

void putBe32(std::vector<uint8_t> &out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<uint8_t>(value >> shift));
    }
}

}  // namespace

std::vector<uint8_t> pngSignature() {
    return {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
}

void putPngChunk(std::vector<uint8_t> &png, const std::string &type,
                 const std::vector<uint8_t> &data) {
    putBe32(png, static_cast<uint32_t>(data.size()));
    std::vector<uint8_t> body(type.begin(), type.end());
    body.insert(body.end(), data.begin(), data.end());
    png.insert(png.end(), body.begin(), body.end());
    putBe32(png, static_cast<uint32_t>(crc32(0, body.data(), static_cast<uInt>(body.size()))));
}

std::vector<uint8_t> pngIhdr(uint32_t width, uint32_t height, int depth, int colourType) {
    std::vector<uint8_t> data;
    putBe32(data, width);
    putBe32(data, height);
    data.push_back(static_cast<uint8_t>(depth));
    data.push_back(static_cast<uint8_t>(colourType));
    data.push_back(0);
    data.push_back(0);
    data.push_back(0);
    return data;
}

std::vector<uint8_t> pngImageData(const std::vector<std::vector<uint8_t>> &rows) {
    std::vector<uint8_t> raw;
    for (const auto &row : rows) {
        raw.push_back(0);
        raw.insert(raw.end(), row.begin(), row.end());
    }
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    std::vector<uint8_t> packed(size);
    compress(packed.data(), &size, raw.data(), static_cast<uLong>(raw.size()));
    packed.resize(size);
    return packed;
}
