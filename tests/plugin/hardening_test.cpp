// picconv against stops, a temporary bitmap that is not a regular file, and plug-ins that hand
// back what they should not.
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "tests/plugin/plugin_test_files.h"
#include "tests/support/run_program.h"
#include "tests/support/test_files.h"

namespace {

typedef PicconvPluginTest PicconvPluginEndToEndHardening;

// Waits up to ten seconds for entry to appear in the plug-in log at path.
bool waitForLog(const std::string &path, const std::string &entry) {
    for (int tries = 0; tries < 1000; tries++) {
        const std::vector<std::string> lines = readLines(path);
        if (std::count(lines.begin(), lines.end(), entry) > 0) {
            return true;
        }
        usleep(10000);
    }
    return false;
}

// Whether the program ends within ten seconds of being told to stop; one that does not is
// killed, so that a failing test does not hang.
bool endsPromptly(const RUNNING_T &running) {
    for (int tries = 0; tries < 1000; tries++) {
        siginfo_t info = {};
        if (waitid(P_PID, running.pid, &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
            info.si_pid == running.pid) {
            return true;
        }
        usleep(10000);
    }
    kill(running.pid, SIGKILL);
    return false;
}

// The other processes working in folder dir, by their current folder (zombies have none).
int processesIn(const std::string &dir) {
    int count = 0;
    for (const std::string &entry : listDir("/proc")) {
        if (entry == std::to_string(getpid()) || entry.find("self") != std::string::npos) {
            continue;
        }
        char target[4096];
        const ssize_t length =
            readlink(("/proc/" + entry + "/cwd").c_str(), target, sizeof target - 1);
        count += length > 0 && std::string(target, static_cast<size_t>(length)) == dir;
    }
    return count;
}

// Another process could take the temporary bitmap's lock now.
bool lockIsFree(const std::string &path) {
    const int probe = open(path.c_str(), O_RDONLY);
    const bool free = probe >= 0 && flock(probe, LOCK_EX | LOCK_NB) == 0;
    if (probe >= 0) {
        close(probe);
    }
    return free;
}

// A "PMBP" file whose header's file size is its length: complete, never cut off.
bool isCompletePicture(const std::string &bytes) {
    if (bytes.size() < 20 || bytes.compare(0, 4, "PMBP") != 0) {
        return false;
    }
    const uint8_t *size = reinterpret_cast<const uint8_t *>(bytes.data()) + 4;
    return (size[0] | size[1] << 8 | size[2] << 16 | static_cast<uint32_t>(size[3]) << 24) ==
           bytes.size();
}

}  // namespace

TEST_F(PicconvPluginEndToEndHardening,
       StopSignalsEndTheRunPromptlyAndLeaveTheLineInProgressUnwritten) {
    writeFile(at("a.ppm"), makePpm(6, 4, 1));
    const struct {
        int signal;
        int status;
    } stops[] = {{SIGINT, 130}, {SIGTERM, 143}, {SIGHUP, 129}};
    mkdir(at("tmp").c_str(), 0700);
    // In one process, and with workers, which end with it.
    for (const std::vector<std::string> &options :
         {std::vector<std::string>{}, std::vector<std::string>{"-j", "2"}}) {
        for (const auto &stop : stops) {
            removeTree(logPath);
            removeTree(at("first.bin"));
            writeFile(at("second.bin"), OLD_PICTURE);
            // The second line's plug-in never returns from GetPicture.
            RUNNING_T running =
                start(line("ok", "a.ppm", "first.bin") + line("hang", "a.ppm", "second.bin") +
                          line("ok", "a.ppm", "third.bin"),
                      options, {"TMPDIR=" + at("tmp")});
            ASSERT_TRUE(waitForLog(logPath, "hang progress 0")) << stop.signal;
            kill(running.pid, stop.signal);
            EXPECT_TRUE(endsPromptly(running)) << stop.signal;
            const RUN_RESULT_T result = finishProgram(running);
            EXPECT_EQ(result.status, stop.status) << stop.signal;
            EXPECT_EQ(processesIn(dir), 0) << stop.signal;
            EXPECT_TRUE(listDir(at("tmp")).empty()) << stop.signal;
            if (options.empty()) {
                EXPECT_TRUE(isCompletePicture(readFile(at("first.bin"))));
            }
            EXPECT_EQ(readFile(at("second.bin")), OLD_PICTURE);
            EXPECT_FALSE(fileExists(at("third.bin")));
            EXPECT_TRUE(lockIsFree(at(TEMP_NAME)));
        }
    }
}

TEST_F(PicconvPluginEndToEndHardening,
       AStopAtAnyMomentLeavesEachOutputOldOrCompleteAndNoTemporaries) {
    writeFile(at("big.ppm"), makePpm(1600, 1200, 2));
    std::string commands;
    std::vector<std::string> outputs;
    for (int i = 0; i < 6; i++) {
        outputs.push_back("big" + std::to_string(i) + ".bin");
        commands +=
            testPluginPath("ok") + "|big.ppm|" + outputs.back() + "|0,0,1600,1200|0,0,1600,1200\n";
    }
    // The run never ends by itself, so every stop lands somewhere in the lines before.
    commands += line("hang", "big.ppm", "never.bin");
    std::vector<std::string> expected = {"big.ppm", "commands.txt", TEMP_NAME};
    expected.insert(expected.end(), outputs.begin(), outputs.end());
    std::sort(expected.begin(), expected.end());
    for (int delay : {0, 20, 50, 90, 140, 200, 300}) {
        for (const std::string &output : outputs) {
            writeFile(at(output), OLD_PICTURE);
        }
        removeTree(logPath);
        RUNNING_T running = start(commands);
        ASSERT_TRUE(waitForLog(logPath, "ok progress 0"));
        usleep(delay * 1000);
        kill(running.pid, SIGTERM);
        EXPECT_TRUE(endsPromptly(running)) << delay;
        EXPECT_EQ(finishProgram(running).status, 143) << delay;
        for (const std::string &output : outputs) {
            const std::string bytes = readFile(at(output));
            EXPECT_TRUE(bytes == OLD_PICTURE || isCompletePicture(bytes)) << output << delay;
        }
        EXPECT_EQ(listDir(dir), expected) << delay;
    }
}

TEST_F(PicconvPluginEndToEndHardening,
       ATemporaryBitmapThatIsNoRegularFileCostsTheLineAndLeavesItsTargetAlone) {
    writeFile(at("a.ppm"), makePpm(6, 4, 3));
    writeFile(at("victim.txt"), "keep me");
    const std::string noOutput = "commands.txt:1: no output written to out.bin: ";
    const struct {
        const char *kind;
        std::string why;
    } cases[] = {
        {"link", "it is a symbolic link, which is never followed"},
        {"dangling", "it is a symbolic link, which is never followed"},
        {"folder", "it is a folder"},
        {"fifo", "it is not a regular file"},
    };
    for (const auto &c : cases) {
        removeTree(at(TEMP_NAME));
        const std::string kind = c.kind;
        if (kind == "link") {
            ASSERT_EQ(symlink("victim.txt", at(TEMP_NAME).c_str()), 0);
        } else if (kind == "dangling") {
            ASSERT_EQ(symlink("created.txt", at(TEMP_NAME).c_str()), 0);
        } else if (kind == "folder") {
            ASSERT_EQ(mkdir(at(TEMP_NAME).c_str(), 0755), 0);
        } else {
            ASSERT_EQ(mkfifo(at(TEMP_NAME).c_str(), 0644), 0);
        }
        const RUN_RESULT_T result = run(line("ok", "a.ppm", "out.bin"));
        EXPECT_EQ(result.status, 4) << kind;
        EXPECT_EQ(result.err, noOutput + "cannot use $$temp$$.bmp: " + c.why + "\n") << kind;
        EXPECT_FALSE(fileExists(at("out.bin"))) << kind;
        EXPECT_EQ(readFile(at("victim.txt")), "keep me");
        EXPECT_FALSE(fileExists(at("created.txt")));
    }
}

TEST_F(PicconvPluginEndToEndHardening, PicturesOverTheLimitsOrWithForeignBlocksCostOnlyTheirLine) {
    writeFile(at("a.ppm"), makePpm(6, 4, 4));
    const RUN_RESULT_T result =
        run(line("ok", "a.ppm", "1.bin") + line("huge", "a.ppm", "2.bin") +
            line("foreign", "a.ppm", "3.bin") + line("ok", "a.ppm", "4.bin"));
    EXPECT_EQ(result.status, 4);
    EXPECT_EQ(result.err,
              "commands.txt:2: no output written to 2.bin: picture a.ppm refused: 32767 x 32767 "
              "pixels is over the limit of 67108864 pixels\n"
              "commands.txt:3: no output written to 3.bin: picture a.ppm refused: a block handed "
              "back is not a local memory block\n");
    EXPECT_TRUE(fileExists(at("1.bin")));
    EXPECT_FALSE(fileExists(at("2.bin")));
    EXPECT_FALSE(fileExists(at("3.bin")));
    EXPECT_TRUE(isCompletePicture(readFile(at("4.bin"))));
}

TEST_F(PicconvPluginEndToEndHardening, HostileHandlesCostOnlyTheirLineAndAreNeverRead) {
    // Each picture's name tells the hostile plug-in what to hand back as its pixel block (and
    // in GetPictureInfo, which --check calls); a working line follows each one.
    const std::string notABlock = "a block handed back is not a local memory block";
    const std::pair<std::string, std::string> kinds[] = {
        {"same", "the same block was handed back as the picture header and as the pixels"},
        {"stray", notABlock},
        {"malloc", notABlock},
        {"freed", notABlock},
        {"oldkit", notABlock},
    };
    std::string commands;
    std::string expected;
    int lineNumber = 1;
    for (const auto &kind : kinds) {
        const std::string picture = kind.first + ".ppm";
        writeFile(at(picture), makePpm(6, 4, lineNumber));
        commands += line("hostile", picture, kind.first + ".bin") +
                    line("ok", picture, kind.first + "-ok.bin");
        expected += "commands.txt:" + std::to_string(lineNumber) + ": no output written to " +
                    kind.first + ".bin: picture " + picture + " refused: " + kind.second + "\n";
        lineNumber += 2;
    }
    const RUN_RESULT_T result = run(commands);
    EXPECT_EQ(result.status, 4);
    EXPECT_EQ(result.err, expected);
    for (const auto &kind : kinds) {
        EXPECT_FALSE(fileExists(at(kind.first + ".bin"))) << kind.first;
        EXPECT_TRUE(isCompletePicture(readFile(at(kind.first + "-ok.bin")))) << kind.first;
    }
    const RUN_RESULT_T checked = runWith({"--check", "commands.txt"});
    EXPECT_EQ(checked.status, 0) << checked.err;
}

TEST_F(PicconvPluginEndToEndHardening, CutsOfARememberedDecodeLoadTheTemporaryBitmapOnce) {
    writeFile(at("a.ppm"), makePpm(40, 30, 5));
    // How often the converter opens the temporary bitmap, for one cut and for ten.
    auto opensFor = [this](int cuts) {
        std::string commands;
        for (int i = 0; i < cuts; i++) {
            commands += testPluginPath("ok") + "|a.ppm|c" + std::to_string(i) + ".bin|" +
                        std::to_string(i) + ",0,10,8|0,0,10,8\n";
        }
        removeTree(at(TEMP_NAME));
        const int watch = inotify_init1(IN_NONBLOCK);
        inotify_add_watch(watch, dir.c_str(), IN_OPEN);
        EXPECT_EQ(run(commands).status, 0);
        int opens = 0;
        alignas(struct inotify_event) char buffer[65536];
        for (ssize_t got; (got = read(watch, buffer, sizeof buffer)) > 0;) {
            for (char *p = buffer; p < buffer + got;) {
                const struct inotify_event *event = reinterpret_cast<struct inotify_event *>(p);
                opens += event->len > 0 && std::string(event->name) == TEMP_NAME;
                p += sizeof *event + event->len;
            }
        }
        close(watch);
        return opens;
    };
    const int once = opensFor(1);
    EXPECT_GT(once, 0);
    EXPECT_EQ(opensFor(10), once);
}
