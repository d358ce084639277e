/* The few Windows calls the converter and its plug-ins make. Built for Windows this is
 * <windows.h> itself; elsewhere it is the small stand-in below, written from what the
 * converter expects of those calls. */
#ifndef WINDOWS_LAYER_H
#define WINDOWS_LAYER_H

#ifdef _WIN32
#include <windows.h>
#else
#include "posix/win_types.h"
#include "posix/win_localmem.h"
#include "posix/win_dynload.h"
#include "posix/win_message.h"
#endif

#endif
