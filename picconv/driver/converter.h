#ifndef PICCONV_DRIVER_CONVERTER_H
#define PICCONV_DRIVER_CONVERTER_H

// The converter's whole run: reads the options, starts SDL, converts every line of the command
// file (or checks or lists it). Returns the exit status: 0 all written, 1 usage, 2 SDL failed,
// 3 command file unreadable, 4 one or more records wrote no output, 5 --check warned.
int runConverter(int argc, char **argv);

#endif
