/* Local memory blocks. Header-only on purpose: a plug-in allocates a block and the
 * converter frees it, so both sides must agree on the layout, and both take the memory
 * from the one process-wide malloc.
 *
 * A handle points at the block's data, as a fixed block's handle does on Windows, so
 * plug-ins that use the handle as the address keep working. The size asked for sits in
 * a header just before the data; LocalSize reports exactly that. A moveable block of
 * zero bytes is a discarded block, as on Windows: LocalLock gives no address for it. */
#ifndef WINLAYER_POSIX_WIN_LOCALMEM_H
#define WINLAYER_POSIX_WIN_LOCALMEM_H

#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "win_types.h"

#define LMEM_FIXED 0x0000u
#define LMEM_MOVEABLE 0x0002u
#define LMEM_ZEROINIT 0x0040u
#define LHND (LMEM_MOVEABLE | LMEM_ZEROINIT)
#define LPTR (LMEM_FIXED | LMEM_ZEROINIT)

typedef struct LOCAL_BLOCK_HEADER_T {
    size_t size;
    unsigned int flags;
    unsigned int magic;
} LOCAL_BLOCK_HEADER_T;

#define LOCAL_BLOCK_MAGIC 0x4B4C424Cu

static inline LOCAL_BLOCK_HEADER_T *localBlockHeader(HLOCAL handle) {
    return (LOCAL_BLOCK_HEADER_T *)handle - 1;
}

static inline HLOCAL LocalAlloc(UINT flags, SIZE_T bytes) {
    if (bytes > (size_t)-1 - sizeof(LOCAL_BLOCK_HEADER_T)) {
        return NULL;
    }
    size_t total = sizeof(LOCAL_BLOCK_HEADER_T) + bytes;
    LOCAL_BLOCK_HEADER_T *header =
        (LOCAL_BLOCK_HEADER_T *)((flags & LMEM_ZEROINIT) ? calloc(1, total) : malloc(total));
    if (header == NULL) {
        return NULL;
    }
    header->size = bytes;
    header->flags = flags;
    header->magic = LOCAL_BLOCK_MAGIC;
    return header + 1;
}

static inline void *LocalLock(HLOCAL handle) {
    if (handle == NULL) {
        return NULL;
    }
    LOCAL_BLOCK_HEADER_T *header = localBlockHeader(handle);
    if ((header->flags & LMEM_MOVEABLE) && header->size == 0) {
        return NULL;
    }
    return handle;
}

static inline BOOL LocalUnlock(HLOCAL handle) {
    (void)handle;
    return FALSE;
}

static inline SIZE_T LocalSize(HLOCAL handle) {
    return handle == NULL ? 0 : localBlockHeader(handle)->size;
}

static inline HLOCAL LocalFree(HLOCAL handle) {
    if (handle != NULL) {
        /* Cleared first, so that a handle used after its release is not taken for a block. */
        localBlockHeader(handle)->magic = 0;
        free(localBlockHeader(handle));
    }
    return NULL;
}

/* Not a Windows call: non-zero when handle is a block that LocalAlloc made and LocalFree has
 * not released, with a size that fits the memory really allocated (where the C library can
 * tell). The converter asks this of every handle a plug-in hands back. */
static inline BOOL localBlockIsLive(HLOCAL handle) {
    const LOCAL_BLOCK_HEADER_T *header;
    if (handle == NULL || (uintptr_t)handle % sizeof(size_t) != 0) {
        return FALSE;
    }
    header = localBlockHeader(handle);
    if (header->magic != LOCAL_BLOCK_MAGIC || header->size > (size_t)-1 - sizeof *header) {
        return FALSE;
    }
#ifdef __GLIBC__
    if (header->size + sizeof *header > malloc_usable_size((void *)header)) {
        return FALSE;
    }
#endif
    return TRUE;
}

#endif
