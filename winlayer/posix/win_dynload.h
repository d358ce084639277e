/* Dynamic loading over dlopen. A path with a '/' is used as given; a bare file name is
 * looked up as Windows does it for an application, not through LD_LIBRARY_PATH: the
 * executable's own folder, the project's plug-in folder beside it, then the current
 * directory, or the folder given to SetDllDirectoryA in its place. */
#ifndef WINLAYER_POSIX_WIN_DYNLOAD_H
#define WINLAYER_POSIX_WIN_DYNLOAD_H

#include "win_types.h"

#define ERROR_INVALID_HANDLE 6u
#define ERROR_MOD_NOT_FOUND 126u
#define ERROR_PROC_NOT_FOUND 127u
#define ERROR_BAD_EXE_FORMAT 193u

#ifdef __cplusplus
extern "C" {
#endif

HMODULE LoadLibraryA(LPCSTR path);
FARPROC GetProcAddress(HMODULE module, LPCSTR name);
BOOL FreeLibrary(HMODULE module);
DWORD GetLastError(void);
/* The full path of the file module was loaded from; the length copied, 0 on failure. */
DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size);
/* Bare names are then looked for in folder instead of the current directory; null restores
 * the current directory. */
BOOL SetDllDirectoryA(LPCSTR folder);

/* Not a Windows call: the file LoadLibraryA(path) would load, with every link resolved, into
 * buffer; its length, or 0 when no such file is found (or it does not fit). Nothing is loaded. */
DWORD findModuleFile(LPCSTR path, LPSTR buffer, DWORD size);

/* Not a Windows call: why the last LoadLibraryA failed, in words (the folders searched for a
 * bare name, or the loader's own message). Valid until the next LoadLibraryA. */
const char *loadErrorText(void);

#ifdef __cplusplus
}
#endif

#endif
