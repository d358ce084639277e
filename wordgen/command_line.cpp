#include "wordgen/command_line.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

const char g_default_output_name[] = "nativeword.h";

namespace {

const char HELP_OPTION[] = "--help";
const char VERSION_OPTION[] = "--version";

const char USAGE[] =
    "Usage: wordgen [-o OUTPUT] [FILE]...\n"
    "Writes a C header that declares the native words found in the FILEs and defines\n"
    "g_native_word_table. A native word is a line such as\n"
    "  NATIVEWORD(nw_add) { /* add */\n"
    "\n"
    "  -o OUTPUT   write the header to OUTPUT (default nativeword.h); the last -o counts\n"
    "  --help      print this help and exit\n"
    "  --version   print the version and exit\n"
    "\n"
    "A FILE that cannot be opened is reported and skipped. The header never replaces a FILE\n"
    "or a source (a file with NATIVEWORD lines). Exit status: 0 when the header was written,\n"
    "1 when it could not be. Give a file named --help as ./--help.\n";

}  // namespace

const char *findInfoOption(int argc, char *const *argv) {
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], HELP_OPTION) == 0 || strcmp(argv[i], VERSION_OPTION) == 0) {
            return argv[i];
        }
    }
    return nullptr;
}

int printInfo(const char *option) {
    if (strcmp(option, HELP_OPTION) == 0) {
        fputs(USAGE, stdout);
    } else {
        printf("wordgen %s\n", TOOLS_VERSION);
    }
    // A full disk or a closed pipe must not pass for a printed answer.
    if (fflush(stdout) != 0 || ferror(stdout)) {
        fprintf(stderr, "wordgen: cannot write to standard output: %s\n", strerror(errno));
        return 1;
    }
    return 0;
}

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
