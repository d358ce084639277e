/* The message-queue peek of the progress callback. There is no message queue here, so
 * the peek always finds nothing. */
#ifndef WINLAYER_POSIX_WIN_MESSAGE_H
#define WINLAYER_POSIX_WIN_MESSAGE_H

#include "win_types.h"

#define PM_NOREMOVE 0x0000u

typedef struct MSG {
    HWND hwnd;
    UINT message;
    uintptr_t wParam;
    intptr_t lParam;
    DWORD time;
    LONG ptX;
    LONG ptY;
} MSG;

static inline BOOL PeekMessageA(MSG *msg, HWND window, UINT first, UINT last, UINT remove) {
    (void)msg;
    (void)window;
    (void)first;
    (void)last;
    (void)remove;
    return FALSE;
}

#endif
