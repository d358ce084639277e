#ifndef PICCONV_DRIVER_CONVERTER_H
#define PICCONV_DRIVER_CONVERTER_H

// The converter's whole run: checks the command line, starts SDL, converts every line of the
// command file argv[1]. Returns the exit status: 0 all written, 1 usage, 2 SDL failed, 3 command
// file unreadable, 4 one or more records wrote no output.
int runConverter(int argc, char **argv);

#endif
