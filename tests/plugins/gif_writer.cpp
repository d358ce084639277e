#include "tests/plugins/gif_writer.h"

#include <algorithm>

namespace {

void putCodes(std::vector<uint8_t> &gif, const std::vector<uint8_t> &indices) {
    std::vector<unsigned> codes;
    for (uint8_t index : indices) {
        codes.push_back(4);  // clear
        codes.push_back(index);
    }
    codes.push_back(5);  // end
    std::vector<uint8_t> packed;
    unsigned bits = 0, buffer = 0;
    for (unsigned code : codes) {
        buffer |= code << bits;
        bits += 3;
        while (bits >= 8) {
            packed.push_back(static_cast<uint8_t>(buffer));
            buffer >>= 8;
            bits -= 8;
        }
    }
    if (bits > 0) {
        packed.push_back(static_cast<uint8_t>(buffer));
    }
    gif.push_back(2);  // smallest code size
    for (size_t at = 0; at < packed.size(); at += 255) {
        size_t count = std::min<size_t>(255, packed.size() - at);
        gif.push_back(static_cast<uint8_t>(count));
        gif.insert(gif.end(), packed.begin() + static_cast<long>(at),
                   packed.begin() + static_cast<long>(at + count));
    }
    gif.push_back(0);
}

}  // namespace

std::vector<uint8_t> gifWith(const GIF_LAYOUT_T &layout) {
    std::vector<uint8_t> gif = {'G', 'I', 'F', '8', '9', 'a'};
    auto put16 = [&gif](unsigned v) {
        gif.push_back(static_cast<uint8_t>(v));
        gif.push_back(static_cast<uint8_t>(v >> 8));
    };
    put16(layout.screenWidth);
    put16(layout.screenHeight);
    gif.push_back(static_cast<uint8_t>(0x80 | (layout.paletteBits - 1)));
    gif.push_back(0);
    gif.push_back(0);
    for (int i = 0; i < (1 << layout.paletteBits); i++) {
        gif.push_back(static_cast<uint8_t>(10 + i));
        gif.push_back(static_cast<uint8_t>(20 + i));
        gif.push_back(static_cast<uint8_t>(30 + i));
    }
    for (int frame = 0; frame < layout.frames; frame++) {
        if (layout.transparent >= 0) {
            gif.insert(gif.end(),
                       {0x21, 0xF9, 4, 1, 0, 0, static_cast<uint8_t>(layout.transparent), 0});
        }
        gif.push_back(',');
        put16(layout.left);
        put16(layout.top);
        put16(layout.width);
        put16(layout.height);
        gif.push_back(0);
        std::vector<uint8_t> indices = layout.indices;
        if (frame > 0) {
            for (uint8_t &index : indices) {
                index = static_cast<uint8_t>(3 - index);
            }
        }
        putCodes(gif, indices);
    }
    gif.push_back(';');
    return gif;
}
