#include "plugins/common/progress.h"

PROGRESS_T makeProgress(FARPROC callback, PLUGIN_LONG_T data) {
    PROGRESS_T progress;
    // FARPROC is the interface's untyped function pointer; the host passes a progress
    // callback in it. The detour through void (*)(void) says so to the compiler.
    progress.callback =
        reinterpret_cast<PLUGIN_PROGRESS_T>(reinterpret_cast<void (*)(void)>(callback));
    progress.data = data;
    progress.total = 0;
    progress.done = 0;
    return progress;
}

bool progressRowDone(PROGRESS_T *progress) {
    if (progress->done < progress->total) {
        progress->done++;
    }
    if (progress->callback == nullptr) {
        return false;
    }
    return progress->callback(progress->done, progress->total, progress->data) != 0;
}
