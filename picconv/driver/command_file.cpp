#include "picconv/driver/command_file.h"

namespace {

enum { LINE_BUFFER_SIZE = 4096, LINE_READ_LIMIT = 4000 };

}  // namespace

int forEachCommandLine(FILE *file, void (*visit)(const char *line, long lineNumber, void *context),
                       void *context) {
    char line[LINE_BUFFER_SIZE];
    long lineNumber = 0;
    while (fgets(line, LINE_READ_LIMIT, file) != nullptr) {
        lineNumber++;
        visit(line, lineNumber, context);
    }
    // fgets ends the same way on a read error as at the end; a directory must not pass as empty.
    return ferror(file) == 0 ? 1 : 0;
}
