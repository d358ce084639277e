#include "picconv/driver/input_paths.h"

#include "picconv/plugin/plugin_entries.h"
#include "platform/files.h"

namespace {

// Empty while paths are read from the current folder.
std::string g_input_folder;

std::string fromInputFolder(const char *path) {
    if (g_input_folder.empty() || path[0] == '\0' || !isRelativePath(path)) {
        return path;
    }
    return g_input_folder + "/" + path;
}

}  // namespace

void setInputFolder(const char *folder) {
    g_input_folder = folder != nullptr ? folder : "";
    setPluginSearchFolder(g_input_folder.empty() ? nullptr : g_input_folder.c_str());
}

std::string picturePathOf(const char *field) {
    return fromInputFolder(field);
}

std::string pluginPathOf(const char *field) {
    return hasFolderPart(field) ? fromInputFolder(field) : std::string(field);
}
