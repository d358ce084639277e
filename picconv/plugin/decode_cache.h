// What the temporary bitmap currently holds, so that a run cutting many rectangles out of one
// picture decodes it once and a run that keeps to one plug-in loads it once.
#ifndef PICCONV_PLUGIN_DECODE_CACHE_H
#define PICCONV_PLUGIN_DECODE_CACHE_H

#include "platform/files.h"

// Paths longer than 1023 characters are not remembered; an empty path never matches.
bool pluginPathRemembered(const char *path);
void rememberPluginPath(const char *path);

// The picture is stamped, so that one rewritten during the run (by an earlier line's output,
// say) is decoded again; so is the temporary file, as a line whose output overwrote it must
// not be reused.
bool pictureRemembered(const char *path, const char *tempPath);
void rememberPicture(const char *path, const FILE_STAMP_T *stamp, const char *tempPath);
void forgetPicture(void);

#endif
