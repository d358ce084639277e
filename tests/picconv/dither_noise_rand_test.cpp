// The converter's own noise against the runtime's rand() itself, in a process of its own where
// nothing else draws from rand(): both start unseeded and must agree value for value.
#include <stdlib.h>

#include <vector>

#include <gtest/gtest.h>

#include "picconv/imaging/dither_noise.h"

namespace {

TEST(PicconvDitherNoise, PlatformSequenceIsRandForTenMillionValues) {
    const size_t total = 10 * 1000 * 1000 + 12345;
    // Blocks of changing sizes, as the converter draws them, with single draws between.
    std::vector<int> block(7000);
    size_t drawn = 0;
    size_t piece = 1;
    while (drawn < total) {
        piece = piece * 7 % 6997 + 1;
        const size_t count = piece < total - drawn ? piece : total - drawn;
        fillNoise(block.data(), count);
        for (size_t k = 0; k < count; k++) {
            const int expected = rand();
            ASSERT_EQ(block[k], expected) << "value " << drawn + k;
        }
        drawn += count;
        if (drawn < total) {
            const int expected = rand();
            ASSERT_EQ(nextNoise(), expected) << "value " << drawn;
            drawn++;
        }
    }
}

}  // namespace
