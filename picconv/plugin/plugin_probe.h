// A look at a plug-in without decoding through it: for --check and --list-inputs, which must not
// convert, write or stop the run.
#ifndef PICCONV_PLUGIN_PLUGIN_PROBE_H
#define PICCONV_PLUGIN_PLUGIN_PROBE_H

#include <stdint.h>

// Loads the plug-in at pluginPath quietly (kept loaded until another path is probed). 1 with
// the file it was loaded from in *file; 0 with the reason in words in *why.
int probePlugin(const char *pluginPath, const char **file, const char **why);

// The size of picturePath as the probed plug-in's GetPictureInfo gives it; 0 when there is no
// probed plug-in or it cannot tell.
int probePictureSize(const char *picturePath, int32_t *width, int32_t *height);

// Releases the probed plug-in.
void releaseProbedPlugin(void);

#endif
