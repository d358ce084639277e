// Runs the built pmbpview on hand-made files and reads its PNGs back with libpng.
#include <errno.h>
#include <signal.h>
#include <stdint.h>
#include <stdio.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <png.h>

#include "platform/files.h"
#include "tests/pmbpview/pmbp_test_file.h"
#include "tests/support/run_program.h"
#include "tests/support/test_files.h"

namespace {

using BYTES_T = std::vector<uint8_t>;
using NAMES_T = std::vector<std::string>;

class PmbpviewEndToEnd : public ::testing::Test {
   protected:
    void SetUp() override { dir = makeTempDir("pmbpview"); }
    void TearDown() override { removeTree(dir); }

    RUN_RESULT_T run(std::vector<std::string> args) {
        args.insert(args.begin(), PMBPVIEW_PATH);
        return runProgram(args, dir);
    }
    std::string path(const std::string &name) const { return dir + "/" + name; }
    void put(const std::string &name, const BYTES_T &bytes) {
        ASSERT_TRUE(writeBytes(path(name), bytes));
    }
    // The PNG as 8-bit grey, through libpng's own reader; empty when unreadable.
    BYTES_T readPng(const std::string &name, uint32_t *width, uint32_t *height) {
        png_image image = {};
        image.version = PNG_IMAGE_VERSION;
        BYTES_T pixels;
        if (png_image_begin_read_from_file(&image, path(name).c_str())) {
            image.format = PNG_FORMAT_GRAY;
            pixels.resize(PNG_IMAGE_SIZE(image));
            png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr);
        }
        *width = image.width;
        *height = image.height;
        return pixels;
    }
    std::string dir;
};

TEST_F(PmbpviewEndToEnd, ShowsTheSourceTheConverterTurnedAsStoredOrUpright) {
    // A source 3 wide and 16 high with a black top-left corner, turned as the converter
    // turns it: source (x, y) is stored at column y, row 2 - x.
    const auto source = [](uint32_t x, uint32_t y) { return x + y == 0 ? 3u : (x + 2 * y) % 3; };
    std::vector<unsigned> stored(3 * 16);
    for (uint32_t x = 0; x < 3; ++x) {
        for (uint32_t y = 0; y < 16; ++y) {
            stored[(2 - x) * 16 + y] = source(x, y);
        }
    }
    put("in.pmbp", makePmbpFile(16, 3, stored));
    put("out.png", {'o', 'l', 'd'});

    RUN_RESULT_T result = run({"in.pmbp", "out.png"});
    ASSERT_EQ(result.status, 0) << result.err;
    uint32_t width = 0;
    uint32_t height = 0;
    BYTES_T pixels = readPng("out.png", &width, &height);
    ASSERT_EQ(width * height, 16u * 3u);
    for (size_t k = 0; k < stored.size(); ++k) {
        EXPECT_EQ(pixels[k], 255 - 85 * stored[k]) << k;
    }

    result = run({"--upright", "--scale", "3", "in.pmbp", "out.png"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out + result.err, "");
    pixels = readPng("out.png", &width, &height);
    ASSERT_EQ(width, 9u);
    ASSERT_EQ(height, 48u);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            ASSERT_EQ(pixels[y * width + x], 255 - 85 * source(x / 3, y / 3)) << x << "," << y;
        }
    }
    EXPECT_EQ(listDir(dir), (NAMES_T{"in.pmbp", "out.png"}));
}

TEST_F(PmbpviewEndToEnd, RefusesBrokenFilesWritingNothing) {
    struct {
        void (*spoil)(BYTES_T *);
        const char *reason;
    } const cases[] = {
        {[](BYTES_T *f) { f->resize(12); },
         "the file has 12 bytes, too short for the 20-byte PMBP header"},
        {[](BYTES_T *f) { (*f)[0] = 'B'; }, "not a PMBP file (it does not begin with \"PMBP\")"},
        {[](BYTES_T *f) { f->pop_back(); },
         "the header gives a file size of 28 bytes, but the file has 27"},
    };
    put("old.png", {'o', 'l', 'd'});
    for (const auto &c : cases) {
        BYTES_T file = makePmbpFile(16, 2, std::vector<unsigned>(32, 1));
        c.spoil(&file);
        put("in.pmbp", file);
        for (const char *output : {"old.png", "new.png"}) {
            const RUN_RESULT_T result = run({"--upright", "in.pmbp", output});
            EXPECT_EQ(result.status, 1);
            EXPECT_EQ(result.err, std::string("pmbpview: in.pmbp: ") + c.reason + "\n");
        }
        EXPECT_EQ(listDir(dir), (NAMES_T{"in.pmbp", "old.png"}));
        EXPECT_EQ(readFile(path("old.png")), "old");
    }
}

TEST_F(PmbpviewEndToEnd, ReportsUnusableArgumentsInputsAndOutputsLeavingNothingBehind) {
    const std::string usage = "usage: pmbpview [--upright] [--scale N] in.pmbp out.png\n";
    RUN_RESULT_T result = run({"--scale", "0", "in.pmbp", "out.png"});
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err.rfind("pmbpview: --scale needs a whole number from 1 to 16\n" + usage, 0),
              0u);
    result = run({"--help"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out.rfind(usage, 0), 0u);

    result = run({"missing.pmbp", "out.png"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "pmbpview: cannot open missing.pmbp: No such file or directory\n");
    put("empty.pmbp", makePmbpFile(0, 0, {}));
    result = run({"empty.pmbp", "out.png"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err,
              "pmbpview: empty.pmbp: the picture is empty (0 x 0 pixels); a PNG cannot hold it\n");

    put("in.pmbp", makePmbpFile(8, 1, {0, 1, 2, 3, 3, 2, 1, 0}));
    result = run({"in.pmbp", "no/dir/out.png"});
    EXPECT_EQ(result.status, 3);
    EXPECT_EQ(result.err, "pmbpview: cannot create no/dir/out.png: No such file or directory\n");
    ASSERT_TRUE(std::filesystem::create_directory(path("taken.png")));
    result = run({"in.pmbp", "taken.png"});
    EXPECT_EQ(result.status, 3);
    // A folder is refused as one on Linux; the Windows runtime only denies access to it.
    FILE *probe = fopen(path("taken.png").c_str(), "wb");
    const bool deniedOnly = probe == nullptr && errno == EACCES;
    if (probe != nullptr) {
        fclose(probe);
    }
    EXPECT_EQ(result.err, deniedOnly ? "pmbpview: cannot create taken.png: Permission denied\n"
                                     : "pmbpview: cannot write taken.png: Is a directory\n");
    EXPECT_EQ(listDir(dir), (NAMES_T{"empty.pmbp", "in.pmbp", "taken.png"}));
    EXPECT_TRUE(listDir(path("taken.png")).empty());
}

// 65528 x 65535 is a gigabyte of pixels (sparse on disk). Under an address-space limit far
// below that, reading the pixels before the check would fail; the header alone must decide.
TEST_F(PmbpviewEndToEnd, APreviewTooLargeIsRefusedFromTheHeaderBeforeThePixelsAreRead) {
    if (posixShell().empty()) {
        GTEST_SKIP() << "no POSIX shell to limit pmbpview's memory";
    }
    put("huge.pmbp", makePmbpFile(65528, 65535, {}));
    std::filesystem::resize_file(path("huge.pmbp"), 20 + uint64_t{65528} * 65535 / 4);
    const auto limited = [this](const std::vector<std::string> &args) {
        std::vector<std::string> argv = {posixShell(), "-c",
                                         "ulimit -v 262144 && exec \"$0\" \"$@\"", PMBPVIEW_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        return runProgram(argv, dir);
    };
    if (limited({"--version"}).status != 0) {
        GTEST_SKIP() << "pmbpview does not start under the limit (a sanitizer's build)";
    }
    const RUN_RESULT_T result = limited({"--scale", "16", "huge.pmbp", "out.png"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err,
              "pmbpview: the preview would be 1048448 x 1048560 pixels, more than the 1000000 a "
              "side that libpng (and many viewers) take; use a smaller --scale\n");
    EXPECT_EQ(listDir(dir), (NAMES_T{"huge.pmbp"}));
}

// Each length up to 255 bytes that the folder takes (Windows also limits the whole path).
TEST_F(PmbpviewEndToEnd, OutputNamesUpToTheLongestTheSystemTakesAreWritten) {
    put("in.pmbp", makePmbpFile(8, 1, {0, 1, 2, 3, 3, 2, 1, 0}));
    int tried = 0;
    for (size_t length = 249; length <= 255; ++length) {
        const std::string name(length, 'p');
        if (!writeFile(path(name), "old")) {
            continue;
        }
        ++tried;
        const RUN_RESULT_T result = run({"in.pmbp", name});
        EXPECT_EQ(result.status, 0) << length << " " << result.err;
        uint32_t width = 0;
        uint32_t height = 0;
        EXPECT_EQ(readPng(name, &width, &height).size(), 8u) << length;
        EXPECT_EQ(listDir(dir), (NAMES_T{"in.pmbp", name})) << length;
        removeTree(path(name));
    }
    if (tried == 0) {
        GTEST_SKIP() << "no name of 249 bytes or more fits in this folder's path";
    }
}

TEST_F(PmbpviewEndToEnd, HelpAndVersionGoToStandardOutputAndTouchNoFile) {
    put("in.pmbp", makePmbpFile(8, 1, {0, 1, 2, 3, 3, 2, 1, 0}));
    const std::vector<std::string> versionRuns[] = {{"--version"},
                                                    {"--version", "missing.pmbp", "out.png"},
                                                    {"in.pmbp", "out.png", "--version"}};
    for (const std::vector<std::string> &args : versionRuns) {
        const RUN_RESULT_T result = run(args);
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.out, "pmbpview " TOOLS_VERSION "\n");
        EXPECT_EQ(result.err, "");
    }
    const std::vector<std::string> helpRuns[] = {
        {"--help"}, {"-h", "missing.pmbp", "out.png"}, {"in.pmbp", "out.png", "--help"}};
    for (const std::vector<std::string> &args : helpRuns) {
        const RUN_RESULT_T result = run(args);
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.out.rfind("usage: pmbpview [--upright] [--scale N] in.pmbp out.png\n", 0),
                  0u);
        EXPECT_NE(result.out.find("\n  --version "), std::string::npos);
        EXPECT_EQ(result.err, "");
    }
    EXPECT_EQ(listDir(dir), (NAMES_T{"in.pmbp"}));
}

TEST_F(PmbpviewEndToEnd, WritesThroughLinksAndPipesRatherThanReplacingThem) {
    put("in.pmbp", makePmbpFile(8, 1, {0, 1, 2, 3, 3, 2, 1, 0}));
    if (!makeSymlink("target.png", path("link.png"))) {
        GTEST_SKIP() << "symbolic links cannot be made here";
    }
    RUN_RESULT_T result = run({"in.pmbp", "link.png"});
    ASSERT_EQ(result.status, 0) << result.err;
    uint32_t width = 0;
    uint32_t height = 0;
    EXPECT_EQ(readPng("target.png", &width, &height).size(), 8u);
    EXPECT_EQ(pathKind(path("link.png").c_str()), PATH_LINK);

    // Held open for reading and writing, the pipe neither blocks the tool nor the test.
    const int pipe = makeOpenFifo(path("pipe.png"));
    if (pipe < 0) {
        GTEST_SKIP() << "the file system has no named pipes here";
    }
    result = run({"in.pmbp", "pipe.png"});
    EXPECT_EQ(result.status, 0) << result.err;
    char head[8] = {};
    EXPECT_EQ(read(pipe, head, sizeof head), 8);
    close(pipe);
    EXPECT_EQ(std::string(head, 4), "\x89PNG");
    EXPECT_EQ(pathKind(path("pipe.png").c_str()), PATH_OTHER);
    EXPECT_EQ(listDir(dir), (NAMES_T{"in.pmbp", "link.png", "pipe.png", "target.png"}));
}

bool hasTemporaryFile(const std::string &dir) {
    for (const std::string &name : listDir(dir)) {
        if (name.rfind("out.png.", 0) == 0) {
            return true;
        }
    }
    return false;
}

TEST_F(PmbpviewEndToEnd, AStopAtAnyMomentLeavesTheEarlierPngOrTheWholeNewOne) {
    if (!canSignalPrograms(SIGTERM) || !canSignalPrograms(SIGHUP)) {
        GTEST_SKIP() << "stop requests cannot be sent to another program here";
    }
    // Large enough that writing the PNG takes a good part of a second.
    const uint16_t width = 1024;
    const uint16_t height = 768;
    std::vector<unsigned> codes(size_t{width} * height);
    uint32_t noise = 1;
    for (unsigned &code : codes) {
        noise = noise * 1103515245u + 12345u;
        code = noise >> 30;
    }
    put("in.pmbp", makePmbpFile(width, height, codes));
    const BYTES_T old = {'o', 'l', 'd'};
    const uint32_t scale = 8;
    // Moments in milliseconds after the temporary file appeared; -1: at once after the start.
    const int moments[] = {-1, 0, 40, 200};
    int stoppedWhileWriting = 0;
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
        for (const int moment : moments) {
            SCOPED_TRACE("signal " + std::to_string(signalNumber) + " at " +
                         std::to_string(moment));
            put("out.png", old);
            const RUNNING_T running = startProgram(
                {PMBPVIEW_PATH, "--scale", std::to_string(scale), "in.pmbp", "out.png"}, dir);
            bool seen = false;
            for (int wait = 0; moment >= 0 && !seen && wait < 10000; ++wait) {
                seen = hasTemporaryFile(dir);
                std::this_thread::sleep_for(std::chrono::milliseconds(seen ? moment : 1));
            }
            const bool writing = hasTemporaryFile(dir);
            signalProgram(running, signalNumber);
            const RUN_RESULT_T result = finishProgram(running);

            EXPECT_EQ(listDir(dir), (NAMES_T{"in.pmbp", "out.png"}));
            if (readBytes(path("out.png")) == old) {
                // Stopped before the new file was whole, by our handler or (before main) by
                // the signal's own default.
                EXPECT_TRUE(result.status == 128 + signalNumber || result.signal == signalNumber)
                    << result.status << " " << result.signal;
                stoppedWhileWriting += writing && result.status == 128 + signalNumber ? 1 : 0;
            } else {
                EXPECT_TRUE(result.status == 0 || result.status == 128 + signalNumber)
                    << result.status;
                uint32_t shownWidth = 0;
                uint32_t shownHeight = 0;
                EXPECT_EQ(readPng("out.png", &shownWidth, &shownHeight).size(),
                          size_t{width} * height * scale * scale);
            }
        }
    }
    EXPECT_GE(stoppedWhileWriting, 3);
}

}  // namespace
