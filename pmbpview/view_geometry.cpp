#include "pmbpview/view_geometry.h"

uint8_t greyForCode(unsigned code) {
    return static_cast<uint8_t>(255 - 85 * (code & 3));
}

unsigned pmbpCode(const PMBP_PICTURE_T &picture, uint32_t x, uint32_t y) {
    const uint64_t index = static_cast<uint64_t>(y) * picture.header.width + x;
    const unsigned shift = 6 - 2 * static_cast<unsigned>(index % 4);
    return (picture.data[index / 4] >> shift) & 3;
}

void viewSize(const PMBP_HEADER_T &header, const VIEW_T &view, uint64_t *width, uint64_t *height) {
    // Upright, the stored rows become columns.
    const uint64_t w = view.upright ? header.height : header.width;
    const uint64_t h = view.upright ? header.width : header.height;
    *width = w * view.scale;
    *height = h * view.scale;
}

void fillViewRow(const PMBP_PICTURE_T &picture, const VIEW_T &view, uint32_t row, uint8_t *out) {
    const uint32_t unscaledRow = row / view.scale;
    const uint32_t columns = view.upright ? picture.header.height : picture.header.width;
    for (uint32_t column = 0; column < columns; ++column) {
        // The converter put source (x, y) at stored column y, row height - 1 - x; a quarter
        // turn clockwise brings it back.
        const unsigned code =
            view.upright ? pmbpCode(picture, unscaledRow, picture.header.height - 1 - column)
                         : pmbpCode(picture, column, unscaledRow);
        const uint8_t grey = greyForCode(code);
        for (uint32_t k = 0; k < view.scale; ++k) {
            *out++ = grey;
        }
    }
}
