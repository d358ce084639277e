// The file-system calls of platform/files.h on Win32.
#include "platform/files.h"

#include <errno.h>
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

// GetFinalPathNameByHandleA needs Vista's declarations.
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0600
#endif
#include <windows.h>

namespace {

// Seconds from 1601-01-01, where Windows file times start, to 1970-01-01.
const int64_t WINDOWS_TO_UNIX_SECONDS = 11644473600LL;
const int64_t TICKS_PER_SECOND = 10000000;  // file times count 100 ns ticks
// Makes temporary names of one process differ even within one clock tick.
volatile LONG g_temporary_counter = 0;

char *copyText(const char *text) {
    const size_t length = strlen(text);
    char *copy = static_cast<char *>(malloc(length + 1));
    if (copy != nullptr) {
        memcpy(copy, text, length + 1);
    }
    return copy;
}

// errno for the last Win32 failure, for callers that report errno.
int errnoFromLastError() {
    switch (GetLastError()) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
            return ENOENT;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return EACCES;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return EEXIST;
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY:
            return ENOMEM;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return ENOSPC;
        default:
            return EIO;
    }
}

// Opens path only to look at it; links followed unless noFollow.
HANDLE openForQuery(const char *path, bool noFollow) {
    DWORD flags = FILE_FLAG_BACKUP_SEMANTICS;  // lets folders open too
    if (noFollow) {
        flags |= FILE_FLAG_OPEN_REPARSE_POINT;
    }
    return CreateFileA(path, FILE_READ_ATTRIBUTES,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, flags, nullptr);
}

// A file on disk that is neither a folder nor (when links are not followed) a link.
bool isRegularHandle(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION info;
    return GetFileType(handle) == FILE_TYPE_DISK && GetFileInformationByHandle(handle, &info) &&
           (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
}

bool isRegularPath(const char *path, bool noFollow) {
    const HANDLE handle = openForQuery(path, noFollow);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    const bool regular = isRegularHandle(handle);
    CloseHandle(handle);
    return regular;
}

bool isLink(const char *path) {
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// The file a link leads to, through the whole chain; null when it does not exist.
char *finalPathOf(const char *path) {
    const HANDLE handle = openForQuery(path, false);
    if (handle == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    char buffer[MAX_PATH * 4];
    const DWORD length =
        GetFinalPathNameByHandleA(handle, buffer, sizeof buffer, FILE_NAME_NORMALIZED);
    CloseHandle(handle);
    if (length == 0 || length >= sizeof buffer) {
        return nullptr;
    }
    // "\\?\C:\..." names the same file as "C:\...", which every call accepts.
    const char *start =
        strncmp(buffer, "\\\\?\\", 4) == 0 && buffer[5] == ':' ? buffer + 4 : buffer;
    return copyText(start);
}

}  // namespace

int isRegularFile(const char *path) {
    return isRegularPath(path, false) ? 1 : 0;
}

int isRegularFileNoFollow(const char *path) {
    return isRegularPath(path, true) ? 1 : 0;
}

int pathExists(const char *path) {
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES ? 1 : 0;
}

int takeFileStamp(const char *path, FILE_STAMP_T *stamp) {
    const HANDLE handle = openForQuery(path, false);
    if (handle == INVALID_HANDLE_VALUE) {
        return 0;
    }
    BY_HANDLE_FILE_INFORMATION info;
    FILE_BASIC_INFO basic = {};
    const bool known = GetFileInformationByHandle(handle, &info) != 0;
    if (known && !GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic)) {
        basic.ChangeTime.QuadPart = 0;
    }
    CloseHandle(handle);
    if (!known) {
        return 0;
    }
    const int64_t ticks =
        static_cast<int64_t>((static_cast<uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                             info.ftLastWriteTime.dwLowDateTime);
    stamp->device = info.dwVolumeSerialNumber;
    stamp->inode = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    stamp->size = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    stamp->modifiedSeconds = ticks / TICKS_PER_SECOND - WINDOWS_TO_UNIX_SECONDS;
    stamp->modifiedNanoseconds = (ticks % TICKS_PER_SECOND) * 100;
    // Without a change time from the file system, the write time stands in for it.
    const int64_t changed = basic.ChangeTime.QuadPart != 0 ? basic.ChangeTime.QuadPart : ticks;
    stamp->changedSeconds = changed / TICKS_PER_SECOND - WINDOWS_TO_UNIX_SECONDS;
    stamp->changedNanoseconds = (changed % TICKS_PER_SECOND) * 100;
    stamp->links = info.nNumberOfLinks;
    return 1;
}

char *resolveLinks(const char *path) {
    if (!isLink(path)) {
        return copyText(path);
    }
    char *target = finalPathOf(path);
    // A link whose target is missing is written in place: Windows gives no portable way to
    // read a dangling link's target.
    return target != nullptr ? target : copyText(path);
}

FILE *createTemporaryBeside(const char *path, const char *mode, char **temporaryPath) {
    const size_t length = strlen(path);
    const size_t nameSize = length + 32;
    char *name = static_cast<char *>(malloc(nameSize));
    if (name == nullptr) {
        errno = ENOMEM;
        return nullptr;
    }
    const char *base = path;  // the name after the folder; CharNextA steps over DBCS pairs
    for (const char *p = path; *p != '\0'; p = CharNextA(p)) {
        if (*p == '\\' || *p == '/' || *p == ':') {
            base = p + 1;
        }
    }
    bool shortName = false;
    HANDLE handle = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && handle == INVALID_HANDLE_VALUE; attempt++) {
        const unsigned long unique =
            static_cast<unsigned long>(InterlockedIncrement(&g_temporary_counter)) ^
            (GetTickCount() << 8);
        char suffix[32];
        snprintf(suffix, sizeof suffix, ".%lx.%lx",
                 static_cast<unsigned long>(GetCurrentProcessId()), unique);
        snprintf(name, nameSize, "%.*s%s", static_cast<int>(shortName ? base - path : length), path,
                 suffix);
        handle =
            CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                        nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) {
            // The output's own name may use up the length a path or a name may have: a short
            // name beside it then.
            if (shortName) {
                break;
            }
            shortName = true;
        }
    }
    if (handle == INVALID_HANDLE_VALUE) {
        const int error = errnoFromLastError();
        free(name);
        errno = error;
        return nullptr;
    }
    const int textMode = strchr(mode, 'b') != nullptr ? _O_BINARY : _O_TEXT;
    const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), textMode);
    FILE *file = descriptor >= 0 ? _fdopen(descriptor, mode) : nullptr;
    if (file == nullptr) {
        const int error = errno != 0 ? errno : EIO;
        if (descriptor >= 0) {
            _close(descriptor);
        } else {
            CloseHandle(handle);
        }
        DeleteFileA(name);
        free(name);
        errno = error;
        return nullptr;
    }
    *temporaryPath = name;
    return file;
}

int replaceFile(const char *from, const char *to) {
    // Another process looking at the file (a worker, a virus scanner) keeps it from being
    // replaced for a moment: try again a little later, for about a second.
    for (DWORD wait = 1; MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) == 0; wait *= 2) {
        const DWORD error = GetLastError();
        if ((error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) || wait > 512) {
            errno = errnoFromLastError();
            return 0;
        }
        Sleep(wait);
    }
    return 1;
}

void removeFileNow(const char *path) {
    DeleteFileA(path);
}

size_t readAtHandlePosition(uintptr_t handle, uint8_t *buffer, size_t size) {
    const HANDLE file = reinterpret_cast<HANDLE>(handle);
    LARGE_INTEGER zero;
    zero.QuadPart = 0;
    LARGE_INTEGER position;
    if (!SetFilePointerEx(file, zero, &position, FILE_CURRENT)) {
        return 0;
    }
    size_t got = 0;
    while (got < size) {
        const size_t left = size - got;
        const DWORD chunk = left > 0x40000000u ? 0x40000000u : static_cast<DWORD>(left);
        DWORD count = 0;
        if (!ReadFile(file, buffer + got, chunk, &count, nullptr) || count == 0) {
            break;
        }
        got += count;
    }
    // Reading moved the pointer; the caller's position is kept.
    SetFilePointerEx(file, position, nullptr, FILE_BEGIN);
    return got;
}

int regularFileSize(FILE *file, uint64_t *size) {
    const intptr_t osHandle = _get_osfhandle(_fileno(file));
    if (osHandle == -1) {
        return 0;
    }
    const HANDLE handle = reinterpret_cast<HANDLE>(osHandle);
    LARGE_INTEGER length;
    if (!isRegularHandle(handle) || !GetFileSizeEx(handle, &length)) {
        return 0;
    }
    *size = static_cast<uint64_t>(length.QuadPart);
    return 1;
}

PATH_KIND_T pathKind(const char *path) {
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return PATH_NONE;
    }
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        return PATH_LINK;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        return PATH_FOLDER;
    }
    return isRegularPath(path, true) ? PATH_REGULAR : PATH_OTHER;
}

FILE *openRegularFileNoFollow(const char *path, const char *mode) {
    const bool writing = mode[0] == 'w';
    // The link itself is opened, never what it leads to; it is then refused as not regular.
    const HANDLE handle =
        CreateFileA(path, writing ? GENERIC_WRITE : GENERIC_READ,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    writing ? OPEN_ALWAYS : OPEN_EXISTING,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        errno = errnoFromLastError();
        return nullptr;
    }
    if (!isRegularHandle(handle)) {
        CloseHandle(handle);
        errno = EINVAL;
        return nullptr;
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (writing && GetFileInformationByHandle(handle, &info) && info.nNumberOfLinks > 1) {
        CloseHandle(handle);
        errno = EMLINK;
        return nullptr;
    }
    if (writing && !SetEndOfFile(handle)) {
        errno = errnoFromLastError();
        CloseHandle(handle);
        return nullptr;
    }
    const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle),
                                           strchr(mode, 'b') != nullptr ? _O_BINARY : _O_TEXT);
    if (descriptor < 0) {
        CloseHandle(handle);
        errno = EIO;
        return nullptr;
    }
    FILE *file = _fdopen(descriptor, mode);
    if (file == nullptr) {
        const int error = errno;
        _close(descriptor);
        errno = error;
    }
    return file;
}

int isRelativePath(const char *path) {
    const bool rooted = path[0] == '/' || path[0] == '\\';
    const bool onDrive = path[0] != '\0' && path[1] == ':';
    return rooted || onDrive ? 0 : 1;
}

int hasFolderPart(const char *path) {
    return strpbrk(path, "/\\:") != nullptr ? 1 : 0;
}

char *fileIdentityPath(const char *path) {
    char *full = absolutePath(path);
    if (full == nullptr) {
        return nullptr;
    }
    // Names differ only in case name the same file here.
    for (char *p = full; *p != '\0'; p++) {
        if (*p >= 'A' && *p <= 'Z') {
            *p = static_cast<char>(*p - 'A' + 'a');
        }
    }
    return full;
}

char *temporaryFolderPath(const char *name) {
    char folder[MAX_PATH + 1];
    const DWORD length = GetTempPathA(sizeof folder, folder);
    const char *base = length > 0 && length < sizeof folder ? folder : ".\\";
    const size_t baseLength = strlen(base);
    const size_t nameLength = strlen(name);
    char *path = static_cast<char *>(malloc(baseLength + nameLength + 1));
    if (path != nullptr) {
        memcpy(path, base, baseLength);
        memcpy(path + baseLength, name, nameLength + 1);
    }
    return path;
}

char *absolutePath(const char *path) {
    const DWORD size = GetFullPathNameA(path, 0, nullptr, nullptr);
    char *full = size > 0 ? static_cast<char *>(malloc(size)) : nullptr;
    if (full != nullptr && GetFullPathNameA(path, size, full, nullptr) == 0) {
        free(full);
        return copyText(path);
    }
    if (full == nullptr) {
        return copyText(path);
    }
    // Make and Ninja read a backslash as an escape; Windows takes '/' as well.
    for (char *p = full; *p != '\0'; p++) {
        if (*p == '\\') {
            *p = '/';
        }
    }
    return full;
}

int makeFolder(const char *path) {
    if (CreateDirectoryA(path, nullptr)) {
        return 1;
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS) {
        errno = errnoFromLastError();
        return 0;
    }
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return 1;
    }
    errno = ENOTDIR;
    return 0;
}

int forEachInFolder(const char *path, FOLDER_NAME_T each, void *context) {
    const size_t length = strlen(path);
    char *pattern = static_cast<char *>(malloc(length + 3));
    if (pattern == nullptr) {
        errno = ENOMEM;
        return 0;
    }
    memcpy(pattern, path, length);
    memcpy(pattern + length, "\\*", 3);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    free(pattern);
    if (search == INVALID_HANDLE_VALUE) {
        errno = errnoFromLastError();
        return 0;
    }
    do {
        if (strcmp(found.cFileName, ".") != 0 && strcmp(found.cFileName, "..") != 0) {
            each(context, found.cFileName);
        }
    } while (FindNextFileA(search, &found));
    const bool complete = GetLastError() == ERROR_NO_MORE_FILES;
    FindClose(search);
    if (!complete) {
        errno = EIO;
    }
    return complete ? 1 : 0;
}
