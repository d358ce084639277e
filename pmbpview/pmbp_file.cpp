#include "pmbpview/pmbp_file.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>

#include "platform/files.h"

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

FILE *openPmbpFile(const char *path, PMBP_HEADER_T *header, std::string *message) {
    *header = PMBP_HEADER_T{};
    FILE *file = fopen(path, "rb");
    if (file == nullptr) {
        *message = std::string("cannot open ") + path + ": " + strerror(errno);
        return nullptr;
    }
    uint64_t fileSize = 0;
    uint8_t bytes[PMBP_HEADER_SIZE];
    if (!regularFileSize(file, &fileSize)) {
        *message = std::string(path) + ": not a regular file";
    } else {
        const size_t headerBytes = fileSize < PMBP_HEADER_SIZE
                                       ? static_cast<size_t>(fileSize)
                                       : static_cast<size_t>(PMBP_HEADER_SIZE);
        const PMBP_CHECK_T check = fread(bytes, 1, headerBytes, file) == headerBytes
                                       ? checkPmbpHeader(bytes, fileSize, header)
                                       : PMBP_CHECK_TOO_SHORT;
        if (check == PMBP_CHECK_OK) {
            return file;
        }
        *message = std::string(path) + ": " + describePmbpFault(check, *header, fileSize);
    }
    fclose(file);
    return nullptr;
}

bool readPmbpPixels(FILE *file, const char *path, PMBP_PICTURE_T *picture, std::string *message) {
    picture->data.resize(picture->header.dataLength);
    // The size was checked against the open file; a file that changes meanwhile is refused too.
    const bool ok =
        fread(picture->data.data(), 1, picture->data.size(), file) == picture->data.size() &&
        fgetc(file) == EOF && !ferror(file);
    fclose(file);
    if (!ok) {
        *message = std::string(path) + ": read failed or the file changed while read";
        picture->data.clear();
    }
    return ok;
}

bool loadPmbpFile(const char *path, PMBP_PICTURE_T *picture, std::string *message) {
    FILE *file = openPmbpFile(path, &picture->header, message);
    if (file == nullptr) {
        picture->data.clear();
        return false;
    }
    return readPmbpPixels(file, path, picture, message);
}
