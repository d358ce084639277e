// GetPluginInfo's texts.
#ifndef PLUGINS_COMMON_PLUGIN_TEXT_H
#define PLUGINS_COMMON_PLUGIN_TEXT_H

#include "plugin_kit/include/picture_plugin.h"

// Copies text into buf, truncated to buflen - 1 characters and always NUL-terminated;
// returns the number of characters written without the NUL (0 when buf can't hold any).
int copyPluginText(const char *text, LPSTR buf, int buflen);

#endif
