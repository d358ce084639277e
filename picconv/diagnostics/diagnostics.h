// Everything the converter says on standard error, and whether the last thing it said was left
// without its line feed. Each message has its fixed text here and nowhere else.
#ifndef PICCONV_DIAGNOSTICS_DIAGNOSTICS_H
#define PICCONV_DIAGNOSTICS_DIAGNOSTICS_H

#include <stddef.h>

// Start-up and the command file.
void reportUsage(const char *programName);
void reportSdlFailure(const char *sdlError);
void reportCommandFileUnreadable(void);

// The plug-in loader's fatal messages; none ends its line.
void reportPluginNotLoaded(const char *path);
void reportPluginInfoMissing(const char *path);
void reportPluginVersionUnknown(void);
// version need not be terminated within length bytes.
void reportPluginUnsupported(const char *version, size_t length);

// Decoding: the first ends its line, the second leaves it open.
void reportGetPictureMissing(void);
void reportPictureFailed(int code);

// The temporary bitmap cannot be written, and why; starts a line of its own.
void reportTempBitmapUnusable(const char *name, const char *why);

// What a plug-in handed back for picturePath was refused, and why; starts a line of its own.
void reportPictureRefused(const char *picturePath, const char *reason);

// The output size asks for more columns than an output surface can have.
void reportOutputTooWide(unsigned width, unsigned limit);

// A complete record whose output was not written; starts a line of its own.
void reportNoOutput(long lineNumber, const char *outputPath);

#endif
