#include "plugins/common/plugin_text.h"

#include <string.h>

int copyPluginText(const char *text, LPSTR buf, int buflen) {
    if (buf == nullptr || buflen <= 0) {
        return 0;
    }
    size_t length = strlen(text);
    size_t room = static_cast<size_t>(buflen) - 1;
    if (length > room) {
        length = room;
    }
    memcpy(buf, text, length);
    buf[length] = '\0';
    return static_cast<int>(length);
}
