// An output path that names a file the run reads or relies on: writing there would destroy it.
#ifndef PICCONV_DRIVER_OUTPUT_CLASH_H
#define PICCONV_DRIVER_OUTPUT_CLASH_H

// Why output must not be written, or null when it may: it is the same file, however named, as
// the temporary bitmap, the line's picture or the command file. With byName, an output that
// does not exist yet is also caught when it names the temporary bitmap of the current folder.
const char *outputClash(const char *output, const char *picture, const char *commandFile,
                        bool byName);

#endif
