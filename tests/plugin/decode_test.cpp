// Decoding through a plug-in into the temporary bitmap, the remembered decode, and the
// run lock.
#include <filesystem>

#include <gtest/gtest.h>

#include "picconv/plugin/plugin_entries.h"
#include "picconv/plugin/temp_bitmap.h"
#include "platform/process.h"
#include "tests/plugin/plugin_test_files.h"
#include "tests/support/run_program.h"
#include "tests/support/test_files.h"

namespace fs = std::filesystem;

namespace {

typedef PicconvPluginTest PicconvDecode;

std::string decode(const std::string &picture, const std::string &plugin) {
    int fresh = 0;
    const char *name = decodeToTempBitmap(picture.c_str(), plugin.c_str(), &fresh);
    return name == nullptr ? "(null)" : name;
}

}  // namespace

TEST_F(PicconvDecode, EveryDecodeReplacesTheWholeTemporaryFile) {
    writeFile("small.ppm", makePpm(1, 1, 2));
    writeFile("large.ppm", makePpm(40, 30, 3));
    const std::string ok = copyOf("ok");
    EXPECT_EQ(decode("large.ppm", ok), TEMP_NAME);
    EXPECT_EQ(decode("small.ppm", ok), TEMP_NAME);
    EXPECT_EQ(readFile(TEMP_NAME), expectedBitmap(makePpm(1, 1, 2), INFO_AND_PIXELS));
}

TEST_F(PicconvDecode, SamePictureThroughSamePluginIsDecodedOnce) {
    writeFile("a.ppm", makePpm(6, 4, 5));
    writeFile("b.ppm", makePpm(3, 3, 6));
    const std::string ok = copyOf("ok");
    for (int i = 0; i < 10; i++) {
        EXPECT_EQ(decode("a.ppm", ok), TEMP_NAME);
    }
    EXPECT_EQ(logged("ok picture a.ppm"), 1);
    EXPECT_EQ(logged("ok load"), 1);
    EXPECT_EQ(readFile(TEMP_NAME), expectedBitmap(makePpm(6, 4, 5), INFO_AND_PIXELS));
    // Another picture through the same plug-in: decoded, plug-in kept.
    decode("b.ppm", ok);
    decode("a.ppm", ok);
    EXPECT_EQ(logged("ok picture a.ppm"), 2);
    EXPECT_EQ(logged("ok load"), 1);
}

TEST_F(PicconvDecode, SamePictureThroughAnotherPluginIsDecodedAgain) {
    const std::string ppm = makePpm(4, 4, 7);
    writeFile("a.ppm", ppm);
    decode("a.ppm", copyOf("ok"));
    decode("a.ppm", copyOf("ok2"));
    EXPECT_EQ(readFile(TEMP_NAME), expectedBitmap(ppm, INFO_AND_PIXELS, true));
    EXPECT_EQ(logged("ok2 picture a.ppm"), 1);
}

TEST_F(PicconvDecode, FailedDecodeIsReportedOnEveryLine) {
    writeFile("a.ppm", makePpm(2, 2, 8));
    const std::string failing = copyOf("failnone");
    testing::internal::CaptureStderr();
    for (int i = 0; i < 3; i++) {
        decode("a.ppm", failing);
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "cannot get picture (3)cannot get picture (3)cannot get picture (3)");
    EXPECT_EQ(logged("failnone load"), 1);
}

TEST_F(PicconvDecode, PictureChangedOnDiskIsDecodedAgain) {
    const std::string ok = copyOf("ok");
    writeFile("a.ppm", makePpm(2, 2, 9));
    decode("a.ppm", ok);
    fs::remove("a.ppm");
    writeFile("a.ppm", makePpm(3, 2, 10));
    decode("a.ppm", ok);
    EXPECT_EQ(readFile(TEMP_NAME), expectedBitmap(makePpm(3, 2, 10), INFO_AND_PIXELS));
}

TEST_F(PicconvDecode, PictureRewrittenInPlaceWithItsOldTimeIsDecodedAgain) {
    // As an archive extracted over a picture leaves it: same file, size and modification time.
    const std::string ok = copyOf("ok");
    writeFile("a.ppm", makePpm(2, 2, 9));
    const fs::file_time_type written = fs::last_write_time("a.ppm");
    decode("a.ppm", ok);
    FILE *file = fopen("a.ppm", "r+b");
    ASSERT_NE(file, nullptr);
    const std::string changed = makePpm(2, 2, 10);
    fwrite(changed.data(), 1, changed.size(), file);
    fclose(file);
    fs::last_write_time("a.ppm", written);
    decode("a.ppm", ok);
    EXPECT_EQ(readFile(TEMP_NAME), expectedBitmap(changed, INFO_AND_PIXELS));
}

TEST_F(PicconvDecode, TemporaryFileOverwrittenByALineIsDecodedAgain) {
    const std::string ok = copyOf("ok");
    const std::string ppm = makePpm(2, 2, 11);
    writeFile("a.ppm", ppm);
    decode("a.ppm", ok);
    // What a line with the temporary file's name as its output leaves there.
    writeFile(TEMP_NAME, "PMBP and more");
    decode("a.ppm", ok);
    EXPECT_EQ(readFile(TEMP_NAME), expectedBitmap(ppm, INFO_AND_PIXELS));
    EXPECT_EQ(logged("ok picture a.ppm"), 2);
}

TEST_F(PicconvDecode, OverlongPathsAreNotRemembered) {
    // Over 1023 characters, naming the same files.
    std::string detour;
    while (detour.size() <= 1024) {
        detour += "./";
    }
    writeFile("a.ppm", makePpm(2, 2, 11));
    const std::string ok = copyOf("ok");
    const std::string longPlugin = dir + "/" + detour + "ok.spi";
    if (!fileExists(longPlugin)) {
        GTEST_SKIP() << "the system's file calls take no path this long (Windows' MAX_PATH)";
    }
    decode(detour + "a.ppm", ok);
    decode(detour + "a.ppm", ok);
    EXPECT_EQ(logged("ok picture " + detour + "a.ppm"), 2);
    decode("a.ppm", longPlugin);
    decode("a.ppm", longPlugin);
    EXPECT_EQ(logged("ok picture a.ppm"), 2);
    EXPECT_EQ(logged("ok load"), 3);
}

TEST_F(PicconvDecode, IncompleteTemporaryFileGivesNoName) {
    writeFile("a.ppm", makePpm(2, 2, 12));
    const std::string ok = copyOf("ok");
    // Cannot be opened for writing.
    fs::create_directory(TEMP_NAME);
    EXPECT_EQ(decode("a.ppm", ok), "(null)");
    fs::remove(TEMP_NAME);
    // Nothing was remembered from the failure.
    EXPECT_EQ(decode("a.ppm", ok), TEMP_NAME);
    EXPECT_EQ(readFile(TEMP_NAME), expectedBitmap(makePpm(2, 2, 12), INFO_AND_PIXELS));
}

TEST_F(PicconvDecode, TemporaryFileOnADeviceThatTakesNoWritesGivesNoName) {
    if (fullDevicePath().empty() || !makeSymlink(fullDevicePath(), TEMP_NAME)) {
        GTEST_SKIP() << "no full device, or no link to one, here (Windows)";
    }
    writeFile("a.ppm", makePpm(2, 2, 12));
    const std::string ok = copyOf("ok");
    EXPECT_EQ(decode("a.ppm", ok), "(null)");
    fs::remove(TEMP_NAME);
    EXPECT_EQ(decode("a.ppm", ok), TEMP_NAME);
}

TEST_F(PicconvDecode, DecodeHoldsTheTemporaryFileLockedForTheRun) {
    writeFile("a.ppm", makePpm(2, 2, 13));
    RUN_RESULT_T run = runProgram({DECODE_PROBE, "a.ppm", copyOf("ok")}, dir, {});
    EXPECT_EQ(run.out, "$$temp$$.bmp locked\n");
    EXPECT_EQ(readFile(TEMP_NAME), expectedBitmap(makePpm(2, 2, 13), INFO_AND_PIXELS));
    // Released when that run ended.
    EXPECT_EQ(isFileLockedForProcess(TEMP_NAME), 0);
}
