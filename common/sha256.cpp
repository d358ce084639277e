#include "common/sha256.h"

#include <stdio.h>
#include <string.h>

namespace {

// The first 32 bits of the fractional parts of the cube roots of the first 64 primes.
const uint32_t ROUND_CONSTANTS[64] = {
    0x428A2F98u, 0x71374491u, 0xB5C0FBCFu, 0xE9B5DBA5u, 0x3956C25Bu, 0x59F111F1u, 0x923F82A4u,
    0xAB1C5ED5u, 0xD807AA98u, 0x12835B01u, 0x243185BEu, 0x550C7DC3u, 0x72BE5D74u, 0x80DEB1FEu,
    0x9BDC06A7u, 0xC19BF174u, 0xE49B69C1u, 0xEFBE4786u, 0x0FC19DC6u, 0x240CA1CCu, 0x2DE92C6Fu,
    0x4A7484AAu, 0x5CB0A9DCu, 0x76F988DAu, 0x983E5152u, 0xA831C66Du, 0xB00327C8u, 0xBF597FC7u,
    0xC6E00BF3u, 0xD5A79147u, 0x06CA6351u, 0x14292967u, 0x27B70A85u, 0x2E1B2138u, 0x4D2C6DFCu,
    0x53380D13u, 0x650A7354u, 0x766A0ABBu, 0x81C2C92Eu, 0x92722C85u, 0xA2BFE8A1u, 0xA81A664Bu,
    0xC24B8B70u, 0xC76C51A3u, 0xD192E819u, 0xD6990624u, 0xF40E3585u, 0x106AA070u, 0x19A4C116u,
    0x1E376C08u, 0x2748774Cu, 0x34B0BCB5u, 0x391C0CB3u, 0x4ED8AA4Au, 0x5B9CCA4Fu, 0x682E6FF3u,
    0x748F82EEu, 0x78A5636Fu, 0x84C87814u, 0x8CC70208u, 0x90BEFFFAu, 0xA4506CEBu, 0xBEF9A3F7u,
    0xC67178F2u};

// The first 32 bits of the fractional parts of the square roots of the first 8 primes.
const uint32_t INITIAL_STATE[8] = {0x6A09E667u, 0xBB67AE85u, 0x3C6EF372u, 0xA54FF53Au,
                                   0x510E527Fu, 0x9B05688Cu, 0x1F83D9ABu, 0x5BE0CD19u};

// Read in pieces this big, so a file of any size takes no more memory.
enum { FILE_PIECE = 1 << 16 };

inline uint32_t rotateRight(uint32_t x, int n) {
    return (x >> n) | (x << (32 - n));
}

inline uint32_t loadBe32(const uint8_t *p) {
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}

inline void storeBe32(uint8_t *p, uint32_t value) {
    p[0] = static_cast<uint8_t>(value >> 24);
    p[1] = static_cast<uint8_t>(value >> 16);
    p[2] = static_cast<uint8_t>(value >> 8);
    p[3] = static_cast<uint8_t>(value);
}

// One round, written for the registers to stay put: the caller rotates the names instead of
// the values, so only d and h change.
inline void hashRound(uint32_t a, uint32_t b, uint32_t c, uint32_t &d, uint32_t e, uint32_t f,
                      uint32_t g, uint32_t &h, uint32_t constantAndWord) {
    const uint32_t sum1 = rotateRight(e, 6) ^ rotateRight(e, 11) ^ rotateRight(e, 25);
    const uint32_t choice = g ^ (e & (f ^ g));
    const uint32_t t1 = h + sum1 + choice + constantAndWord;
    const uint32_t sum0 = rotateRight(a, 2) ^ rotateRight(a, 13) ^ rotateRight(a, 22);
    const uint32_t majority = (a & b) | (c & (a | b));
    d += t1;
    h = t1 + sum0 + majority;
}

// Word t of the message schedule in place of word t - 16: the schedule keeps its last 16.
inline uint32_t scheduleWord(uint32_t w[16], int t) {
    const uint32_t w15 = w[(t - 15) & 15];
    const uint32_t w2 = w[(t - 2) & 15];
    const uint32_t s0 = rotateRight(w15, 7) ^ rotateRight(w15, 18) ^ (w15 >> 3);
    const uint32_t s1 = rotateRight(w2, 17) ^ rotateRight(w2, 19) ^ (w2 >> 10);
    w[t & 15] += s0 + w[(t - 7) & 15] + s1;
    return w[t & 15];
}

// Hashes count whole blocks at data into state, eight rounds at a time.
void compressBlocks(uint32_t state[8], const uint8_t *data, size_t count) {
    for (; count > 0; count--, data += SHA256_BLOCK_SIZE) {
        uint32_t w[16];
        for (int t = 0; t < 16; t++) {
            w[t] = loadBe32(data + 4 * t);
        }
        uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
        uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
        for (int t = 0; t < 64; t += 8) {
            uint32_t kw[8];
            for (int i = 0; i < 8; i++) {
                kw[i] = ROUND_CONSTANTS[t + i] + (t < 16 ? w[t + i] : scheduleWord(w, t + i));
            }
            hashRound(a, b, c, d, e, f, g, h, kw[0]);
            hashRound(h, a, b, c, d, e, f, g, kw[1]);
            hashRound(g, h, a, b, c, d, e, f, kw[2]);
            hashRound(f, g, h, a, b, c, d, e, kw[3]);
            hashRound(e, f, g, h, a, b, c, d, kw[4]);
            hashRound(d, e, f, g, h, a, b, c, kw[5]);
            hashRound(c, d, e, f, g, h, a, b, kw[6]);
            hashRound(b, c, d, e, f, g, h, a, kw[7]);
        }
        state[0] += a;
        state[1] += b;
        state[2] += c;
        state[3] += d;
        state[4] += e;
        state[5] += f;
        state[6] += g;
        state[7] += h;
    }
}

}  // namespace

void sha256Init(SHA256_T *hash) {
    memcpy(hash->state, INITIAL_STATE, sizeof hash->state);
    hash->length = 0;
}

void sha256Update(SHA256_T *hash, const void *data, size_t size) {
    // Nothing to feed: an empty buffer may have no address at all, which memcpy must not see.
    if (size == 0) {
        return;
    }
    const uint8_t *bytes = static_cast<const uint8_t *>(data);
    size_t waiting = hash->length % SHA256_BLOCK_SIZE;
    hash->length += size;
    if (waiting != 0) {
        const size_t taken =
            size < SHA256_BLOCK_SIZE - waiting ? size : SHA256_BLOCK_SIZE - waiting;
        memcpy(hash->block + waiting, bytes, taken);
        bytes += taken;
        size -= taken;
        waiting += taken;
        if (waiting < SHA256_BLOCK_SIZE) {
            return;
        }
        compressBlocks(hash->state, hash->block, 1);
    }
    // Whole blocks straight from the caller's bytes, without a copy.
    compressBlocks(hash->state, bytes, size / SHA256_BLOCK_SIZE);
    memcpy(hash->block, bytes + size / SHA256_BLOCK_SIZE * SHA256_BLOCK_SIZE,
           size % SHA256_BLOCK_SIZE);
}

void sha256Final(SHA256_T *hash, uint8_t digest[SHA256_DIGEST_SIZE]) {
    // A one bit, zeros up to 56 bytes into a block, the message's length in bits (big-endian).
    const uint64_t bits = hash->length * 8;
    uint8_t padding[2 * SHA256_BLOCK_SIZE] = {0x80};
    const size_t waiting = hash->length % SHA256_BLOCK_SIZE;
    const size_t padded = (waiting < 56 ? 56 : 120) - waiting;
    storeBe32(padding + padded, static_cast<uint32_t>(bits >> 32));
    storeBe32(padding + padded + 4, static_cast<uint32_t>(bits));
    sha256Update(hash, padding, padded + 8);
    for (int k = 0; k < 8; k++) {
        storeBe32(digest + 4 * k, hash->state[k]);
    }
}

void sha256Of(const void *data, size_t size, uint8_t digest[SHA256_DIGEST_SIZE]) {
    SHA256_T hash;
    sha256Init(&hash);
    sha256Update(&hash, data, size);
    sha256Final(&hash, digest);
}

int sha256File(const char *path, uint8_t digest[SHA256_DIGEST_SIZE]) {
    FILE *file = fopen(path, "rb");
    if (file == nullptr) {
        return 0;
    }
    SHA256_T hash;
    sha256Init(&hash);
    uint8_t piece[FILE_PIECE];
    size_t got;
    while ((got = fread(piece, 1, sizeof piece, file)) > 0) {
        sha256Update(&hash, piece, got);
    }
    const bool read = ferror(file) == 0;
    fclose(file);
    if (!read) {
        return 0;
    }
    sha256Final(&hash, digest);
    return 1;
}
