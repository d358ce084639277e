#include "wordgen/output_guard.h"

#include <stdio.h>

#include "platform/files.h"
#include "wordgen/scan_file.h"

int outputMayBeReplaced(const char *outputPath, int argc, char *const *argv) {
    FILE_STAMP_T output;
    // Only a regular file is replaced; a device or pipe is written to and keeps what it was.
    if (!isRegularFile(outputPath) || !takeFileStamp(outputPath, &output)) {
        return 1;
    }
    for (int i = 1; i < argc; ++i) {
        FILE_STAMP_T input;
        if (argv[i][0] != '\0' && takeFileStamp(argv[i], &input) && input.device == output.device &&
            input.inode == output.inode) {
            fprintf(stderr,
                    "wordgen: cannot write %s: it is the input %s, which it would replace\n",
                    outputPath, argv[i]);
            return 0;
        }
    }
    // A header wordgen wrote yields no word when read back; a file that does is a source.
    NATIVE_WORD_NODE_T *words = scanFile(outputPath, nullptr, nullptr);
    const bool holdsWords = words != nullptr;
    freeList(words);
    if (holdsWords) {
        fprintf(stderr,
                "wordgen: cannot write %s: it holds NATIVEWORD lines, so it is a source, not a "
                "header (is an -o misplaced?)\n",
                outputPath);
        return 0;
    }
    return 1;
}
