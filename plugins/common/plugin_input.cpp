#include "plugins/common/plugin_input.h"

#include <stdio.h>
#include <string.h>

#include "platform/files.h"

namespace {

int readFileFrom(const char *path, PLUGIN_LONG_T offset, INPUT_BYTES_T *input) {
    // fseek takes a long, which on 64-bit Windows is narrower than the offset.
    if (path == nullptr || offset < 0 || static_cast<long>(offset) != offset) {
        return PLUGIN_ERR_FILE_READ;
    }
    FILE *file = fopen(path, "rb");
    if (file == nullptr) {
        return PLUGIN_ERR_FILE_READ;
    }
    int result = PLUGIN_OK;
    uint64_t fileSize = 0;
    const uint64_t start = static_cast<uint64_t>(offset);
    // A folder or a device is no picture file, whatever size it claims.
    if (!regularFileSize(file, &fileSize) ||
        fseek(file, static_cast<long>(offset), SEEK_SET) != 0) {
        result = PLUGIN_ERR_FILE_READ;
    } else if (fileSize > start && fileSize - start > MAX_INPUT_BYTES) {
        result = PLUGIN_ERR_NO_MEMORY;
    } else {
        size_t size = fileSize > start ? static_cast<size_t>(fileSize - start) : 0;
        input->owned.resize(size);
        if (size > 0 && fread(input->owned.data(), 1, size, file) != size) {
            result = PLUGIN_ERR_FILE_READ;
        }
        input->data = input->owned.data();
        input->size = size;
    }
    fclose(file);
    return result;
}

}  // namespace

int readPluginInput(LPSTR buf, PLUGIN_LONG_T len, unsigned int flag, INPUT_BYTES_T *input) {
    switch (flag & PLUGIN_INPUT_MASK) {
        case PLUGIN_INPUT_FILE:
            return readFileFrom(buf, len, input);
        case PLUGIN_INPUT_MEMORY:
            if (buf == nullptr || len < 0) {
                return PLUGIN_ERR_FILE_READ;
            }
            input->data = reinterpret_cast<const uint8_t *>(buf);
            input->size = static_cast<size_t>(len);
            return PLUGIN_OK;
        default:
            return PLUGIN_ERR_UNKNOWN_FORMAT;
    }
}

size_t readSupportHead(PLUGIN_DW_T dw, uint8_t *head) {
    memset(head, 0, PLUGIN_HEAD_SIZE);
    if (!PLUGIN_DW_IS_HANDLE(dw)) {
        memcpy(head, reinterpret_cast<const void *>(dw), PLUGIN_HEAD_SIZE);
        return PLUGIN_HEAD_SIZE;
    }
    return readAtHandlePosition(static_cast<uintptr_t>(dw), head, PLUGIN_HEAD_SIZE);
}
