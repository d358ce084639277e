// What the plug-in import tests need beyond tests/support: the test plug-ins, PPM pictures
// for them, the temporary bitmaps they should give, command lines through them, and the one
// fixture of the tests that decode or run picconv in a scratch folder.
#ifndef TESTS_PLUGIN_PLUGIN_TEST_FILES_H
#define TESTS_PLUGIN_PLUGIN_TEST_FILES_H

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/run_program.h"

// The temporary bitmap every decode writes, in the current folder.
const char TEMP_NAME[] = "$$temp$$.bmp";

// A complete packed picture of 8 x 1 pixels, as an earlier run leaves it.
const std::string OLD_PICTURE("PMBP\x16\0\0\0\x02\0\x08\0\x01\0\0\0\x02\0\0\0\xE8\x2B", 22);

// The test plug-ins, built into one folder of the build tree.
std::string testPluginPath(const std::string &name);

// A command line: picture through the test plug-in named plugin into out.
std::string line(const std::string &plugin, const std::string &picture, const std::string &out,
                 const std::string &rect = "0,0,6,4", const std::string &size = "0,0,6,4");

// A binary PPM picture whose pixel values follow from seed.
std::string makePpm(int width, int height, int seed);

// The temporary bitmap the working test plug-in gives for ppm, with or without each block
// (sizes and offset counted accordingly).
enum BITMAP_PARTS_T { INFO_AND_PIXELS, PIXELS_ONLY, HEADER_ONLY };
std::string expectedBitmap(const std::string &ppm, BITMAP_PARTS_T parts, bool inverted = false);
std::string bitmapFileHeader(unsigned int fileSize, unsigned int pixelOffset);

// A fresh folder, made the current one, with the test plug-ins logging to logPath beside it
// (TEST_PLUGIN_LOG, inherited by the programs run), so the folder holds only what the run
// leaves; a death test's child (a new run of the program on Windows) logs to its parent's log.
// Test suites name it by a typedef, or derive from it.
class PicconvPluginTest : public ::testing::Test {
   protected:
    void SetUp() override;
    void TearDown() override;

    // picconv with words as its arguments, in the folder; env as runProgram takes it.
    RUN_RESULT_T runWith(const std::vector<std::string> &words,
                         const std::vector<std::string> &env = {});
    // commands written to commands.txt, then picconv with options before its name.
    RUN_RESULT_T run(const std::string &commands, const std::vector<std::string> &options = {},
                     const std::vector<std::string> &env = {});
    RUNNING_T start(const std::string &commands, const std::vector<std::string> &options = {},
                    const std::vector<std::string> &env = {});
    std::string at(const std::string &name) const { return dir + "/" + name; }
    // A private copy of a test plug-in in the folder, so nothing remembered or loaded from
    // another test matches it.
    std::string copyOf(const std::string &name) const;
    std::vector<std::string> log() const;
    // How many lines of the log are entry.
    long logged(const std::string &entry) const;

    std::string previousDir;
    std::string dir;
    std::string logPath;
};

#endif
