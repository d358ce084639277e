#ifndef WORDGEN_COMMAND_LINE_H
#define WORDGEN_COMMAND_LINE_H

extern const char g_default_output_name[];

// The first argument that is exactly "--help" or "--version", or null when there is none.
// Such an argument is never an input path or an output path.
const char *findInfoOption(int argc, char *const *argv);

// Prints the usage or the version for option (from findInfoOption) on standard output and
// returns the exit status: 0, or 1 when standard output could not take it.
int printInfo(const char *option);

// Blanks every "-o" and the value of the last one in argv; what stays non-empty is an input.
// Returns g_default_output_name or a malloc'd copy of the value.
const char *getOutputName(int argc, char **argv);

#endif
