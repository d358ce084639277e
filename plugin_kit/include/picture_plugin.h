/* The image-loader plug-in interface: entry points, records, error codes and flags.
 * A picture plug-in includes this header, defines its entry points with PLUGIN_EXPORT
 * and builds as a shared object (or, unchanged, as a 32-bit Windows DLL). The host
 * defines PICTURE_PLUGIN_HOST before including it and binds the entry points by name
 * through the pointer types below. */
#ifndef PLUGIN_KIT_INCLUDE_PICTURE_PLUGIN_H
#define PLUGIN_KIT_INCLUDE_PICTURE_PLUGIN_H

#include <stdint.h>

#include "windows_layer.h"

/* Input kinds in the low three bits of the flag argument. */
#define PLUGIN_INPUT_MASK 0x7u
#define PLUGIN_INPUT_FILE 0x0u   /* buf: file name; len: offset of the picture in it */
#define PLUGIN_INPUT_MEMORY 0x1u /* buf: the whole file image; len: its size */

/* Results of the picture entry points. */
#define PLUGIN_ERR_NOT_IMPLEMENTED (-1)
#define PLUGIN_OK 0
#define PLUGIN_ERR_ABORTED 1
#define PLUGIN_ERR_UNKNOWN_FORMAT 2
#define PLUGIN_ERR_BROKEN_DATA 3
#define PLUGIN_ERR_NO_MEMORY 4
#define PLUGIN_ERR_MEMORY 5
#define PLUGIN_ERR_FILE_READ 6
#define PLUGIN_ERR_RESERVED 7
#define PLUGIN_ERR_INTERNAL 8

/* The largest picture GetPicture hands back: at most PLUGIN_MAX_PIXELS pixels (width x height)
 * and at most PLUGIN_MAX_PIXEL_BYTES bytes in the pixel block (rows padded to 4 bytes). The
 * bundled plug-ins refuse larger pictures with PLUGIN_ERR_NO_MEMORY before decoding them, and
 * the converter refuses larger ones from any plug-in. */
#define PLUGIN_MAX_PIXELS ((uint64_t)1 << 26)
#define PLUGIN_MAX_PIXEL_BYTES ((uint64_t)1 << 28)

/* API version texts reported by GetPluginInfo(0, ...). */
#define PLUGIN_VERSION_PICTURE "00IN"
#define PLUGIN_VERSION_ARCHIVE "00AM"

/* IsSupported's second argument: an open file handle when its upper part is 0, else the
 * address of the file's first 2 KB. Pointer-sized here so that it can hold an address. */
#ifdef _WIN64
typedef ULONG_PTR PLUGIN_DW_T;
#elif defined(_WIN32)
typedef DWORD PLUGIN_DW_T;
#else
typedef uintptr_t PLUGIN_DW_T;
#endif
/* The entry points' len (a size or an offset) and the progress data lData (often an address,
 * handed back to the callback unchanged): long, pointer-sized on 64-bit Windows as 64-bit
 * plug-ins of this interface have them. */
#ifdef _WIN64
typedef LONG_PTR PLUGIN_LONG_T;
#else
typedef long PLUGIN_LONG_T;
#endif
#define PLUGIN_DW_IS_HANDLE(dw) (((uintptr_t)(dw) >> 16) == 0)
#define PLUGIN_HEAD_SIZE 2048

#pragma pack(push, 1)
typedef struct PictureInfo {
    int32_t left;
    int32_t top;
    int32_t width;
    int32_t height;
    uint16_t x_density;
    uint16_t y_density;
    int16_t colorDepth;
    HLOCAL hInfo; /* a text block, or null; the caller frees it */
} PictureInfo;

typedef struct fileInfo {
    unsigned char method[8];
    uint32_t position;
    uint32_t compsize;
    uint32_t filesize;
    int32_t timestamp;
    char path[200];
    char filename[200];
    uint32_t crc;
} fileInfo;
#pragma pack(pop)

/* The progress callback: non-zero asks the plug-in to stop (it then returns 1). */
typedef int(WINAPI *PLUGIN_PROGRESS_T)(int nNum, int nDenom, PLUGIN_LONG_T lData);

/* Converts between entry-point and callback pointer types (FARPROC and the typedefs here)
 * through the generic void (*)(void), which compilers accept without a cast warning. */
#define PLUGIN_FUNCTION_CAST(type, function) ((type)(void (*)(void))(function))

typedef int(WINAPI *GET_PLUGIN_INFO_T)(int infono, LPSTR buf, int buflen);
typedef int(WINAPI *IS_SUPPORTED_T)(LPSTR filename, PLUGIN_DW_T dw);
typedef int(WINAPI *GET_PICTURE_INFO_T)(LPSTR buf, PLUGIN_LONG_T len, unsigned int flag,
                                        PictureInfo *lpInfo);
typedef int(WINAPI *GET_PICTURE_T)(LPSTR buf, PLUGIN_LONG_T len, unsigned int flag, HANDLE *pHBInfo,
                                   HANDLE *pHBm, FARPROC lpPrgressCallback, PLUGIN_LONG_T lData);
typedef GET_PICTURE_T GET_PREVIEW_T;
typedef int(WINAPI *GET_ARCHIVE_INFO_T)(LPSTR buf, PLUGIN_LONG_T len, unsigned int flag,
                                        HLOCAL *lphInf);
typedef int(WINAPI *GET_FILE_INFO_T)(LPSTR buf, PLUGIN_LONG_T len, LPSTR filename,
                                     unsigned int flag, fileInfo *lpInfo);
typedef int(WINAPI *GET_FILE_T)(LPSTR src, PLUGIN_LONG_T len, LPSTR dest, unsigned int flag,
                                FARPROC prgressCallback, PLUGIN_LONG_T lData);
typedef int(WINAPI *CONFIGURATION_DLG_T)(HWND parent, int fnc);

#ifdef __cplusplus
#define PLUGIN_EXTERN_C extern "C"
#else
#define PLUGIN_EXTERN_C
#endif
#ifdef _WIN32
#define PLUGIN_EXPORT PLUGIN_EXTERN_C __declspec(dllexport)
#else
#define PLUGIN_EXPORT PLUGIN_EXTERN_C __attribute__((visibility("default")))
#endif

#ifndef PICTURE_PLUGIN_HOST
/* What a picture plug-in defines (an archive plug-in defines the archive three instead of
 * the picture three). Declared here so that a definition with the wrong signature fails
 * to compile. */
PLUGIN_EXPORT int WINAPI GetPluginInfo(int infono, LPSTR buf, int buflen);
PLUGIN_EXPORT int WINAPI IsSupported(LPSTR filename, PLUGIN_DW_T dw);
PLUGIN_EXPORT int WINAPI GetPictureInfo(LPSTR buf, PLUGIN_LONG_T len, unsigned int flag,
                                        PictureInfo *lpInfo);
PLUGIN_EXPORT int WINAPI GetPicture(LPSTR buf, PLUGIN_LONG_T len, unsigned int flag,
                                    HANDLE *pHBInfo, HANDLE *pHBm, FARPROC lpPrgressCallback,
                                    PLUGIN_LONG_T lData);
PLUGIN_EXPORT int WINAPI GetPreview(LPSTR buf, PLUGIN_LONG_T len, unsigned int flag,
                                    HANDLE *pHBInfo, HANDLE *pHBm, FARPROC lpPrgressCallback,
                                    PLUGIN_LONG_T lData);
PLUGIN_EXPORT int WINAPI GetArchiveInfo(LPSTR buf, PLUGIN_LONG_T len, unsigned int flag,
                                        HLOCAL *lphInf);
PLUGIN_EXPORT int WINAPI GetFileInfo(LPSTR buf, PLUGIN_LONG_T len, LPSTR filename,
                                     unsigned int flag, fileInfo *lpInfo);
PLUGIN_EXPORT int WINAPI GetFile(LPSTR src, PLUGIN_LONG_T len, LPSTR dest, unsigned int flag,
                                 FARPROC prgressCallback, PLUGIN_LONG_T lData);
PLUGIN_EXPORT int WINAPI ConfigurationDlg(HWND parent, int fnc);
#endif

#endif
