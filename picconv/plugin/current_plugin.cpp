// The process-wide current plug-in and its release at exit.
#include "picconv/plugin/plugin_entries.h"

#include <stdlib.h>

PLUGIN_ENTRIES_T currentPlugin = {};

namespace {

enum { MODULE_PATH_SIZE = 4096 };

bool g_exit_release_registered = false;
bool g_keep_going = false;
char g_current_plugin_file[MODULE_PATH_SIZE];

}  // namespace

void unloadPluginAtExit(void) {
    if (currentPlugin.GetPluginInfo != nullptr) {
        unloadPlugin(&currentPlugin);
        currentPlugin = PLUGIN_ENTRIES_T{};
    }
}

void setKeepGoing(int keepGoing) {
    g_keep_going = keepGoing != 0;
}

int makePluginCurrent(const char *path) {
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
    if (!g_keep_going) {
        currentPlugin = loadPlugin(path);
        return 1;
    }
    PLUGIN_ENTRIES_T plugin;
    int reason = LOAD_NO_MODULE;
    char version[PLUGIN_VERSION_TEXT_SIZE];
    if (!tryLoadPlugin(path, &plugin, &reason, version)) {
        reportLoadFailure(path, reason, version);
        if (plugin.module != nullptr) {
            FreeLibrary(plugin.module);
        }
        return 0;
    }
    currentPlugin = plugin;
    return 1;
}

int findPluginFile(const char *path, char *buffer, size_t size) {
    const DWORD limit = size < 0x7FFFFFFF ? static_cast<DWORD>(size) : 0x7FFFFFFF;
    return findModuleFile(path, buffer, limit) != 0 ? 1 : 0;
}

void setPluginSearchFolder(const char *folder) {
    SetDllDirectoryA(folder);
}

const char *currentPluginFile(void) {
    if (currentPlugin.GetPluginInfo == nullptr ||
        GetModuleFileNameA(currentPlugin.module, g_current_plugin_file, MODULE_PATH_SIZE) == 0) {
        return nullptr;
    }
    return g_current_plugin_file;
}
