// The Linux layer's owner of local memory blocks against a plain model of the live blocks.
#include <stdint.h>
#include <stdlib.h>

#include <map>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "winlayer/windows_layer.h"

namespace {

struct MODEL_BLOCK_T {
    size_t size;
    UINT flags;
};

// What the owner must say of handle, given the blocks the model holds live.
void expectAsModelled(const std::map<void *, MODEL_BLOCK_T> &live, void *handle) {
    const auto found = live.find(handle);
    if (found == live.end()) {
        EXPECT_FALSE(localBlockIsLive(handle)) << handle;
        EXPECT_EQ(LocalSize(handle), 0u) << handle;
        EXPECT_EQ(LocalLock(handle), nullptr) << handle;
        return;
    }
    const bool discarded = (found->second.flags & LMEM_MOVEABLE) != 0 && found->second.size == 0;
    EXPECT_TRUE(localBlockIsLive(handle)) << handle;
    EXPECT_EQ(LocalSize(handle), found->second.size) << handle;
    EXPECT_EQ(LocalLock(handle), discarded ? nullptr : handle) << handle;
}

}  // namespace

TEST(PicconvLocalMemoryOwner, TellsLiveBlocksFromAnyOtherHandleWithoutReadingThem) {
    std::mt19937 draw(17);
    const UINT kinds[] = {LMEM_FIXED, LMEM_MOVEABLE, LPTR, LHND};
    std::map<void *, MODEL_BLOCK_T> live;
    std::vector<void *> handles;  // live ones, then freed ones: none is read by the owner
    void *plain = malloc(64);
    for (int step = 0; step < 20000; step++) {
        // Mostly allocating at first, mostly freeing later: the table grows and shrinks.
        const bool allocate = live.empty() || draw() % 100 < (step < 10000 ? 70u : 30u);
        if (allocate) {
            const UINT flags = kinds[draw() % 4];
            const size_t size = draw() % 8 == 0 ? 0 : draw() % 300;
            void *block = LocalAlloc(flags, size);
            ASSERT_NE(block, nullptr);
            if ((flags & LMEM_ZEROINIT) != 0 && size > 0) {
                const uint8_t *bytes = static_cast<uint8_t *>(block);
                EXPECT_EQ(bytes[0] | bytes[size - 1], 0) << "not zeroed";
            }
            live[block] = MODEL_BLOCK_T{size, flags};
            handles.push_back(block);
        } else {
            auto victim = std::next(live.begin(), static_cast<long>(draw() % live.size()));
            void *block = victim->first;
            live.erase(victim);
            EXPECT_EQ(LocalFree(block), nullptr);
            // A second free is refused, as on Windows: the handle comes back.
            EXPECT_EQ(LocalFree(block), block);
        }
        // A handle seen before, live or freed; a pointer into a block; plain memory; a stray
        // address; the null handle.
        void *seen = handles[draw() % handles.size()];
        expectAsModelled(live, seen);
        expectAsModelled(live, static_cast<uint8_t *>(seen) + 1 + draw() % 15);
        if (step % 1000 == 0) {
            expectAsModelled(live, plain);
            expectAsModelled(live, reinterpret_cast<void *>(0x1000));
            expectAsModelled(live, reinterpret_cast<void *>(~uintptr_t{0}));
            expectAsModelled(live, nullptr);
            for (const auto &block : live) {
                expectAsModelled(live, block.first);
            }
        }
    }
    for (const auto &block : live) {
        EXPECT_EQ(LocalFree(block.first), nullptr);
    }
    EXPECT_EQ(LocalFree(plain), plain) << "plain memory is not the owner's to free";
    free(plain);
}
