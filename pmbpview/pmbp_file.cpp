#include "pmbpview/pmbp_file.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>

#include <new>
#include <string>

#include "platform/files.h"

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
    // Up to a gigabyte: a 32-bit process may not find that much, and must say so, not crash.
    try {
        picture->data.resize(picture->header.dataLength);
    } catch (const std::bad_alloc &) {
        fclose(file);
        *message = std::string(path) + ": not enough memory for its " +
                   std::to_string(picture->header.dataLength) + " bytes of pixels";
        picture->data.clear();
        return false;
    }
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
