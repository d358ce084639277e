// Parallel (-j) and incremental (--state) runs against a run in one process: random command
// files over the test plug-ins, every file left behind, the messages and the exit status.
#include <stdlib.h>
#include <string.h>

#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/plugin/plugin_test_files.h"
#include "tests/support/run_program.h"
#include "tests/support/test_files.h"

namespace fs = std::filesystem;

namespace {

const char COMMANDS[] = "commands.txt";
const char OTHER_COMMANDS[] = "other.txt";
const char STATE[] = "run.state";
const char *const PICTURES[] = {"a.ppm", "b.ppm", "c.ppm", "d.ppm"};

typedef std::map<std::string, std::string> FILES_T;

// The names of the files that differ between two folders' files, or that only one has.
std::string differing(const FILES_T &a, const FILES_T &b) {
    std::string names;
    for (const auto &file : a) {
        const auto other = b.find(file.first);
        if (other == b.end() || other->second != file.second) {
            names += file.first + " ";
        }
    }
    for (const auto &file : b) {
        if (a.count(file.first) == 0) {
            names += file.first + " ";
        }
    }
    return names;
}

// Every file a run leaves in dir, by name, the state file aside.
FILES_T filesIn(const std::string &dir) {
    FILES_T files;
    for (const std::string &name : listDir(dir)) {
        if (name != STATE) {
            files[name] = readFile(dir + "/" + name);
        }
    }
    return files;
}

class PicconvParallel : public ::testing::Test {
   protected:
    void SetUp() override {
        root = makeTempDir("parallel-test");
        const char *count = getenv("PICCONV_DIFFERENTIAL_CASES");
        cases = count != nullptr ? atoi(count) : 12;
    }
    void TearDown() override { removeTree(root); }

    // A fresh folder with the pictures and the command files.
    std::string folder(const std::string &name, const std::string &commands,
                       const std::string &other = std::string()) {
        const std::string dir = root + "/" + name;
        removeTree(dir);
        fs::create_directories(dir);
        writeFile(dir + "/a.ppm", makePpm(6, 4, 1));
        writeFile(dir + "/b.ppm", makePpm(9, 7, 2));
        writeFile(dir + "/c.ppm", makePpm(13, 5, 3));
        writeFile(dir + "/d.ppm", makePpm(1, 1, 4));
        writeFile(dir + "/" + COMMANDS, commands);
        if (!other.empty()) {
            writeFile(dir + "/" + OTHER_COMMANDS, other);
        }
        return dir;
    }
    RUN_RESULT_T run(const std::string &dir, const std::vector<std::string> &options,
                     const char *commands = COMMANDS) {
        std::vector<std::string> argv = {PICCONV};
        argv.insert(argv.end(), options.begin(), options.end());
        argv.push_back(commands);
        return runProgram(argv, dir);
    }

    std::string root;
    int cases = 0;
};

// A random command file: records over the test plug-ins with pictures, rectangles and sizes on
// and past every edge, duplicate outputs, runs of one picture, failing lines, free text.
std::string randomCommands(std::mt19937 *random, bool withMissingPlugin) {
    const auto pick = [random](int count) {
        return static_cast<int>((*random)() % static_cast<unsigned>(count));
    };
    static const char *const PLUGINS[] = {"ok",  "ok",       "ok",       "ok2",
                                          "ok2", "failboth", "failnone", "pixelonly"};
    static const int WIDTHS[] = {0, 1, 2, 5, 8, 13};
    static const int HEIGHTS[] = {0, 1, 7, 8, 9, 13, 16377};
    std::string text;
    std::string plugin = testPluginPath("ok");
    std::string picture = "a.ppm";
    const int lines = 3 + pick(12);
    for (int i = 0; i < lines; i++) {
        const int kind = pick(20);
        if (kind == 0) {
            text += "just a note\n";
            continue;
        }
        if (kind == 1) {
            text += "two|fields\n";
            continue;
        }
        if (pick(10) >= 4) {
            plugin = withMissingPlugin && pick(12) == 0 ? "missing.spi"
                                                        : testPluginPath(PLUGINS[pick(8)]);
            picture = pick(10) == 0 ? "missing.ppm" : PICTURES[pick(4)];
        }
        const int x = pick(14) - 3;
        const int y = pick(14) - 3;
        const std::string w = pick(15) == 0 ? "65535" : std::to_string(pick(16));
        const std::string h = std::to_string(pick(16));
        text += plugin + "|" + picture + "|o" + std::to_string(pick(6)) + ".pmbp|" +
                std::to_string(x) + "," + std::to_string(y) + "," + w + "," + h + "|0,0," +
                std::to_string(WIDTHS[pick(6)]) + "," + std::to_string(HEIGHTS[pick(7)]) + "\n";
    }
    return text;
}

// One of the edits between two incremental runs, in dir: a changed picture, a changed line, an
// inserted line or a deleted line.
std::string edit(int kind, std::mt19937 *random, const std::string &commands,
                 const std::string &dir) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = commands.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(commands.substr(start, end + 1 - start));
    }
    const std::string fresh = randomCommands(random, false);
    const std::string added = fresh.substr(0, fresh.find('\n') + 1);
    const size_t at = lines.empty() ? 0 : (*random)() % lines.size();
    switch (kind) {
        case 0:
            writeFile(dir + "/c.ppm", makePpm(13, 5, 30));
            break;
        case 1:
            if (!lines.empty()) {
                lines[at] = added;
            }
            break;
        case 2:
            lines.insert(lines.begin() + static_cast<ptrdiff_t>(at), added);
            break;
        default:
            if (!lines.empty()) {
                lines.erase(lines.begin() + static_cast<ptrdiff_t>(at));
            }
            break;
    }
    std::string edited;
    for (const std::string &line : lines) {
        edited += line;
    }
    writeFile(dir + "/" + COMMANDS, edited);
    return edited;
}

std::vector<std::string> jobsOption(int jobs) {
    return jobs == 0 ? std::vector<std::string>()
                     : std::vector<std::string>{"-j", std::to_string(jobs)};
}

}  // namespace

TEST_F(PicconvParallel, EveryFileMessageAndStatusIsThatOfARunInOneProcess) {
    std::mt19937 random(20261209);
    for (int c = 0; c < cases; c++) {
        const bool keepGoing = c % 2 == 0;
        const std::string commands = randomCommands(&random, true);
        std::vector<std::string> options;
        if (keepGoing) {
            options.push_back("-k");
        }
        const std::string serialDir = folder("serial", commands);
        const RUN_RESULT_T serial = run(serialDir, options);
        const FILES_T expected = filesIn(serialDir);
        for (int jobs = 1; jobs <= 8; jobs++) {
            std::vector<std::string> parallelOptions = options;
            parallelOptions.push_back("-j" + std::to_string(jobs));
            const std::string dir = folder("parallel", commands);
            const RUN_RESULT_T parallel = run(dir, parallelOptions);
            SCOPED_TRACE("case " + std::to_string(c) + ", -j " + std::to_string(jobs) + ":\n" +
                         commands);
            EXPECT_EQ(parallel.status, serial.status);
            EXPECT_EQ(parallel.out, serial.out);
            EXPECT_EQ(parallel.err, serial.err);
            EXPECT_EQ(differing(filesIn(dir), expected), "");
        }
    }
}

TEST_F(PicconvParallel, IncrementalRunsLeaveWhatRunsWithoutAStateLeave) {
    std::mt19937 random(1209);
    for (int c = 0; c < cases; c++) {
        const std::string other = randomCommands(&random, false);
        const std::string commands = randomCommands(&random, false);
        const int kind = c % 4;
        // The runs without a state: another command file, this one, then this one edited.
        const std::string plain = folder("plain", commands, other);
        run(plain, {}, OTHER_COMMANDS);
        const RUN_RESULT_T first = run(plain, {});
        const FILES_T afterFirst = filesIn(plain);
        std::mt19937 editing(static_cast<unsigned>(c));
        const std::string edited = edit(kind, &editing, commands, plain);
        const RUN_RESULT_T second = run(plain, {});
        const FILES_T afterSecond = filesIn(plain);
        for (int jobs = 0; jobs <= 8; jobs++) {
            SCOPED_TRACE("case " + std::to_string(c) + ", edit " + std::to_string(kind) + ", -j " +
                         std::to_string(jobs) + ":\n" + commands + "then:\n" + edited);
            std::vector<std::string> options = jobsOption(jobs);
            options.push_back("--state");
            options.push_back(STATE);
            const std::string dir = folder("stated", commands, other);
            run(dir, options, OTHER_COMMANDS);
            EXPECT_EQ(run(dir, options).status, first.status);
            EXPECT_EQ(differing(filesIn(dir), afterFirst), "");
            std::mt19937 again(static_cast<unsigned>(c));
            edit(kind, &again, commands, dir);
            EXPECT_EQ(run(dir, options).status, second.status);
            EXPECT_EQ(differing(filesIn(dir), afterSecond), "");
        }
    }
}

TEST_F(PicconvParallel, AWorkerThatCrashesOrHangsCostsOnlyItsLine) {
    const std::string ok = testPluginPath("ok");
    const std::string around =
        ok + "|a.ppm|1.bin|0,0,6,4|0,0,5,9\n" + ok + "|b.ppm|2.bin|1,1,5,5|0,0,7,7\n";
    const std::string after = ok + "|c.ppm|3.bin|0,0,13,5|0,0,8,8\n";
    const std::string reference = folder("reference", around + after);
    EXPECT_EQ(run(reference, {}).status, 0);
    const FILES_T expected = filesIn(reference);
    struct CASE_T {
        std::string plugin;
        std::vector<std::string> options;
        std::string reason;
    };
    const CASE_T cases[] = {
        {"crash", {"-j", "2"}, ""},
        {"hang",
         {"--line-timeout", "1"},
         "it took longer than 1 seconds (--line-timeout), so "
         "its worker was stopped\n"},
    };
    for (const CASE_T &c : cases) {
        const std::string dir = folder(c.plugin, around + testPluginPath(c.plugin) +
                                                     "|a.ppm|bad.bin|0,0,6,4|0,0,6,4\n" + after);
        const RUN_RESULT_T result = run(dir, c.options);
        EXPECT_EQ(result.status, 4) << c.plugin;
        const std::string report = "commands.txt:3: no output written to bad.bin: ";
        const size_t found = result.err.find(report);
        ASSERT_NE(found, std::string::npos) << result.err;
        EXPECT_EQ(result.err.back(), '\n');
        if (!c.reason.empty()) {
            EXPECT_EQ(result.err.substr(found + report.size()), c.reason);
        }
        FILES_T files = filesIn(dir);
        FILES_T wanted = expected;
        wanted[COMMANDS] = files[COMMANDS];
        EXPECT_EQ(differing(files, wanted), "") << c.plugin;
    }
}

TEST_F(PicconvParallel, OutputsThatWouldNotChangeAreLeftAloneTheirTimesToo) {
    const std::string ok = testPluginPath("ok");
    const std::string commands = ok + "|a.ppm|1.bin|0,0,6,4|0,0,5,9\n" + ok +
                                 "|b.ppm|2.bin|1,1,5,5|0,0,7,7\n" + ok +
                                 "|c.ppm|3.bin|0,0,9,5|0,0,8,8\n";
    const std::vector<std::vector<std::string>> optionSets = {
        {}, {"-j", "2"}, {"--state", STATE}, {"-j", "3", "--state", STATE}};
    for (const std::vector<std::string> &options : optionSets) {
        const std::string dir = folder("same", commands);
        EXPECT_EQ(run(dir, options).status, 0);
        // 2.bin is changed by hand, so it alone is written again.
        writeFile(dir + "/2.bin", "changed");
        std::map<std::string, fs::file_time_type> old;
        for (const char *name : {"1.bin", "2.bin", "3.bin"}) {
            const std::string path = dir + "/" + name;
            fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(24));
            // As the file system keeps it, to its own precision.
            old[name] = fs::last_write_time(path);
        }
        const FILES_T before = filesIn(dir);
        EXPECT_EQ(run(dir, options).status, 0);
        EXPECT_EQ(fs::last_write_time(dir + "/1.bin"), old["1.bin"]);
        EXPECT_EQ(fs::last_write_time(dir + "/3.bin"), old["3.bin"]);
        EXPECT_NE(fs::last_write_time(dir + "/2.bin"), old["2.bin"]);
        EXPECT_NE(readFile(dir + "/2.bin"), before.at("2.bin"));
    }
}

TEST_F(PicconvParallel, StatsSayWhereTheTimeWentSummedOverTheLinesAndWorkers) {
    const std::string ok = testPluginPath("ok");
    const std::string commands =
        ok + "|a.ppm|1.bin|0,0,6,4|0,0,5,9\n" + ok + "|b.ppm|2.bin|1,1,5,5|0,0,7,7\nnot a record\n";
    for (const std::vector<std::string> &options :
         {std::vector<std::string>{"--stats"}, std::vector<std::string>{"--stats", "-j", "2"}}) {
        const RUN_RESULT_T result = run(folder("stats", commands), options);
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.err.rfind("picconv: 3 lines in ", 0), 0u) << result.err;
        // Each stage with how often it ran: two pictures decoded, loaded and resampled.
        for (const char *stage : {"decoding", "loading it", "resampling", "writing outputs"}) {
            const size_t at = result.err.find(std::string("  ") + stage + " ");
            ASSERT_NE(at, std::string::npos) << stage;
            EXPECT_EQ(atoi(result.err.c_str() +
                           result.err.find_first_not_of(' ', at + 2 + strlen(stage))),
                      2)
                << stage;
        }
    }
}
