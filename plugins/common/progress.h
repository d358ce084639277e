// The host's progress callback, called as rows are decoded.
#ifndef PLUGINS_COMMON_PROGRESS_H
#define PLUGINS_COMMON_PROGRESS_H

#include "plugin_kit/include/picture_plugin.h"

struct PROGRESS_T {
    PLUGIN_PROGRESS_T callback;  // may be null
    PLUGIN_LONG_T data;          // handed back to the callback unchanged
    int total;                   // rows to decode, counting every pass
    int done;
};

PROGRESS_T makeProgress(FARPROC callback, PLUGIN_LONG_T data);

// Tells the host that one more row is done; true when the host asks to stop.
bool progressRowDone(PROGRESS_T *progress);

#endif
