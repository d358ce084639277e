// A parallel run (-j N): the coordinator reads the command file and hands its lines to N worker
// processes, gives each line the noise position a run in one process would give it, and commits
// the results strictly in line order, so that the files, messages and exit status are those of
// a run in one process.
#ifndef PICCONV_DRIVER_COORDINATOR_H
#define PICCONV_DRIVER_COORDINATOR_H

#include <string>
#include <vector>

#include "picconv/driver/options.h"
#include "picconv/driver/run_state.h"

// Converts lines with options.jobs workers; the exit status (0, 1 or 4, as a run in one
// process). SDL is up. With a state, lines it shows unchanged are skipped.
int runCoordinator(const RUN_OPTIONS_T &options, const std::vector<std::string> &lines,
                   RUN_STATE_T *state);

#endif
