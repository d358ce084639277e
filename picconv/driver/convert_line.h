#ifndef PICCONV_DRIVER_CONVERT_LINE_H
#define PICCONV_DRIVER_CONVERT_LINE_H

enum LINE_RESULT_T {
    LINE_NOT_A_RECORD = 0,  // fewer than five fields: skipped silently
    LINE_WRITTEN = 1,
    LINE_NO_OUTPUT = 2  // a full record whose output file was not written; reported
};

// Converts one command-file line into its output file. line is not changed. commandFile and
// lineNumber (from 1) label the line's reports.
LINE_RESULT_T convertLine(const char *line, const char *commandFile, long lineNumber);

// Frees the source picture kept for the next line; called before SDL shuts down.
void releaseKeptSource(void);

#endif
