// The run-long lock on the temporary bitmap.
#include "picconv/plugin/run_lock.h"

#include "platform/process.h"

namespace {

bool g_run_locked = false;

}  // namespace

int takeRunLock(const char *path) {
    if (!g_run_locked) {
        g_run_locked = lockRegularFileForProcess(path) != 0;
    }
    return g_run_locked ? 1 : 0;
}
