// The interface as a host sees it, for each of the four plug-ins.
#include <fcntl.h>
#include <string.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/plugins/corpus.h"
#include "tests/plugins/picture_files.h"
#include "tests/plugins/spi_host.h"
#include "tests/support/test_files.h"

namespace {

const char *const PLUGINS[] = {"ifbmp", "ifpng", "ifjpeg", "ifgif"};

// A sample of each plug-in's format, and its size.
struct SAMPLE_T {
    std::string path;
    int32_t width;
    int32_t height;
};

SAMPLE_T sampleOf(const std::string &plugin) {
    const CORPUS_FILE_T &file = corpusOf(plugin).front();
    return {file.path, 37, 23};
}

struct PROGRESS_LOG_T {
    int calls = 0;
    int lastNum = -1;
    int lastDenom = -1;
    bool rising = true;
    int stopAt = -1;  // call that asks to stop
};

int WINAPI logProgress(int num, int denom, PLUGIN_LONG_T data) {
    PROGRESS_LOG_T *log = reinterpret_cast<PROGRESS_LOG_T *>(data);
    log->rising = log->rising && num >= log->lastNum && num <= denom;
    log->lastNum = num;
    log->lastDenom = denom;
    log->calls++;
    return log->calls == log->stopAt ? 1 : 0;
}

FARPROC asFarproc(PLUGIN_PROGRESS_T callback) {
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)(void)>(callback));
}

class PluginsEntryPoints : public testing::Test {
   protected:
    void SetUp() override {
        if (!haveImageMagick()) {
            GTEST_SKIP() << "ImageMagick missing";
        }
    }
};

}  // namespace

TEST_F(PluginsEntryPoints, PluginInfoTextsAreTruncatedAndAlwaysTerminated) {
    for (const char *name : PLUGINS) {
        SCOPED_TRACE(name);
        const SPI_T &spi = spiNamed(name);
        char text[256];
        EXPECT_EQ(spi.getPluginInfo(0, text, sizeof text), 4);
        EXPECT_STREQ(text, "00IN");
        for (int infono = 1; infono <= 3; infono++) {
            EXPECT_GT(spi.getPluginInfo(infono, text, sizeof text), 0) << infono;
            EXPECT_EQ(strlen(text), static_cast<size_t>(spi.getPluginInfo(infono, text, 256)));
        }
        EXPECT_EQ(spi.getPluginInfo(4, text, sizeof text), 0) << "one format only";
        memset(text, 'x', sizeof text);
        EXPECT_EQ(spi.getPluginInfo(1, text, 6), 5);
        EXPECT_EQ(text[5], '\0');
        EXPECT_EQ(text[6], 'x');
        memset(text, 'x', sizeof text);
        EXPECT_EQ(spi.getPluginInfo(0, text, 1), 0);
        EXPECT_EQ(text[0], '\0');
        EXPECT_EQ(spi.getPluginInfo(0, text, 0), 0);
        EXPECT_EQ(text[1], 'x');
        EXPECT_EQ(spi.getPluginInfo(0, nullptr, 10), 0);
    }
    char filter[64];
    spiNamed("ifjpeg").getPluginInfo(2, filter, sizeof filter);
    EXPECT_NE(strstr(filter, "*.jpg"), nullptr);
}

TEST_F(PluginsEntryPoints, IsSupportedKnowsItsOwnFormatByHeadOrByHandle) {
    for (const char *name : PLUGINS) {
        for (const char *other : PLUGINS) {
            SCOPED_TRACE(std::string(name) + " asked about " + other);
            const SPI_T &spi = spiNamed(name);
            std::string path = sampleOf(other).path;
            std::vector<uint8_t> head = readBytes(path);
            head.resize(PLUGIN_HEAD_SIZE, 0);
            int expected = strcmp(name, other) == 0 ? 1 : 0;
            EXPECT_EQ(spi.isSupported(&path[0], reinterpret_cast<PLUGIN_DW_T>(head.data())) != 0,
                      expected != 0);
            int fd = open(path.c_str(), O_RDONLY);
            ASSERT_GE(fd, 0);
            EXPECT_EQ(spi.isSupported(&path[0], static_cast<PLUGIN_DW_T>(osHandleOf(fd))) != 0,
                      expected != 0);
            EXPECT_EQ(lseek(fd, 0, SEEK_CUR), 0) << "the handle's position is kept";
            close(fd);
        }
    }
}

TEST_F(PluginsEntryPoints, PictureInfoFromFileAtOffsetAndFromMemory) {
    for (const char *name : PLUGINS) {
        SCOPED_TRACE(name);
        const SPI_T &spi = spiNamed(name);
        SAMPLE_T sample = sampleOf(name);
        std::vector<uint8_t> bytes = readBytes(sample.path);
        std::vector<uint8_t> wrapped(1000, 'J');
        wrapped.insert(wrapped.end(), bytes.begin(), bytes.end());
        std::string wrappedPath = sample.path + ".wrapped";
        writeBytes(wrappedPath, wrapped);

        PictureInfo info;
        memset(&info, 0x55, sizeof info);
        ASSERT_EQ(spi.getPictureInfo(&wrappedPath[0], 1000, PLUGIN_INPUT_FILE, &info), PLUGIN_OK);
        EXPECT_EQ(static_cast<int32_t>(info.left), 0);
        EXPECT_EQ(static_cast<int32_t>(info.top), 0);
        EXPECT_EQ(static_cast<int32_t>(info.width), sample.width);
        EXPECT_EQ(static_cast<int32_t>(info.height), sample.height);
        EXPECT_GT(static_cast<int>(info.colorDepth), 0);
        HLOCAL comments = info.hInfo;  // the record is packed: no reference to the field
        EXPECT_EQ(comments, nullptr);
        PictureInfo fromMemory;
        ASSERT_EQ(
            spi.getPictureInfo(reinterpret_cast<LPSTR>(bytes.data()),
                               static_cast<long>(bytes.size()), PLUGIN_INPUT_MEMORY, &fromMemory),
            PLUGIN_OK);
        EXPECT_EQ(memcmp(&info, &fromMemory, sizeof info), 0);
        EXPECT_EQ(spi.getPictureInfo(&wrappedPath[0], 0, PLUGIN_INPUT_FILE, &info),
                  PLUGIN_ERR_UNKNOWN_FORMAT);
    }
}

TEST_F(PluginsEntryPoints, PictureFromFileAtOffsetEqualsPictureFromMemory) {
    for (const char *name : PLUGINS) {
        SCOPED_TRACE(name);
        const SPI_T &spi = spiNamed(name);
        SAMPLE_T sample = sampleOf(name);
        std::vector<uint8_t> bytes = readBytes(sample.path);
        std::vector<uint8_t> wrapped(333, 0);
        wrapped.insert(wrapped.end(), bytes.begin(), bytes.end());
        wrapped.insert(wrapped.end(), 100, 0xEE);
        std::string wrappedPath = sample.path + ".wrapped";
        writeBytes(wrappedPath, wrapped);
        DECODED_T fromFile = decodeFile(spi, wrappedPath, 333);
        DECODED_T fromMemory = decodeMemory(spi, bytes);
        ASSERT_EQ(fromFile.code, PLUGIN_OK);
        EXPECT_EQ(fromFile.width, sample.width);
        EXPECT_EQ(fromFile.rgb, fromMemory.rgb);
        EXPECT_EQ(decodeFile(spi, sample.path, 0).rgb, fromMemory.rgb);
    }
}

TEST_F(PluginsEntryPoints, InputProblemsGiveTheirCodes) {
    for (const char *name : PLUGINS) {
        SCOPED_TRACE(name);
        const SPI_T &spi = spiNamed(name);
        std::string path = sampleOf(name).path;
        EXPECT_EQ(decodeFile(spi, scratchDir() + "/no such file", 0).code, PLUGIN_ERR_FILE_READ);
        EXPECT_EQ(decodeFile(spi, scratchDir(), 0).code, PLUGIN_ERR_FILE_READ) << "a folder";
        PictureInfo facts;
        std::string folder = scratchDir();
        EXPECT_EQ(spi.getPictureInfo(&folder[0], 0, PLUGIN_INPUT_FILE, &facts),
                  PLUGIN_ERR_FILE_READ);
        EXPECT_EQ(decodeFile(spi, path, -5).code, PLUGIN_ERR_FILE_READ);
        EXPECT_EQ(decodeFile(spi, path, 1 << 20).code, PLUGIN_ERR_UNKNOWN_FORMAT) << "past the end";
        std::vector<uint8_t> text = {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '\n'};
        EXPECT_EQ(decodeMemory(spi, text).code, PLUGIN_ERR_UNKNOWN_FORMAT);
        HANDLE info = reinterpret_cast<HANDLE>(1), pixels = reinterpret_cast<HANDLE>(1);
        EXPECT_EQ(spi.getPicture(&path[0], 0, 2, &info, &pixels, nullptr, 0),
                  PLUGIN_ERR_UNKNOWN_FORMAT)
            << "unknown input kind";
        EXPECT_EQ(info, nullptr);
        EXPECT_EQ(pixels, nullptr);
    }
}

TEST_F(PluginsEntryPoints, ProgressIsReportedPerRowAndStopsOnRequest) {
    for (const char *name : PLUGINS) {
        SCOPED_TRACE(name);
        const SPI_T &spi = spiNamed(name);
        std::vector<uint8_t> bytes = readBytes(sampleOf(name).path);
        PROGRESS_LOG_T log;
        DECODED_T decoded =
            decodeMemory(spi, bytes, asFarproc(logProgress), reinterpret_cast<PLUGIN_LONG_T>(&log));
        ASSERT_EQ(decoded.code, PLUGIN_OK);
        EXPECT_GE(log.calls, decoded.height);
        EXPECT_TRUE(log.rising);
        EXPECT_EQ(log.lastNum, log.lastDenom);

        PROGRESS_LOG_T stopping;
        stopping.stopAt = 3;
        decoded = decodeMemory(spi, bytes, asFarproc(logProgress),
                               reinterpret_cast<PLUGIN_LONG_T>(&stopping));
        EXPECT_EQ(decoded.code, PLUGIN_ERR_ABORTED);
        EXPECT_EQ(stopping.calls, 3);
    }
}

TEST_F(PluginsEntryPoints, NoPreviewAndNothingToConfigure) {
    for (const char *name : PLUGINS) {
        SCOPED_TRACE(name);
        const SPI_T &spi = spiNamed(name);
        std::string path = sampleOf(name).path;
        HANDLE info = nullptr, pixels = nullptr;
        EXPECT_EQ(spi.getPreview(&path[0], 0, PLUGIN_INPUT_FILE, &info, &pixels, nullptr, 0),
                  PLUGIN_ERR_NOT_IMPLEMENTED);
        EXPECT_EQ(info, nullptr);
        EXPECT_EQ(spi.configurationDlg(nullptr, 0), PLUGIN_OK);
        EXPECT_EQ(spi.configurationDlg(nullptr, 1), PLUGIN_OK);
        EXPECT_EQ(spi.configurationDlg(nullptr, 2), PLUGIN_ERR_NOT_IMPLEMENTED);
    }
}
