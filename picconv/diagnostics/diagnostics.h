// Everything the converter says on standard error, and whether the last thing it said was left
// without its line feed. Each message has its fixed text here and nowhere else.
//
// A line that fails gets one report in the form build tools and editors read,
// "CMDFILE:LINE: no output written to PATH: REASON"; the stages note the reason as they find
// it. The fixed messages of the plug-in import come first, as the first text of what is said.
#ifndef PICCONV_DIAGNOSTICS_DIAGNOSTICS_H
#define PICCONV_DIAGNOSTICS_DIAGNOSTICS_H

#include <stddef.h>

// While silenced nothing is said: for a decode made again only to leave it in the temporary
// bitmap, whose messages were said when the line ran.
void silenceReports(bool silenced);

// Start-up and the command file.
void reportUsage(const char *programName);
// After the usage line: the option that was not understood.
void reportUnknownOption(const char *option);
void reportSdlFailure(const char *sdlError);
// The fixed message, then the file and the system's reason (errorNumber, an errno value).
void reportCommandFileUnreadable(const char *commandFile, int errorNumber);

// The plug-in loader's fixed messages; none ends its line.
void reportPluginNotLoaded(const char *path);
void reportPluginInfoMissing(const char *path);
void reportPluginVersionUnknown(void);
// version need not be terminated within length bytes.
void reportPluginUnsupported(const char *version, size_t length);

// Decoding: the first ends its line, the second leaves it open.
void reportGetPictureMissing(void);
void reportPictureFailed(int code);

// The line whose reports follow (lineNumber from 1); a null commandFile means none, and then
// nothing but the fixed messages is said. Forgets the reason noted for the line before.
void setReportLine(const char *commandFile, long lineNumber);

// Why the line in progress fails, in words; the first reason noted for a line stands.
void noteLineProblem(const char *format, ...) __attribute__((format(printf, 1, 2)));
// The reason noted for the line in progress; empty when none.
const char *lineProblem(void);

// The line's report that it could not even be read into memory.
void reportLineOutOfMemory(void);

// The line's report that its output was not written, with the noted reason.
void reportNoOutput(const char *outputPath);
// The end of a line that wrote its output: a noted problem is reported as passed over, and an
// open line is ended.
void finishLineReports(void);
// Before the program ends for the line in progress: the line's report of the noted reason, and
// that the run stopped there.
void reportFatalLineProblem(void);

// What a worker of a parallel run wrote to standard error for a line, passed on unchanged.
void forwardReports(const char *text, size_t length);

// A --check warning at a column (from 1) of a line.
void reportWarning(const char *commandFile, long lineNumber, long column, const char *format, ...)
    __attribute__((format(printf, 4, 5)));

// The name of a plug-in's result code, in words.
const char *pictureResultText(int code);

#endif
