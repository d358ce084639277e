#include "pmbpview/view_options.h"

#include <string.h>

const char *const VIEW_USAGE =
    "usage: pmbpview [--upright] [--scale N] in.pmbp out.png\n"
    "  --upright  turn the picture back to the source's orientation\n"
    "  --scale N  enlarge every pixel to N x N pixels (N from 1 to 16, default 1)\n"
    "  --help     print this text and stop\n"
    "  --version  print the version and stop\n";

namespace {

// Digits only, so that "2x" or "-1" are refused rather than half read.
bool parseScale(const char *text, uint32_t *scale) {
    uint32_t value = 0;
    if (*text == '\0') {
        return false;
    }
    for (const char *p = text; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9' || value > MAX_VIEW_SCALE) {
            return false;
        }
        value = value * 10 + static_cast<uint32_t>(*p - '0');
    }
    if (value < 1 || value > MAX_VIEW_SCALE) {
        return false;
    }
    *scale = value;
    return true;
}

}  // namespace

bool parseViewOptions(int argc, char **argv, VIEW_OPTIONS_T *options, std::string *message) {
    *options = VIEW_OPTIONS_T{false, false, false, 1, nullptr, nullptr};
    const char *files[2] = {nullptr, nullptr};
    int fileCount = 0;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        if (optionsEnded || arg[0] != '-' || arg[1] == '\0') {
            if (fileCount == 2) {
                *message = std::string("unexpected argument '") + arg + "'";
                return false;
            }
            files[fileCount++] = arg;
        } else if (strcmp(arg, "--") == 0) {
            optionsEnded = true;
        } else if (strcmp(arg, "--help") == 0 || strcmp(arg, "-h") == 0) {
            options->help = true;
            return true;
        } else if (strcmp(arg, "--version") == 0) {
            options->version = true;
            return true;
        } else if (strcmp(arg, "--upright") == 0) {
            options->upright = true;
        } else if (strcmp(arg, "--scale") == 0) {
            if (i + 1 == argc || !parseScale(argv[i + 1], &options->scale)) {
                *message = "--scale needs a whole number from 1 to 16";
                return false;
            }
            ++i;
        } else {
            *message = std::string("unknown option '") + arg + "'";
            return false;
        }
    }
    if (fileCount != 2) {
        *message = "expected an input file and an output file";
        return false;
    }
    options->input = files[0];
    options->output = files[1];
    return true;
}
