#ifndef TEMP_BITMAP_H
#define TEMP_BITMAP_H

/* Decodes picturePath through the plug-in at pluginPath into the temporary Windows bitmap
 * and returns its name, "$$temp$$.bmp". Returns null when no complete temporary file could
 * be written, so that a stale one is never converted. */
const char *decodeToTempBitmap(const char *picturePath, const char *pluginPath);

/* Non-zero while the last message on standard error was left without its line feed, so
 * that the next note can start on a line of its own. */
extern int g_stderr_line_open;

#endif
