#include "picconv/diagnostics/stage_times.h"

#include "platform/process.h"

namespace {

STAGE_TIMES_T g_stage_times = {};

const char *const STAGE_NAMES[STAGE_COUNT] = {"reading the command file",
                                              "loading plug-ins",
                                              "decoding",
                                              "writing the temporary bitmap",
                                              "loading it",
                                              "resampling",
                                              "writing outputs"};

double mebibytes(uint64_t bytes) {
    return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

}  // namespace

uint64_t stageClock(void) {
    return monotonicNanoseconds();
}

void addStageTime(STAGE_T stage, uint64_t started) {
    g_stage_times.nanoseconds[stage] += monotonicNanoseconds() - started;
    g_stage_times.counts[stage]++;
}

void addStageWork(STAGE_T stage, uint64_t started) {
    g_stage_times.nanoseconds[stage] += monotonicNanoseconds() - started;
}

STAGE_TIMES_T stageTimes(void) {
    return g_stage_times;
}

void addStageTimes(const STAGE_TIMES_T *times) {
    for (int stage = 0; stage < STAGE_COUNT; stage++) {
        g_stage_times.nanoseconds[stage] += times->nanoseconds[stage];
        g_stage_times.counts[stage] += times->counts[stage];
    }
}

void reportStageTimes(FILE *stream, long lines, uint64_t runNanoseconds, uint64_t peak,
                      uint64_t workerPeak) {
    fprintf(stream, "picconv: %ld lines in %.3f s; peak memory %.1f MiB", lines,
            static_cast<double>(runNanoseconds) / 1e9, mebibytes(peak));
    if (workerPeak > 0) {
        fprintf(stream, ", largest worker %.1f MiB", mebibytes(workerPeak));
    }
    fprintf(stream, "\n  %-30s %8s %12s %12s\n", "stage, summed over the lines", "count",
            "total ms", "mean ms");
    for (int stage = 0; stage < STAGE_COUNT; stage++) {
        const uint64_t count = g_stage_times.counts[stage];
        const double total = static_cast<double>(g_stage_times.nanoseconds[stage]) / 1e6;
        fprintf(stream, "  %-30s %8llu %12.3f %12.3f\n", STAGE_NAMES[stage],
                static_cast<unsigned long long>(count), total,
                count > 0 ? total / static_cast<double>(count) : 0.0);
    }
}
