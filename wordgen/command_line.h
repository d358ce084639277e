#ifndef WORDGEN_COMMAND_LINE_H
#define WORDGEN_COMMAND_LINE_H

extern const char g_default_output_name[];

// Blanks every "-o" and the value of the last one in argv; what stays non-empty is an input.
// Returns g_default_output_name or a malloc'd copy of the value.
const char *getOutputName(int argc, char **argv);

#endif
