#include "tests/plugin/plugin_test_files.h"

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "tests/support/bmp_writer.h"
#include "tests/support/process_probe.h"
#include "tests/support/test_files.h"

namespace {

enum { FILE_HEADER_SIZE = 14, INFO_HEADER_SIZE = 40, SIZE_IMAGE_OFFSET = 14 + 20 };

}  // namespace

std::string testPluginPath(const std::string &name) {
    return std::string(TEST_PLUGIN_DIR) + "/" + name + ".spi";
}

std::string line(const std::string &plugin, const std::string &picture, const std::string &out,
                 const std::string &rect, const std::string &size) {
    return testPluginPath(plugin) + "|" + picture + "|" + out + "|" + rect + "|" + size + "\n";
}

std::string makePpm(int width, int height, int seed) {
    std::string ppm = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
    for (int y = 0; y < height; y++) {
        for (int x = 0; x < width; x++) {
            ppm += static_cast<char>((x * 37 + y * 11 + seed) & 0xFF);
            ppm += static_cast<char>((x * 5 + y * 73 + seed * 3) & 0xFF);
            ppm += static_cast<char>((x * y + seed * 7) & 0xFF);
        }
    }
    return ppm;
}

std::string bitmapFileHeader(unsigned int fileSize, unsigned int pixelOffset) {
    std::vector<uint8_t> header = {'B', 'M'};
    putLe32(header, fileSize);
    putLe32(header, 0);
    putLe32(header, pixelOffset);
    return std::string(header.begin(), header.end());
}

std::string expectedBitmap(const std::string &ppm, BITMAP_PARTS_T parts, bool inverted) {
    if (parts == HEADER_ONLY) {
        return bitmapFileHeader(FILE_HEADER_SIZE, FILE_HEADER_SIZE);
    }
    int width = 0;
    int height = 0;
    int consumed = 0;
    sscanf(ppm.c_str(), "P6 %d %d 255%n", &width, &height, &consumed);
    const uint8_t *rgb = reinterpret_cast<const uint8_t *>(ppm.data()) + consumed + 1;
    BMP_LAYOUT_T layout;
    layout.width = width;
    layout.height = height;
    layout.bits = 24;
    for (size_t i = 0; i < static_cast<size_t>(width) * height; i++) {
        uint32_t colour =
            (static_cast<uint32_t>(rgb[3 * i]) << 16) | (rgb[3 * i + 1] << 8) | rgb[3 * i + 2];
        layout.values.push_back(inverted ? colour ^ 0xFFFFFF : colour);
    }
    std::vector<uint8_t> file = writeBmp(layout);
    const size_t pixelBytes = file.size() - FILE_HEADER_SIZE - INFO_HEADER_SIZE;
    // The test plug-in fills in the size of the pixel rows, which the writer leaves 0.
    std::vector<uint8_t> sizeField;
    putLe32(sizeField, static_cast<uint32_t>(pixelBytes));
    std::copy(sizeField.begin(), sizeField.end(), file.begin() + SIZE_IMAGE_OFFSET);
    const std::string bytes(file.begin(), file.end());
    if (parts == PIXELS_ONLY) {
        return bitmapFileHeader(FILE_HEADER_SIZE + pixelBytes, FILE_HEADER_SIZE) +
               bytes.substr(FILE_HEADER_SIZE + INFO_HEADER_SIZE);
    }
    return bytes;
}

void PicconvPluginTest::SetUp() {
    previousDir = std::filesystem::current_path().string();
    dir = makeTempDir("plugin-test");
    const char *inherited = getenv("TEST_PLUGIN_LOG");
    logPath = inherited != nullptr ? inherited : dir + ".log";
    std::filesystem::current_path(dir);
    setEnvironment("TEST_PLUGIN_LOG", logPath.c_str());
}

void PicconvPluginTest::TearDown() {
    setEnvironment("TEST_PLUGIN_LOG", nullptr);
    std::filesystem::current_path(previousDir);
    removeTree(dir);
    removeTree(logPath);
}

std::string PicconvPluginTest::copyOf(const std::string &name) const {
    const std::string copy = at(name + ".spi");
    if (!fileExists(copy)) {
        std::filesystem::copy_file(testPluginPath(name), copy);
    }
    return copy;
}

std::vector<std::string> PicconvPluginTest::log() const {
    return readLines(logPath);
}

long PicconvPluginTest::logged(const std::string &entry) const {
    const std::vector<std::string> lines = log();
    return std::count(lines.begin(), lines.end(), entry);
}

// Only the end-to-end tests run picconv, and only where it is built.
#ifdef PICCONV
RUN_RESULT_T PicconvPluginTest::runWith(const std::vector<std::string> &words,
                                        const std::vector<std::string> &env) {
    std::vector<std::string> argv = {PICCONV};
    argv.insert(argv.end(), words.begin(), words.end());
    return runProgram(argv, dir, env);
}

RUN_RESULT_T PicconvPluginTest::run(const std::string &commands,
                                    const std::vector<std::string> &options,
                                    const std::vector<std::string> &env) {
    return finishProgram(start(commands, options, env));
}

RUNNING_T PicconvPluginTest::start(const std::string &commands,
                                   const std::vector<std::string> &options,
                                   const std::vector<std::string> &env) {
    writeFile(at("commands.txt"), commands);
    std::vector<std::string> argv = {PICCONV};
    argv.insert(argv.end(), options.begin(), options.end());
    argv.push_back("commands.txt");
    return startProgram(argv, dir, env);
}
#endif
