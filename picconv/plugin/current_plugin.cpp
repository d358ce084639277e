// The process-wide current plug-in and its release at exit.
#include "picconv/plugin/plugin_entries.h"

#include <stdlib.h>

PLUGIN_ENTRIES_T currentPlugin = {};

namespace {

bool g_exit_release_registered = false;

}  // namespace

void unloadPluginAtExit(void) {
    if (currentPlugin.GetPluginInfo != nullptr) {
        unloadPlugin(&currentPlugin);
        currentPlugin = PLUGIN_ENTRIES_T{};
    }
}

void makePluginCurrent(const char *path) {
    if (currentPlugin.GetPluginInfo != nullptr) {
        unloadPlugin(&currentPlugin);
        // Marked released: if the load below fails, the exit-time release must not free
        // this module a second time.
        currentPlugin = PLUGIN_ENTRIES_T{};
    }
    if (!g_exit_release_registered) {
        // Registered after the driver's SDL_Quit, so the plug-in goes before SDL does.
        atexit(unloadPluginAtExit);
        g_exit_release_registered = true;
    }
    currentPlugin = loadPlugin(path);
}
