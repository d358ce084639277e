// Loading a plug-in and binding its entry points by API version.
#include "picconv/plugin/plugin_entries.h"

#include <stdlib.h>
#include <string.h>

#include "picconv/diagnostics/diagnostics.h"

namespace {

const int VERSION_BUFFER_SIZE = 128;

template <typename T>
T bind(HMODULE module, const char *name) {
    return PLUGIN_FUNCTION_CAST(T, GetProcAddress(module, name));
}

}  // namespace

PLUGIN_ENTRIES_T loadPlugin(const char *path) {
    PLUGIN_ENTRIES_T plugin = {};
    plugin.module = LoadLibraryA(path);
    if (plugin.module == nullptr) {
        reportPluginNotLoaded(path);
        exit(1);
    }
    plugin.GetPluginInfo = bind<GET_PLUGIN_INFO_T>(plugin.module, "GetPluginInfo");
    if (plugin.GetPluginInfo == nullptr) {
        reportPluginInfoMissing(path);
        exit(1);
    }
    // Zeroed so that whatever the plug-in leaves unwritten reads as the end of the text.
    char version[VERSION_BUFFER_SIZE] = {};
    if (plugin.GetPluginInfo(0, version, VERSION_BUFFER_SIZE) == 0) {
        reportPluginVersionUnknown();
        exit(1);
    }
    if (memcmp(version, PLUGIN_VERSION_PICTURE, 5) == 0) {
        plugin.IsSupported = bind<IS_SUPPORTED_T>(plugin.module, "IsSupported");
        plugin.GetPictureInfo = bind<GET_PICTURE_INFO_T>(plugin.module, "GetPictureInfo");
        plugin.GetPicture = bind<GET_PICTURE_T>(plugin.module, "GetPicture");
        plugin.GetPreview = bind<GET_PREVIEW_T>(plugin.module, "GetPreview");
    } else if (memcmp(version, PLUGIN_VERSION_ARCHIVE, 5) == 0) {
        plugin.IsSupported = bind<IS_SUPPORTED_T>(plugin.module, "IsSupported");
        plugin.GetArchiveInfo = bind<GET_ARCHIVE_INFO_T>(plugin.module, "GetArchiveInfo");
        plugin.GetFileInfo = bind<GET_FILE_INFO_T>(plugin.module, "GetFileInfo");
        plugin.GetFile = bind<GET_FILE_T>(plugin.module, "GetFile");
    } else {
        // The plug-in need not have terminated the text inside the buffer.
        reportPluginUnsupported(version, sizeof version);
        exit(1);
    }
    plugin.ConfigurationDlg = bind<CONFIGURATION_DLG_T>(plugin.module, "ConfigurationDlg");
    return plugin;
}

void unloadPlugin(const PLUGIN_ENTRIES_T *plugin) {
    FreeLibrary(plugin->module);
}
