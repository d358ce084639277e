// Runs the built pmbpview on hand-made files and reads its PNGs back with libpng.
#include <gtest/gtest.h>
#include <png.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "pmbp_test_file.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

struct RUN_T {
    int status;
    std::string out, err;
};

std::string slurp(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class PmbpviewRun : public ::testing::Test {
   protected:
    void SetUp() override {
        std::string path = (fs::temp_directory_path() / "pmbpview-XXXXXX").string();
        ASSERT_NE(mkdtemp(&path[0]), nullptr);
        dir = path;
        fs::create_directory(dir / "work");
    }
    void TearDown() override { fs::remove_all(dir); }

    // Runs in dir/work; captured streams stay outside it so its listing is exact.
    RUN_T run(const std::string &args) {
        const std::string command = "cd '" + (dir / "work").string() + "' && '" PMBPVIEW_PATH "' " +
                                    args + " >../out 2>../err";
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurp(dir / "out"),
                slurp(dir / "err")};
    }
    void put(const std::string &name, const Bytes &bytes) {
        std::ofstream(dir / "work" / name, std::ios::binary)
            .write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
    }
    std::vector<std::string> names() {
        std::vector<std::string> found;
        for (const auto &entry : fs::directory_iterator(dir / "work")) {
            found.push_back(entry.path().filename().string());
        }
        std::sort(found.begin(), found.end());
        return found;
    }
    // The PNG as 8-bit grey, through libpng's own reader; empty when unreadable.
    Bytes readPng(const std::string &name, uint32_t *width, uint32_t *height) {
        png_image image = {};
        image.version = PNG_IMAGE_VERSION;
        Bytes pixels;
        if (png_image_begin_read_from_file(&image, (dir / "work" / name).c_str())) {
            image.format = PNG_FORMAT_GRAY;
            pixels.resize(PNG_IMAGE_SIZE(image));
            png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr);
        }
        *width = image.width;
        *height = image.height;
        return pixels;
    }
    fs::path dir;
};

TEST_F(PmbpviewRun, ShowsTheSourceTheConverterTurnedAsStoredOrUpright) {
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

    RUN_T result = run("in.pmbp out.png");
    ASSERT_EQ(result.status, 0) << result.err;
    uint32_t width = 0;
    uint32_t height = 0;
    Bytes pixels = readPng("out.png", &width, &height);
    ASSERT_EQ(width * height, 16u * 3u);
    for (size_t k = 0; k < stored.size(); ++k) {
        EXPECT_EQ(pixels[k], 255 - 85 * stored[k]) << k;
    }

    result = run("--upright --scale 3 in.pmbp out.png");
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
    EXPECT_EQ(names(), (std::vector<std::string>{"in.pmbp", "out.png"}));
}

TEST_F(PmbpviewRun, RefusesBrokenFilesWritingNothing) {
    struct {
        void (*spoil)(Bytes *);
        const char *reason;
    } const cases[] = {
        {[](Bytes *f) { f->resize(12); },
         "the file has 12 bytes, too short for the 20-byte PMBP header"},
        {[](Bytes *f) { (*f)[0] = 'B'; }, "not a PMBP file (it does not begin with \"PMBP\")"},
        {[](Bytes *f) { f->pop_back(); },
         "the header gives a file size of 28 bytes, but the file has 27"},
    };
    put("old.png", {'o', 'l', 'd'});
    for (const auto &c : cases) {
        Bytes file = makePmbpFile(16, 2, std::vector<unsigned>(32, 1));
        c.spoil(&file);
        put("in.pmbp", file);
        for (const char *output : {"old.png", "new.png"}) {
            const RUN_T result = run(std::string("--upright in.pmbp ") + output);
            EXPECT_EQ(result.status, 1);
            EXPECT_EQ(result.err, std::string("pmbpview: in.pmbp: ") + c.reason + "\n");
        }
        EXPECT_EQ(names(), (std::vector<std::string>{"in.pmbp", "old.png"}));
        EXPECT_EQ(slurp(dir / "work" / "old.png"), "old");
    }
}

TEST_F(PmbpviewRun, ReportsUnusableArgumentsInputsAndOutputsLeavingNothingBehind) {
    const std::string usage = "usage: pmbpview [--upright] [--scale N] in.pmbp out.png\n";
    RUN_T result = run("--scale 0 in.pmbp out.png");
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err.rfind("pmbpview: --scale needs a whole number from 1 to 16\n" + usage, 0),
              0u);
    result = run("--help");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out.rfind(usage, 0), 0u);

    result = run("missing.pmbp out.png");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "pmbpview: cannot open missing.pmbp: No such file or directory\n");
    put("empty.pmbp", makePmbpFile(0, 0, {}));
    result = run("empty.pmbp out.png");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err,
              "pmbpview: empty.pmbp: the picture is empty (0 x 0 pixels); a PNG cannot hold it\n");

    put("in.pmbp", makePmbpFile(8, 1, {0, 1, 2, 3, 3, 2, 1, 0}));
    result = run("in.pmbp no/dir/out.png");
    EXPECT_EQ(result.status, 3);
    EXPECT_EQ(result.err, "pmbpview: cannot create no/dir/out.png: No such file or directory\n");
    fs::create_directory(dir / "work" / "taken.png");
    result = run("in.pmbp taken.png");  // written in full, then the rename fails
    EXPECT_EQ(result.status, 3);
    EXPECT_EQ(result.err, "pmbpview: cannot write taken.png: Is a directory\n");
    EXPECT_EQ(names(), (std::vector<std::string>{"empty.pmbp", "in.pmbp", "taken.png"}));
    EXPECT_TRUE(fs::is_empty(dir / "work" / "taken.png"));
}

}  // namespace
