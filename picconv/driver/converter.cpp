#include "picconv/driver/converter.h"

#include <stdio.h>
#include <stdlib.h>

#include "SDL.h"

#include "common/safe_file.h"
#include "picconv/diagnostics/diagnostics.h"
#include "picconv/driver/convert_line.h"
#include "platform/process.h"

namespace {

enum { LINE_BUFFER_SIZE = 4096, LINE_READ_LIMIT = 4000 };

// A stop leaves nothing new at the output path of the line in progress; the run lock goes with
// the process.
void onStop() {
    removePendingSafeFile();
}

}  // namespace

int runConverter(int argc, char **argv) {
    if (argc < 2) {
        reportUsage(argc > 0 ? argv[0] : "picconv");
        return 1;
    }
    // The converter never opens a window; the dummy driver makes start-up the same with or
    // without a display, and keeps SDL quiet.
    setEnvironmentDefault("SDL_VIDEODRIVER", "dummy");
    if (SDL_Init(SDL_INIT_VIDEO) < 0) {
        reportSdlFailure(SDL_GetError());
        return 2;
    }
    atexit(SDL_Quit);
    // After SDL_Init, whose own handlers would only queue an event nobody reads.
    installStopHandlers(onStop);
    FILE *commandFile = fopen(argv[1], "r");
    if (commandFile == nullptr) {
        reportCommandFileUnreadable();
        return 3;
    }
    char line[LINE_BUFFER_SIZE];
    long lineNumber = 0;
    long withoutOutput = 0;
    while (fgets(line, LINE_READ_LIMIT, commandFile) != nullptr) {
        lineNumber++;
        if (convertLine(line, lineNumber) == LINE_NO_OUTPUT) {
            withoutOutput++;
        }
    }
    // fgets ends the same way on a read error as at the end; a directory must not pass as empty.
    const bool readFailed = ferror(commandFile) != 0;
    fclose(commandFile);
    releaseKeptSource();
    if (readFailed) {
        reportCommandFileUnreadable();
        return 3;
    }
    return withoutOutput > 0 ? 4 : 0;
}
