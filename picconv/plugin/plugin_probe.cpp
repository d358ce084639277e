#include "picconv/plugin/plugin_probe.h"

#include <stdio.h>

#include <string>

#include "picconv/plugin/plugin_entries.h"

namespace {

enum { MODULE_PATH_SIZE = 4096, WHY_SIZE = 1024 };

PLUGIN_ENTRIES_T g_probed = {};
std::string g_probed_path;
bool g_probed_loaded = false;
char g_probed_file[MODULE_PATH_SIZE];
char g_probed_why[WHY_SIZE];

}  // namespace

int probePlugin(const char *pluginPath, const char **file, const char **why) {
    if (!g_probed_path.empty() && g_probed_path == pluginPath) {
        *file = g_probed_file;
        *why = g_probed_why;
        return g_probed_loaded ? 1 : 0;
    }
    releaseProbedPlugin();
    g_probed_path = pluginPath;
    int reason = LOAD_NO_MODULE;
    char version[PLUGIN_VERSION_TEXT_SIZE];
    g_probed_loaded = tryLoadPlugin(pluginPath, &g_probed, &reason, version) != 0;
    g_probed_file[0] = '\0';
    g_probed_why[0] = '\0';
    if (g_probed_loaded) {
        GetModuleFileNameA(g_probed.module, g_probed_file, MODULE_PATH_SIZE);
    } else {
        switch (reason) {
            case LOAD_NO_MODULE:
                snprintf(g_probed_why, WHY_SIZE, "%s", loadErrorText());
                break;
            case LOAD_NO_PLUGIN_INFO:
                snprintf(g_probed_why, WHY_SIZE, "it has no GetPluginInfo entry point");
                break;
            case LOAD_NO_VERSION:
                snprintf(g_probed_why, WHY_SIZE, "it gives no API version");
                break;
            default:
                snprintf(g_probed_why, WHY_SIZE, "it reports API version \"%s\"", version);
                break;
        }
        if (g_probed.module != nullptr) {
            FreeLibrary(g_probed.module);
        }
        g_probed = PLUGIN_ENTRIES_T{};
    }
    *file = g_probed_file;
    *why = g_probed_why;
    return g_probed_loaded ? 1 : 0;
}

int probePictureSize(const char *picturePath, int32_t *width, int32_t *height) {
    if (!g_probed_loaded || g_probed.GetPictureInfo == nullptr) {
        return 0;
    }
    PictureInfo info = {};
    const int result =
        g_probed.GetPictureInfo(const_cast<LPSTR>(picturePath), 0, PLUGIN_INPUT_FILE, &info);
    if (info.hInfo != nullptr && localBlockIsLive(info.hInfo)) {
        LocalFree(info.hInfo);
    }
    if (result != PLUGIN_OK || info.width <= 0 || info.height == 0) {
        return 0;
    }
    *width = info.width;
    *height = info.height < 0 ? -info.height : info.height;
    return 1;
}

void releaseProbedPlugin(void) {
    if (g_probed_loaded) {
        FreeLibrary(g_probed.module);
    }
    g_probed = PLUGIN_ENTRIES_T{};
    g_probed_loaded = false;
    g_probed_path.clear();
}
