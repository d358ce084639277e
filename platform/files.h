// File-system calls that differ between platforms. Shared code calls these names; CMake builds
// the one implementation of the platform (platform/posix/ or platform/windows/).
#ifndef PLATFORM_FILES_H
#define PLATFORM_FILES_H

#include <stdint.h>
#include <stdio.h>

// Identity and version of a file: a file rewritten or replaced gives a different stamp. The
// change time moves with every write, rename or link and cannot be set back by a user, so a
// file put back with its old modification time still shows as changed.
struct FILE_STAMP_T {
    uint64_t device;
    uint64_t inode;
    uint64_t size;
    int64_t modifiedSeconds;
    int64_t modifiedNanoseconds;
    int64_t changedSeconds;
    int64_t changedNanoseconds;
    uint64_t links;  // names the file has (hard links)
};

// Whether two stamps are of one file, however it was named.
inline bool isSameFile(const FILE_STAMP_T *a, const FILE_STAMP_T *b) {
    return a->device == b->device && a->inode == b->inode;
}

// 1 when path names a regular file; symbolic links are followed.
int isRegularFile(const char *path);

// 1 when path itself is a regular file; a symbolic link there is not one.
int isRegularFileNoFollow(const char *path);

// 1 when something (a file, folder, device or link, even a dangling one) is at path.
int pathExists(const char *path);

// Fills *stamp for the file at path (links followed). 0 when there is no such file.
int takeFileStamp(const char *path, FILE_STAMP_T *stamp);

// The path that writing to path would reach: path itself, or the end of the chain of symbolic
// links at path (which need not exist yet). malloc'd; null when out of memory or the chain
// loops.
char *resolveLinks(const char *path);

// Creates a new, empty file beside path (same folder) with a name nobody else uses (path's
// name with a suffix, or a short one when that would be too long), opened with fopen mode
// `mode`, with the permissions a plain fopen of path would give (those of the file at path
// when there is one). Stores its malloc'd name in *temporaryPath. Null on failure, with errno
// set.
FILE *createTemporaryBeside(const char *path, const char *mode, char **temporaryPath);

// Puts the file at from in place of to in one step: a reader sees the old file or the new one,
// never a mix. 1 on success; 0 with errno set.
int replaceFile(const char *from, const char *to);

// Removes the file at path; safe to call from a signal handler.
void removeFileNow(const char *path);

// Reads up to size bytes of the open file handle from its current position, which it leaves
// unchanged (a descriptor here, a Windows file handle there). Returns the bytes read: fewer at
// the end of the file, 0 when the handle cannot be read.
size_t readAtHandlePosition(uintptr_t handle, uint8_t *buffer, size_t size);

// 1 when file is open on a regular file, with its size in bytes in *size; 0 otherwise.
int regularFileSize(FILE *file, uint64_t *size);

// What is at a path, a symbolic link itself rather than what it leads to.
enum PATH_KIND_T { PATH_NONE, PATH_REGULAR, PATH_LINK, PATH_FOLDER, PATH_OTHER };
PATH_KIND_T pathKind(const char *path);

// Opens path with fopen mode "rb", or "wb" (created when missing, emptied when there), only when
// it is a regular file itself: a symbolic link there is never followed, and a folder, device or
// pipe is refused untouched (a pipe is never waited on). For writing, a file with other names
// (hard links) is refused untouched too, with EMLINK: emptying it would change them. Null on
// failure with errno set.
FILE *openRegularFileNoFollow(const char *path, const char *mode);

// 1 when path is taken from the current folder: neither absolute nor (on Windows) on a drive.
int isRelativePath(const char *path);

// 1 when path holds a folder separator, so that a library loader takes it as a path rather
// than a name to search for.
int hasFolderPart(const char *path);

// name in the system's folder for temporary files (TMPDIR, TEMP); malloc'd, null when out of
// memory.
char *temporaryFolderPath(const char *name);

// One spelling for the file at path, whichever way it is named: links followed, the folder
// made absolute and canonical, letters folded where names ignore case. For telling that two
// paths name one file, even one not yet made; malloc'd, null when out of memory.
char *fileIdentityPath(const char *path);

// path made absolute against the current folder (nothing is resolved or checked), with '/'
// between folders on every platform; malloc'd, null when out of memory.
char *absolutePath(const char *path);

// Makes the folder at path when nothing is there. 1 when a folder is at path afterwards (links
// followed); 0 with errno set.
int makeFolder(const char *path);

// Calls each(context, name) for every name in the folder at path but "." and "..", in no set
// order. 1 when the folder was read to its end; 0 with errno set.
typedef void (*FOLDER_NAME_T)(void *context, const char *name);
int forEachInFolder(const char *path, FOLDER_NAME_T each, void *context);

#endif
