// The run-long lock on the temporary bitmap.
#include "picconv/plugin/run_lock.h"

#include "platform/process.h"

namespace {

bool g_run_locked = false;

}  // namespace

void takeRunLock(const char *path) {
    if (!g_run_locked) {
        g_run_locked = lockFileForProcess(path) != 0;
    }
}
