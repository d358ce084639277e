#include "tests/plugins/png_writer.h"

#include <zlib.h>

namespace {

// Where each pass of an interlaced picture starts and how far it steps, in rows and columns.
const int PASS_ROW[7] = {0, 0, 4, 0, 2, 0, 1};
const int PASS_ROW_STEP[7] = {8, 8, 8, 4, 4, 2, 2};
const int PASS_COLUMN[7] = {0, 4, 0, 2, 0, 1, 0};
const int PASS_COLUMN_STEP[7] = {8, 8, 4, 4, 2, 2, 1};

void putBe32(std::vector<uint8_t> &out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<uint8_t>(value >> shift));
    }
}

}  // namespace

std::vector<uint8_t> compressed(const std::vector<uint8_t> &raw) {
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    std::vector<uint8_t> packed(size);
    compress(packed.data(), &size, raw.data(), static_cast<uLong>(raw.size()));
    packed.resize(size);
    return packed;
}

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

std::vector<uint8_t> pngIhdr(uint32_t width, uint32_t height, int depth, int colourType,
                             bool interlaced) {
    std::vector<uint8_t> data;
    putBe32(data, width);
    putBe32(data, height);
    data.push_back(static_cast<uint8_t>(depth));
    data.push_back(static_cast<uint8_t>(colourType));
    data.push_back(0);
    data.push_back(0);
    data.push_back(interlaced ? 1 : 0);
    return data;
}

std::vector<uint8_t> pngImageData(const std::vector<std::vector<uint8_t>> &rows) {
    std::vector<uint8_t> raw;
    for (const auto &row : rows) {
        raw.push_back(0);
        raw.insert(raw.end(), row.begin(), row.end());
    }
    return compressed(raw);
}

std::vector<uint8_t> pngInterlacedImageData(uint32_t width, uint32_t height, size_t pixelBytes,
                                            PNG_SAMPLE_T sampleAt, const void *context) {
    z_stream stream = {};
    deflateInit(&stream, Z_DEFAULT_COMPRESSION);
    std::vector<uint8_t> packed;
    std::vector<uint8_t> row;
    uint8_t buffer[65536];
    for (int pass = 0; pass < 7; pass++) {
        if (width <= static_cast<uint32_t>(PASS_COLUMN[pass])) {
            continue;  // a pass without columns has no rows either
        }
        for (uint32_t y = PASS_ROW[pass]; y < height; y += PASS_ROW_STEP[pass]) {
            row.assign(1, 0);  // filter byte
            for (uint32_t x = PASS_COLUMN[pass]; x < width; x += PASS_COLUMN_STEP[pass]) {
                for (size_t c = 0; c < pixelBytes; c++) {
                    row.push_back(sampleAt(context, x, y, c));
                }
            }
            stream.next_in = row.data();
            stream.avail_in = static_cast<uInt>(row.size());
            while (stream.avail_in > 0) {
                stream.next_out = buffer;
                stream.avail_out = sizeof buffer;
                deflate(&stream, Z_NO_FLUSH);
                packed.insert(packed.end(), buffer, stream.next_out);
            }
        }
    }
    int status = Z_OK;
    while (status != Z_STREAM_END) {
        stream.next_out = buffer;
        stream.avail_out = sizeof buffer;
        status = deflate(&stream, Z_FINISH);
        packed.insert(packed.end(), buffer, stream.next_out);
    }
    deflateEnd(&stream);
    return packed;
}

namespace {

struct ROWS_T {
    const std::vector<std::vector<uint8_t>> *rows;
    size_t pixelBytes;
};

uint8_t sampleOfRows(const void *context, uint32_t x, uint32_t y, size_t byte) {
    const ROWS_T *rows = static_cast<const ROWS_T *>(context);
    return (*rows->rows)[y][x * rows->pixelBytes + byte];
}

}  // namespace

std::vector<uint8_t> pngInterlacedImageData(const std::vector<std::vector<uint8_t>> &rows,
                                            size_t pixelBytes) {
    ROWS_T context = {&rows, pixelBytes};
    uint32_t width = rows.empty() ? 0 : static_cast<uint32_t>(rows[0].size() / pixelBytes);
    return pngInterlacedImageData(width, static_cast<uint32_t>(rows.size()), pixelBytes,
                                  sampleOfRows, &context);
}

std::vector<uint8_t> pngWith(const std::vector<uint8_t> &ihdr,
                             const std::vector<uint8_t> &imageData, const PNG_CHUNKS_T &chunks,
                             const PNG_CHUNKS_T &chunksAfter) {
    std::vector<uint8_t> png = pngSignature();
    putPngChunk(png, "IHDR", ihdr);
    for (const auto &chunk : chunks) {
        putPngChunk(png, chunk.first, chunk.second);
    }
    putPngChunk(png, "IDAT", imageData);
    for (const auto &chunk : chunksAfter) {
        putPngChunk(png, chunk.first, chunk.second);
    }
    putPngChunk(png, "IEND", {});
    return png;
}
