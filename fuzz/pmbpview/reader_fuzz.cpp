// pmbpview's reader on any bytes: the header check and its description, the loader on the same
// bytes written to a file (the two must agree), and for an accepted picture one whole view.
// The header's reserved field, which the reader ignores, picks the view.
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/files.h"
#include "pmbpview/pmbp_file.h"

namespace {

// Views are cut down to this many pixels, to keep runs fast.
const uint64_t MAX_VIEW_PIXELS = 1 << 14;

char *g_input_path = nullptr;

void removeInputFile() {
    if (g_input_path != nullptr) {
        removeFileNow(g_input_path);
    }
}

bool writeInputFile(const uint8_t *data, size_t size) {
    // A new file each time: truncating one makes some file systems flush it on close.
    removeFileNow(g_input_path);
    FILE *file = fopen(g_input_path, "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = fwrite(data, 1, size, file) == size;
    return fclose(file) == 0 && written;
}

void showView(const PMBP_PICTURE_T &picture) {
    VIEW_T view = {(picture.header.reserved & 1) != 0,
                   1 + static_cast<uint32_t>(picture.header.reserved >> 1) % 16};
    uint64_t width = 0;
    uint64_t height = 0;
    viewSize(picture.header, view, &width, &height);
    while (width * height > MAX_VIEW_PIXELS && view.scale > 1) {
        view.scale--;
        viewSize(picture.header, view, &width, &height);
    }
    if (width == 0 || height == 0) {
        return;
    }
    if (width * height > MAX_VIEW_PIXELS) {
        height = MAX_VIEW_PIXELS / width;
    }
    std::vector<uint8_t> row(width);
    for (uint32_t y = 0; y < height; ++y) {
        fillViewRow(picture, view, y, row.data());
        for (const uint8_t grey : row) {
            if (grey % 85 != 0) {
                abort();
            }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    const char *folder = getenv("TMPDIR");
    const std::string near =
        std::string(folder != nullptr && folder[0] != '\0' ? folder : "/tmp") + "/pmbpview-fuzz";
    FILE *file = createTemporaryBeside(near.c_str(), "wb", &g_input_path);
    if (file == nullptr) {
        perror("pmbpview-fuzz: temporary file");
        abort();
    }
    fclose(file);
    atexit(removeInputFile);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    PMBP_HEADER_T header;
    const PMBP_CHECK_T check = checkPmbpHeader(data, size, &header);
    if (describePmbpFault(check, header, size).empty()) {
        abort();
    }
    if (!writeInputFile(data, size)) {
        abort();
    }
    PMBP_PICTURE_T picture;
    std::string message;
    const bool loaded = loadPmbpFile(g_input_path, &picture, &message);
    if (loaded != (check == PMBP_CHECK_OK) || loaded != message.empty()) {
        abort();
    }
    if (!loaded) {
        return 0;
    }
    if (!std::equal(picture.data.begin(), picture.data.end(), data + PMBP_HEADER_SIZE,
                    data + size)) {
        abort();
    }
    showView(picture);
    return 0;
}
