// Seeking the noise against drawing it value by value, for both runtimes' sequences.
#include <stdint.h>

#include <algorithm>
#include <vector>

#include <gtest/gtest.h>

#include "picconv/imaging/dither_noise.h"

namespace {

// Past the 40 words the glibc sequence keeps, so a wrongly rebuilt history shows.
const size_t COMPARED = 64;

// The tests' own generator (splitmix64): the noise under test must not share one with them.
uint64_t g_chooser = 18;

uint64_t choose(uint64_t below) {
    uint64_t z = (g_chooser += 0x9E3779B97F4A7C15u);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return (z ^ (z >> 31)) % below;
}

std::vector<int> drawValues(size_t count) {
    std::vector<int> values(count);
    fillNoise(values.data(), count);
    return values;
}

// Draws until the sequence's position is target, in blocks as the converter draws.
void stepTo(uint64_t target) {
    std::vector<int> block(1 << 16);
    while (noisePosition() < target) {
        const uint64_t left = target - noisePosition();
        fillNoiseOffsets(block.data(), left < block.size() ? left : block.size());
    }
}

struct SEEK_CASE_T {
    NOISE_SEQUENCE_T sequence;
    uint64_t farthest;  // rand() itself cannot jump, so its seeks are steps
};

// Each listed position reached by stepping from the start, then by seeking in reverse order.
TEST(PicconvDitherNoise, SeekEqualsSteppingAtListedPositions) {
    const uint64_t positions[] = {0,  1,  2,   30,          31,
                                  33, 34, 344, 1000000 + 3, (uint64_t{1} << 31) + 5};
    const SEEK_CASE_T cases[] = {{NOISE_SEQUENCE_GLIBC, UINT64_MAX},
                                 {NOISE_SEQUENCE_WINDOWS, UINT64_MAX},
                                 {NOISE_SEQUENCE_RUNTIME, 1000000 + 3}};
    for (const SEEK_CASE_T &c : cases) {
        std::vector<std::vector<int>> stepped;
        selectNoiseSequence(c.sequence);
        for (uint64_t position : positions) {
            if (position > c.farthest) {
                break;
            }
            if (noisePosition() > position) {
                selectNoiseSequence(c.sequence);
            }
            stepTo(position);
            ASSERT_EQ(noisePosition(), position);
            stepped.push_back(drawValues(COMPARED));
        }
        for (size_t k = stepped.size(); k-- > 0;) {
            seekNoise(positions[k]);
            EXPECT_EQ(noisePosition(), positions[k]);
            EXPECT_EQ(drawValues(COMPARED), stepped[k])
                << "sequence " << c.sequence << ", position " << positions[k];
            EXPECT_EQ(noisePosition(), positions[k] + COMPARED);
        }
    }
}

// count values after the current position through a random mix of nextNoise, fillNoise and
// fillNoiseOffsets; offsets are kept as -1000 + offset so they never pass for values.
std::vector<int> drawMixed(size_t count) {
    std::vector<int> drawn(count);
    for (size_t k = 0; k < count;) {
        const size_t piece = std::min<size_t>(choose(200) + 1, count - k);
        switch (choose(3)) {
            case 0:
                drawn[k] = nextNoise();
                k++;
                break;
            case 1:
                fillNoise(drawn.data() + k, piece);
                k += piece;
                break;
            default:
                fillNoiseOffsets(drawn.data() + k, piece);
                for (size_t m = k; m < k + piece; m++) {
                    drawn[m] -= 1000;
                }
                k += piece;
                break;
        }
    }
    return drawn;
}

// At random positions up to 2^40: seek(a) and b draws of any kind, then more draws, give
// what seek(a + b) gives; the mixed draws are the values seek(a) gives in one block.
TEST(PicconvDitherNoise, SeekThenDrawsEqualsSeekFartherForAnyMixOfDraws) {
    const uint64_t gaps[] = {0, 1, 3, 4, 5, 39, 40, 41, 4095, 4096, 4097, 8200};
    for (NOISE_SEQUENCE_T sequence : {NOISE_SEQUENCE_GLIBC, NOISE_SEQUENCE_WINDOWS}) {
        selectNoiseSequence(sequence);
        for (int run = 0; run < 300; run++) {
            const uint64_t a = choose(uint64_t{1} << 40);
            const uint64_t b =
                run % 2 == 0 ? gaps[choose(sizeof gaps / sizeof *gaps)] : choose(20000);
            seekNoise(a);
            const std::vector<int> mixed = drawMixed(b + COMPARED);
            ASSERT_EQ(noisePosition(), a + b + COMPARED);
            seekNoise(a + b);
            const std::vector<int> farther = drawValues(COMPARED);
            seekNoise(a);
            const std::vector<int> block = drawValues(b + COMPARED);
            for (size_t k = 0; k < block.size(); k++) {
                const int expected = mixed[k] < 0 ? ((block[k] >> 8) % 64) - 32 - 1000 : block[k];
                ASSERT_EQ(mixed[k], expected)
                    << "sequence " << sequence << ", seek " << a << ", value " << k;
            }
            ASSERT_TRUE(std::equal(farther.begin(), farther.end(), block.begin() + b))
                << "sequence " << sequence << ", seek " << a << " then " << b;
        }
    }
}

}  // namespace
