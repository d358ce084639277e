// The process-wide current plug-in and its release at exit.
#include "plugin_entries.h"

#include <stdlib.h>

PLUGIN_ENTRIES_T currentPlugin = {};

namespace {
bool exitReleaseRegistered = false;
}

void unloadPluginAtExit(void) {
    if (currentPlugin.GetPluginInfo != NULL) {
        unloadPlugin(&currentPlugin);
        currentPlugin = PLUGIN_ENTRIES_T{};
    }
}

void makePluginCurrent(const char *path) {
    if (currentPlugin.GetPluginInfo != NULL) {
        unloadPlugin(&currentPlugin);
        // Marked released: if the load below fails, the exit-time release must not free
        // this module a second time.
        currentPlugin = PLUGIN_ENTRIES_T{};
    }
    if (!exitReleaseRegistered) {
        // Registered after the driver's SDL_Quit, so the plug-in goes before SDL does.
        atexit(unloadPluginAtExit);
        exitReleaseRegistered = true;
    }
    currentPlugin = loadPlugin(path);
}
