/* Local memory blocks. As on Windows, where the system's heap behind LocalAlloc owns them, the
 * process has one owner of local blocks: the program that hosts the plug-ins defines these
 * calls once (win_localmem.cpp, the CMake target local_memory) and exports them. A plug-in
 * only declares them: the loader binds its calls to the host's when it loads the plug-in, as
 * a DLL's calls are bound to kernel32's. So a block a plug-in allocates is one the converter
 * knows, and the owner tells a live block from its table without reading the memory a handle
 * points at.
 *
 * A handle points at the block's data, as a fixed block's handle does on Windows, so
 * plug-ins that use the handle as the address keep working. LocalSize reports exactly the
 * size asked for. A moveable block of zero bytes is a discarded block, as on Windows:
 * LocalLock gives no address for it. A handle that is no live block is refused by every
 * call: LocalLock gives NULL, LocalSize 0, and LocalFree hands it back untouched. */
#ifndef WINLAYER_POSIX_WIN_LOCALMEM_H
#define WINLAYER_POSIX_WIN_LOCALMEM_H

#include "win_types.h"

#define LMEM_FIXED 0x0000u
#define LMEM_MOVEABLE 0x0002u
#define LMEM_ZEROINIT 0x0040u
#define LHND (LMEM_MOVEABLE | LMEM_ZEROINIT)
#define LPTR (LMEM_FIXED | LMEM_ZEROINIT)

/* Bound by name across modules, whatever visibility a plug-in builds with. */
#define WINLAYER_LOCAL_API __attribute__((visibility("default")))

#ifdef __cplusplus
extern "C" {
#endif

WINLAYER_LOCAL_API HLOCAL LocalAlloc(UINT flags, SIZE_T bytes);
WINLAYER_LOCAL_API void *LocalLock(HLOCAL handle);
WINLAYER_LOCAL_API BOOL LocalUnlock(HLOCAL handle);
WINLAYER_LOCAL_API SIZE_T LocalSize(HLOCAL handle);
WINLAYER_LOCAL_API HLOCAL LocalFree(HLOCAL handle);

/* Not a Windows call: non-zero when handle is a block that LocalAlloc made and LocalFree has
 * not released. It reads only the owner's table. The converter asks this of every handle a
 * plug-in hands back. */
WINLAYER_LOCAL_API BOOL localBlockIsLive(HLOCAL handle);

#ifdef __cplusplus
}
#endif

#endif
