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
    uint64_t position;  // values before the next one, counted from the sequence's start
};

NOISE_STATE_T g_noise = {};

// The dithering's offset of a value, bits 8 to 13 less 32 (values are never negative, so the
// remainder by 64 is the low six bits).
int offsetOf(int value) {
    return ((value >> 8) & 63) - 32;
}

FOUR_WORDS_T loadFour(const uint32_t *words) {
    FOUR_WORDS_T four;
    memcpy(&four, words, sizeof four);
    return four;
}

// The next four words, at words[0..3], by the recurrence applied three more times,
// x[n] = x[n-12] + x[n-31] + x[n-34] + x[n-37] + x[n-40], which makes four neighbouring words
// independent; the newest word read is the four stored three steps before, whole, which the
// processor hands on without a stall.
FOUR_WORDS_T nextFour(uint32_t *words) {
    const FOUR_WORDS_T four = loadFour(words - 12) + loadFour(words - 31) + loadFour(words - 34) +
                              loadFour(words - 37) + loadFour(words - 40);
    memcpy(words, &four, sizeof four);
    return four >> 1;
}

void fillFourValues(uint32_t *words, int *values, size_t steps) {
    for (size_t s = 0; s < steps; s++, words += 4, values += 4) {
        const FOUR_WORDS_T four = nextFour(words);
        memcpy(values, &four, sizeof four);
    }
}

void fillFourOffsets(uint32_t *words, int *offsets, size_t steps) {
    for (size_t s = 0; s < steps; s++, words += 4, offsets += 4) {
        // Negative offsets travel as their two's complement bits, which memcpy hands on.
        const FOUR_WORDS_T four = ((nextFour(words) >> 8) & 63) - 32;
        memcpy(offsets, &four, sizeof four);
    }
}

// Into values, or into offsets when values is null.
void fillAdditive(NOISE_STATE_T *state, int *values, int *offsets, size_t count) {
    uint32_t *words = state->words;
    size_t n = state->next;
    size_t k = 0;
    while (k < count) {
        if (n == RUN_LENGTH) {
            memmove(words, words + RUN_LENGTH - HISTORY, HISTORY * sizeof *words);
            n = HISTORY;
        }
        if (n % 4 == 0 && count - k >= 4) {
            const size_t steps =
                (count - k) / 4 < (RUN_LENGTH - n) / 4 ? (count - k) / 4 : (RUN_LENGTH - n) / 4;
            if (values != nullptr) {
                fillFourValues(words + n, values + k, steps);
            } else {
                fillFourOffsets(words + n, offsets + k, steps);
            }
            n += 4 * steps;
            k += 4 * steps;
            continue;
        }
        const uint32_t word = words[n - ADDITIVE_SEPARATION] + words[n - ADDITIVE_DEGREE];
        words[n++] = word;
        const int value = static_cast<int>(word >> 1);
        if (values != nullptr) {
            values[k++] = value;
        } else {
            offsets[k++] = offsetOf(value);
        }
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

// A polynomial of degree below 31 with word coefficients (arithmetic mod 2^32), taken mod
// x^31 - x^28 - 1. The words past the first 31 of a fresh seeding follow that polynomial's
// recurrence, so the word n places past them is the combination of those 31 words whose
// weights are the coefficients of x^n mod the polynomial (x^31 = x^28 + 1 reduces any power).
struct ADDITIVE_POLYNOMIAL_T {
    uint32_t c[ADDITIVE_DEGREE];
};

void multiplyByX(ADDITIVE_POLYNOMIAL_T *p) {
    const uint32_t top = p->c[ADDITIVE_DEGREE - 1];
    memmove(p->c + 1, p->c, (ADDITIVE_DEGREE - 1) * sizeof *p->c);
    p->c[0] = top;
    p->c[ADDITIVE_DEGREE - ADDITIVE_SEPARATION] += top;
}

void squarePolynomial(ADDITIVE_POLYNOMIAL_T *p) {
    uint32_t product[2 * ADDITIVE_DEGREE - 1] = {};
    for (int i = 0; i < ADDITIVE_DEGREE; i++) {
        product[2 * i] += p->c[i] * p->c[i];
        const uint32_t twice = 2 * p->c[i];
        for (int j = i + 1; j < ADDITIVE_DEGREE; j++) {
            product[i + j] += twice * p->c[j];
        }
    }
    // Highest first: x^d = x^(d - 3) + x^(d - 31), and x^(d - 3) may still need reducing.
    for (int d = 2 * ADDITIVE_DEGREE - 2; d >= ADDITIVE_DEGREE; d--) {
        product[d - ADDITIVE_SEPARATION] += product[d];
        product[d - ADDITIVE_DEGREE] += product[d];
    }
    memcpy(p->c, product, sizeof p->c);
}

// A fresh seeding holds words 270 to 309 of the run, the first value being word 310's; the
// recurrence holds for every word from the 31st, so words 270 to 300 determine all later ones.
// From a fresh seeding, rebuilds the HISTORY words before value number position by
// x^position, computed by squaring.
void seekAdditive(NOISE_STATE_T *state, uint64_t position) {
    uint32_t base[ADDITIVE_DEGREE];
    memcpy(base, state->words, sizeof base);
    ADDITIVE_POLYNOMIAL_T power = {};
    power.c[0] = 1;
    for (int bit = 63; bit >= 0; bit--) {
        if (position >> bit == 0) {
            continue;
        }
        squarePolynomial(&power);
        if ((position >> bit) & 1) {
            multiplyByX(&power);
        }
    }
    for (int i = 0; i < HISTORY; i++) {
        uint32_t word = 0;
        for (int j = 0; j < ADDITIVE_DEGREE; j++) {
            word += power.c[j] * base[j];
        }
        state->words[i] = word;
        multiplyByX(&power);
    }
    state->next = HISTORY;
}

// The LCG's state before value number position: its affine step applied position times to the
// seed 1, the step's powers composed by squaring.
uint32_t seekLcg(uint64_t position) {
    uint32_t multiplier = 1;
    uint32_t increment = 0;
    uint32_t stepMultiplier = 214013u;
    uint32_t stepIncrement = 2531011u;
    for (; position != 0; position >>= 1) {
        if (position & 1) {
            multiplier *= stepMultiplier;
            increment = increment * stepMultiplier + stepIncrement;
        }
        stepIncrement += stepIncrement * stepMultiplier;
        stepMultiplier *= stepMultiplier;
    }
    return multiplier + increment;
}

int stepLcg(NOISE_STATE_T *state) {
    state->lcg = state->lcg * 214013u + 2531011u;
    return static_cast<int>((state->lcg >> 16) & 0x7FFF);
}

void start(NOISE_SEQUENCE_T sequence) {
    g_noise.sequence = sequence;
    g_noise.started = true;
    g_noise.position = 0;
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

// Into values, or into offsets when values is null.
void fill(int *values, int *offsets, size_t count) {
    if (!g_noise.started) {
        // The runtime's own sequence is already at its start: no srand() for it.
        if (platformNoiseSequence() == NOISE_SEQUENCE_RUNTIME) {
            g_noise.sequence = NOISE_SEQUENCE_RUNTIME;
            g_noise.started = true;
        } else {
            start(platformNoiseSequence());
        }
    }
    g_noise.position += count;
    if (g_noise.sequence == NOISE_SEQUENCE_GLIBC) {
        fillAdditive(&g_noise, values, offsets, count);
        return;
    }
    for (size_t k = 0; k < count; k++) {
        const int value = g_noise.sequence == NOISE_SEQUENCE_WINDOWS ? stepLcg(&g_noise) : rand();
        if (values != nullptr) {
            values[k] = value;
        } else {
            offsets[k] = offsetOf(value);
        }
    }
}

}  // namespace

void selectNoiseSequence(NOISE_SEQUENCE_T sequence) {
    start(sequence);
}

int nextNoise() {
    int value;
    fill(&value, nullptr, 1);
    return value;
}

void fillNoise(int *values, size_t count) {
    fill(values, nullptr, count);
}

void fillNoiseOffsets(int *offsets, size_t count) {
    fill(nullptr, offsets, count);
}

void seekNoise(uint64_t position) {
    start(g_noise.started ? g_noise.sequence : platformNoiseSequence());
    switch (g_noise.sequence) {
        case NOISE_SEQUENCE_GLIBC:
            seekAdditive(&g_noise, position);
            break;
        case NOISE_SEQUENCE_WINDOWS:
            g_noise.lcg = seekLcg(position);
            break;
        case NOISE_SEQUENCE_RUNTIME:
            for (uint64_t k = 0; k < position; k++) {
                rand();
            }
            break;
    }
    g_noise.position = position;
}

uint64_t noisePosition() {
    return g_noise.position;
}

int (*g_dither_random)(void) = nextNoise;

uint64_t noiseDrawsOf(const QUAD_T *outputQuad) {
    return 3u * static_cast<uint64_t>(outputQuad->w) * outputQuad->h;
}
