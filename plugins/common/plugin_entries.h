// The entry points every bundled plug-in shares, over one record that describes its format.
// A plug-in's own entry file forwards each exported entry point to these.
#ifndef PLUGINS_COMMON_PLUGIN_ENTRIES_H
#define PLUGINS_COMMON_PLUGIN_ENTRIES_H

#include <stddef.h>
#include <stdint.h>

#include "plugin_kit/include/picture_plugin.h"
#include "plugins/common/output_bitmap.h"
#include "plugins/common/progress.h"

// What GetPictureInfo reports.
struct PICTURE_FACTS_T {
    int64_t width;
    int64_t height;
    int colorDepth;     // bits per pixel as stored
    unsigned xDensity;  // dots per inch, 0 when unknown
    unsigned yDensity;
};

struct PICTURE_FORMAT_T {
    const char *about;       // name, version and copyright
    const char *filter;      // e.g. "*.png"
    const char *formatName;  // e.g. "PNG file"
    // True when the bytes start like this format; size may be short.
    bool (*isFormat)(const uint8_t *head, size_t size);
    // Both return a PLUGIN_* code; only called when isFormat holds.
    int (*readFacts)(const uint8_t *data, size_t size, PICTURE_FACTS_T *facts);
    int (*decode)(const uint8_t *data, size_t size, OUTPUT_BITMAP_T *out, PROGRESS_T *progress);
};

int pluginGetPluginInfo(const PICTURE_FORMAT_T *format, int infono, LPSTR buf, int buflen);
int pluginIsSupported(const PICTURE_FORMAT_T *format, LPSTR filename, PLUGIN_DW_T dw);
int pluginGetPictureInfo(const PICTURE_FORMAT_T *format, LPSTR buf, PLUGIN_LONG_T len,
                         unsigned int flag, PictureInfo *lpInfo);
int pluginGetPicture(const PICTURE_FORMAT_T *format, LPSTR buf, PLUGIN_LONG_T len,
                     unsigned int flag, HANDLE *pHBInfo, HANDLE *pHBm, FARPROC progressCallback,
                     PLUGIN_LONG_T lData);
int pluginConfigurationDlg(HWND parent, int fnc);

// Dots per metre as dots per inch, rounded; 0 stays unknown.
unsigned dotsPerInchFromMetre(uint64_t perMetre);

// Defines the exported entry points of a picture plug-in over its format record.
#define DEFINE_PICTURE_PLUGIN_ENTRIES(format)                                                     \
    PLUGIN_EXPORT int WINAPI GetPluginInfo(int infono, LPSTR buf, int buflen) {                   \
        return pluginGetPluginInfo(&(format), infono, buf, buflen);                               \
    }                                                                                             \
    PLUGIN_EXPORT int WINAPI IsSupported(LPSTR filename, PLUGIN_DW_T dw) {                        \
        return pluginIsSupported(&(format), filename, dw);                                        \
    }                                                                                             \
    PLUGIN_EXPORT int WINAPI GetPictureInfo(LPSTR buf, PLUGIN_LONG_T len, unsigned int flag,      \
                                            PictureInfo *lpInfo) {                                \
        return pluginGetPictureInfo(&(format), buf, len, flag, lpInfo);                           \
    }                                                                                             \
    PLUGIN_EXPORT int WINAPI GetPicture(LPSTR buf, PLUGIN_LONG_T len, unsigned int flag,          \
                                        HANDLE *pHBInfo, HANDLE *pHBm, FARPROC lpPrgressCallback, \
                                        PLUGIN_LONG_T lData) {                                    \
        return pluginGetPicture(&(format), buf, len, flag, pHBInfo, pHBm, lpPrgressCallback,      \
                                lData);                                                           \
    }                                                                                             \
    /* No preview image is kept in any of these formats. */                                       \
    PLUGIN_EXPORT int WINAPI GetPreview(LPSTR, PLUGIN_LONG_T, unsigned int, HANDLE *, HANDLE *,   \
                                        FARPROC, PLUGIN_LONG_T) {                                 \
        return PLUGIN_ERR_NOT_IMPLEMENTED;                                                        \
    }                                                                                             \
    PLUGIN_EXPORT int WINAPI ConfigurationDlg(HWND parent, int fnc) {                             \
        return pluginConfigurationDlg(parent, fnc);                                               \
    }

#endif
