#include "wordgen/command_line.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

const char g_default_output_name[] = "nativeword.h";

const char *getOutputName(int argc, char **argv) {
    int valueIndex = 0;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "-o") == 0) {
            argv[i][0] = '\0';
            valueIndex = i + 1;
        }
    }
    if (valueIndex == 0 || valueIndex >= argc) {
        return g_default_output_name;
    }
    const size_t size = strlen(argv[valueIndex]) + 1;
    char *name = static_cast<char *>(malloc(size));
    if (name == nullptr) {
        fprintf(stderr, "malloc failed in getOutputName");
        exit(1);
    }
    memcpy(name, argv[valueIndex], size);
    argv[valueIndex][0] = '\0';
    return name;
}
