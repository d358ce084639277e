// Every pixel a plug-in decodes from the corpus equals the reference decode of that file.
#include <gtest/gtest.h>

#include "tests/plugins/corpus.h"
#include "tests/plugins/picture_files.h"
#include "tests/plugins/spi_host.h"
#include "tests/support/test_files.h"

namespace {

bool referenceDecode(const CORPUS_FILE_T &file, RGBA_PICTURE_T *picture) {
    switch (file.reference) {
        case REFERENCE_DJPEG:
            return djpegDecode(file.path, picture);
        case REFERENCE_IMAGEMAGICK_NO_ALPHA:
            return imageMagickDecode(file.path, picture, true);
        default:
            return imageMagickDecode(file.path, picture);
    }
}

void expectCorpusDecodesAsReference(const std::string &plugin) {
    if (!haveImageMagick() || !haveDjpeg()) {
        GTEST_SKIP() << "ImageMagick or djpeg missing";
    }
    const SPI_T &spi = spiNamed(plugin);
    ASSERT_NE(spi.getPicture, nullptr);
    const std::vector<CORPUS_FILE_T> &corpus = corpusOf(plugin);
    ASSERT_GE(corpus.size(), 10u);
    for (const CORPUS_FILE_T &file : corpus) {
        SCOPED_TRACE(file.name);
        if (file.reference == REFERENCE_NONE) {
            continue;
        }
        RGBA_PICTURE_T reference;
        ASSERT_TRUE(referenceDecode(file, &reference));
        DECODED_T decoded = decodeMemory(spi, readBytes(file.path));
        ASSERT_EQ(decoded.code, PLUGIN_OK);
        EXPECT_EQ(decoded.width, reference.width);
        EXPECT_EQ(decoded.height, reference.height);
        EXPECT_LE(largestDifference(decoded.rgb, overWhiteRgb(reference)), file.tolerance);
    }
}

}  // namespace

TEST(PluginsCorpus, PngVariantsDecodeExactlyAsImageMagick) {
    expectCorpusDecodesAsReference("ifpng");
}

TEST(PluginsCorpus, JpegVariantsDecodeExactlyAsDjpeg) {
    expectCorpusDecodesAsReference("ifjpeg");
}

TEST(PluginsCorpus, GifFirstFramesDecodeExactlyAsImageMagick) {
    expectCorpusDecodesAsReference("ifgif");
}

TEST(PluginsCorpus, BmpVariantsDecodeExactlyAsImageMagick) {
    expectCorpusDecodesAsReference("ifbmp");
}
