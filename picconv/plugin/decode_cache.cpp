// The remembered plug-in and picture of the last decode.
#include "picconv/plugin/decode_cache.h"

#include <string.h>

namespace {

enum { REMEMBERED_PATH_SIZE = 1024 };

char g_remembered_picture_path[REMEMBERED_PATH_SIZE];
char g_remembered_plugin_path[REMEMBERED_PATH_SIZE];
FILE_STAMP_T g_remembered_picture_stamp;
FILE_STAMP_T g_remembered_temp_stamp;

bool matches(const char *remembered, const char *path) {
    return remembered[0] != '\0' && strcmp(remembered, path) == 0;
}

void remember(char *remembered, const char *path) {
    const size_t length = strlen(path);
    if (length < REMEMBERED_PATH_SIZE) {
        memcpy(remembered, path, length + 1);
    } else {
        remembered[0] = '\0';
    }
}

bool sameStamp(const FILE_STAMP_T &a, const FILE_STAMP_T &b) {
    return a.device == b.device && a.inode == b.inode && a.size == b.size &&
           a.modifiedSeconds == b.modifiedSeconds &&
           a.modifiedNanoseconds == b.modifiedNanoseconds && a.changedSeconds == b.changedSeconds &&
           a.changedNanoseconds == b.changedNanoseconds;
}

}  // namespace

bool pluginPathRemembered(const char *path) {
    return matches(g_remembered_plugin_path, path);
}

void rememberPluginPath(const char *path) {
    remember(g_remembered_plugin_path, path);
}

bool pictureRemembered(const char *path, const char *tempPath) {
    FILE_STAMP_T stamp;
    FILE_STAMP_T temp;
    return matches(g_remembered_picture_path, path) && takeFileStamp(path, &stamp) &&
           sameStamp(stamp, g_remembered_picture_stamp) && takeFileStamp(tempPath, &temp) &&
           sameStamp(temp, g_remembered_temp_stamp);
}

void rememberPicture(const char *path, const FILE_STAMP_T *stamp, const char *tempPath) {
    if (!takeFileStamp(tempPath, &g_remembered_temp_stamp)) {
        forgetPicture();
        return;
    }
    remember(g_remembered_picture_path, path);
    g_remembered_picture_stamp = *stamp;
}

void forgetPicture(void) {
    g_remembered_picture_path[0] = '\0';
}
