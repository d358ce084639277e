#include "picconv/diagnostics/diagnostics.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "platform/process.h"

namespace {

enum { PROBLEM_SIZE = 1024 };

// True while a message without a line feed is the last text on standard error, so that the
// next report can start on a line of its own.
bool g_line_open = false;

// The line in progress and what went wrong with it.
const char *g_command_file = nullptr;
long g_line_number = 0;
char g_line_problem[PROBLEM_SIZE];
bool g_silenced = false;

void say(bool endsLine, const char *format, ...) __attribute__((format(printf, 2, 3)));

void say(bool endsLine, const char *format, ...) {
    if (g_silenced) {
        return;
    }
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

void silenceReports(bool silenced) {
    g_silenced = silenced;
}

void reportUsage(const char *programName) {
    say(true, "usage %s commandfilename\n", programName);
}

void reportUnknownOption(const char *option) {
    say(true, "picconv: unknown option %s (see picconv --help; a command file named so is ./%s)\n",
        option, option);
}

void reportSdlFailure(const char *sdlError) {
    say(true, "Couldn't initialize SDL: %s\n", sdlError);
}

void reportCommandFileUnreadable(const char *commandFile, int errorNumber) {
    say(true, "Command file can't open.\n");
    say(true, "picconv: %s: %s\n", commandFile, strerror(errorNumber));
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

void setReportLine(const char *commandFile, long lineNumber) {
    g_command_file = commandFile;
    g_line_number = lineNumber;
    g_line_problem[0] = '\0';
}

void noteLineProblem(const char *format, ...) {
    if (g_line_problem[0] != '\0') {
        return;
    }
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(g_line_problem, sizeof g_line_problem, format, arguments);
    va_end(arguments);
}

const char *lineProblem(void) {
    return g_line_problem;
}

void reportLineOutOfMemory(void) {
    startOwnLine();
    if (g_command_file != nullptr) {
        say(true, "%s:%ld: out of memory: the line was not converted\n", g_command_file,
            g_line_number);
    }
}

void reportNoOutput(const char *outputPath) {
    startOwnLine();
    const char *reason = g_line_problem[0] != '\0' ? g_line_problem : "no reason known";
    if (g_command_file != nullptr) {
        say(true, "%s:%ld: no output written to %s: %s\n", g_command_file, g_line_number,
            outputPath, reason);
    } else {
        say(true, "no output written to %s: %s\n", outputPath, reason);
    }
}

void finishLineReports(void) {
    if (g_command_file != nullptr && g_line_problem[0] != '\0') {
        startOwnLine();
        say(true, "%s:%ld: %s; the output was written all the same\n", g_command_file,
            g_line_number, g_line_problem);
    }
    startOwnLine();
}

void reportFatalLineProblem(void) {
    if (g_command_file != nullptr && g_line_problem[0] != '\0') {
        startOwnLine();
        say(true, "%s:%ld: %s\n", g_command_file, g_line_number, g_line_problem);
        say(true,
            "%s:%ld: the run stopped at this line; with -k (--keep-going) it goes on with the "
            "next one\n",
            g_command_file, g_line_number);
    }
}

void forwardReports(const char *text, size_t length) {
    if (length == 0) {
        return;
    }
    writeUntranslated(stderr, text, length);
    g_line_open = text[length - 1] != '\n';
}

void reportWarning(const char *commandFile, long lineNumber, long column, const char *format, ...) {
    startOwnLine();
    fprintf(stderr, "%s:%ld:%ld: warning: ", commandFile, lineNumber, column);
    va_list arguments;
    va_start(arguments, format);
    vfprintf(stderr, format, arguments);
    va_end(arguments);
    fputc('\n', stderr);
}

const char *pictureResultText(int code) {
    switch (code) {
        case -1:
            return "not implemented";
        case 1:
            return "decoding was aborted";
        case 2:
            return "unknown format";
        case 3:
            return "broken data";
        case 4:
            return "out of memory";
        case 5:
            return "memory error";
        case 6:
            return "file read error";
        case 8:
            return "internal error";
        default:
            return "unknown error";
    }
}
