#include "picconv/diagnostics/diagnostics.h"

#include <stdarg.h>
#include <stdio.h>

namespace {

// True while a message without a line feed is the last text on standard error, so that the
// next note can start on a line of its own.
bool g_line_open = false;

void say(bool endsLine, const char *format, ...) __attribute__((format(printf, 2, 3)));

void say(bool endsLine, const char *format, ...) {
    va_list arguments;
    va_start(arguments, format);
    vfprintf(stderr, format, arguments);
    va_end(arguments);
    g_line_open = !endsLine;
}

void startOwnLine() {
    if (g_line_open) {
        fputc('\n', stderr);
        g_line_open = false;
    }
}

}  // namespace

void reportUsage(const char *programName) {
    say(true, "usage %s commandfilename\n", programName);
}

void reportSdlFailure(const char *sdlError) {
    say(true, "Couldn't initialize SDL: %s\n", sdlError);
}

void reportCommandFileUnreadable(void) {
    say(true, "Command file can't open.\n");
}

void reportPluginNotLoaded(const char *path) {
    say(false, "cannot load plugin (%s)", path);
}

void reportPluginInfoMissing(const char *path) {
    say(false, "cannot get procedure address: GetPluginInfo (%s)", path);
}

void reportPluginVersionUnknown(void) {
    say(false, "cannot get API version");
}

void reportPluginUnsupported(const char *version, size_t length) {
    size_t shown = 0;
    while (shown < length && version[shown] != '\0') {
        shown++;
    }
    say(false, "non-supported plugin (%.*s)", static_cast<int>(shown), version);
}

void reportGetPictureMissing(void) {
    say(true, "GetPicture not implemented.\n");
}

void reportPictureFailed(int code) {
    say(false, "cannot get picture (%d)", code);
}

void reportTempBitmapUnusable(const char *name, const char *why) {
    startOwnLine();
    say(true, "cannot use %s: %s\n", name, why);
}

void reportOutputTooWide(unsigned width, unsigned limit) {
    startOwnLine();
    say(true, "output width %u (the h of the output size) is over the limit of %u\n", width, limit);
}

void reportPictureRefused(const char *picturePath, const char *reason) {
    startOwnLine();
    say(true, "picture %s refused: %s\n", picturePath, reason);
}

void reportNoOutput(long lineNumber, const char *outputPath) {
    startOwnLine();
    say(true, "line %ld: no output written to %s\n", lineNumber, outputPath);
}
