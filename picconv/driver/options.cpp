#include "picconv/driver/options.h"

#include "picconv/driver/worker.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>

const char PICCONV_HELP[] =
    "Usage: picconv [OPTION]... COMMANDFILE\n"
    "Converts pictures into packed four-grey-level files, one per line of COMMANDFILE:\n"
    "  PLUGIN|PICTURE|OUTPUT|X,Y,W,H|0,0,W,H\n"
    "(the plug-in library, the picture, the output file, the source rectangle and the output\n"
    "size; the output is turned a quarter turn counter-clockwise, its width is the last H\n"
    "rounded up to a multiple of 8, at most %u).\n"
    "\n"
    "  -k, --keep-going   a plug-in that cannot be loaded costs only its own lines\n"
    "  --check            check the command file and report suspicious lines; convert nothing\n"
    "  --depfile FILE     after the run, write the Makefile dependencies of the outputs to FILE\n"
    "  --input-dir DIR    read relative picture and plug-in paths from DIR; outputs stay\n"
    "                     relative to the current folder\n"
    "  -j, --jobs N       convert in N worker processes; files, messages and status are\n"
    "                     those of a run without -j\n"
    "  --line-timeout S   a line that takes over S seconds in its worker fails (implies -j 1)\n"
    "  --state FILE       remember what each output was made from, and skip lines whose\n"
    "                     plug-in, picture, rectangles, noise and output are unchanged\n"
    "  --proof DIR        also write a proof sheet, DIR/index.html: every line's rectangle\n"
    "                     and result on one page, with what changed since the last one\n"
    "  --stats            after the run, say where the time went, stage by stage\n"
    "  --list-outputs     print the files a run would write, one per line; convert nothing\n"
    "  --list-inputs      print the command file, pictures and plug-ins a run would read\n"
    "  -h, --help         print this help and stop\n"
    "  --version          print the version and stop\n"
    "\n"
    "A command file whose name starts with '-' is given as ./-name. Exit status: 0 every line\n"
    "written, 1 usage or a plug-in that cannot be loaded, 2 SDL failed, 3 the command file\n"
    "cannot be read, 4 a line wrote no output, 5 --check warned; 128 + the signal when stopped.\n";

namespace {

// The value of an option given as "--name VALUE", "--name=VALUE" or, for a short one, "-xVALUE"
// or "-x VALUE"; null when word is not that option or has no value. Steps *index past a value
// taken from the next word.
const char *optionValue(const char *word, const char *longName, const char *shortName, int argc,
                        char **argv, int *index) {
    const char *const names[2] = {longName, shortName};
    for (const char *name : names) {
        if (name == nullptr) {
            continue;
        }
        const size_t length = strlen(name);
        if (strncmp(word, name, length) != 0) {
            continue;
        }
        const char *rest = word + length;
        if (*rest == '\0') {
            return *index + 1 < argc ? argv[++*index] : nullptr;
        }
        if (name == longName && *rest == '=' && rest[1] != '\0') {
            return rest + 1;
        }
        if (name == shortName) {
            return rest;
        }
    }
    return nullptr;
}

RUN_OPTIONS_T optionsOf(RUN_MODE_T mode) {
    RUN_OPTIONS_T options;
    options.mode = mode;
    options.keepGoing = false;
    options.depfile = nullptr;
    options.inputDir = nullptr;
    options.jobs = 0;
    options.lineTimeout = 0.0;
    options.stateFile = nullptr;
    options.proofDir = nullptr;
    options.stats = false;
    options.commandFile = nullptr;
    options.badOption = nullptr;
    return options;
}

bool wholeNumber(const char *text, long low, long high, long *value) {
    char *end = nullptr;
    errno = 0;
    *value = strtol(text, &end, 10);
    return end != text && *end == '\0' && errno == 0 && *value >= low && *value <= high;
}

}  // namespace

RUN_OPTIONS_T parseOptions(int argc, char **argv) {
    if (argc > 1 && strcmp(argv[1], WORKER_OPTION) == 0) {
        return optionsOf(MODE_WORKER);
    }
    RUN_OPTIONS_T options = optionsOf(MODE_CONVERT);
    RUN_MODE_T listing = MODE_CONVERT;
    int index = 1;
    for (; index < argc && argv[index][0] == '-' && argv[index][1] != '\0'; index++) {
        const char *word = argv[index];
        if (strcmp(word, "--") == 0) {
            index++;
            break;
        }
        if (strcmp(word, "--help") == 0 || strcmp(word, "-h") == 0) {
            options.mode = MODE_HELP;
            return options;
        }
        if (strcmp(word, "--version") == 0) {
            options.mode = MODE_VERSION;
            return options;
        }
        if (strcmp(word, "-k") == 0 || strcmp(word, "--keep-going") == 0) {
            options.keepGoing = true;
        } else if (strcmp(word, "--stats") == 0) {
            options.stats = true;
        } else if (strcmp(word, "--check") == 0) {
            listing = MODE_CHECK;
        } else if (strcmp(word, "--list-outputs") == 0) {
            listing = MODE_LIST_OUTPUTS;
        } else if (strcmp(word, "--list-inputs") == 0) {
            listing = MODE_LIST_INPUTS;
        } else if (const char *depfile =
                       optionValue(word, "--depfile", nullptr, argc, argv, &index)) {
            options.depfile = depfile;
        } else if (const char *inputDir =
                       optionValue(word, "--input-dir", nullptr, argc, argv, &index)) {
            options.inputDir = inputDir;
        } else if (const char *state = optionValue(word, "--state", nullptr, argc, argv, &index)) {
            options.stateFile = state;
        } else if (const char *proof = optionValue(word, "--proof", nullptr, argc, argv, &index)) {
            options.proofDir = proof;
        } else if (const char *jobs = optionValue(word, "--jobs", "-j", argc, argv, &index)) {
            long count = 0;
            if (!wholeNumber(jobs, 1, MAX_JOBS, &count)) {
                options.mode = MODE_USAGE_ERROR;
                options.badOption = word;
                return options;
            }
            options.jobs = static_cast<int>(count);
        } else if (const char *seconds =
                       optionValue(word, "--line-timeout", nullptr, argc, argv, &index)) {
            char *end = nullptr;
            options.lineTimeout = strtod(seconds, &end);
            if (end == seconds || *end != '\0' || !(options.lineTimeout > 0) ||
                options.lineTimeout > 1e6) {
                options.mode = MODE_USAGE_ERROR;
                options.badOption = word;
                return options;
            }
        } else {
            options.mode = MODE_USAGE_ERROR;
            options.badOption = word;
            return options;
        }
    }
    // --help and --version anywhere before the command file win, as checked above.
    options.mode = listing;
    if (options.lineTimeout > 0 && options.jobs == 0) {
        options.jobs = 1;
    }
    options.commandFile = index < argc ? argv[index] : nullptr;
    if (options.commandFile == nullptr) {
        options.mode = MODE_USAGE_ERROR;
    }
    return options;
}
