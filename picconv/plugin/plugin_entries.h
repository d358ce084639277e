#ifndef PICCONV_PLUGIN_PLUGIN_ENTRIES_H
#define PICCONV_PLUGIN_PLUGIN_ENTRIES_H

#ifndef PICTURE_PLUGIN_HOST
#define PICTURE_PLUGIN_HOST
#endif
#include <stddef.h>

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

// Why a plug-in could not be loaded.
enum { LOAD_NO_MODULE = 1, LOAD_NO_PLUGIN_INFO, LOAD_NO_VERSION, LOAD_UNSUPPORTED };
// Room for the version text a plug-in reports, and its terminator.
enum { PLUGIN_VERSION_TEXT_SIZE = 129 };

// Loads and binds the plug-in at path. 1 on success; 0 with *reason, and the reported version
// text for LOAD_UNSUPPORTED, and nothing said. A module loaded before the failure stays loaded.
int tryLoadPlugin(const char *path, PLUGIN_ENTRIES_T *plugin, int *reason,
                  char version[PLUGIN_VERSION_TEXT_SIZE]);

// Says why the plug-in at path could not be loaded: the fixed message, and the reason in words
// for the line's report.
void reportLoadFailure(const char *path, int reason, const char *version);

// Loads and binds the plug-in at path. Returns only on success: on failure it prints the
// reason, calls the hook set with setFatalLoadHook (if any) and ends the program with status 1.
PLUGIN_ENTRIES_T loadPlugin(const char *path);
void unloadPlugin(const PLUGIN_ENTRIES_T *plugin);

// What a worker does before a plug-in that cannot be loaded ends it: tell its coordinator.
void setFatalLoadHook(void (*hook)(void));
void unloadPluginAtExit(void);

// Releases the current plug-in (or, the first time, registers the exit-time release) and
// makes the plug-in at path current. Returns 1; when it cannot be loaded, ends the program,
// or with keep-going set says why, leaves no plug-in current and returns 0.
int makePluginCurrent(const char *path);

// Whether a plug-in that cannot be loaded costs only its own line rather than the run.
void setKeepGoing(int keepGoing);

// Plug-ins named without a folder are looked for in folder in place of the current folder
// (after the program's own folders); null restores the current folder.
void setPluginSearchFolder(const char *folder);

// The file a plug-in named path would be loaded from, links resolved, without loading it; 1 with
// it in buffer, 0 when none is found.
int findPluginFile(const char *path, char *buffer, size_t size);

// The file the current plug-in was loaded from, resolved; null when none is loaded.
const char *currentPluginFile(void);

#endif
