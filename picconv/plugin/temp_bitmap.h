#ifndef PICCONV_PLUGIN_TEMP_BITMAP_H
#define PICCONV_PLUGIN_TEMP_BITMAP_H

// The temporary bitmap, in the current folder.
extern const char TEMP_BITMAP_NAME[];

// Decodes picturePath through the plug-in at pluginPath into the temporary Windows bitmap and
// returns its name, "$$temp$$.bmp". Returns null when no complete temporary file could be
// written, so that a stale one is never converted. *fresh is 1 when the file was written by
// this call, 0 when it still holds the same picture from an earlier call.
const char *decodeToTempBitmap(const char *picturePath, const char *pluginPath, int *fresh);

// 1 when the last decodeToTempBitmap left the temporary bitmap holding its picture's decode
// (written, even if the decode failed, or still there from before); 0 when it failed first.
int temporaryBitmapUsed(void);

// A worker of a parallel run decodes into a file of its own at path instead, without the run
// lock (its run holds it), while still refusing what the run's temporary bitmap would refuse.
void decodeIntoPrivateBitmap(const char *path);

#endif
