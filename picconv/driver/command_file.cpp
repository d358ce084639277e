#include "picconv/driver/command_file.h"

#include <errno.h>
#include <string.h>

#include "picconv/diagnostics/stage_times.h"

namespace {

enum { LINE_BUFFER_SIZE = 4096, LINE_READ_LIMIT = 4000 };

// fgets ends the same way on a read error as at the end; a directory must not pass as empty.
int endOfReading(FILE *file) {
    const int error = errno;
    if (ferror(file) == 0) {
        return 1;
    }
    errno = error != 0 ? error : EIO;
    return 0;
}

}  // namespace

int forEachCommandLine(FILE *file, COMMAND_LINE_VISIT_T visit, void *context) {
    char line[LINE_BUFFER_SIZE];
    long lineNumber = 0;
    errno = 0;
    for (;;) {
        const uint64_t started = stageClock();
        const bool read = fgets(line, LINE_READ_LIMIT, file) != nullptr;
        addStageTime(STAGE_COMMAND_FILE, started);
        if (!read) {
            break;
        }
        lineNumber++;
        visit(line, lineNumber, context);
        errno = 0;
    }
    return endOfReading(file);
}

int forEachMeasuredCommandLine(FILE *file,
                               void (*visit)(const char *line, size_t bytesRead, long lineNumber,
                                             void *context),
                               void *context) {
    char line[LINE_BUFFER_SIZE];
    long lineNumber = 0;
    errno = 0;
    // fgets says nothing of how much it read. Bytes it does not write keep this filler, and
    // its terminator is the last NUL before them.
    memset(line, '\n', sizeof line);
    while (fgets(line, LINE_READ_LIMIT, file) != nullptr) {
        lineNumber++;
        size_t end = LINE_READ_LIMIT - 1;
        while (line[end] != '\0') {
            end--;
        }
        visit(line, end, lineNumber, context);
        memset(line, '\n', end + 1);
        errno = 0;
    }
    return endOfReading(file);
}
