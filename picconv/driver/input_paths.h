// Where a line's picture and plug-in are read from: as written, or from the folder given with
// --input-dir, while outputs stay relative to the current folder.
#ifndef PICCONV_DRIVER_INPUT_PATHS_H
#define PICCONV_DRIVER_INPUT_PATHS_H

#include <string>

// Relative pictures and plug-ins are read from folder from now on; null or empty means the
// current folder. Plug-ins named without a folder are then looked for there in place of the
// current folder.
void setInputFolder(const char *folder);

// The path the picture of a line is read from.
std::string picturePathOf(const char *field);

// The path handed to the loader for a line's plug-in: a bare name stays bare, to be searched.
std::string pluginPathOf(const char *field);

#endif
