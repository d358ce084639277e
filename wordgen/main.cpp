#include <stdlib.h>

#include "common/safe_file.h"
#include "platform/process.h"
#include "wordgen/command_line.h"
#include "wordgen/header_writer.h"
#include "wordgen/output_guard.h"
#include "wordgen/scan_file.h"

int main(int argc, char **argv) {
    // Ctrl-C or a kill mid-write leaves the earlier header and no temporary file beside it.
    installStopHandlers(removePendingSafeFile);

    const char *info = findInfoOption(argc, argv);
    if (info != nullptr) {
        return printInfo(info);
    }
    // Before any input is read: the blanking it does is what marks the other arguments as inputs.
    const char *outputName = getOutputName(argc, argv);

    NATIVE_WORD_NODE_T *head = nullptr;
    int status = 1;
    if (outputMayBeReplaced(outputName, argc, argv)) {
        for (int i = 1; i < argc; ++i) {
            if (argv[i][0] != '\0') {
                head = scanFile(argv[i], head, stderr);
            }
        }
        head = reverseList(head);
        status = writeHeader(outputName, head);
    }

    freeList(head);
    if (outputName != g_default_output_name) {
        free(const_cast<char *>(outputName));
    }
    return status;
}
