// Writing the blocks that GetPicture delivers as a bitmap file.
#include <string.h>

#include <gtest/gtest.h>

#include "picconv/plugin/bitmap_writer.h"
#include "tests/plugin/plugin_test_files.h"
#include "tests/support/test_files.h"

namespace {

// What the stand-in GetPicture delivers and what it was called with.
struct FAKE_PICTURE_T {
    int result;
    std::string info;
    std::string pixels;
    bool giveInfo;
    bool givePixels;
    bool infoUnlockable;
    HLOCAL unlockable;
    std::string calledWith;
    long len;
    unsigned int flag;
    bool handlesWereNull;
    int progressAnswer;
};
FAKE_PICTURE_T fake;

HLOCAL blockOf(const std::string &bytes) {
    HLOCAL block = LocalAlloc(LMEM_FIXED, bytes.size());
    memcpy(LocalLock(block), bytes.data(), bytes.size());
    LocalUnlock(block);
    return block;
}

int WINAPI fakeGetPicture(LPSTR buf, long len, unsigned int flag, HANDLE *pHBInfo, HANDLE *pHBm,
                          FARPROC lpPrgressCallback, long lData) {
    fake.calledWith = buf;
    fake.len = len;
    fake.flag = flag;
    fake.handlesWereNull = *pHBInfo == nullptr && *pHBm == nullptr;
    fake.progressAnswer = PLUGIN_FUNCTION_CAST(PLUGIN_PROGRESS_T, lpPrgressCallback)(1, 2, lData);
    if (fake.infoUnlockable) {
        fake.unlockable = LocalAlloc(LMEM_MOVEABLE, 0);
        *pHBInfo = fake.unlockable;
    } else if (fake.giveInfo) {
        *pHBInfo = blockOf(fake.info);
    }
    if (fake.givePixels) {
        *pHBm = blockOf(fake.pixels);
    }
    return fake.result;
}

FAKE_PICTURE_T fakeWith(int result, bool giveInfo, bool givePixels) {
    FAKE_PICTURE_T picture = {};
    picture.result = result;
    picture.info = std::string(40, '\x11') + std::string(8, '\x22');  // header and 2 colours
    picture.pixels = std::string(12, '\x33') + std::string(12, '\x44');
    picture.giveInfo = giveInfo;
    picture.givePixels = givePixels;
    picture.progressAnswer = -1;
    return picture;
}

PLUGIN_ENTRIES_T fakePlugin() {
    PLUGIN_ENTRIES_T plugin = {};
    plugin.GetPicture = fakeGetPicture;
    return plugin;
}

struct WRITTEN_T {
    int ok;
    int pictureResult;
    std::string bytes;
    std::string errors;
};

WRITTEN_T writeWith(const PLUGIN_ENTRIES_T &plugin, const char *target = nullptr) {
    std::string dir = makeTempDir("plugin-test");
    std::string path = target != nullptr ? std::string(target) : dir + "/out.bmp";
    FILE *file = fopen(path.c_str(), "wb");
    WRITTEN_T written = {};
    testing::internal::CaptureStderr();
    written.ok = writeBitmapFromHandles(file, "pictures/a.ppm", &plugin, &written.pictureResult);
    written.errors = testing::internal::GetCapturedStderr();
    fclose(file);
    if (target == nullptr) {
        written.bytes = readFile(path);
    }
    removeTree(dir);
    return written;
}

}  // namespace

TEST(PicconvDecodeBitmapWriter, BothBlocksFollowTheHeaderWithSizesFilledIn) {
    fake = fakeWith(PLUGIN_OK, true, true);
    WRITTEN_T written = writeWith(fakePlugin());
    EXPECT_EQ(written.ok, 1);
    EXPECT_EQ(written.pictureResult, PLUGIN_OK);
    EXPECT_EQ(written.errors, "");
    EXPECT_EQ(written.bytes, bitmapFileHeader(14 + 48 + 24, 14 + 48) + fake.info + fake.pixels);
    // The call the plug-in sees: the named file from its start, fresh handles, and a
    // progress function that lets it carry on.
    EXPECT_EQ(fake.calledWith, "pictures/a.ppm");
    EXPECT_EQ(fake.len, 0);
    EXPECT_EQ(fake.flag, 0u);
    EXPECT_TRUE(fake.handlesWereNull);
    EXPECT_EQ(fake.progressAnswer, 0);
}

TEST(PicconvDecodeBitmapWriter, DeliveredBlocksAreWrittenWhateverGetPictureReturns) {
    struct CASE_T {
        int result;
        bool info;
        bool pixels;
        std::string expected;
        std::string errors;
    };
    const std::string info = fakeWith(0, 0, 0).info;
    const std::string pixels = fakeWith(0, 0, 0).pixels;
    const CASE_T cases[] = {
        {PLUGIN_OK, false, true, bitmapFileHeader(14 + 24, 14) + pixels, ""},
        {PLUGIN_ERR_BROKEN_DATA, false, false, bitmapFileHeader(14, 14), "cannot get picture (3)"},
        {PLUGIN_ERR_NOT_IMPLEMENTED, false, false, bitmapFileHeader(14, 14),
         "cannot get picture (-1)"},
        {PLUGIN_ERR_INTERNAL, true, true, bitmapFileHeader(14 + 48 + 24, 14 + 48) + info + pixels,
         "cannot get picture (8)"},
    };
    for (const CASE_T &c : cases) {
        fake = fakeWith(c.result, c.info, c.pixels);
        WRITTEN_T written = writeWith(fakePlugin());
        EXPECT_EQ(written.ok, 1);
        EXPECT_EQ(written.pictureResult, c.result);
        EXPECT_EQ(written.bytes, c.expected) << "result " << c.result;
        EXPECT_EQ(written.errors, c.errors);
    }
}

TEST(PicconvDecodeBitmapWriter, BlockThatCannotBeLockedIsNeitherWrittenNorFreed) {
    fake = fakeWith(PLUGIN_OK, false, true);
    fake.infoUnlockable = true;
    WRITTEN_T written = writeWith(fakePlugin());
    EXPECT_EQ(written.bytes, bitmapFileHeader(14 + 24, 14) + fake.pixels);
    // Still ours: freeing it here would be a double free had the writer freed it.
    LocalFree(fake.unlockable);
}

TEST(PicconvDecodeBitmapWriter, MissingGetPictureWritesTheHeaderAlone) {
    PLUGIN_ENTRIES_T plugin = {};
    WRITTEN_T written = writeWith(plugin);
    EXPECT_EQ(written.ok, 1);
    EXPECT_EQ(written.pictureResult, PLUGIN_ERR_NOT_IMPLEMENTED);
    EXPECT_EQ(written.errors, "GetPicture not implemented.\n");
    EXPECT_EQ(written.bytes, bitmapFileHeader(14, 14));
}

TEST(PicconvDecodeBitmapWriter, FailedWriteIsReportedAndBlocksAreStillFreed) {
    fake = fakeWith(PLUGIN_OK, true, true);
    fake.pixels = std::string(64 * 1024, '\x55');  // more than one stream buffer
    WRITTEN_T written = writeWith(fakePlugin(), "/dev/full");
    EXPECT_EQ(written.ok, 0);
}
