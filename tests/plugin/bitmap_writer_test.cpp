// Writing the blocks that GetPicture delivers as a bitmap file.
#include <string.h>

#include <gtest/gtest.h>

#include "picconv/diagnostics/diagnostics.h"
#include "picconv/plugin/bitmap_writer.h"
#include "tests/plugin/plugin_test_files.h"
#include "tests/support/bmp_writer.h"
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
    HANDLE foreignPixels;  // handed back as the pixel block instead of a real one
    bool sameBlock;        // the info block handed back as the pixel block too
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

int WINAPI fakeGetPicture(LPSTR buf, PLUGIN_LONG_T len, unsigned int flag, HANDLE *pHBInfo,
                          HANDLE *pHBm, FARPROC lpPrgressCallback, PLUGIN_LONG_T lData) {
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
    if (fake.foreignPixels != nullptr) {
        *pHBm = fake.foreignPixels;
    } else if (fake.sameBlock) {
        *pHBm = *pHBInfo;
    } else if (fake.givePixels) {
        *pHBm = blockOf(fake.pixels);
    }
    return fake.result;
}

// A BITMAPINFO: a 40-byte header and tableBytes of colour table.
std::string infoBlock(int32_t width, int32_t height, unsigned bits, uint32_t compression,
                      uint32_t colours, size_t tableBytes) {
    std::vector<uint8_t> info;
    putLe32(info, 40);
    putLe32(info, static_cast<uint32_t>(width));
    putLe32(info, static_cast<uint32_t>(height));
    putLe16(info, 1);
    putLe16(info, bits);
    putLe32(info, compression);
    for (int field = 0; field < 3; field++) {  // image size, resolution
        putLe32(info, 0);
    }
    putLe32(info, colours);
    putLe32(info, 0);
    info.resize(info.size() + tableBytes, 0x22);
    return std::string(info.begin(), info.end());
}

FAKE_PICTURE_T fakeWith(int result, bool giveInfo, bool givePixels) {
    FAKE_PICTURE_T picture = {};
    picture.result = result;
    picture.info = infoBlock(8, 3, 8, 0, 2, 8);  // 8 x 3 at 8 bits, 2 colours
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
    std::string problem;  // the reason noted for the line's report
};

WRITTEN_T writeWith(const PLUGIN_ENTRIES_T &plugin, const char *target = nullptr) {
    std::string dir = makeTempDir("plugin-test");
    std::string path = target != nullptr ? std::string(target) : dir + "/out.bmp";
    FILE *file = fopen(path.c_str(), "wb");
    WRITTEN_T written = {};
    setReportLine(nullptr, 0);
    testing::internal::CaptureStderr();
    written.ok = writeBitmapFromHandles(file, "pictures/a.ppm", &plugin, &written.pictureResult);
    written.errors = testing::internal::GetCapturedStderr();
    written.problem = lineProblem();
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

TEST(PicconvDecodeBitmapWriter, RefusedBlocksAreFreedUnwrittenWithTheReasonInWords) {
    struct CASE_T {
        std::string info;  // empty: no info block
        size_t pixelBytes;
        std::string reason;
    };
    const std::string refused = "picture pictures/a.ppm refused: ";
    const CASE_T cases[] = {
        {"", 24, "no picture header was handed back"},
        {std::string(39, 'x'), 24, "the picture header block holds 39 bytes, fewer than 40"},
        {infoBlock(8, 3, 7, 0, 0, 0), 24, "unknown bit depth 7"},
        {infoBlock(8, 3, 8, 4, 0, 0), 24, "unknown compression 4"},
        {infoBlock(8, 3, 24, 1, 0, 0), 24, "compression 1 does not fit a bit depth of 24"},
        {infoBlock(0, 3, 24, 0, 0, 0), 24, "the picture is 0 x 3 pixels"},
        {infoBlock(8, 0, 24, 0, 0, 0), 24, "the picture is 8 x 0 pixels"},
        {infoBlock(8, 3, 8, 0, 0, 8), 24,
         "the colour table ends at byte 1064 of a 48-byte header block"},
        {infoBlock(8, 3, 4, 0, 17, 68), 24, "17 colours for a bit depth of 4"},
        {infoBlock(8, 3, 16, 3, 0, 8), 48,
         "the colour table ends at byte 52 of a 48-byte header block"},
        {infoBlock(8, -4, 8, 0, 2, 8), 24,
         "the pixel rows need 32 bytes but the pixel block holds 24"},
        {infoBlock(32767, 32767, 24, 0, 0, 0), 24,
         "32767 x 32767 pixels is over the limit of 67108864 pixels"},
    };
    for (const CASE_T &c : cases) {
        fake = fakeWith(PLUGIN_OK, !c.info.empty(), true);
        fake.info = c.info;
        fake.pixels.assign(c.pixelBytes, '\x33');
        // Every block is freed: the sanitizer build reports one that is not.
        WRITTEN_T written = writeWith(fakePlugin());
        EXPECT_EQ(written.ok, 0) << c.reason;
        EXPECT_EQ(written.bytes, bitmapFileHeader(14, 14)) << c.reason;
        EXPECT_EQ(written.errors, "");
        EXPECT_EQ(written.problem, refused + c.reason);
    }
    // Accepted at the edges: a top-down picture, bit fields with their masks, run-length data
    // of any size, the largest picture allowed.
    const CASE_T accepted[] = {
        {infoBlock(8, -3, 8, 0, 2, 8), 24, ""},
        {infoBlock(8, 3, 16, 3, 0, 12), 48, ""},
        {infoBlock(8, 3, 8, 1, 0, 1024), 2, ""},
        {infoBlock(8192, 8192, 1, 0, 1, 4), 8192 * 1024, ""},
    };
    for (const CASE_T &c : accepted) {
        fake = fakeWith(PLUGIN_OK, true, true);
        fake.info = c.info;
        fake.pixels.assign(c.pixelBytes, '\x33');
        EXPECT_EQ(writeWith(fakePlugin()).ok, 1) << c.info.size();
    }
}

TEST(PicconvDecodeBitmapWriter, HandlesThatAreNoLiveBlocksAreNeverReadNorFreed) {
    // A pointer into our own memory, as if it were a block: nothing of it may reach the file.
    alignas(16) static char foreign[256] = "not a block";
    fake = fakeWith(PLUGIN_OK, true, false);
    fake.foreignPixels = foreign + 64;
    WRITTEN_T written = writeWith(fakePlugin());
    EXPECT_EQ(written.ok, 0);
    EXPECT_EQ(written.bytes, bitmapFileHeader(14, 14));
    EXPECT_EQ(written.problem,
              "picture pictures/a.ppm refused: a block handed back is not a local memory block");

    // One block as both: refused, and freed once (a second free aborts, under ASan too).
    fake = fakeWith(PLUGIN_OK, true, false);
    fake.sameBlock = true;
    written = writeWith(fakePlugin());
    EXPECT_EQ(written.ok, 0);
    EXPECT_EQ(written.bytes, bitmapFileHeader(14, 14));
    EXPECT_EQ(written.problem,
              "picture pictures/a.ppm refused: the same block was handed back as "
              "the picture header and as the pixels");
}

TEST(PicconvDecodeBitmapWriter, BlockThatCannotBeLockedIsNeitherWrittenNorFreed) {
    fake = fakeWith(PLUGIN_OK, false, true);
    fake.infoUnlockable = true;
    WRITTEN_T written = writeWith(fakePlugin());
    EXPECT_EQ(written.ok, 0);
    EXPECT_EQ(written.bytes, bitmapFileHeader(14, 14));
    EXPECT_EQ(written.problem,
              "picture pictures/a.ppm refused: the picture header block cannot be locked");
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
