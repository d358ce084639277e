// SHA-256 (FIPS 180-4): the content hash that recognises pictures, plug-ins and outputs.
#ifndef COMMON_SHA256_H
#define COMMON_SHA256_H

#include <stddef.h>
#include <stdint.h>

enum { SHA256_DIGEST_SIZE = 32, SHA256_BLOCK_SIZE = 64 };

// A hash in progress: start it with sha256Init, feed it with sha256Update, end it with
// sha256Final. A plain record: it may be copied to hash two continuations of one prefix.
struct SHA256_T {
    uint32_t state[8];
    uint64_t length;                   // bytes fed so far
    uint8_t block[SHA256_BLOCK_SIZE];  // the last length % 64 of them, waiting for a whole block
};

void sha256Init(SHA256_T *hash);

// Feeds size bytes; any split of a message into updates gives the same digest.
void sha256Update(SHA256_T *hash, const void *data, size_t size);

// The digest of everything fed. The record must be started again before more use.
void sha256Final(SHA256_T *hash, uint8_t digest[SHA256_DIGEST_SIZE]);

// The digest of size bytes at data.
void sha256Of(const void *data, size_t size, uint8_t digest[SHA256_DIGEST_SIZE]);

// The digest of the whole file at path: 1, or 0 when it cannot be opened or read to its end
// (digest then undefined). Opening waits as fopen does, so the caller checks what path is first.
int sha256File(const char *path, uint8_t digest[SHA256_DIGEST_SIZE]);

#endif
