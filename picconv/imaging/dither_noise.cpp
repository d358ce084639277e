#include "picconv/imaging/dither_noise.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

namespace {

// glibc's TYPE_3 generator: seeded, a table of 31 words in which each step adds the word three
// places back into the current one; the value is the new word without its lowest bit. Past the
// seeding the words x[n] simply follow x[n] = x[n - 3] + x[n - 31] (mod 2^32), so they are kept
// as one run, HISTORY words back being all the recurrence needs.
enum { ADDITIVE_DEGREE = 31, ADDITIVE_SEPARATION = 3, ADDITIVE_DISCARDED = 310 };
enum { HISTORY = 40, RUN_LENGTH = HISTORY + 4096 };

// Four words at once (GCC and Clang vectors: SSE2 on x86, plain code where there is none).
typedef uint32_t FOUR_WORDS_T __attribute__((vector_size(16)));

struct NOISE_STATE_T {
    bool started;
    NOISE_SEQUENCE_T sequence;
    uint32_t words[RUN_LENGTH];  // words[next - 1] is the newest
    size_t next;
    uint32_t lcg;
};

NOISE_STATE_T g_noise = {};

// A value as the caller wants it: the value itself, or the dithering's offset, bits 8 to 13
// less 32 (values are never negative, so the remainder by 64 is the low six bits).
uint32_t deliver(uint32_t word, bool offsets) {
    const uint32_t value = word >> 1;
    return offsets ? ((value >> 8) & 63) - 32 : value;
}

FOUR_WORDS_T deliverFour(FOUR_WORDS_T words, bool offsets) {
    const FOUR_WORDS_T values = words >> 1;
    return offsets ? ((values >> 8) & 63) - 32 : values;
}

FOUR_WORDS_T loadFour(const uint32_t *words) {
    FOUR_WORDS_T four;
    memcpy(&four, words, sizeof four);
    return four;
}

// Negative offsets travel as their two's complement bits, which memcpy hands to the ints.
void fillAdditive(NOISE_STATE_T *state, int *values, size_t count, bool offsets) {
    uint32_t *words = state->words;
    size_t n = state->next;
    size_t k = 0;
    while (k < count) {
        if (n == RUN_LENGTH) {
            memmove(words, words + RUN_LENGTH - HISTORY, HISTORY * sizeof *words);
            n = HISTORY;
        }
        // The recurrence applied three more times, x[n] = x[n-12] + x[n-31] + x[n-34] +
        // x[n-37] + x[n-40], makes four neighbouring words independent; the newest word read is
        // the four stored three steps before, whole, which the processor hands on quickly.
        if (n % 4 == 0) {
            for (; count - k >= 4 && n < RUN_LENGTH; n += 4, k += 4) {
                const FOUR_WORDS_T four = loadFour(words + n - 12) + loadFour(words + n - 31) +
                                          loadFour(words + n - 34) + loadFour(words + n - 37) +
                                          loadFour(words + n - 40);
                memcpy(words + n, &four, sizeof four);
                const FOUR_WORDS_T delivered = deliverFour(four, offsets);
                memcpy(values + k, &delivered, sizeof delivered);
            }
            if (k == count || n == RUN_LENGTH) {
                continue;
            }
        }
        const uint32_t word = words[n - ADDITIVE_SEPARATION] + words[n - ADDITIVE_DEGREE];
        words[n++] = word;
        const uint32_t value = deliver(word, offsets);
        memcpy(values + k++, &value, sizeof value);
    }
    state->next = n;
}

// srandom(1): the words come from the minimal standard generator (16807 x mod 2^31 - 1, by
// Schrage's method), then the first 310 values are thrown away.
void seedAdditive(NOISE_STATE_T *state) {
    uint32_t table[ADDITIVE_DEGREE];
    int64_t word = 1;
    table[0] = 1;
    for (int i = 1; i < ADDITIVE_DEGREE; i++) {
        const int64_t hi = word / 127773;
        const int64_t lo = word % 127773;
        word = 16807 * lo - 2836 * hi;
        if (word < 0) {
            word += 2147483647;
        }
        table[i] = static_cast<uint32_t>(word);
    }
    int front = ADDITIVE_SEPARATION;
    int rear = 0;
    uint32_t discarded[ADDITIVE_DISCARDED];
    for (int i = 0; i < ADDITIVE_DISCARDED; i++) {
        table[front] += table[rear];
        discarded[i] = table[front];
        front = front == ADDITIVE_DEGREE - 1 ? 0 : front + 1;
        rear = rear == ADDITIVE_DEGREE - 1 ? 0 : rear + 1;
    }
    memcpy(state->words, discarded + ADDITIVE_DISCARDED - HISTORY, HISTORY * sizeof(uint32_t));
    state->next = HISTORY;
}

int stepLcg(NOISE_STATE_T *state) {
    state->lcg = state->lcg * 214013u + 2531011u;
    return static_cast<int>((state->lcg >> 16) & 0x7FFF);
}

void start(NOISE_SEQUENCE_T sequence) {
    g_noise.sequence = sequence;
    g_noise.started = true;
    switch (sequence) {
        case NOISE_SEQUENCE_GLIBC:
            seedAdditive(&g_noise);
            break;
        case NOISE_SEQUENCE_WINDOWS:
            g_noise.lcg = 1;
            break;
        case NOISE_SEQUENCE_RUNTIME:
            srand(1);
            break;
    }
}

void fill(int *values, size_t count, bool offsets) {
    if (!g_noise.started) {
        // The runtime's own sequence is already at its start: no srand() for it.
        if (platformNoiseSequence() == NOISE_SEQUENCE_RUNTIME) {
            g_noise.sequence = NOISE_SEQUENCE_RUNTIME;
            g_noise.started = true;
        } else {
            start(platformNoiseSequence());
        }
    }
    switch (g_noise.sequence) {
        case NOISE_SEQUENCE_GLIBC:
            fillAdditive(&g_noise, values, count, offsets);
            return;
        case NOISE_SEQUENCE_WINDOWS:
            for (size_t k = 0; k < count; k++) {
                values[k] = stepLcg(&g_noise);
            }
            break;
        case NOISE_SEQUENCE_RUNTIME:
            for (size_t k = 0; k < count; k++) {
                values[k] = rand();
            }
            break;
    }
    if (offsets) {
        for (size_t k = 0; k < count; k++) {
            values[k] = ((values[k] >> 8) & 63) - 32;
        }
    }
}

}  // namespace

void selectNoiseSequence(NOISE_SEQUENCE_T sequence) {
    start(sequence);
}

int nextNoise() {
    int value;
    fill(&value, 1, false);
    return value;
}

void fillNoise(int *values, size_t count) {
    fill(values, count, false);
}

void fillNoiseOffsets(int *offsets, size_t count) {
    fill(offsets, count, true);
}
