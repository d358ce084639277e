// Loading a plug-in and binding its entry points by API version.
#include "picconv/plugin/plugin_entries.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "picconv/diagnostics/diagnostics.h"

namespace {

const int VERSION_BUFFER_SIZE = 128;

void (*g_fatal_load_hook)(void) = nullptr;

template <typename T>
T bind(HMODULE module, const char *name) {
    return PLUGIN_FUNCTION_CAST(T, GetProcAddress(module, name));
}

}  // namespace

int tryLoadPlugin(const char *path, PLUGIN_ENTRIES_T *plugin, int *reason,
                  char version[PLUGIN_VERSION_TEXT_SIZE]) {
    *plugin = PLUGIN_ENTRIES_T{};
    version[0] = '\0';
    plugin->module = LoadLibraryA(path);
    if (plugin->module == nullptr) {
        *reason = LOAD_NO_MODULE;
        return 0;
    }
    plugin->GetPluginInfo = bind<GET_PLUGIN_INFO_T>(plugin->module, "GetPluginInfo");
    if (plugin->GetPluginInfo == nullptr) {
        *reason = LOAD_NO_PLUGIN_INFO;
        return 0;
    }
    // Zeroed so that whatever the plug-in leaves unwritten reads as the end of the text.
    char buffer[VERSION_BUFFER_SIZE] = {};
    if (plugin->GetPluginInfo(0, buffer, VERSION_BUFFER_SIZE) == 0) {
        *reason = LOAD_NO_VERSION;
        return 0;
    }
    if (memcmp(buffer, PLUGIN_VERSION_PICTURE, 5) == 0) {
        plugin->IsSupported = bind<IS_SUPPORTED_T>(plugin->module, "IsSupported");
        plugin->GetPictureInfo = bind<GET_PICTURE_INFO_T>(plugin->module, "GetPictureInfo");
        plugin->GetPicture = bind<GET_PICTURE_T>(plugin->module, "GetPicture");
        plugin->GetPreview = bind<GET_PREVIEW_T>(plugin->module, "GetPreview");
    } else if (memcmp(buffer, PLUGIN_VERSION_ARCHIVE, 5) == 0) {
        plugin->IsSupported = bind<IS_SUPPORTED_T>(plugin->module, "IsSupported");
        plugin->GetArchiveInfo = bind<GET_ARCHIVE_INFO_T>(plugin->module, "GetArchiveInfo");
        plugin->GetFileInfo = bind<GET_FILE_INFO_T>(plugin->module, "GetFileInfo");
        plugin->GetFile = bind<GET_FILE_T>(plugin->module, "GetFile");
    } else {
        // The plug-in need not have terminated the text inside the buffer.
        memcpy(version, buffer, sizeof buffer);
        version[sizeof buffer] = '\0';
        *reason = LOAD_UNSUPPORTED;
        return 0;
    }
    plugin->ConfigurationDlg = bind<CONFIGURATION_DLG_T>(plugin->module, "ConfigurationDlg");
    return 1;
}

void reportLoadFailure(const char *path, int reason, const char *version) {
    switch (reason) {
        case LOAD_NO_MODULE:
            reportPluginNotLoaded(path);
            noteLineProblem("cannot load plugin %s: %s", path, loadErrorText());
            break;
        case LOAD_NO_PLUGIN_INFO:
            reportPluginInfoMissing(path);
            noteLineProblem("%s has no GetPluginInfo entry point, so it is no plug-in", path);
            break;
        case LOAD_NO_VERSION:
            reportPluginVersionUnknown();
            noteLineProblem("%s gives no API version", path);
            break;
        default:
            reportPluginUnsupported(version, PLUGIN_VERSION_TEXT_SIZE);
            noteLineProblem("%s reports API version \"%s\"; only 00IN and 00AM plug-ins are taken",
                            path, version);
            break;
    }
}

PLUGIN_ENTRIES_T loadPlugin(const char *path) {
    PLUGIN_ENTRIES_T plugin;
    int reason = LOAD_NO_MODULE;
    char version[PLUGIN_VERSION_TEXT_SIZE];
    if (!tryLoadPlugin(path, &plugin, &reason, version)) {
        reportLoadFailure(path, reason, version);
        reportFatalLineProblem();
        if (g_fatal_load_hook != nullptr) {
            g_fatal_load_hook();
        }
        exit(1);
    }
    return plugin;
}

void setFatalLoadHook(void (*hook)(void)) {
    g_fatal_load_hook = hook;
}

void unloadPlugin(const PLUGIN_ENTRIES_T *plugin) {
    FreeLibrary(plugin->module);
}
