#ifndef PICCONV_PLUGIN_PLUGIN_ENTRIES_H
#define PICCONV_PLUGIN_PLUGIN_ENTRIES_H

#ifndef PICTURE_PLUGIN_HOST
#define PICTURE_PLUGIN_HOST
#endif
#include "plugin_kit/include/picture_plugin.h"

// A loaded plug-in: its module and the entry points bound for its kind, null when not bound.
struct PLUGIN_ENTRIES_T {
    HMODULE module;
    GET_PLUGIN_INFO_T GetPluginInfo;
    IS_SUPPORTED_T IsSupported;
    GET_PICTURE_INFO_T GetPictureInfo;
    GET_PICTURE_T GetPicture;
    GET_PREVIEW_T GetPreview;
    GET_ARCHIVE_INFO_T GetArchiveInfo;
    GET_FILE_INFO_T GetFileInfo;
    GET_FILE_T GetFile;
    CONFIGURATION_DLG_T ConfigurationDlg;
};

// The one loaded plug-in (global); GetPluginInfo is null while none is loaded.
extern PLUGIN_ENTRIES_T currentPlugin;

// Loads and binds the plug-in at path. Returns only on success: on failure it prints the
// reason and ends the program with status 1.
PLUGIN_ENTRIES_T loadPlugin(const char *path);
void unloadPlugin(const PLUGIN_ENTRIES_T *plugin);
void unloadPluginAtExit(void);

// Releases the current plug-in (or, the first time, registers the exit-time release) and
// makes the plug-in at path current. Ends the program when it cannot be loaded.
void makePluginCurrent(const char *path);

#endif
