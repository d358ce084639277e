// A proof sheet as a browser shows it: Debian's chromium, headless, loads the page from the file
// system; every picture frame of its screenshot holds a picture, and its text gives the totals
// and the failed line's reason.
#include <ctype.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <png.h>

#include "tests/support/bmp_writer.h"
#include "tests/support/run_program.h"
#include "tests/support/test_files.h"

namespace {

// The one colour of the page's picture frames.
const uint8_t FRAME[3] = {0x2b, 0x50, 0xc8};

struct SCREEN_T {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> rgb;
    bool isFrame(uint32_t x, uint32_t y) const {
        return x < width && y < height && memcmp(&rgb[3 * (y * width + x)], FRAME, 3) == 0;
    }
};

struct BOX_T {
    uint32_t x, y, w, h;
};

bool readScreen(const std::string &path, SCREEN_T *screen) {
    png_image image;
    memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        return false;
    }
    image.format = PNG_FORMAT_RGB;
    screen->width = image.width;
    screen->height = image.height;
    screen->rgb.resize(PNG_IMAGE_SIZE(image));
    return png_image_finish_read(&image, nullptr, screen->rgb.data(), 0, nullptr) != 0;
}

// Frames: runs of the frame colour that close into a rectangle, found by their top-left corners.
std::vector<BOX_T> framesOf(const SCREEN_T &s) {
    std::vector<BOX_T> boxes;
    for (uint32_t y = 1; y < s.height; y++) {
        for (uint32_t x = 1; x < s.width; x++) {
            if (!s.isFrame(x, y) || s.isFrame(x - 1, y) || s.isFrame(x, y - 1)) {
                continue;
            }
            uint32_t w = 0;
            uint32_t h = 0;
            while (s.isFrame(x + w, y)) {
                w++;
            }
            while (s.isFrame(x, y + h)) {
                h++;
            }
            if (w > 8 && h > 8 && s.isFrame(x + w - 1, y + h - 1)) {
                boxes.push_back(BOX_T{x, y, w, h});
            }
        }
    }
    return boxes;
}

// Whether what a 2-pixel frame holds is a picture: several colours, and mostly not white (a
// picture that failed to load leaves the white box with an icon and its words).
bool holdsPicture(const SCREEN_T &s, const BOX_T &box) {
    std::vector<uint32_t> seen;
    size_t white = 0;
    size_t all = 0;
    for (uint32_t y = box.y + 2; y + 2 < box.y + box.h; y++) {
        for (uint32_t x = box.x + 2; x + 2 < box.x + box.w; x++) {
            const uint8_t *p = &s.rgb[3 * (y * s.width + x)];
            const uint32_t colour = p[0] << 16 | p[1] << 8 | p[2];
            if (std::find(seen.begin(), seen.end(), colour) == seen.end()) {
                seen.push_back(colour);
            }
            white += colour == 0xffffff ? 1 : 0;
            all++;
        }
    }
    return seen.size() >= 3 && 2 * white < all;
}

// The page's text: tags dropped, entities the page uses read, blanks folded.
std::string textOf(const std::string &html) {
    std::string text;
    bool inTag = false;
    for (const char c : html) {
        if (c == '<' || c == '>') {
            inTag = c == '<';
        } else if (!inTag && !(isspace(static_cast<unsigned char>(c)) && !text.empty() &&
                               text.back() == ' ')) {
            text += isspace(static_cast<unsigned char>(c)) ? ' ' : c;
        }
    }
    return text;
}

std::string chromiumPath() {
    const RUN_RESULT_T found = runProgram({posixShell(), "-c", "command -v chromium"}, ".");
    return found.status == 0 ? found.out.substr(0, found.out.find('\n')) : std::string();
}

}  // namespace

TEST(PicconvProofBrowser, ChromiumShowsEveryPictureTheTotalsAndTheReason) {
    const std::string chromium = chromiumPath();
    if (chromium.empty()) {
        const char *ci = getenv("CI");
        if (ci != nullptr && strcmp(ci, "true") == 0) {
            FAIL() << "chromium is not installed; scripts/setup.sh installs it";
        }
        GTEST_SKIP() << "chromium is not installed (scripts/setup.sh installs it)";
    }
    const std::string dir = makeTempDir("picconv-proof-browser");
    BMP_LAYOUT_T layout;
    layout.width = 60;
    layout.height = 40;
    for (int y = 0; y < layout.height; y++) {
        for (int x = 0; x < layout.width; x++) {
            layout.values.push_back(
                static_cast<uint32_t>((x * 4) << 16 | (y * 6) << 8 | (255 - x * 4)));
        }
    }
    ASSERT_TRUE(writeBytes(dir + "/sheet.bmp", writeBmp(layout)));
    ASSERT_TRUE(writeFile(dir + "/commands.txt",
                          "ifbmp.spi|sheet.bmp|whole.pmbp|0,0,60,40|0,0,60,40\n"
                          "ifbmp.spi|missing.bmp|lost.pmbp|0,0,8,8|0,0,8,8\n"
                          "ifbmp.spi|sheet.bmp|part.pmbp|10,5,20,30|0,0,40,60\n"));
    ASSERT_EQ(runProgram({PICCONV_PATH, "--proof", "proof", "commands.txt"}, dir).status, 4);
    const std::string page = "file://" + dir + "/proof/index.html";
    const std::vector<std::string> headless = {chromium,
                                               "--headless",
                                               "--no-sandbox",
                                               "--disable-gpu",
                                               "--no-first-run",
                                               "--disable-background-networking",
                                               "--disable-sync",
                                               "--disable-component-update",
                                               "--hide-scrollbars",
                                               "--force-device-scale-factor=1"};
    std::vector<std::string> shot = headless;
    shot.insert(shot.end(), {"--user-data-dir=" + dir + "/profile-shot", "--window-size=1000,1400",
                             "--screenshot=" + dir + "/shot.png", page});
    const RUN_RESULT_T shown = runProgram(shot, dir);
    ASSERT_EQ(shown.status, 0) << shown.err;
    SCREEN_T screen;
    ASSERT_TRUE(readScreen(dir + "/shot.png", &screen));
    // Two cards of three pictures each: the source, the cut, the output.
    const std::vector<BOX_T> frames = framesOf(screen);
    EXPECT_EQ(frames.size(), 6u);
    for (const BOX_T &box : frames) {
        EXPECT_TRUE(holdsPicture(screen, box))
            << "blank picture at " << box.x << "," << box.y << " (" << box.w << "x" << box.h << ")";
    }

    std::vector<std::string> dump = headless;
    dump.insert(dump.end(), {"--user-data-dir=" + dir + "/profile-dom", "--dump-dom", page});
    const RUN_RESULT_T dom = runProgram(dump, dir);
    ASSERT_EQ(dom.status, 0) << dom.err;
    const std::string text = textOf(dom.out);
    EXPECT_NE(text.find("3 lines: 2 written, 0 unchanged, 0 skipped by the state, 1 failed"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("Failed: line 2"), std::string::npos);
    EXPECT_NE(text.find("No output written: cannot open the picture missing.bmp: No such file or "
                        "directory"),
              std::string::npos)
        << text;
    removeTree(dir);
}
