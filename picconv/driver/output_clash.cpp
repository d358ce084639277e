#include "picconv/driver/output_clash.h"

#include <string.h>

#include <string>

#include "picconv/plugin/temp_bitmap.h"
#include "platform/files.h"

namespace {

bool isFileOf(const FILE_STAMP_T *output, const char *path) {
    FILE_STAMP_T stamp;
    return path != nullptr && takeFileStamp(path, &stamp) && isSameFile(output, &stamp);
}

// Whether output is the name of the temporary bitmap in the current folder.
bool namesTemporaryBitmap(const char *output) {
    const char *name = output;
    for (const char *p = output; *p != '\0'; p++) {
        if (*p == '/' || *p == '\\') {
            name = p + 1;
        }
    }
    if (strcmp(name, TEMP_BITMAP_NAME) != 0) {
        return false;
    }
    if (name == output) {
        return true;
    }
    const std::string folder(output, static_cast<size_t>(name - output));
    FILE_STAMP_T here;
    FILE_STAMP_T there;
    return takeFileStamp(".", &here) && takeFileStamp(folder.c_str(), &there) &&
           isSameFile(&here, &there);
}

}  // namespace

const char *outputClash(const char *output, const char *picture, const char *commandFile,
                        bool byName) {
    FILE_STAMP_T stamp;
    if (!takeFileStamp(output, &stamp)) {
        return byName && namesTemporaryBitmap(output)
                   ? "it is the temporary bitmap, which every decode overwrites"
                   : nullptr;
    }
    if (isFileOf(&stamp, TEMP_BITMAP_NAME)) {
        return "it is the temporary bitmap, which every decode overwrites";
    }
    if (isFileOf(&stamp, picture)) {
        return "it is the line's own picture";
    }
    if (isFileOf(&stamp, commandFile)) {
        return "it is the command file";
    }
    return nullptr;
}
