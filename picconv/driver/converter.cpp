#include "picconv/driver/converter.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "SDL.h"

#include "common/safe_file.h"
#include "picconv/diagnostics/diagnostics.h"
#include "picconv/diagnostics/stage_times.h"
#include "picconv/driver/command_check.h"
#include "picconv/driver/command_file.h"
#include "picconv/driver/command_record.h"
#include "picconv/driver/convert_line.h"
#include "picconv/driver/coordinator.h"
#include "picconv/driver/input_paths.h"
#include "picconv/driver/options.h"
#include "picconv/driver/run_files.h"
#include "picconv/driver/run_state.h"
#include "picconv/driver/serial_run.h"
#include "picconv/driver/worker.h"
#include "picconv/proof/proof.h"
#include "picconv/plugin/plugin_entries.h"
#include "picconv/plugin/plugin_probe.h"
#include "platform/process.h"

namespace {

// The lines of a parallel run, read before it starts.
struct PARALLEL_LINES_T {
    std::vector<std::string> lines;
};

struct LISTING_T {
    const char *commandFile;
    bool inputs;      // the files read, rather than those written
    bool incomplete;  // a line could not be read into memory
};

// A stop leaves nothing new at the output path of the line in progress; the run lock goes with
// the process.
void onStop() {
    removePendingSafeFile();
}

int printInfo(RUN_MODE_T mode) {
    if (mode == MODE_HELP) {
        printf(PICCONV_HELP, MAX_OUTPUT_WIDTH);
    } else {
        printf("picconv %s\n", TOOLS_VERSION);
    }
    // A full disk or a closed pipe must not pass for a printed answer.
    if (fflush(stdout) != 0 || ferror(stdout)) {
        fprintf(stderr, "picconv: cannot write to standard output: %s\n", strerror(errno));
        return EXIT_USAGE_OR_PLUGIN;
    }
    return EXIT_ALL_WRITTEN;
}

void keepLine(const char *line, long lineNumber, void *context) {
    (void)lineNumber;
    static_cast<PARALLEL_LINES_T *>(context)->lines.push_back(line);
}

// Notes what one line would read or write, without converting it.
void listOne(const char *line, long lineNumber, void *context) {
    LISTING_T *listing = static_cast<LISTING_T *>(context);
    char *copy = nullptr;
    char *fields[FIELD_COUNT];
    const RECORD_COPY_T record = copyCommandRecord(line, &copy, fields);
    if (record == RECORD_NO_MEMORY) {
        setReportLine(listing->commandFile, lineNumber);
        reportLineOutOfMemory();
        listing->incomplete = true;
    }
    if (record != RECORD_COMPLETE) {
        return;
    }
    if (!listing->inputs) {
        noteRunOutput(fields[FIELD_OUTPUT]);
    } else {
        const std::string picture = picturePathOf(fields[FIELD_PICTURE]);
        const std::string plugin = pluginPathOf(fields[FIELD_PLUGIN]);
        const char *file = nullptr;
        const char *why = nullptr;
        noteRunInput(picture.c_str());
        noteRunInput(probePlugin(plugin.c_str(), &file, &why) ? file : plugin.c_str());
    }
    free(copy);
}

int listFiles(const RUN_OPTIONS_T &options, FILE *commandFile) {
    LISTING_T listing = {options.commandFile, options.mode == MODE_LIST_INPUTS, false};
    if (listing.inputs) {
        noteRunInput(options.commandFile);
    }
    const int read = forEachCommandLine(commandFile, listOne, &listing);
    const int error = errno;
    releaseProbedPlugin();
    if (!read) {
        reportCommandFileUnreadable(options.commandFile, error);
        return EXIT_COMMAND_FILE;
    }
    printRunFiles(stdout, listing.inputs);
    if (fflush(stdout) != 0 || ferror(stdout)) {
        return EXIT_USAGE_OR_PLUGIN;
    }
    return listing.incomplete ? EXIT_LINE_WITHOUT_OUTPUT : EXIT_ALL_WRITTEN;
}

int convertFile(const RUN_OPTIONS_T &options) {
    // The converter never opens a window; the dummy driver makes start-up the same with or
    // without a display, and keeps SDL quiet.
    setEnvironmentDefault("SDL_VIDEODRIVER", "dummy");
    // A plug-in's pixel block is freed just before SDL makes the surface of the same size.
    reuseLargeBlocks(PLUGIN_MAX_PIXEL_BYTES);
    if (SDL_Init(SDL_INIT_VIDEO) < 0) {
        reportSdlFailure(SDL_GetError());
        return EXIT_SDL_FAILED;
    }
    atexit(SDL_Quit);
    // After SDL_Init, whose own handlers would only queue an event nobody reads.
    installStopHandlers(onStop);
    setKeepGoing(options.keepGoing);
    FILE *commandFile = fopen(options.commandFile, "r");
    if (commandFile == nullptr) {
        reportCommandFileUnreadable(options.commandFile, errno);
        return EXIT_COMMAND_FILE;
    }
    // Every output depends on the command file, first of the inputs as --list-inputs lists it.
    noteRunInput(options.commandFile);
    RUN_STATE_T state;
    loadRunState(options.stateFile, &state);
    setProofFolder(options.proofDir);
    const uint64_t started = stageClock();
    SERIAL_RESULT_T result = {1, 0, 0, 0};
    if (options.jobs > 0) {
        PARALLEL_LINES_T parallel;
        result.read = forEachCommandLine(commandFile, keepLine, &parallel);
        result.error = errno;
        fclose(commandFile);
        result.lines = static_cast<long>(parallel.lines.size());
        const int status = runCoordinator(options, parallel.lines, &state);
        if (status == EXIT_USAGE_OR_PLUGIN) {
            return status;
        }
        result.withoutOutput = status == EXIT_LINE_WITHOUT_OUTPUT ? 1 : 0;
    } else {
        result = runSerial(options.commandFile, commandFile, &state);
        fclose(commandFile);
    }
    if (!saveRunState(&state)) {
        fprintf(stderr, "picconv: cannot write %s: %s\n", options.stateFile, strerror(errno));
    }
    if (options.proofDir != nullptr && !writeProof()) {
        fprintf(stderr, "picconv: cannot write the proof sheet in %s: %s\n", options.proofDir,
                strerror(errno));
    }
    if (options.stats) {
        reportStageTimes(stderr, result.lines, stageClock() - started, peakMemory(),
                         options.jobs > 0 ? peakChildMemory() : 0);
    }
    if (!result.read) {
        reportCommandFileUnreadable(options.commandFile, result.error);
        return EXIT_COMMAND_FILE;
    }
    if (options.depfile != nullptr && !writeDepfile(options.depfile)) {
        fprintf(stderr, "picconv: cannot write %s: %s\n", options.depfile, strerror(errno));
        return EXIT_LINE_WITHOUT_OUTPUT;
    }
    return result.withoutOutput > 0 ? EXIT_LINE_WITHOUT_OUTPUT : EXIT_ALL_WRITTEN;
}

}  // namespace

int runConverter(int argc, char **argv) {
    const char *program = argc > 0 ? argv[0] : "picconv";
    const RUN_OPTIONS_T options = parseOptions(argc, argv);
    switch (options.mode) {
        case MODE_WORKER:
            return runWorker(argc, argv);
        case MODE_HELP:
        case MODE_VERSION:
            return printInfo(options.mode);
        case MODE_USAGE_ERROR:
            reportUsage(program);
            if (options.badOption != nullptr) {
                reportUnknownOption(options.badOption);
            }
            return EXIT_USAGE_OR_PLUGIN;
        case MODE_CONVERT:
            setInputFolder(options.inputDir);
            return convertFile(options);
        default:
            break;
    }
    setInputFolder(options.inputDir);
    FILE *commandFile = fopen(options.commandFile, "r");
    if (commandFile == nullptr) {
        reportCommandFileUnreadable(options.commandFile, errno);
        return EXIT_COMMAND_FILE;
    }
    const int status = options.mode == MODE_CHECK
                           ? checkCommandFile(options.commandFile, commandFile)
                           : listFiles(options, commandFile);
    fclose(commandFile);
    return status;
}
