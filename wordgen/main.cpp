#include <cstdlib>

#include "command_line.h"
#include "header_writer.h"
#include "scan_file.h"

int main(int argc, char **argv) {
    // Must run first: the blanking it does is what marks the remaining arguments as inputs.
    const char *outputName = getOutputName(argc, argv);

    NATIVE_WORD_NODE_T *head = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] != '\0') {
            head = scanFile(argv[i], head);
        }
    }
    head = reverseList(head);
    int status = writeHeader(outputName, head);

    freeList(head);
    if (outputName != g_default_output_name) {
        std::free(const_cast<char *>(outputName));
    }
    return status;
}
