// Runs a built converter on real files in a temporary directory. The converter and the plug-in
// named in field 0 come from the environment, so the same tests drive the stand-in build and
// the real program with a BMP plug-in.
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/picconv/reference_pmbp.h"
#include "tests/picconv/test_bitmap.h"
#include "tests/support/run_program.h"
#include "tests/support/test_files.h"

namespace {

std::string envOr(const char *name, const char *fallback) {
    const char *value = getenv(name);
    return value != nullptr ? value : fallback;
}

// A picture of at most 216 colours, for palettized bitmaps.
TEST_IMAGE_T makePaletteImage(int w, int h, uint32_t seed) {
    TEST_IMAGE_T image = makeImage(w, h, seed);
    for (uint8_t &byte : image.rgb) {
        byte = static_cast<uint8_t>(byte / 51 * 51);
    }
    return image;
}

TEST_IMAGE_T makeUniform(int w, int h, uint8_t r, uint8_t g, uint8_t b) {
    TEST_IMAGE_T image = makeImage(w, h, 0);
    for (int y = 0; y < h; y++) {
        for (int x = 0; x < w; x++) {
            setRgb(&image, x, y, r, g, b);
        }
    }
    return image;
}

// One line's expectation: the file it should leave, or none, while the noise still runs on
// for every line that got as far as resampling.
struct EXPECTED_T {
    std::string output;
    const TEST_IMAGE_T *image;
    REFERENCE_JOB_T job;
    bool resampled;
    bool written;
};

class PicconvEndToEnd : public ::testing::Test {
   protected:
    void SetUp() override {
        converter_ = envOr("PICCONV_CONVERTER", "");
        plugin_ = envOr("PICCONV_PLUGIN", "stand-in.spi");
        exactStderr_ = envOr("PICCONV_EXACT_STDERR", "0") == "1";
        ASSERT_FALSE(converter_.empty()) << "PICCONV_CONVERTER not set";
        dir_ = makeTempDir("picconv-test");
        ASSERT_FALSE(dir_.empty());
        rgb13x7_ = makeImage(13, 7, 1);
        pal10x9_ = makePaletteImage(10, 9, 2);
        one1x1_ = makePaletteImage(1, 1, 3);
        grey40x30_ = makeUniform(40, 30, 120, 120, 120);
        ASSERT_TRUE(writeBmp24(dir_ + "/rgb13x7.bmp", rgb13x7_));
        ASSERT_TRUE(writeBmp8(dir_ + "/pal10x9.bmp", pal10x9_));
        ASSERT_TRUE(writeBmp8(dir_ + "/one1x1.bmp", one1x1_));
        ASSERT_TRUE(writeBmp24(dir_ + "/grey40x30.bmp", grey40x30_));
        inputs_ = listDir(dir_);
    }

    void TearDown() override { removeTree(dir_); }

    std::string line(const std::string &picture, const std::string &output, const std::string &rect,
                     const std::string &size) const {
        return plugin_ + "|" + picture + "|" + output + "|" + rect + "|" + size + "\n";
    }

    RUN_RESULT_T run(const std::string &commands, const std::string &dir,
                     const std::vector<std::string> &env = {}) const {
        EXPECT_TRUE(writeFile(dir + "/commands.txt", commands));
        std::vector<std::string> fullEnv = {"SDL_VIDEODRIVER", "DISPLAY"};
        fullEnv.insert(fullEnv.end(), env.begin(), env.end());
        return runProgram({converter_, "commands.txt"}, dir, fullEnv);
    }

    // Replays the run's noise from a fresh rand() and checks every file byte for byte.
    void expectFiles(const std::vector<EXPECTED_T> &expected, const std::string &dir) const {
        srand(1);  // the unseeded sequence
        for (const EXPECTED_T &e : expected) {
            if (!e.resampled) {
                continue;
            }
            const std::vector<uint8_t> bytes = referencePackedFile(*e.image, e.job);
            if (!e.written) {
                continue;
            }
            const std::string actual = readFile(dir + "/" + e.output);
            EXPECT_EQ(actual, std::string(bytes.begin(), bytes.end())) << e.output;
        }
    }

    // Besides the inputs and the command file only the written outputs (and the temporary
    // bitmap) may be there.
    void expectOnlyFiles(const std::vector<EXPECTED_T> &expected, const std::string &dir) const {
        std::vector<std::string> wanted = inputs_;
        wanted.push_back("commands.txt");
        for (const EXPECTED_T &e : expected) {
            if (e.written) {
                wanted.push_back(e.output);
            }
        }
        std::vector<std::string> actual;
        for (const std::string &name : listDir(dir)) {
            if (name != "$$temp$$.bmp") {
                actual.push_back(name);
            }
        }
        std::sort(wanted.begin(), wanted.end());
        EXPECT_EQ(actual, wanted);
    }

    // The lines' reports, "commands.txt:N: no output written to PATH", without the reasons
    // (which name the plug-in's words); with the stand-in nothing else may be said.
    void expectReports(const RUN_RESULT_T &result, const std::string &reports) const {
        std::string ours;
        size_t start = 0;
        for (size_t end; (end = result.err.find('\n', start)) != std::string::npos;
             start = end + 1) {
            const std::string said = result.err.substr(start, end - start);
            const size_t at = said.find("commands.txt:");
            const size_t what = said.find("no output written to ");
            if (exactStderr_) {
                EXPECT_EQ(at, 0u) << said;
            }
            if (at != std::string::npos && what != std::string::npos) {
                const size_t reason = said.find(": ", what + 21);
                ours += said.substr(at, reason - at) + "\n";
            }
        }
        EXPECT_EQ(ours, reports) << result.err;
    }

    // The reason the report of lineNumber gives; empty when there is no such report.
    static std::string reasonOf(const RUN_RESULT_T &result, int lineNumber) {
        const std::string label = "commands.txt:" + std::to_string(lineNumber) + ": ";
        const size_t at = result.err.find(label);
        if (at == std::string::npos) {
            return std::string();
        }
        const size_t what = result.err.find("no output written to ", at);
        const size_t reason = result.err.find(": ", what + 21) + 2;
        return result.err.substr(reason, result.err.find('\n', reason) - reason);
    }

    std::string converter_;
    std::string plugin_;
    bool exactStderr_ = false;
    std::string dir_;
    std::vector<std::string> inputs_;
    TEST_IMAGE_T rgb13x7_, pal10x9_, one1x1_, grey40x30_;
};

// Each folder of golden/ is one conversion, run alone: picture.bmp, command (a command line whose
// plug-in is PLUGIN and whose output is out.pmbp), and the file it gives with glibc's noise
// (expected.pmbp) and the Windows runtime's (expected-windows.pmbp). picconv_golden_expected
// (golden_expected.cpp) writes those from the independent calculation; a case is added by adding
// a folder.
TEST_F(PicconvEndToEnd, GoldenFilesMatchIndependentCalculation) {
    // The converter draws this runtime's rand() sequence; the Windows runtime's starts with 41.
    srand(1);
    const std::string expected = rand() == 41 ? "expected-windows.pmbp" : "expected.pmbp";
    const std::vector<std::string> cases = listDir(GOLDEN_DIR);
    for (const std::string &name : cases) {
        const std::string from = std::string(GOLDEN_DIR) + "/" + name + "/";
        const std::string command = readFile(from + "command");
        ASSERT_EQ(command.rfind("PLUGIN|", 0), 0u) << name;
        ASSERT_TRUE(writeFile(dir_ + "/picture.bmp", readFile(from + "picture.bmp")));
        removeTree(dir_ + "/out.pmbp");
        const RUN_RESULT_T result = run(plugin_ + command.substr(6), dir_);
        EXPECT_EQ(result.status, 0) << name;
        EXPECT_EQ(result.err, "") << name;
        const std::string wanted = readFile(from + expected);
        EXPECT_FALSE(wanted.empty()) << name;
        EXPECT_EQ(readFile(dir_ + "/out.pmbp"), wanted) << name;
    }
    EXPECT_GE(cases.size(), 9u);
}

TEST_F(PicconvEndToEnd, SameCommandFileTwiceGivesSameFilesButNoiseRunsOnWithinARun) {
    const std::string commands = line("grey40x30.bmp", "first.pmbp", "0,0,40,30", "0,0,40,30") +
                                 line("grey40x30.bmp", "second.pmbp", "0,0,40,30", "0,0,40,30");
    const std::string otherDir = makeTempDir("picconv-test");
    ASSERT_TRUE(writeBmp24(otherDir + "/grey40x30.bmp", grey40x30_));
    ASSERT_EQ(run(commands, dir_).status, 0);
    ASSERT_EQ(run(commands, otherDir).status, 0);
    EXPECT_EQ(readFile(dir_ + "/first.pmbp"), readFile(otherDir + "/first.pmbp"));
    EXPECT_EQ(readFile(dir_ + "/second.pmbp"), readFile(otherDir + "/second.pmbp"));
    EXPECT_NE(readFile(dir_ + "/first.pmbp"), readFile(dir_ + "/second.pmbp"));
    expectFiles({{"first.pmbp", &grey40x30_, {0, 0, 40, 30, 40, 30}, true, true},
                 {"second.pmbp", &grey40x30_, {0, 0, 40, 30, 40, 30}, true, true}},
                dir_);
    removeTree(otherDir);
}

TEST_F(PicconvEndToEnd, BadLinesCostOnlyTheirOwnOutputAndAreReported) {
    const std::string piece1(3999, 'x');
    std::string piece2 = plugin_ + "|rgb13x7.bmp|long.pmbp|0,0,6,6|0,0,3,3";
    piece2.resize(1001, ' ');
    ASSERT_TRUE(writeFile(dir_ + "/notbmp.txt", "this is not a bitmap\n"));
    inputs_ = listDir(dir_);
    // Linux's full device takes no data; where there is none (Windows), a missing folder.
    const bool hasFull = !fullDevicePath().empty();
    const std::string full = hasFull ? fullDevicePath() : "nodir/full.pmbp";

    const std::string commands =
        std::string("\n") + "just text\n" + "a|b\n" + "a|b|c\n" + "a|b|c|d\n" +  // lines 1-5
        plugin_ + "|pal10x9.bmp|four.pmbp|0,0,4,4|\n" +                          // 6
        plugin_ + "|rgb13x7.bmp|six.pmbp|1,1,5,5|0,0,5,5|9,9,9,9|more\n" +       // 7
        piece1 + piece2 + "\n" +                                                 // 8, 9
        line("missing.bmp", "missing.pmbp", "0,0,4,4", "0,0,4,4") +              // 10
        line("rgb13x7.bmp", "nodir/out.pmbp", "0,0,4,4", "0,0,4,4") +            // 11
        line("rgb13x7.bmp", full, "0,0,4,4", "0,0,4,4") +                        // 12
        line("rgb13x7.bmp", "", "0,0,4,4", "0,0,4,4") +                          // 13
        line("rgb13x7.bmp", "huge.pmbp", "99999,1,70000,5", "0,0,3,2") +         // 14
        line("rgb13x7.bmp", "wrap.pmbp", "0,0,4,4", "0,0,2,65541") +             // 15
        line("notbmp.txt", "notbmp.pmbp", "0,0,4,4", "0,0,4,4") +                // 16
        plugin_ + "|rgb13x7.bmp|last.pmbp|0,0,4,4|0,0,4,4";                      // 17, no LF
    const RUN_RESULT_T result = run(commands, dir_);
    EXPECT_EQ(result.status, 4);
    expectReports(result,
                  "commands.txt:10: no output written to missing.pmbp\n"
                  "commands.txt:11: no output written to nodir/out.pmbp\n"
                  "commands.txt:12: no output written to " +
                      full + "\n" +
                      "commands.txt:13: no output written to \n"
                      "commands.txt:16: no output written to notbmp.pmbp\n");
    EXPECT_EQ(reasonOf(result, 11), "cannot write it: No such file or directory");
    EXPECT_EQ(reasonOf(result, 12), hasFull ? "cannot write it: No space left on device"
                                            : "cannot write it: No such file or directory");
    EXPECT_EQ(reasonOf(result, 13), "cannot write it: No such file or directory");
    const REFERENCE_JOB_T small = {0, 0, 4, 4, 4, 4};
    const std::vector<EXPECTED_T> expected = {
        {"four.pmbp", &pal10x9_, {0, 0, 4, 4, 0, 0}, true, true},
        {"six.pmbp", &rgb13x7_, {1, 1, 5, 5, 5, 5}, true, true},
        {"long.pmbp", &rgb13x7_, {0, 0, 6, 6, 3, 3}, true, true},
        {"nodir", &rgb13x7_, small, true, false},
        {"full", &rgb13x7_, small, true, false},
        {"empty", &rgb13x7_, small, true, false},
        {"huge.pmbp", &rgb13x7_, {-31073, 1, 4464, 5, 3, 2}, true, true},
        {"wrap.pmbp", &rgb13x7_, {0, 0, 4, 4, 2, 5}, true, true},
        {"last.pmbp", &rgb13x7_, small, true, true},
    };
    expectFiles(expected, dir_);
    expectOnlyFiles(expected, dir_);
    EXPECT_EQ(readFile(dir_ + "/four.pmbp").size(), 20u);
    if (hasFull) {
        struct stat st;
        ASSERT_EQ(stat(full.c_str(), &st), 0);
        EXPECT_TRUE(S_ISCHR(st.st_mode));
    }
}

// Each length up to 255 bytes that the folder takes (Windows also limits the whole path).
TEST_F(PicconvEndToEnd, OutputNamesUpToTheLongestTheSystemTakesAreWritten) {
    std::string commands;
    std::vector<EXPECTED_T> expected;
    for (size_t length = 249; length <= 255; length++) {
        const std::string name(length, 'o');
        if (writeFile(dir_ + "/" + name, "")) {
            removeTree(dir_ + "/" + name);
            commands += line("one1x1.bmp", name, "0,0,1,1", "0,0,3,3");
            expected.push_back({name, &one1x1_, {0, 0, 1, 1, 3, 3}, true, true});
        }
    }
    if (expected.empty()) {
        GTEST_SKIP() << "no name of 249 bytes or more fits in this folder's path";
    }
    const RUN_RESULT_T result = run(commands, dir_);
    EXPECT_EQ(result.status, 0) << result.err;
    expectFiles(expected, dir_);
    expectOnlyFiles(expected, dir_);
}

TEST_F(PicconvEndToEnd, AFailedLineLeavesNoEarlierPictureAtItsOutputButKeepsOtherFiles) {
    // A packed picture as an earlier run leaves it.
    writeBytes(dir_ + "/old.pmbp", referencePackedFile(one1x1_, {0, 0, 1, 1, 8, 1}));
    writeFile(dir_ + "/keep.bin", "not a packed picture");
    const RUN_RESULT_T result = run(line("missing.bmp", "old.pmbp", "0,0,4,4", "0,0,4,4") +
                                        line("missing.bmp", "keep.bin", "0,0,4,4", "0,0,4,4"),
                                    dir_);
    EXPECT_EQ(result.status, 4);
    expectReports(result,
                  "commands.txt:1: no output written to old.pmbp\n"
                  "commands.txt:2: no output written to keep.bin\n");
    EXPECT_FALSE(fileExists(dir_ + "/old.pmbp"));
    EXPECT_EQ(readFile(dir_ + "/keep.bin"), "not a packed picture");
}

TEST_F(PicconvEndToEnd, StartAndReadProblemsEndWithTheirStatus) {
    RUN_RESULT_T result = runProgram({converter_}, dir_);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "usage " + converter_ + " commandfilename\n");

    // The fixed message first, then the file and the system's reason.
    result = runProgram({converter_, "no-such-file.txt"}, dir_);
    EXPECT_EQ(result.status, 3);
    EXPECT_EQ(result.err,
              "Command file can't open.\npicconv: no-such-file.txt: No such file or directory\n");

    // A directory opens on Linux but cannot be read: not an empty command file.
    result = runProgram({converter_, "."}, dir_);
    EXPECT_EQ(result.status, 3);
    EXPECT_EQ(result.err.rfind("Command file can't open.\npicconv: .: ", 0), 0u) << result.err;
    EXPECT_EQ(listDir(dir_), inputs_);

    result = run("", dir_);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err + result.out, "");
    expectOnlyFiles({}, dir_);
}

TEST_F(PicconvEndToEnd, RunIsTheSameWithOrWithoutADisplayAndSdlStaysQuiet) {
    const std::string commands = line("pal10x9.bmp", "out.pmbp", "0,0,10,9", "0,0,10,9");
    const RUN_RESULT_T headless = run(commands, dir_);
    const std::string first = readFile(dir_ + "/out.pmbp");
    const RUN_RESULT_T withDisplay = run(commands, dir_, {"DISPLAY=:97"});
    EXPECT_EQ(headless.status, 0);
    EXPECT_EQ(withDisplay.status, 0);
    EXPECT_EQ(headless.err + headless.out, "");
    EXPECT_EQ(withDisplay.err + withDisplay.out, "");
    EXPECT_EQ(readFile(dir_ + "/out.pmbp"), first);
}

}  // namespace
