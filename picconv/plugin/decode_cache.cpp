// The remembered plug-in and picture of the last decode.
#include "decode_cache.h"

#include <string.h>
#include <sys/stat.h>

namespace {

const size_t REMEMBERED_PATH_SIZE = 1024;

char rememberedPicturePath[REMEMBERED_PATH_SIZE];
char rememberedPluginPath[REMEMBERED_PATH_SIZE];
PICTURE_STAMP_T rememberedPictureStamp;
PICTURE_STAMP_T rememberedTempStamp;

bool matches(const char *remembered, const char *path) {
    return remembered[0] != '\0' && strcmp(remembered, path) == 0;
}

void remember(char *remembered, const char *path) {
    size_t length = strlen(path);
    if (length < REMEMBERED_PATH_SIZE) {
        memcpy(remembered, path, length + 1);
    } else {
        remembered[0] = '\0';
    }
}

bool sameStamp(const PICTURE_STAMP_T &a, const PICTURE_STAMP_T &b) {
    return a.device == b.device && a.inode == b.inode && a.size == b.size &&
           a.modifiedSeconds == b.modifiedSeconds && a.modifiedNanoseconds == b.modifiedNanoseconds;
}

}  // namespace

bool takePictureStamp(const char *path, PICTURE_STAMP_T *stamp) {
    struct stat info;
    if (stat(path, &info) != 0) {
        return false;
    }
    stamp->device = (long long)info.st_dev;
    stamp->inode = (long long)info.st_ino;
    stamp->size = (long long)info.st_size;
    stamp->modifiedSeconds = (long long)info.st_mtime;
#ifdef __linux__
    stamp->modifiedNanoseconds = (long long)info.st_mtim.tv_nsec;
#else
    stamp->modifiedNanoseconds = 0;
#endif
    return true;
}

bool pluginPathRemembered(const char *path) {
    return matches(rememberedPluginPath, path);
}

void rememberPluginPath(const char *path) {
    remember(rememberedPluginPath, path);
}

bool pictureRemembered(const char *path, const char *tempPath) {
    PICTURE_STAMP_T stamp;
    PICTURE_STAMP_T temp;
    return matches(rememberedPicturePath, path) && takePictureStamp(path, &stamp) &&
           sameStamp(stamp, rememberedPictureStamp) && takePictureStamp(tempPath, &temp) &&
           sameStamp(temp, rememberedTempStamp);
}

void rememberPicture(const char *path, const PICTURE_STAMP_T *stamp, const char *tempPath) {
    if (!takePictureStamp(tempPath, &rememberedTempStamp)) {
        forgetPicture();
        return;
    }
    remember(rememberedPicturePath, path);
    rememberedPictureStamp = *stamp;
}

void forgetPicture(void) {
    rememberedPicturePath[0] = '\0';
}
