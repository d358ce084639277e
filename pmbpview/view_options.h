// pmbpview's command line.
#ifndef PMBPVIEW_VIEW_OPTIONS_H
#define PMBPVIEW_VIEW_OPTIONS_H

#include <stdint.h>

#include <string>

const uint32_t MAX_VIEW_SCALE = 16;

struct VIEW_OPTIONS_T {
    bool help;
    bool version;
    bool upright;
    uint32_t scale;
    const char *input;
    const char *output;
};

extern const char *const VIEW_USAGE;

// Returns false with a one-line reason when the arguments make no sense.
bool parseViewOptions(int argc, char **argv, VIEW_OPTIONS_T *options, std::string *message);

#endif
