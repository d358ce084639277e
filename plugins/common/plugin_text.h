/* GetPluginInfo's texts. */
#ifndef PLUGIN_TEXT_H
#define PLUGIN_TEXT_H

#include "picture_plugin.h"

/* Copies text into buf, truncated to buflen - 1 characters and always NUL-terminated;
 * returns the number of characters written without the NUL (0 when buf can't hold any). */
int copyPluginText(const char *text, LPSTR buf, int buflen);

#endif
