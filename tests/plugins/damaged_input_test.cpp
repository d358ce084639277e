// Every corpus file cut short or with a byte spoilt gives an error code, never a crash or a
// read out of bounds (the sanitizer build sees to the latter).
#include <set>

#include <gtest/gtest.h>

#include "tests/plugins/corpus.h"
#include "tests/plugins/picture_files.h"
#include "tests/plugins/spi_host.h"
#include "tests/support/test_files.h"

namespace {

// Every offset of the first 40 bytes (the headers), then 40 spread over the rest, then the
// last few.
std::set<size_t> damageOffsets(size_t size) {
    std::set<size_t> offsets;
    for (size_t i = 0; i < 40 && i < size; i++) {
        offsets.insert(i);
    }
    for (size_t i = 1; i <= 40; i++) {
        offsets.insert(size * i / 41);
    }
    for (size_t back = 1; back <= 4 && back <= size; back++) {
        offsets.insert(size - back);
    }
    return offsets;
}

bool isErrorCode(int code) {
    return code == PLUGIN_ERR_UNKNOWN_FORMAT || code == PLUGIN_ERR_BROKEN_DATA ||
           code == PLUGIN_ERR_NO_MEMORY || code == PLUGIN_ERR_FILE_READ;
}

void expectDamageIsReported(const std::string &plugin) {
    if (!haveImageMagick()) {
        GTEST_SKIP() << "ImageMagick missing";
    }
    const SPI_T &spi = spiNamed(plugin);
    ASSERT_NE(spi.getPicture, nullptr);
    size_t decodes = 0;
    for (const CORPUS_FILE_T &file : corpusOf(plugin)) {
        SCOPED_TRACE(file.name);
        std::vector<uint8_t> whole = readBytes(file.path);
        ASSERT_FALSE(whole.empty());
        for (size_t offset : damageOffsets(whole.size())) {
            std::vector<uint8_t> cut(whole.begin(), whole.begin() + static_cast<long>(offset));
            DECODED_T decoded = decodeMemory(spi, cut);
            if (offset + file.slack < whole.size()) {
                EXPECT_TRUE(isErrorCode(decoded.code))
                    << "cut at " << offset << ": " << decoded.code;
            } else {
                EXPECT_TRUE(decoded.code == PLUGIN_OK || isErrorCode(decoded.code)) << offset;
            }
            for (uint8_t spoilt : {uint8_t(0x00), uint8_t(0xFF), uint8_t(whole[offset] ^ 0x55)}) {
                std::vector<uint8_t> damaged(whole);
                damaged[offset] = spoilt;
                decoded = decodeMemory(spi, damaged);
                EXPECT_TRUE(decoded.code == PLUGIN_OK || isErrorCode(decoded.code))
                    << "byte " << offset << " set to " << int(spoilt) << ": " << decoded.code;
            }
            decodes += 4;
        }
    }
    testing::Test::RecordProperty("decodes", static_cast<int>(decodes));
}

}  // namespace

TEST(PluginsDamagedInput, CutOrSpoiltPngGivesErrorCodes) {
    expectDamageIsReported("ifpng");
}

TEST(PluginsDamagedInput, CutOrSpoiltJpegGivesErrorCodes) {
    expectDamageIsReported("ifjpeg");
}

TEST(PluginsDamagedInput, CutOrSpoiltGifGivesErrorCodes) {
    expectDamageIsReported("ifgif");
}

TEST(PluginsDamagedInput, CutOrSpoiltBmpGivesErrorCodes) {
    expectDamageIsReported("ifbmp");
}
