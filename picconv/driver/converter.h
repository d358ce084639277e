#ifndef PICCONV_DRIVER_CONVERTER_H
#define PICCONV_DRIVER_CONVERTER_H

// The exit statuses; a stop by signal N ends with 128 + N.
enum EXIT_STATUS_T {
    EXIT_ALL_WRITTEN = 0,          // every record wrote its output (or --check found nothing)
    EXIT_USAGE_OR_PLUGIN = 1,      // a usage error, or a plug-in that cannot be loaded (no -k)
    EXIT_SDL_FAILED = 2,           // SDL could not start
    EXIT_COMMAND_FILE = 3,         // the command file cannot be opened or read
    EXIT_LINE_WITHOUT_OUTPUT = 4,  // every line handled, one or more records wrote nothing
    EXIT_CHECK_WARNED = 5          // --check warned
};

// The converter's whole run: reads the options, starts SDL, converts every line of the command
// file (or checks or lists it). Returns the exit status.
int runConverter(int argc, char **argv);

#endif
