/* Windows handle and integer types as the converter and plug-ins use them. */
#ifndef WINLAYER_POSIX_WIN_TYPES_H
#define WINLAYER_POSIX_WIN_TYPES_H

#include <stddef.h>
#include <stdint.h>

/* Only one calling convention exists here. */
#define WINAPI
#define PASCAL

typedef int BOOL;
typedef unsigned int UINT;
typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef size_t SIZE_T;
typedef char *LPSTR;
typedef const char *LPCSTR;
typedef void *HANDLE;
typedef void *HLOCAL;
typedef void *HMODULE;
typedef void *HINSTANCE;
typedef void *HWND;
typedef intptr_t (*FARPROC)(void);

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

#endif
