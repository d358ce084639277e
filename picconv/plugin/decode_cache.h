#ifndef DECODE_CACHE_H
#define DECODE_CACHE_H

// What the temporary bitmap currently holds, so that a run cutting many rectangles out of
// one picture decodes it once and a run that keeps to one plug-in loads it once.

// Identity and version of a picture file, so that a picture rewritten during the run (by
// an earlier line's output, say) is decoded again.
struct PICTURE_STAMP_T {
    long long device;
    long long inode;
    long long size;
    long long modifiedSeconds;
    long long modifiedNanoseconds;
};

bool takePictureStamp(const char *path, PICTURE_STAMP_T *stamp);

// Paths longer than 1023 characters are not remembered; an empty path never matches.
bool pluginPathRemembered(const char *path);
void rememberPluginPath(const char *path);
// The temporary file is stamped too: a line whose output overwrote it must not be reused.
bool pictureRemembered(const char *path, const char *tempPath);
void rememberPicture(const char *path, const PICTURE_STAMP_T *stamp, const char *tempPath);
void forgetPicture(void);

#endif
