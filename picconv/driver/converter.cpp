#include "picconv/driver/converter.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "SDL.h"

#include "common/safe_file.h"
#include "picconv/diagnostics/diagnostics.h"
#include "picconv/driver/command_check.h"
#include "picconv/driver/command_file.h"
#include "picconv/driver/command_record.h"
#include "picconv/driver/convert_line.h"
#include "picconv/driver/options.h"
#include "picconv/driver/run_files.h"
#include "picconv/plugin/plugin_entries.h"
#include "picconv/plugin/plugin_probe.h"
#include "platform/process.h"

namespace {

struct CONVERSION_T {
    const char *commandFile;
    long withoutOutput;
};

// A stop leaves nothing new at the output path of the line in progress; the run lock goes with
// the process.
void onStop() {
    removePendingSafeFile();
}

int printInfo(RUN_MODE_T mode) {
    if (mode == MODE_HELP) {
        fputs(PICCONV_HELP, stdout);
    } else {
        printf("picconv %s\n", TOOLS_VERSION);
    }
    // A full disk or a closed pipe must not pass for a printed answer.
    if (fflush(stdout) != 0 || ferror(stdout)) {
        fprintf(stderr, "picconv: cannot write to standard output: %s\n", strerror(errno));
        return 1;
    }
    return 0;
}

void convertOne(const char *line, long lineNumber, void *context) {
    CONVERSION_T *conversion = static_cast<CONVERSION_T *>(context);
    if (convertLine(line, conversion->commandFile, lineNumber) == LINE_NO_OUTPUT) {
        conversion->withoutOutput++;
    }
}

// Notes what one line would read or write, without converting it.
void listOne(const char *line, long lineNumber, void *context) {
    (void)lineNumber;
    const bool inputs = context != nullptr;
    const size_t length = strlen(line);
    char *copy = static_cast<char *>(malloc(length + 1));
    if (copy == nullptr) {
        return;
    }
    memcpy(copy, line, length + 1);
    char *fields[FIELD_COUNT];
    if (splitCommandRecord(copy, fields)) {
        if (!inputs) {
            noteRunOutput(fields[FIELD_OUTPUT]);
        } else {
            const char *file = nullptr;
            const char *why = nullptr;
            noteRunInput(fields[FIELD_PICTURE]);
            noteRunInput(probePlugin(fields[FIELD_PLUGIN], &file, &why) ? file
                                                                        : fields[FIELD_PLUGIN]);
        }
    }
    free(copy);
}

int listFiles(const RUN_OPTIONS_T &options, FILE *commandFile) {
    const bool inputs = options.mode == MODE_LIST_INPUTS;
    if (inputs) {
        noteRunInput(options.commandFile);
    }
    // Any non-null context asks for the inputs.
    const int read = forEachCommandLine(commandFile, listOne,
                                        inputs ? const_cast<char *>(options.commandFile) : nullptr);
    releaseProbedPlugin();
    if (!read) {
        reportCommandFileUnreadable();
        return 3;
    }
    printRunFiles(stdout, inputs);
    return fflush(stdout) == 0 && !ferror(stdout) ? 0 : 1;
}

int convertFile(const RUN_OPTIONS_T &options) {
    // The converter never opens a window; the dummy driver makes start-up the same with or
    // without a display, and keeps SDL quiet.
    setEnvironmentDefault("SDL_VIDEODRIVER", "dummy");
    // A plug-in's pixel block is freed just before SDL makes the surface of the same size.
    reuseLargeBlocks(PLUGIN_MAX_PIXEL_BYTES);
    if (SDL_Init(SDL_INIT_VIDEO) < 0) {
        reportSdlFailure(SDL_GetError());
        return 2;
    }
    atexit(SDL_Quit);
    // After SDL_Init, whose own handlers would only queue an event nobody reads.
    installStopHandlers(onStop);
    setKeepGoing(options.keepGoing);
    FILE *commandFile = fopen(options.commandFile, "r");
    if (commandFile == nullptr) {
        reportCommandFileUnreadable();
        return 3;
    }
    CONVERSION_T conversion = {options.commandFile, 0};
    const int read = forEachCommandLine(commandFile, convertOne, &conversion);
    fclose(commandFile);
    releaseKeptSource();
    if (!read) {
        reportCommandFileUnreadable();
        return 3;
    }
    if (options.depfile != nullptr && !writeDepfile(options.depfile)) {
        fprintf(stderr, "picconv: cannot write %s: %s\n", options.depfile, strerror(errno));
        return 4;
    }
    return conversion.withoutOutput > 0 ? 4 : 0;
}

}  // namespace

int runConverter(int argc, char **argv) {
    const char *program = argc > 0 ? argv[0] : "picconv";
    const RUN_OPTIONS_T options = parseOptions(argc, argv);
    switch (options.mode) {
        case MODE_HELP:
        case MODE_VERSION:
            return printInfo(options.mode);
        case MODE_USAGE_ERROR:
            reportUsage(program);
            if (options.badOption != nullptr) {
                reportUnknownOption(options.badOption);
            }
            return 1;
        case MODE_CONVERT:
            return convertFile(options);
        default:
            break;
    }
    FILE *commandFile = fopen(options.commandFile, "r");
    if (commandFile == nullptr) {
        reportCommandFileUnreadable();
        return 3;
    }
    const int status = options.mode == MODE_CHECK
                           ? checkCommandFile(options.commandFile, commandFile)
                           : listFiles(options, commandFile);
    fclose(commandFile);
    return status;
}
