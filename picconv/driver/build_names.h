// The paths a build made by picconv_add_pictures can name. CMake writes the outputs into the
// build files it generates, and the pictures and plug-ins a run reads reach Ninja or Make through
// the dependency file; each tool reads some characters as syntax, with no escape that survives
// the whole way. The limits are those of CMake 3.25, Ninja 1.11 and GNU Make 4.3, and the CMake
// package refuses the same characters, for the generator in use, when it configures.
#ifndef PICCONV_DRIVER_BUILD_NAMES_H
#define PICCONV_DRIVER_BUILD_NAMES_H

#include <stddef.h>

enum BUILD_NAME_ROLE_T {
    BUILD_NAME_INPUT,  // a picture or plug-in the run reads: named in the dependency file
    BUILD_NAME_OUTPUT  // a file the run writes: an output of CMake's custom command
};

// Null when CMake, with Ninja and with Makefiles, can name path in that role; otherwise why
// not, in words, with *at set to the offset of the first character at fault. Folder separators
// of the platform are never at fault.
const char *buildNameProblem(const char *path, BUILD_NAME_ROLE_T role, size_t *at);

#endif
