// The Linux layer's owner of local memory blocks against a plain model of the live blocks.
#include <stdint.h>
#include <stdlib.h>

#include <map>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "winlayer/windows_layer.h"

TEST(PicconvLocalMemoryOwner, TellsLiveBlocksFromAnyOtherHandleWithoutReadingThem) {
    std::mt19937 draw(17);
    const UINT kinds[] = {LMEM_FIXED, LMEM_MOVEABLE, LPTR, LHND};
    std::map<void *, std::pair<size_t, UINT>> live;  // size and flags
    std::vector<void *> seen;  // live and freed handles, never read by the owner
    void *plain = malloc(64);
    // What the owner must say of a handle, given the model.
    auto expectAsModelled = [&live](void *handle) {
        const auto found = live.find(handle);
        const size_t size = found != live.end() ? found->second.first : 0;
        const bool lockable =
            found != live.end() && (size > 0 || !(found->second.second & LMEM_MOVEABLE));
        EXPECT_EQ(localBlockIsLive(handle) != 0, found != live.end()) << handle;
        EXPECT_EQ(LocalSize(handle), size) << handle;
        EXPECT_EQ(LocalLock(handle), lockable ? handle : nullptr) << handle;
    };
    for (int step = 0; step < 20000; step++) {
        // Mostly allocating at first, mostly freeing later: the table grows, then empties.
        if (live.empty() || draw() % 100 < (step < 10000 ? 70u : 30u)) {
            const UINT flags = kinds[draw() % 4];
            const size_t size = draw() % 8 == 0 ? 0 : draw() % 300;
            uint8_t *block = static_cast<uint8_t *>(LocalAlloc(flags, size));
            ASSERT_NE(block, nullptr);
            EXPECT_TRUE(!(flags & LMEM_ZEROINIT) || size == 0 || (block[0] | block[size - 1]) == 0);
            live[block] = {size, flags};
            seen.push_back(block);
        } else {
            auto victim = std::next(live.begin(), static_cast<long>(draw() % live.size()));
            void *block = victim->first;
            live.erase(victim);
            EXPECT_EQ(LocalFree(block), nullptr);
            EXPECT_EQ(LocalFree(block), block) << "a second free is refused, as on Windows";
        }
        void *handle = seen[draw() % seen.size()];
        expectAsModelled(handle);
        expectAsModelled(static_cast<uint8_t *>(handle) + 1 + draw() % 15);
        if (step % 1000 == 0) {
            for (void *other :
                 {plain, reinterpret_cast<void *>(0x1000), reinterpret_cast<void *>(~uintptr_t{0}),
                  static_cast<void *>(nullptr)}) {
                expectAsModelled(other);
            }
            for (const auto &block : live) {
                expectAsModelled(block.first);
            }
        }
    }
    for (const auto &block : live) {
        EXPECT_EQ(LocalFree(block.first), nullptr);
    }
    EXPECT_EQ(LocalFree(plain), plain) << "plain memory is not the owner's to free";
    free(plain);
}
