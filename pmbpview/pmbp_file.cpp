#include "pmbp_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

const uint8_t PMBP_MAGIC[4] = {'P', 'M', 'B', 'P'};

uint16_t readLe16(const uint8_t *p) {
    return uint16_t(p[0] | p[1] << 8);
}

uint32_t readLe32(const uint8_t *p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

std::string numberText(uint64_t value) {
    return std::to_string(value);
}

}  // namespace

PMBP_CHECK_T checkPmbpHeader(const uint8_t *bytes, uint64_t fileSize, PMBP_HEADER_T *header) {
    *header = PMBP_HEADER_T{};
    if (fileSize < PMBP_HEADER_SIZE) {
        return PMBP_CHECK_TOO_SHORT;
    }
    header->fileSize = readLe32(bytes + 4);
    header->format = bytes[8];
    header->formatMinor = bytes[9];
    header->width = readLe16(bytes + 10);
    header->height = readLe16(bytes + 12);
    header->reserved = readLe16(bytes + 14);
    header->dataLength = readLe32(bytes + 16);

    if (std::memcmp(bytes, PMBP_MAGIC, sizeof PMBP_MAGIC) != 0) {
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
    if (header->dataLength != uint64_t(header->width) * header->height / 4) {
        return PMBP_CHECK_DATA_LENGTH;
    }
    if (PMBP_HEADER_SIZE + uint64_t(header->dataLength) != fileSize) {
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
                   " pixels need " + numberText(uint64_t(header.width) * header.height / 4);
        case PMBP_CHECK_DATA_SIZE:
            return "the data length " + numberText(header.dataLength) +
                   " and the 20-byte header do not add up to the file size " + numberText(fileSize);
    }
    return "unknown fault";
}

bool loadPmbpFile(const char *path, PMBP_PICTURE_T *picture, std::string *message) {
    FILE *file = std::fopen(path, "rb");
    if (file == nullptr) {
        *message = std::string("cannot open ") + path + ": " + std::strerror(errno);
        return false;
    }
    bool ok = false;
    picture->header = PMBP_HEADER_T{};
    struct stat status;
    uint8_t bytes[PMBP_HEADER_SIZE];
    if (fstat(fileno(file), &status) != 0 || !S_ISREG(status.st_mode)) {
        *message = std::string(path) + ": not a regular file";
    } else {
        const uint64_t fileSize = uint64_t(status.st_size);
        const size_t headerBytes =
            fileSize < PMBP_HEADER_SIZE ? size_t(fileSize) : size_t(PMBP_HEADER_SIZE);
        const PMBP_CHECK_T check = std::fread(bytes, 1, headerBytes, file) == headerBytes
                                       ? checkPmbpHeader(bytes, fileSize, &picture->header)
                                       : PMBP_CHECK_TOO_SHORT;
        if (check != PMBP_CHECK_OK) {
            *message =
                std::string(path) + ": " + describePmbpFault(check, picture->header, fileSize);
        } else {
            picture->data.resize(picture->header.dataLength);
            // The size was checked against fstat; a file that changes meanwhile is refused too.
            ok = std::fread(picture->data.data(), 1, picture->data.size(), file) ==
                     picture->data.size() &&
                 std::fgetc(file) == EOF && !std::ferror(file);
            if (!ok) {
                *message = std::string(path) + ": read failed or the file changed while read";
            }
        }
    }
    std::fclose(file);
    if (!ok) {
        picture->data.clear();
    }
    return ok;
}
