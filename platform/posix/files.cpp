#include "platform/files.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/posix/descriptors.h"

namespace {

// More links than this in one chain is a loop, as the kernel counts it.
const int MAX_LINK_HOPS = 40;

char *copyText(const char *text, size_t length) {
    char *copy = static_cast<char *>(malloc(length + 1));
    if (copy != nullptr) {
        memcpy(copy, text, length);
        copy[length] = '\0';
    }
    return copy;
}

// The target of the link at path, relative targets taken from the link's own folder.
char *followOnce(const char *path) {
    char target[PATH_MAX];
    const ssize_t length = readlink(path, target, sizeof target - 1);
    if (length < 0) {
        return nullptr;
    }
    target[length] = '\0';
    const char *slash = strrchr(path, '/');
    if (target[0] == '/' || slash == nullptr) {
        return copyText(target, static_cast<size_t>(length));
    }
    const size_t folderLength = static_cast<size_t>(slash - path) + 1;
    char *joined = static_cast<char *>(malloc(folderLength + static_cast<size_t>(length) + 1));
    if (joined != nullptr) {
        memcpy(joined, path, folderLength);
        memcpy(joined + folderLength, target, static_cast<size_t>(length) + 1);
    }
    return joined;
}

// folder/name, malloc'd; null when out of memory.
char *joinPath(const char *folder, const char *name) {
    const size_t folderLength = strlen(folder);
    const size_t nameLength = strlen(name);
    char *joined = static_cast<char *>(malloc(folderLength + nameLength + 2));
    if (joined != nullptr) {
        memcpy(joined, folder, folderLength);
        joined[folderLength] = '/';
        memcpy(joined + folderLength + 1, name, nameLength + 1);
    }
    return joined;
}

mode_t defaultFileMode() {
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

}  // namespace

int isRegularFile(const char *path) {
    struct stat info;
    return stat(path, &info) == 0 && S_ISREG(info.st_mode) ? 1 : 0;
}

int isRegularFileNoFollow(const char *path) {
    struct stat info;
    return lstat(path, &info) == 0 && S_ISREG(info.st_mode) ? 1 : 0;
}

int pathExists(const char *path) {
    struct stat info;
    return lstat(path, &info) == 0 ? 1 : 0;
}

int takeFileStamp(const char *path, FILE_STAMP_T *stamp) {
    struct stat info;
    if (stat(path, &info) != 0) {
        return 0;
    }
    stamp->device = static_cast<uint64_t>(info.st_dev);
    stamp->inode = static_cast<uint64_t>(info.st_ino);
    stamp->size = static_cast<uint64_t>(info.st_size);
    stamp->modifiedSeconds = static_cast<int64_t>(info.st_mtim.tv_sec);
    stamp->modifiedNanoseconds = static_cast<int64_t>(info.st_mtim.tv_nsec);
    stamp->changedSeconds = static_cast<int64_t>(info.st_ctim.tv_sec);
    stamp->changedNanoseconds = static_cast<int64_t>(info.st_ctim.tv_nsec);
    stamp->links = static_cast<uint64_t>(info.st_nlink);
    return 1;
}

char *resolveLinks(const char *path) {
    char *current = copyText(path, strlen(path));
    for (int hop = 0; current != nullptr; hop++) {
        struct stat info;
        if (lstat(current, &info) != 0 || !S_ISLNK(info.st_mode)) {
            return current;
        }
        if (hop == MAX_LINK_HOPS) {
            break;
        }
        char *next = followOnce(current);
        free(current);
        current = next;
    }
    free(current);
    return nullptr;
}

FILE *createTemporaryBeside(const char *path, const char *mode, char **temporaryPath) {
    static const char SUFFIX[] = ".XXXXXX";
    const size_t length = strlen(path);
    char *name = static_cast<char *>(malloc(length + sizeof SUFFIX));
    if (name == nullptr) {
        errno = ENOMEM;
        return nullptr;
    }
    memcpy(name, path, length);
    memcpy(name + length, SUFFIX, sizeof SUFFIX);
    int descriptor = mkostemp(name, O_CLOEXEC);
    if (descriptor < 0 && errno == ENAMETOOLONG) {
        // The output's own name may use up the folder's limit: a short name beside it then.
        const char *slash = strrchr(path, '/');
        const size_t folderLength = slash != nullptr ? static_cast<size_t>(slash - path) + 1 : 0;
        memcpy(name + folderLength, SUFFIX, sizeof SUFFIX);
        descriptor = mkostemp(name, O_CLOEXEC);
    }
    if (descriptor < 0) {
        const int error = errno;
        free(name);
        errno = error;
        return nullptr;
    }
    // mkstemp makes the file private; give it what a plain fopen would have left there.
    struct stat existing;
    const mode_t wanted = stat(path, &existing) == 0 && S_ISREG(existing.st_mode)
                              ? (existing.st_mode & 07777)
                              : defaultFileMode();
    FILE *file = fchmod(descriptor, wanted) == 0 ? fdopen(descriptor, mode) : nullptr;
    if (file == nullptr) {
        const int error = errno;
        close(descriptor);
        unlink(name);
        free(name);
        errno = error;
        return nullptr;
    }
    *temporaryPath = name;
    return file;
}

int replaceFile(const char *from, const char *to) {
    return rename(from, to) == 0 ? 1 : 0;
}

void removeFileNow(const char *path) {
    unlink(path);
}

size_t readAtHandlePosition(uintptr_t handle, uint8_t *buffer, size_t size) {
    const int descriptor = static_cast<int>(handle);
    const off_t position = lseek(descriptor, 0, SEEK_CUR);
    return position < 0 ? 0 : readAllAt(descriptor, buffer, size, position);
}

int regularFileSize(FILE *file, uint64_t *size) {
    struct stat info;
    if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) {
        return 0;
    }
    *size = static_cast<uint64_t>(info.st_size);
    return 1;
}

PATH_KIND_T pathKind(const char *path) {
    struct stat info;
    if (lstat(path, &info) != 0) {
        return PATH_NONE;
    }
    if (S_ISREG(info.st_mode)) {
        return PATH_REGULAR;
    }
    if (S_ISLNK(info.st_mode)) {
        return PATH_LINK;
    }
    return S_ISDIR(info.st_mode) ? PATH_FOLDER : PATH_OTHER;
}

FILE *openRegularFileNoFollow(const char *path, const char *mode) {
    const bool writing = mode[0] == 'w';
    // Non-blocking only for the open itself, so that a pipe there is not waited on.
    const int flags =
        (writing ? O_WRONLY | O_CREAT : O_RDONLY) | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    const int descriptor = open(path, flags, 0666);
    if (descriptor < 0) {
        return nullptr;
    }
    struct stat info;
    int error = 0;
    if (fstat(descriptor, &info) != 0) {
        error = errno;
    } else if (!S_ISREG(info.st_mode)) {
        error = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
    } else if (writing && info.st_nlink > 1) {
        error = EMLINK;
    } else if (fcntl(descriptor, F_SETFL, fcntl(descriptor, F_GETFL) & ~O_NONBLOCK) != 0 ||
               (writing && ftruncate(descriptor, 0) != 0)) {
        error = errno;
    }
    FILE *file = error == 0 ? fdopen(descriptor, mode) : nullptr;
    if (file == nullptr) {
        error = error != 0 ? error : errno;
        close(descriptor);
        errno = error;
    }
    return file;
}

int isRelativePath(const char *path) {
    return path[0] != '/' ? 1 : 0;
}

int hasFolderPart(const char *path) {
    return strchr(path, '/') != nullptr ? 1 : 0;
}

char *fileIdentityPath(const char *path) {
    char *target = resolveLinks(path);
    if (target == nullptr) {
        return copyText(path, strlen(path));
    }
    const char *slash = strrchr(target, '/');
    const std::string name = slash != nullptr ? slash + 1 : target;
    const std::string folder =
        slash == nullptr
            ? "."
            : (slash == target ? "/" : std::string(target, static_cast<size_t>(slash - target)));
    free(target);
    char *real = realpath(folder.c_str(), nullptr);
    std::string identity = real != nullptr ? real : folder;
    free(real);
    if (identity.empty() || identity.back() != '/') {
        identity += '/';
    }
    identity += name;
    return copyText(identity.data(), identity.size());
}

char *temporaryFolderPath(const char *name) {
    const char *folder = getenv("TMPDIR");
    if (folder == nullptr || folder[0] != '/') {
        folder = "/tmp";
    }
    return joinPath(folder, name);
}

char *absolutePath(const char *path) {
    if (path[0] == '/') {
        return copyText(path, strlen(path));
    }
    char *folder = getcwd(nullptr, 0);
    if (folder == nullptr) {
        return nullptr;
    }
    char *joined = joinPath(folder, path);
    free(folder);
    return joined;
}

int makeFolder(const char *path) {
    if (mkdir(path, 0777) == 0) {
        return 1;
    }
    const int error = errno;
    struct stat info;
    if (error == EEXIST && stat(path, &info) == 0 && S_ISDIR(info.st_mode)) {
        return 1;
    }
    errno = error == EEXIST ? ENOTDIR : error;
    return 0;
}

int forEachInFolder(const char *path, FOLDER_NAME_T each, void *context) {
    DIR *folder = opendir(path);
    if (folder == nullptr) {
        return 0;
    }
    errno = 0;
    while (const struct dirent *entry = readdir(folder)) {
        if (strcmp(entry->d_name, ".") != 0 && strcmp(entry->d_name, "..") != 0) {
            each(context, entry->d_name);
        }
        errno = 0;
    }
    const int error = errno;
    closedir(folder);
    errno = error;
    return error == 0 ? 1 : 0;
}
