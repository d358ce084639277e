// Every input kept beside the fuzz targets (their seeds, and the inputs that once found a fault)
// decodes or gives an error code, through both picture entry points; the sanitizer build sees
// that nothing is read out of bounds.
#include <gtest/gtest.h>

#include "tests/plugins/spi_host.h"
#include "tests/support/test_files.h"

TEST(PluginsKeptInputs, SeedsAndFaultInputsDecodeOrGiveErrorCodes) {
    for (const char *format : {"png", "jpeg", "gif", "bmp"}) {
        const SPI_T &spi = spiNamed(std::string("if") + format);
        size_t count = 0;
        for (const char *kind : {"corpus", "regressions"}) {
            std::string dir = std::string(FUZZ_DIR) + "/" + kind + "/plugins_" + format;
            for (const std::string &name : listDir(dir)) {
                SCOPED_TRACE(dir + "/" + name);
                std::vector<uint8_t> bytes = readBytes(dir + "/" + name);
                int code = decodeMemory(spi, bytes).code;
                EXPECT_TRUE(code >= PLUGIN_OK && code <= PLUGIN_ERR_FILE_READ) << code;
                PictureInfo info;
                code =
                    spi.getPictureInfo(reinterpret_cast<LPSTR>(bytes.data()),
                                       static_cast<long>(bytes.size()), PLUGIN_INPUT_MEMORY, &info);
                EXPECT_TRUE(code >= PLUGIN_OK && code <= PLUGIN_ERR_FILE_READ) << code;
                count++;
            }
        }
        EXPECT_GT(count, 0u) << format;
    }
}
