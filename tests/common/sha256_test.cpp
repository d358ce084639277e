// SHA-256 against the standard's examples and digests of an independent implementation, in one
// call, in random pieces and from files.
#include "common/sha256.h"

#include <stdint.h>
#include <stdio.h>

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/test_files.h"

namespace {

// The tests' own generator (splitmix64).
uint64_t g_chooser = 256;

uint64_t choose(uint64_t below) {
    uint64_t z = (g_chooser += 0x9E3779B97F4A7C15u);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return (z ^ (z >> 31)) % below;
}

std::string hex(const uint8_t digest[SHA256_DIGEST_SIZE]) {
    std::string text;
    for (int k = 0; k < SHA256_DIGEST_SIZE; k++) {
        char pair[3];
        snprintf(pair, sizeof pair, "%02x", digest[k]);
        text += pair;
    }
    return text;
}

std::string digestOf(const std::string &message) {
    uint8_t digest[SHA256_DIGEST_SIZE];
    sha256Of(message.data(), message.size(), digest);
    return hex(digest);
}

// The message fed in random pieces, empty ones and ones of many blocks among them.
std::string digestInPieces(const std::string &message) {
    SHA256_T hash;
    sha256Init(&hash);
    for (size_t k = 0; k < message.size();) {
        const size_t piece =
            std::min<size_t>(choose(4) == 0 ? choose(5000) : choose(130), message.size() - k);
        sha256Update(&hash, message.data() + k, piece);
        k += piece;
    }
    uint8_t digest[SHA256_DIGEST_SIZE];
    sha256Final(&hash, digest);
    return hex(digest);
}

// Bytes (7i + 3) mod 256: lengths on each side of the padding's boundaries.
std::string pattern(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; i++) {
        bytes[i] = static_cast<char>((i * 7 + 3) & 0xFF);
    }
    return bytes;
}

struct VECTOR_T {
    std::string message;
    const char *digest;
};

const std::vector<VECTOR_T> &vectors() {
    static const std::vector<VECTOR_T> all = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqr"
         "lmnopqrsmnopqrstnopqrstu",
         "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
        {std::string(1000000, 'a'),
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
        {pattern(55), "e7313d333c272e639f790978283f9eb392e843d0f29b7016828bb1daa4aac70b"},
        {pattern(56), "4324d65f3c103567f5589c710bc08f8523f929a9272e3af36fc968e52abc6c27"},
        {pattern(57), "35df609437dcfea3279283ab79fd554e2bf78f8f7ae2de532d8ee300b09e8f73"},
        {pattern(63), "81c80242132f230c3bd41b3e63bbcff16107339549214a99614ff26664625055"},
        {pattern(64), "39e3d7b6b5d075d37d053ad89b24b41bef4f3c29760c84447cab3f3be1882241"},
        {pattern(65), "aacca6ff74fdbb296d165a45cecfa04e5127bc008770fbbdd48006f2d2fae95e"},
        {pattern(119), "9ce7368e4daf32341631b492e80359dc9f594b48453cd0dd5bf0b19279cc177e"},
        {pattern(120), "7836b787757e95e58b3ca5aec90b1b004e8deba1e50e9675af9cabf1a13a04b5"},
        {pattern(1000), "1e9bc38cbf860b9ec31918b065f9b52476c549a782e0e7990bed8ce3868d2371"},
    };
    return all;
}

TEST(CommonSha256, KnownDigestsInOneCallInPiecesAndFromFiles) {
    const std::string dir = makeTempDir("common-sha256");
    const std::string path = dir + "/message";
    for (const VECTOR_T &v : vectors()) {
        const std::string what = "message of " + std::to_string(v.message.size()) + " bytes";
        EXPECT_EQ(digestOf(v.message), v.digest) << what;
        EXPECT_EQ(digestInPieces(v.message), v.digest) << what;
        if (v.message.empty()) {
            // An empty buffer may come with no address, as an empty vector's does.
            uint8_t digest[SHA256_DIGEST_SIZE];
            sha256Of(nullptr, 0, digest);
            EXPECT_EQ(hex(digest), v.digest);
        }
        ASSERT_TRUE(writeFile(path, v.message));
        uint8_t digest[SHA256_DIGEST_SIZE];
        ASSERT_EQ(sha256File(path.c_str(), digest), 1) << what;
        EXPECT_EQ(hex(digest), v.digest) << what;
    }
    removeTree(dir);
}

TEST(CommonSha256, RandomMessagesInRandomPiecesGiveTheOneCallDigest) {
    for (int run = 0; run < 40; run++) {
        std::string message(choose(run < 20 ? 300 : 200000), '\0');
        for (char &c : message) {
            c = static_cast<char>(choose(256));
        }
        EXPECT_EQ(digestInPieces(message), digestOf(message)) << message.size() << " bytes";
    }
}

// A folder or a missing file has no digest: neither passes for an empty file.
TEST(CommonSha256, FilesThatCannotBeReadGiveNoDigest) {
    const std::string dir = makeTempDir("common-sha256");
    uint8_t digest[SHA256_DIGEST_SIZE];
    EXPECT_EQ(sha256File((dir + "/missing").c_str(), digest), 0);
    EXPECT_EQ(sha256File(dir.c_str(), digest), 0);
    removeTree(dir);
}

}  // namespace
