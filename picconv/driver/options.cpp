#include "picconv/driver/options.h"

#include <string.h>

const char PICCONV_HELP[] =
    "Usage: picconv [OPTION]... COMMANDFILE\n"
    "Converts pictures into packed four-grey-level files, one per line of COMMANDFILE:\n"
    "  PLUGIN|PICTURE|OUTPUT|X,Y,W,H|0,0,W,H\n"
    "(the plug-in library, the picture, the output file, the source rectangle and the output\n"
    "size; the output is turned a quarter turn counter-clockwise, its width is the last H\n"
    "rounded up to a multiple of 8, at most 16376).\n"
    "\n"
    "  -k, --keep-going   a plug-in that cannot be loaded costs only its own lines\n"
    "  --check            check the command file and report suspicious lines; convert nothing\n"
    "  --depfile FILE     after the run, write the Makefile dependencies of the outputs to FILE\n"
    "  --input-dir DIR    read relative picture and plug-in paths from DIR; outputs stay\n"
    "                     relative to the current folder\n"
    "  --list-outputs     print the files a run would write, one per line; convert nothing\n"
    "  --list-inputs      print the command file, pictures and plug-ins a run would read\n"
    "  -h, --help         print this help and stop\n"
    "  --version          print the version and stop\n"
    "\n"
    "A command file whose name starts with '-' is given as ./-name. Exit status: 0 every line\n"
    "written, 1 usage or a plug-in that cannot be loaded, 2 SDL failed, 3 the command file\n"
    "cannot be read, 4 a line wrote no output, 5 --check warned; 128 + the signal when stopped.\n";

RUN_OPTIONS_T parseOptions(int argc, char **argv) {
    RUN_OPTIONS_T options = {MODE_CONVERT, false, nullptr, nullptr, nullptr, nullptr};
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
        } else if (strcmp(word, "--check") == 0) {
            listing = MODE_CHECK;
        } else if (strcmp(word, "--list-outputs") == 0) {
            listing = MODE_LIST_OUTPUTS;
        } else if (strcmp(word, "--list-inputs") == 0) {
            listing = MODE_LIST_INPUTS;
        } else if (strncmp(word, "--depfile=", 10) == 0 && word[10] != '\0') {
            options.depfile = word + 10;
        } else if (strcmp(word, "--depfile") == 0 && index + 1 < argc) {
            options.depfile = argv[++index];
        } else if (strncmp(word, "--input-dir=", 12) == 0 && word[12] != '\0') {
            options.inputDir = word + 12;
        } else if (strcmp(word, "--input-dir") == 0 && index + 1 < argc) {
            options.inputDir = argv[++index];
        } else {
            options.mode = MODE_USAGE_ERROR;
            options.badOption = word;
            return options;
        }
    }
    // --help and --version anywhere before the command file win, as checked above.
    options.mode = listing;
    options.commandFile = index < argc ? argv[index] : nullptr;
    if (options.commandFile == nullptr) {
        options.mode = MODE_USAGE_ERROR;
    }
    return options;
}
