#ifndef PICCONV_DRIVER_CONVERT_LINE_H
#define PICCONV_DRIVER_CONVERT_LINE_H

enum LINE_RESULT_T {
    LINE_NOT_A_RECORD = 0,  // fewer than five fields: skipped silently
    LINE_WRITTEN = 1,
    LINE_NO_OUTPUT = 2  // a full record whose output file was not written; reported
};

// Converts one command-file line into its output file. line is not changed. lineNumber (from
// 1) only labels the report of a record that wrote no output.
LINE_RESULT_T convertLine(const char *line, long lineNumber);

// Frees the source picture kept for the next line; called before SDL shuts down.
void releaseKeptSource(void);

#endif
