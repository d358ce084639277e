#include "command_line.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

const char g_default_output_name[] = "nativeword.h";

const char *getOutputName(int argc, char **argv) {
    int valueIndex = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-o") == 0) {
            argv[i][0] = '\0';
            valueIndex = i + 1;
        }
    }
    if (valueIndex == 0 || valueIndex >= argc) {
        return g_default_output_name;
    }
    size_t size = std::strlen(argv[valueIndex]) + 1;
    char *name = static_cast<char *>(std::malloc(size));
    if (name == nullptr) {
        std::fprintf(stderr, "malloc failed in getOutputName");
        std::exit(1);
    }
    std::memcpy(name, argv[valueIndex], size);
    argv[valueIndex][0] = '\0';
    return name;
}
