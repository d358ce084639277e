// Where a run's time goes, stage by stage, summed over its lines, for --stats: what a user asks
// of a slow batch, and what the benchmark quotes. Workers of a parallel run send theirs along.
#ifndef PICCONV_DIAGNOSTICS_STAGE_TIMES_H
#define PICCONV_DIAGNOSTICS_STAGE_TIMES_H

#include <stdint.h>
#include <stdio.h>

enum STAGE_T {
    STAGE_COMMAND_FILE,  // reading the command file
    STAGE_PLUGIN_LOAD,   // releasing the plug-in before and loading the next
    STAGE_DECODE,        // the plug-in's GetPicture
    STAGE_TEMPORARY,     // writing the temporary bitmap
    STAGE_BITMAP_LOAD,   // SDL loading it
    STAGE_RESAMPLE,      // turning, scaling and dithering
    STAGE_OUTPUT,        // packing and writing the outputs
    STAGE_COUNT
};

struct STAGE_TIMES_T {
    uint64_t nanoseconds[STAGE_COUNT];
    uint64_t counts[STAGE_COUNT];
};

// Now, by the clock the stages are timed with, in nanoseconds.
uint64_t stageClock(void);

// Adds the time from started (a stageClock reading) to now to stage, and one to its count; the
// second adds the time alone, for work of a stage counted elsewhere.
void addStageTime(STAGE_T stage, uint64_t started);
void addStageWork(STAGE_T stage, uint64_t started);

// This process's totals so far; and what a worker reports is added to them.
STAGE_TIMES_T stageTimes(void);
void addStageTimes(const STAGE_TIMES_T *times);

// The table, with the line count, the run's time and the peak memory (bytes; workerPeak 0 when
// no worker ran).
void reportStageTimes(FILE *stream, long lines, uint64_t runNanoseconds, uint64_t peak,
                      uint64_t workerPeak);

#endif
