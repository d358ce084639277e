// The process's one owner of local memory blocks: every live block is in a table, so that
// telling a handle never reads the memory it points at.
#include "winlayer/posix/win_localmem.h"

#include <stdint.h>
#include <stdlib.h>

#include <mutex>

namespace {

// One slot of the table: open addressing, probed linearly.
struct LOCAL_SLOT_T {
    uintptr_t key;  // the handle's bits inverted, or SLOT_EMPTY, or SLOT_REMOVED
    size_t size;
    UINT flags;
};

// The keys are inverted handles so that the leak checker does not take the table for a
// reference to the blocks: a block nobody frees is still reported. No block's data sits at
// the addresses these two stand for.
const uintptr_t SLOT_EMPTY = 0;
const uintptr_t SLOT_REMOVED = 1;
const size_t FIRST_CAPACITY = 64;

// Plug-ins may allocate from threads of their own.
std::mutex g_local_mutex;
LOCAL_SLOT_T *g_local_slots = nullptr;
size_t g_local_capacity = 0;  // a power of two, or 0 before the first block
size_t g_local_live = 0;
size_t g_local_used = 0;  // live and removed slots

uintptr_t keyOf(const void *handle) {
    return ~reinterpret_cast<uintptr_t>(handle);
}

size_t firstSlot(uintptr_t key, size_t capacity) {
    const uint64_t mixed = static_cast<uint64_t>(key) * 0x9E3779B97F4A7C15ull;
    return static_cast<size_t>(mixed >> 24) & (capacity - 1);
}

// The live block's slot, or null.
LOCAL_SLOT_T *findSlot(const void *handle) {
    const uintptr_t key = keyOf(handle);
    if (handle == nullptr || key == SLOT_EMPTY || key == SLOT_REMOVED || g_local_capacity == 0) {
        return nullptr;
    }
    for (size_t at = firstSlot(key, g_local_capacity);; at = (at + 1) & (g_local_capacity - 1)) {
        if (g_local_slots[at].key == key) {
            return &g_local_slots[at];
        }
        if (g_local_slots[at].key == SLOT_EMPTY) {
            return nullptr;
        }
    }
}

void placeSlot(LOCAL_SLOT_T *slots, size_t capacity, const LOCAL_SLOT_T &slot) {
    size_t at = firstSlot(slot.key, capacity);
    while (slots[at].key != SLOT_EMPTY) {
        at = (at + 1) & (capacity - 1);
    }
    slots[at] = slot;
}

// Keeps at least a quarter of the slots empty, so that every probe ends.
bool makeRoomForOne() {
    if ((g_local_used + 1) * 4 <= g_local_capacity * 3) {
        return true;
    }
    size_t capacity = FIRST_CAPACITY;
    while ((g_local_live + 1) * 2 > capacity) {
        capacity *= 2;
    }
    LOCAL_SLOT_T *slots = static_cast<LOCAL_SLOT_T *>(calloc(capacity, sizeof *slots));
    if (slots == nullptr) {
        return false;
    }
    for (size_t at = 0; at < g_local_capacity; at++) {
        if (g_local_slots[at].key != SLOT_EMPTY && g_local_slots[at].key != SLOT_REMOVED) {
            placeSlot(slots, capacity, g_local_slots[at]);
        }
    }
    free(g_local_slots);
    g_local_slots = slots;
    g_local_capacity = capacity;
    g_local_used = g_local_live;
    return true;
}

}  // namespace

extern "C" HLOCAL LocalAlloc(UINT flags, SIZE_T bytes) {
    // At least one byte, so that an empty or discarded block has a handle of its own too.
    const size_t allocated = bytes > 0 ? bytes : 1;
    void *data = (flags & LMEM_ZEROINIT) != 0 ? calloc(1, allocated) : malloc(allocated);
    if (data == nullptr) {
        return nullptr;
    }
    std::lock_guard<std::mutex> hold(g_local_mutex);
    if (!makeRoomForOne()) {
        free(data);
        return nullptr;
    }
    placeSlot(g_local_slots, g_local_capacity, LOCAL_SLOT_T{keyOf(data), bytes, flags});
    g_local_live++;
    g_local_used++;
    return data;
}

extern "C" void *LocalLock(HLOCAL handle) {
    std::lock_guard<std::mutex> hold(g_local_mutex);
    const LOCAL_SLOT_T *slot = findSlot(handle);
    if (slot == nullptr || ((slot->flags & LMEM_MOVEABLE) != 0 && slot->size == 0)) {
        return nullptr;
    }
    return handle;
}

extern "C" BOOL LocalUnlock(HLOCAL handle) {
    (void)handle;
    return FALSE;
}

extern "C" SIZE_T LocalSize(HLOCAL handle) {
    std::lock_guard<std::mutex> hold(g_local_mutex);
    const LOCAL_SLOT_T *slot = findSlot(handle);
    return slot != nullptr ? slot->size : 0;
}

extern "C" HLOCAL LocalFree(HLOCAL handle) {
    if (handle == nullptr) {
        return nullptr;
    }
    std::lock_guard<std::mutex> hold(g_local_mutex);
    LOCAL_SLOT_T *slot = findSlot(handle);
    if (slot == nullptr) {
        // As on Windows: a handle that is no block comes back, and nothing is freed.
        return handle;
    }
    slot->key = SLOT_REMOVED;
    g_local_live--;
    free(handle);
    return nullptr;
}

extern "C" BOOL localBlockIsLive(HLOCAL handle) {
    std::lock_guard<std::mutex> hold(g_local_mutex);
    return findSlot(handle) != nullptr ? TRUE : FALSE;
}
