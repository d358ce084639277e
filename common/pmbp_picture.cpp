#include "common/pmbp_picture.h"

namespace {

std::string numberText(uint64_t value) {
    return std::to_string(value);
}

}  // namespace

PMBP_CHECK_T checkPmbpHeader(const uint8_t *bytes, uint64_t fileSize, PMBP_HEADER_T *header) {
    *header = PMBP_HEADER_T{};
    if (fileSize < PMBP_HEADER_SIZE) {
        return PMBP_CHECK_TOO_SHORT;
    }
    if (!decodePmbpHeader(bytes, header)) {
        return PMBP_CHECK_BAD_MAGIC;
    }
    if (header->fileSize != fileSize) {
        return PMBP_CHECK_FILE_SIZE_FIELD;
    }
    if (header->format != 2 || header->formatMinor != 0) {
        return PMBP_CHECK_FORMAT;
    }
    if (header->width % 8 != 0) {
        return PMBP_CHECK_WIDTH;
    }
    if (header->dataLength != static_cast<uint64_t>(header->width) * header->height / 4) {
        return PMBP_CHECK_DATA_LENGTH;
    }
    if (PMBP_HEADER_SIZE + static_cast<uint64_t>(header->dataLength) != fileSize) {
        return PMBP_CHECK_DATA_SIZE;
    }
    return PMBP_CHECK_OK;
}

std::string describePmbpFault(PMBP_CHECK_T check, const PMBP_HEADER_T &header, uint64_t fileSize) {
    switch (check) {
        case PMBP_CHECK_OK:
            return "no fault";
        case PMBP_CHECK_TOO_SHORT:
            return "the file has " + numberText(fileSize) +
                   " bytes, too short for the 20-byte PMBP header";
        case PMBP_CHECK_BAD_MAGIC:
            return "not a PMBP file (it does not begin with \"PMBP\")";
        case PMBP_CHECK_FILE_SIZE_FIELD:
            return "the header gives a file size of " + numberText(header.fileSize) +
                   " bytes, but the file has " + numberText(fileSize);
        case PMBP_CHECK_FORMAT:
            return "unknown format " + numberText(header.format) + "." +
                   numberText(header.formatMinor) + " (only 2.0, two bits per pixel, is known)";
        case PMBP_CHECK_WIDTH:
            return "the width " + numberText(header.width) + " is not a multiple of 8";
        case PMBP_CHECK_DATA_LENGTH:
            return "the header gives a data length of " + numberText(header.dataLength) +
                   " bytes, but " + numberText(header.width) + " x " + numberText(header.height) +
                   " pixels need " +
                   numberText(static_cast<uint64_t>(header.width) * header.height / 4);
        case PMBP_CHECK_DATA_SIZE:
            return "the data length " + numberText(header.dataLength) +
                   " and the 20-byte header do not add up to the file size " + numberText(fileSize);
    }
    return "unknown fault";
}

bool pmbpPictureOf(const uint8_t *bytes, uint64_t size, PMBP_PICTURE_T *picture) {
    picture->data.clear();
    if (checkPmbpHeader(bytes, size, &picture->header) != PMBP_CHECK_OK) {
        return false;
    }
    picture->data.assign(bytes + PMBP_HEADER_SIZE, bytes + size);
    return true;
}

uint8_t greyForCode(unsigned code) {
    return static_cast<uint8_t>(255 - 85 * (code & 3));
}

unsigned pmbpCode(const PMBP_PICTURE_T &picture, uint32_t x, uint32_t y) {
    const uint64_t index = static_cast<uint64_t>(y) * picture.header.width + x;
    const unsigned shift = 6 - 2 * static_cast<unsigned>(index % 4);
    return (picture.data[index / 4] >> shift) & 3;
}

unsigned viewCode(const PMBP_PICTURE_T &picture, bool upright, uint32_t x, uint32_t y) {
    // The converter put source (x, y) at stored column y, row height - 1 - x; a quarter turn
    // clockwise brings it back.
    return upright ? pmbpCode(picture, y, picture.header.height - 1 - x) : pmbpCode(picture, x, y);
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
        const uint8_t grey = greyForCode(viewCode(picture, view.upright, column, unscaledRow));
        for (uint32_t k = 0; k < view.scale; ++k) {
            *out++ = grey;
        }
    }
}
