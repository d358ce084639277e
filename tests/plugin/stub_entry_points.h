// What the Linux and Windows test plug-ins (test_plugin.cpp here and
// tests/windows/windows_test_plugin.cpp) answer alike: GetPluginInfo's texts, and the entry points
// they have no use for. Included once, by the plug-in's source.
#ifndef TESTS_PLUGIN_STUB_ENTRY_POINTS_H
#define TESTS_PLUGIN_STUB_ENTRY_POINTS_H

#include <stdio.h>
#include <string.h>

#include "plugin_kit/include/picture_plugin.h"

namespace {

// GetPluginInfo's answer: version for infono 0, name for 1, nothing past them.
[[maybe_unused]] int answerPluginInfo(int infono, LPSTR buf, int buflen, const char *version,
                                      const char *name) {
    const char *text = infono == 0 ? version : infono == 1 ? name : "";
    if (text[0] == '\0' || buflen <= 0) {
        return 0;
    }
    snprintf(buf, static_cast<size_t>(buflen), "%s", text);
    return static_cast<int>(strlen(buf));
}

}  // namespace

PLUGIN_EXPORT int WINAPI IsSupported(LPSTR, PLUGIN_DW_T) {
    return 1;
}

PLUGIN_EXPORT int WINAPI GetPreview(LPSTR, PLUGIN_LONG_T, unsigned int, HANDLE *, HANDLE *, FARPROC,
                                    PLUGIN_LONG_T) {
    return PLUGIN_ERR_NOT_IMPLEMENTED;
}

PLUGIN_EXPORT int WINAPI ConfigurationDlg(HWND, int) {
    return PLUGIN_ERR_NOT_IMPLEMENTED;
}

#endif
