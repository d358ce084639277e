#include "tests/support/bmp_writer.h"

void putLe16(std::vector<uint8_t> &out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void putLe32(std::vector<uint8_t> &out, uint32_t value) {
    putLe16(out, value);
    putLe16(out, value >> 16);
}

namespace {

void putRows(const BMP_LAYOUT_T &layout, std::vector<uint8_t> &out) {
    size_t stride = ((static_cast<size_t>(layout.width) * layout.bits + 31) / 32) * 4;
    for (int32_t r = 0; r < layout.height; r++) {
        int32_t y = layout.topDown ? r : layout.height - 1 - r;
        std::vector<uint8_t> row(stride, 0);
        for (int32_t x = 0; x < layout.width; x++) {
            uint32_t v = layout.values[static_cast<size_t>(y) * layout.width + x];
            size_t bit = static_cast<size_t>(x) * layout.bits;
            if (layout.bits < 8) {
                row[bit / 8] |= static_cast<uint8_t>(v << (8 - layout.bits - bit % 8));
            } else {
                for (unsigned b = 0; b < layout.bits / 8; b++) {
                    row[bit / 8 + b] = static_cast<uint8_t>(v >> (8 * b));
                }
            }
        }
        out.insert(out.end(), row.begin(), row.end());
    }
}

}  // namespace

std::vector<uint8_t> writeBmp(const BMP_LAYOUT_T &layout) {
    std::vector<uint8_t> header;
    bool core = layout.headerSize == 12;
    putLe32(header, layout.headerSize);
    if (core) {
        putLe16(header, static_cast<uint32_t>(layout.width));
        putLe16(header, static_cast<uint32_t>(layout.height));
        putLe16(header, 1);
        putLe16(header, layout.bits);
    } else {
        putLe32(header, static_cast<uint32_t>(layout.width));
        putLe32(header, static_cast<uint32_t>(layout.topDown ? -layout.height : layout.height));
        putLe16(header, 1);
        putLe16(header, layout.bits);
        putLe32(header, layout.compression);
        putLe32(header, 0);
        putLe32(header, 2835);
        putLe32(header, 2835);
        putLe32(header, layout.coloursUsed);
        putLe32(header, 0);
        bool fields = layout.compression == 3 || layout.compression == 6;
        unsigned maskCount = layout.headerSize > 40 ? (layout.headerSize == 52 ? 3 : 4)
                             : fields               ? (layout.compression == 6 ? 4 : 3)
                                                    : 0;
        for (unsigned i = 0; i < maskCount; i++) {
            putLe32(header, layout.masks[i]);
        }
        header.resize(layout.headerSize > 40 ? layout.headerSize : header.size(), 0);
    }
    for (uint32_t colour : layout.palette) {
        header.push_back(static_cast<uint8_t>(colour));
        header.push_back(static_cast<uint8_t>(colour >> 8));
        header.push_back(static_cast<uint8_t>(colour >> 16));
        if (!core) {
            header.push_back(0);
        }
    }
    std::vector<uint8_t> pixels;
    if (layout.compression == 1 || layout.compression == 2) {
        pixels = layout.rle;
    } else {
        putRows(layout, pixels);
    }
    std::vector<uint8_t> file = {'B', 'M'};
    putLe32(file, static_cast<uint32_t>(14 + header.size() + pixels.size()));
    putLe32(file, 0);
    putLe32(file, static_cast<uint32_t>(14 + header.size()));
    file.insert(file.end(), header.begin(), header.end());
    file.insert(file.end(), pixels.begin(), pixels.end());
    return file;
}

std::vector<uint8_t> encodeRle(const std::vector<uint32_t> &values, int32_t width, int32_t height,
                               bool four) {
    std::vector<uint8_t> out;
    for (int32_t r = 0; r < height; r++) {
        const uint32_t *row = &values[static_cast<size_t>(height - 1 - r) * width];
        int32_t x = 0;
        while (x < width) {
            int32_t run = 1;
            while (x + run < width && run < 255 && row[x + run] == row[x]) {
                run++;
            }
            if (run >= 3 || width - x < 3) {
                out.push_back(static_cast<uint8_t>(run));
                out.push_back(static_cast<uint8_t>(four ? row[x] << 4 | row[x] : row[x]));
                x += run;
                continue;
            }
            int32_t count = 3; /* a literal needs at least 3 */
            while (x + count < width && count < 60 &&
                   !(x + count + 2 < width && row[x + count] == row[x + count + 1] &&
                     row[x + count] == row[x + count + 2])) {
                count++;
            }
            out.push_back(0);
            out.push_back(static_cast<uint8_t>(count));
            std::vector<uint8_t> literal;
            for (int32_t i = 0; i < count; i++) {
                if (!four) {
                    literal.push_back(static_cast<uint8_t>(row[x + i]));
                } else if (i % 2 == 0) {
                    literal.push_back(static_cast<uint8_t>(row[x + i] << 4));
                } else {
                    literal.back() |= static_cast<uint8_t>(row[x + i]);
                }
            }
            if (literal.size() % 2) {
                literal.push_back(0);
            }
            out.insert(out.end(), literal.begin(), literal.end());
            x += count;
        }
        out.push_back(0);
        out.push_back(r + 1 < height ? 0 : 1);
    }
    return out;
}
