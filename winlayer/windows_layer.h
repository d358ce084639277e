/* The few Windows calls the converter and its plug-ins make. Built for Windows this is
 * <windows.h> itself; elsewhere it is the small stand-in below, written from what the
 * converter expects of those calls. Installed with the plug-in kit, these headers include one
 * another relative to their own folder, so they work from the kit's folder as from the tree. */
#ifndef WINLAYER_WINDOWS_LAYER_H
#define WINLAYER_WINDOWS_LAYER_H

#ifdef _WIN32
#include <string.h>
#include <windows.h>
/* Not a Windows call: non-zero when handle is a live local memory block (see the stand-in).
 * LocalFlags alone does not tell a stray pointer from a block everywhere (Wine answers 0), so
 * the block must also lead back to handle: a fixed block is its own handle, a moveable one's
 * memory names it. */
static inline BOOL localBlockIsLive(HLOCAL handle) {
    UINT flags;
    void *data;
    BOOL live;
    if (handle == NULL) {
        return FALSE;
    }
    flags = LocalFlags(handle);
    if (flags == LMEM_INVALID_HANDLE) {
        return FALSE;
    }
    if (LocalHandle(handle) == handle || (flags & LMEM_DISCARDED) != 0) {
        return TRUE;
    }
    data = LocalLock(handle);
    live = data != NULL && LocalHandle(data) == handle;
    if (data != NULL) {
        LocalUnlock(handle);
    }
    return live;
}
/* Not a Windows call: the file LoadLibraryA(path) would load, into buffer; its length, or 0 when
 * none is found where a plug-in is looked for (the program's folder, then the folder given to
 * SetDllDirectoryA or the current one). Nothing is loaded. */
static inline DWORD findModuleFile(LPCSTR path, LPSTR buffer, DWORD size) {
    char folders[2][MAX_PATH];
    char candidate[MAX_PATH * 2];
    DWORD length;
    int i;
    if (path == NULL || path[0] == '\0' || size == 0) {
        return 0;
    }
    if (strpbrk(path, "/\\:") != NULL) {
        length = GetFullPathNameA(path, size, buffer, NULL);
        return length > 0 && length < size && GetFileAttributesA(buffer) != INVALID_FILE_ATTRIBUTES
                   ? length
                   : 0;
    }
    length = GetModuleFileNameA(NULL, folders[0], MAX_PATH);
    while (length > 0 && folders[0][length - 1] != '\\' && folders[0][length - 1] != '/') {
        length--;
    }
    folders[0][length] = '\0';
    if (GetDllDirectoryA(MAX_PATH, folders[1]) == 0) {
        strcpy(folders[1], ".\\");
    } else {
        strcat(folders[1], "\\");
    }
    for (i = 0; i < 2; i++) {
        if (strlen(folders[i]) + strlen(path) + 1 > sizeof candidate) {
            continue;
        }
        strcpy(candidate, folders[i]);
        strcat(candidate, path);
        if (GetFileAttributesA(candidate) != INVALID_FILE_ATTRIBUTES) {
            length = GetFullPathNameA(candidate, size, buffer, NULL);
            return length > 0 && length < size ? length : 0;
        }
    }
    return 0;
}
/* Not a Windows call: why the last LoadLibraryA failed, in the system's words. */
static inline const char *loadErrorText(void) {
    static char text[512];
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL,
                                  GetLastError(), 0, text, sizeof text, NULL);
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r')) {
        text[--length] = '\0';
    }
    return length > 0 ? text : "unknown error";
}
#else
#include "posix/win_types.h"
#include "posix/win_bitmap.h"
#include "posix/win_localmem.h"
#include "posix/win_dynload.h"
#include "posix/win_message.h"
#endif

#endif
