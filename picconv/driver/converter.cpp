#include "picconv/driver/converter.h"

#include <stdio.h>
#include <stdlib.h>

#include "SDL.h"
#include "picconv/driver/convert_line.h"

namespace {

enum { LINE_BUFFER_SIZE = 4096, LINE_READ_LIMIT = 4000 };

// The converter never opens a window; the dummy driver makes start-up the same with or
// without a display, and keeps SDL quiet.
void chooseHeadlessVideo() {
    if (getenv("SDL_VIDEODRIVER") == NULL) {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
    }
}

}  // namespace

int runConverter(int argc, char **argv) {
    if (argc < 2) {
        fprintf(stderr, "usage %s commandfilename\n", argc > 0 ? argv[0] : "picconv");
        return 1;
    }
    chooseHeadlessVideo();
    if (SDL_Init(SDL_INIT_VIDEO) < 0) {
        fprintf(stderr, "Couldn't initialize SDL: %s\n", SDL_GetError());
        return 2;
    }
    atexit(SDL_Quit);
    FILE *commandFile = fopen(argv[1], "r");
    if (commandFile == NULL) {
        fprintf(stderr, "Command file can't open.\n");
        return 3;
    }
    char line[LINE_BUFFER_SIZE];
    long lineNumber = 0;
    long withoutOutput = 0;
    while (fgets(line, LINE_READ_LIMIT, commandFile) != NULL) {
        lineNumber++;
        if (convertLine(line, lineNumber) == LINE_NO_OUTPUT) {
            withoutOutput++;
        }
    }
    // fgets ends the same way on a read error as at the end; a directory must not pass as empty.
    const bool readFailed = ferror(commandFile) != 0;
    fclose(commandFile);
    if (readFailed) {
        fprintf(stderr, "Command file can't open.\n");
        return 3;
    }
    return withoutOutput > 0 ? 4 : 0;
}
