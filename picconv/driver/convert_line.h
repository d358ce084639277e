#ifndef PICCONV_DRIVER_CONVERT_LINE_H
#define PICCONV_DRIVER_CONVERT_LINE_H

#include <stdint.h>

#include "picconv/driver/line_outcome.h"

// Called once the line has made its output surface and before any of its noise is drawn, with
// the number of values it will draw: a worker learns there where the line's noise starts.
typedef void (*PLACE_NOISE_T)(void *context, uint64_t draws);

// Runs one command-file line up to, not including, its commit: decode, load, resample and pack
// into outcome->bytes, noting why it fails. line is not changed; commandFile and lineNumber
// (from 1) label the line's reports. placeNoise may be null (the noise then runs on).
void prepareLine(const char *line, const char *commandFile, long lineNumber,
                 PLACE_NOISE_T placeNoise, void *context, LINE_OUTCOME_T *outcome);

// The commit of a prepared line, in line order: notes its files for the depfile, puts its
// output in place (or leaves an equal file alone), or removes a stale "PMBP" file and reports
// "no output written". outcome->status becomes the final one; problem holds the line's reason.
void commitLine(const char *commandFile, long lineNumber, LINE_OUTCOME_T *outcome);

// Both, for a run in one process.
LINE_STATUS_T convertLine(const char *line, const char *commandFile, long lineNumber);

// Frees the source picture kept for the next line; called before SDL shuts down.
void releaseKeptSource(void);

#endif
