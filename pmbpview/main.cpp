// pmbpview: turns a "PMBP" file into a grey PNG a person can look at.
#include <stdio.h>

#include <string>

#include "common/png_writer.h"
#include "common/safe_file.h"
#include "platform/process.h"
#include "pmbpview/pmbp_file.h"
#include "pmbpview/view_options.h"

namespace {

enum {
    EXIT_VIEW_OK = 0,
    EXIT_VIEW_BAD_INPUT = 1,
    EXIT_VIEW_USAGE = 2,
    EXIT_VIEW_NO_OUTPUT = 3,
};

struct VIEW_SOURCE_T {
    const PMBP_PICTURE_T *picture;
    VIEW_T view;
};

void fillSourceRow(void *context, uint32_t row, uint8_t *out) {
    const VIEW_SOURCE_T *source = static_cast<const VIEW_SOURCE_T *>(context);
    fillViewRow(*source->picture, source->view, row, out);
}

int fail(int status, const std::string &message) {
    fprintf(stderr, "pmbpview: %s\n", message.c_str());
    return status;
}

}  // namespace

int main(int argc, char **argv) {
    // A stopped run leaves the earlier PNG and no temporary file beside it.
    installStopHandlers(removePendingSafeFile);
    VIEW_OPTIONS_T options;
    std::string message;
    if (!parseViewOptions(argc, argv, &options, &message)) {
        fprintf(stderr, "pmbpview: %s\n%s", message.c_str(), VIEW_USAGE);
        return EXIT_VIEW_USAGE;
    }
    if (options.help) {
        fputs(VIEW_USAGE, stdout);
        return EXIT_VIEW_OK;
    }
    if (options.version) {
        fputs("pmbpview " TOOLS_VERSION "\n", stdout);
        return EXIT_VIEW_OK;
    }

    // Everything is checked from the header: a picture too large to show is refused before
    // its pixels (up to a gigabyte) are read.
    PMBP_PICTURE_T picture;
    FILE *file = openPmbpFile(options.input, &picture.header, &message);
    if (file == nullptr) {
        return fail(EXIT_VIEW_BAD_INPUT, message);
    }
    VIEW_SOURCE_T source = {&picture, {options.upright, options.scale}};
    uint64_t width = 0;
    uint64_t height = 0;
    viewSize(picture.header, source.view, &width, &height);
    const std::string size = std::to_string(width) + " x " + std::to_string(height);
    if (width == 0 || height == 0) {
        fclose(file);
        return fail(EXIT_VIEW_BAD_INPUT, std::string(options.input) + ": the picture is empty (" +
                                             size + " pixels); a PNG cannot hold it");
    }
    if (width > PNG_SIDE_LIMIT || height > PNG_SIDE_LIMIT) {
        fclose(file);
        return fail(EXIT_VIEW_BAD_INPUT,
                    "the preview would be " + size + " pixels, more than the " +
                        std::to_string(PNG_SIDE_LIMIT) +
                        " a side that libpng (and many viewers) take; use a smaller --scale");
    }
    if (!readPmbpPixels(file, options.input, &picture, &message)) {
        return fail(EXIT_VIEW_BAD_INPUT, message);
    }
    if (!writePng(options.output, PNG_GREY, PNG_SMALLEST, static_cast<uint32_t>(width),
                  static_cast<uint32_t>(height), fillSourceRow, &source, &message)) {
        return fail(EXIT_VIEW_NO_OUTPUT, message);
    }
    return EXIT_VIEW_OK;
}
