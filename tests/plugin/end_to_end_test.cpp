// picconv run on command files with the test plug-ins: the temporary bitmap, messages,
// statuses, plug-in loads and releases, the remembered decode and the run lock.
#include <algorithm>
#include <filesystem>

#include <gtest/gtest.h>

#include "tests/plugin/plugin_test_files.h"
#include "tests/support/test_files.h"

namespace fs = std::filesystem;

typedef PicconvPluginTest PicconvPluginEndToEnd;

TEST_F(PicconvPluginEndToEnd, EachPluginKindGivesItsTemporaryBitmapMessageAndStatus) {
    const std::string ppm = makePpm(6, 4, 1);
    writeFile(at("a.ppm"), ppm);
    struct CASE_T {
        std::string plugin;
        std::string bitmap;
        std::string errors;
        bool output;
    };
    const std::string noOutput = "commands.txt:1: no output written to out.bin: ";
    const auto plugin = [](const char *name) { return testPluginPath(name); };
    const CASE_T cases[] = {
        {"ok", expectedBitmap(ppm, INFO_AND_PIXELS), "", true},
        {"failboth", expectedBitmap(ppm, INFO_AND_PIXELS),
         "cannot get picture (8)\ncommands.txt:1: " + plugin("failboth") +
             " cannot decode a.ppm: internal error (8); the output was written all the same\n",
         true},
        {"pixelonly", expectedBitmap(ppm, HEADER_ONLY),
         noOutput + "picture a.ppm refused: no picture header was handed back\n", false},
        {"unlockable", expectedBitmap(ppm, HEADER_ONLY),
         noOutput + "picture a.ppm refused: the picture header block cannot be locked\n", false},
        {"failnone", expectedBitmap(ppm, HEADER_ONLY),
         "cannot get picture (3)\n" + noOutput + plugin("failnone") +
             " cannot decode a.ppm: broken data (3)\n",
         false},
        {"nopicture", expectedBitmap(ppm, HEADER_ONLY),
         "GetPicture not implemented.\n" + noOutput + plugin("nopicture") +
             " has no GetPicture entry point, so it cannot decode a.ppm\n",
         false},
        {"am", expectedBitmap(ppm, HEADER_ONLY),
         "GetPicture not implemented.\n" + noOutput + plugin("am") +
             " has no GetPicture entry point, so it cannot decode a.ppm\n",
         false},
    };
    for (const CASE_T &c : cases) {
        fs::remove(at("out.bin"));
        RUN_RESULT_T result = run(line(c.plugin, "a.ppm", "out.bin"));
        EXPECT_EQ(result.status, c.output ? 0 : 4) << c.plugin;
        EXPECT_EQ(result.err, c.errors) << c.plugin;
        EXPECT_EQ(readFile(at(TEMP_NAME)), c.bitmap) << c.plugin;
        EXPECT_EQ(fileExists(at("out.bin")), c.output) << c.plugin;
    }
}

TEST_F(PicconvPluginEndToEnd, PluginThatCannotServeEndsTheRunWithStatusOne) {
    writeFile(at("a.ppm"), makePpm(6, 4, 2));
    std::string letters;
    for (int i = 0; i < 128; i++) {
        letters += static_cast<char>('a' + i % 26);
    }
    const std::string missing = at("missing.spi");
    struct CASE_T {
        std::string plugin;
        std::string message;  // the fixed message, then the line's report
    };
    const auto taken = [](const std::string &path, const std::string &version) {
        return "commands.txt:2: " + path + " reports API version \"" + version +
               "\"; only 00IN and 00AM plug-ins are taken\n";
    };
    const CASE_T cases[] = {
        {missing, "cannot load plugin (" + missing + ")\ncommands.txt:2: cannot load plugin " +
                      missing + ": "},
        {testPluginPath("noinfo"), "cannot get procedure address: GetPluginInfo (" +
                                       testPluginPath("noinfo") +
                                       ")\ncommands.txt:2: " + testPluginPath("noinfo") +
                                       " has no GetPluginInfo entry point, so it is no plug-in\n"},
        {testPluginPath("info0"), "cannot get API version\ncommands.txt:2: " +
                                      testPluginPath("info0") + " gives no API version\n"},
        {testPluginPath("lower"),
         "non-supported plugin (00in)\n" + taken(testPluginPath("lower"), "00in")},
        {testPluginPath("longer"),
         "non-supported plugin (00INX)\n" + taken(testPluginPath("longer"), "00INX")},
        {testPluginPath("nonul"),
         "non-supported plugin (" + letters + ")\n" + taken(testPluginPath("nonul"), letters)},
    };
    for (const CASE_T &c : cases) {
        fs::remove(logPath);
        fs::remove(at("first.bin"));
        fs::remove(at("second.bin"));
        RUN_RESULT_T result =
            run(line("ok", "a.ppm", "first.bin") + c.plugin +
                "|a.ppm|second.bin|0,0,6,4|0,0,6,4\n" + line("ok", "a.ppm", "third.bin"));
        EXPECT_EQ(result.status, 1) << c.plugin;
        // The loader's own words for a missing file vary; then where the run stopped.
        EXPECT_EQ(result.err.substr(0, c.message.size()), c.message);
        const std::string stopped =
            "commands.txt:2: the run stopped at this line; with -k "
            "(--keep-going) it goes on with the next one\n";
        EXPECT_EQ(
            result.err.substr(result.err.size() - std::min(result.err.size(), stopped.size())),
            stopped);
        EXPECT_TRUE(fileExists(at("first.bin")));
        EXPECT_FALSE(fileExists(at("second.bin")));
        EXPECT_FALSE(fileExists(at("third.bin")));
        // The working plug-in was released before the failing load, and only then; the
        // failing one is left loaded.
        std::vector<std::string> events = log();
        EXPECT_EQ(std::vector<std::string>(events.begin(),
                                           events.begin() + std::min<size_t>(5, events.size())),
                  (std::vector<std::string>{"ok load", "ok info 0", "ok picture a.ppm",
                                            "ok progress 0", "ok unload"}));
        EXPECT_EQ(logged("ok unload"), 1);
    }
}

TEST_F(PicconvPluginEndToEnd,
       PluginsAreLoadedOnChangeAndReleasedBeforeTheNextAndBeforeSdlShutsDown) {
    writeFile(at("a.ppm"), makePpm(6, 4, 3));
    writeFile(at("b.ppm"), makePpm(6, 4, 4));
    RUN_RESULT_T result = run(line("ok", "a.ppm", "1.bin") + line("ok", "b.ppm", "2.bin") +
                                  line("ok2", "b.ppm", "3.bin") + line("ok2", "b.ppm", "4.bin") +
                                  "too|few|fields\n" + line("ok", "b.ppm", "5.bin"),
                              {}, {"TEST_PLUGIN_SDL_CHECK=1"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(log(),
              (std::vector<std::string>{
                  "ok load", "ok info 0", "ok picture a.ppm", "ok progress 0", "ok picture b.ppm",
                  "ok progress 0", "ok unload sdl=up", "ok2 load", "ok2 info 0",
                  "ok2 picture b.ppm", "ok2 progress 0", "ok2 unload sdl=up", "ok load",
                  "ok info 0", "ok picture b.ppm", "ok progress 0", "ok unload sdl=up"}));
    // The same picture through another plug-in is that plug-in's picture.
    EXPECT_NE(readFile(at("2.bin")), readFile(at("3.bin")));
    EXPECT_EQ(readFile(at(TEMP_NAME)), expectedBitmap(makePpm(6, 4, 4), INFO_AND_PIXELS));
}

TEST_F(PicconvPluginEndToEnd, TenRectanglesOfOnePictureDecodeItOnceWithTheSameOutput) {
    writeFile(at("big.ppm"), makePpm(40, 30, 5));
    std::string cached;
    std::string uncached;
    std::string detour;
    for (int i = 0; i < 10; i++) {
        const std::string rect = std::to_string(i * 3) + "," + std::to_string(i * 2) + ",10,8";
        cached += line("ok", "big.ppm", "c" + std::to_string(i) + ".bin", rect);
        // Another spelling of the same file's path is never matched, so it is decoded anew.
        uncached += line("ok", detour + "big.ppm", "u" + std::to_string(i) + ".bin", rect);
        detour += "./";
    }
    EXPECT_EQ(run(cached).status, 0);
    EXPECT_EQ(logged("ok picture big.ppm"), 1);
    fs::remove(logPath);
    EXPECT_EQ(run(uncached).status, 0);
    const std::vector<std::string> events = log();
    EXPECT_EQ(std::count_if(events.begin(), events.end(),
                            [](const std::string &e) { return e.rfind("ok picture", 0) == 0; }),
              10);
    for (int i = 0; i < 10; i++) {
        const std::string n = std::to_string(i);
        EXPECT_FALSE(readFile(at("c" + n + ".bin")).empty());
        EXPECT_EQ(readFile(at("c" + n + ".bin")), readFile(at("u" + n + ".bin"))) << i;
    }
}

TEST_F(PicconvPluginEndToEnd, RunWithoutDecodeLeavesNoTemporaryBitmap) {
    RUN_RESULT_T result = run("no|record\n\n");
    EXPECT_EQ(result.status, 0);
    EXPECT_FALSE(fileExists(at(TEMP_NAME)));
}

TEST_F(PicconvPluginEndToEnd, BarePluginNameIsFoundInTheCurrentDirectory) {
    writeFile(at("a.ppm"), makePpm(6, 4, 7));
    fs::copy_file(testPluginPath("ok"), at("ifmine.spi"));
    RUN_RESULT_T result = run("ifmine.spi|a.ppm|out.bin|0,0,6,4|0,0,6,4\n");
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(fileExists(at("out.bin")));
}

TEST_F(PicconvPluginEndToEnd, TwoRunsAtOnceInOneDirectoryWriteWhatTheyWriteOneAfterTheOther) {
    // Back-to-back decodes of alternating pictures of different sizes: unguarded runs
    // would rewrite the bitmap between the other's writing and loading it.
    const int lines = 40;
    std::string first;
    std::string second;
    for (int i = 0; i < lines; i++) {
        const std::string n = std::to_string(i);
        first += line("ok", "p" + std::to_string(i % 2) + ".ppm", "first" + n + ".bin");
        second += line("ok2", "q" + std::to_string(i % 2) + ".ppm", "second" + n + ".bin");
    }
    const std::string together = dir + "/together";
    const std::string apart = dir + "/apart";
    for (const std::string &where : {together, apart}) {
        fs::create_directory(where);
        writeFile(where + "/p0.ppm", makePpm(64, 48, 10));
        writeFile(where + "/p1.ppm", makePpm(8, 6, 11));
        writeFile(where + "/q0.ppm", makePpm(9, 5, 12));
        writeFile(where + "/q1.ppm", makePpm(70, 40, 13));
        writeFile(where + "/first.txt", first);
        writeFile(where + "/second.txt", second);
    }
    EXPECT_EQ(runProgram({PICCONV, "first.txt"}, apart, {}).status, 0);
    EXPECT_EQ(runProgram({PICCONV, "second.txt"}, apart, {}).status, 0);
    RUNNING_T a = startProgram({PICCONV, "first.txt"}, together, {});
    RUNNING_T b = startProgram({PICCONV, "second.txt"}, together, {});
    EXPECT_EQ(finishProgram(a).status, 0);
    EXPECT_EQ(finishProgram(b).status, 0);
    int differing = 0;
    for (int i = 0; i < lines; i++) {
        for (const std::string name : {"first", "second"}) {
            const std::string file = "/" + name + std::to_string(i) + ".bin";
            EXPECT_FALSE(readFile(apart + file).empty()) << file;
            differing += readFile(together + file) != readFile(apart + file);
        }
    }
    EXPECT_EQ(differing, 0);
}

TEST_F(PicconvPluginEndToEnd, KeepGoingCostsAPluginThatCannotBeLoadedOnlyItsOwnLines) {
    writeFile(at("a.ppm"), makePpm(6, 4, 8));
    const std::string missing = at("missing.spi");
    const std::string commands = line("ok", "a.ppm", "1.bin") + missing +
                                 "|a.ppm|2.bin|0,0,6,4|0,0,6,4\n" + line("ok", "a.ppm", "3.bin") +
                                 missing + "|a.ppm|4.bin|0,0,6,4|0,0,6,4\n";
    for (const char *option : {"-k", "--keep-going"}) {
        const RUN_RESULT_T result = run(commands, {option});
        EXPECT_EQ(result.status, 4) << option;
        for (const char *line : {"2", "4"}) {
            const std::string report = std::string("cannot load plugin (") + missing +
                                       ")\ncommands.txt:" + line + ": no output written to " +
                                       line + ".bin: cannot load plugin " + missing + ": ";
            EXPECT_NE(result.err.find(report), std::string::npos) << result.err;
        }
        EXPECT_TRUE(fileExists(at("1.bin")));
        EXPECT_TRUE(fileExists(at("3.bin")));
        EXPECT_FALSE(fileExists(at("2.bin")));
        EXPECT_FALSE(fileExists(at("4.bin")));
        fs::remove(at("1.bin"));
        fs::remove(at("3.bin"));
    }
}

TEST_F(PicconvPluginEndToEnd, OutputsThatWouldDestroyAFileTheRunNeedsAreRefusedAndLeftAlone) {
    const std::string ppm = makePpm(6, 4, 9);
    writeFile(at("a.ppm"), ppm);
    writeFile(at("elsewhere.txt"), "kept");
    const std::string commands = line("ok", "a.ppm", TEMP_NAME) + line("ok", "a.ppm", "./a.ppm") +
                                 line("ok", "./a.ppm", "commands.txt") +
                                 line("ok", "a.ppm", "out.bin");
    RUN_RESULT_T result = run(commands);
    EXPECT_EQ(result.status, 4);
    EXPECT_EQ(result.err, "commands.txt:1: no output written to " + std::string(TEMP_NAME) +
                              ": it is the temporary bitmap, which every decode overwrites\n"
                              "commands.txt:2: no output written to ./a.ppm: it is the line's "
                              "own picture\n"
                              "commands.txt:3: no output written to commands.txt: it is the "
                              "command file\n");
    EXPECT_EQ(readFile(at("a.ppm")), ppm);
    EXPECT_EQ(readFile(at("commands.txt")), commands);
    EXPECT_EQ(readFile(at(TEMP_NAME)), expectedBitmap(ppm, INFO_AND_PIXELS));
    EXPECT_TRUE(fileExists(at("out.bin")));

    // A temporary bitmap with another name elsewhere is never written through.
    fs::remove(at(TEMP_NAME));
    fs::create_hard_link(at("elsewhere.txt"), at(TEMP_NAME));
    result = run(line("ok", "a.ppm", "out.bin"));
    EXPECT_EQ(result.status, 4);
    EXPECT_EQ(result.err, "commands.txt:1: no output written to out.bin: cannot use " +
                              std::string(TEMP_NAME) +
                              ": it has other names (hard links), and writing it would change "
                              "the files they name\n");
    EXPECT_EQ(readFile(at("elsewhere.txt")), "kept");
}

TEST_F(PicconvPluginEndToEnd, InputDirReadsPicturesAndPluginsThereAndWritesHere) {
    const std::string source = at("source");
    const std::string build = at("build");
    fs::create_directories(source + "/sub");
    fs::create_directories(source + "/plugins");
    fs::create_directory(build);
    writeFile(source + "/a.ppm", makePpm(6, 4, 10));
    writeFile(source + "/sub/b.ppm", makePpm(6, 4, 11));
    fs::copy_file(testPluginPath("ok"), source + "/ifmine.spi");
    fs::copy_file(testPluginPath("ok2"), source + "/plugins/ifother.spi");
    const std::string commands =
        "ifmine.spi|a.ppm|1.bin|0,0,6,4|0,0,6,4\n"
        "plugins/ifother.spi|sub/b.ppm|2.bin|0,0,6,4|0,0,6,4\n" +
        line("ok", source + "/a.ppm", "3.bin");
    writeFile(source + "/commands.txt", commands);
    const std::vector<std::string> before = listDir(source);
    const RUN_RESULT_T result =
        runProgram({PICCONV, "--input-dir", "../source", "../source/commands.txt"}, build, {});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(listDir(source), before);
    EXPECT_EQ(listDir(build), (std::vector<std::string>{TEMP_NAME, "1.bin", "2.bin", "3.bin"}));
    // The same files as a run in the command file's own folder.
    EXPECT_EQ(runProgram({PICCONV, "commands.txt"}, source, {}).status, 0);
    for (const char *name : {"1.bin", "2.bin", "3.bin"}) {
        EXPECT_EQ(readFile(build + "/" + name), readFile(source + "/" + name)) << name;
    }
}

TEST_F(PicconvPluginEndToEnd, ReasonsSayWhenAPictureIsMissingOrOverThePixelLimit) {
    writeFile(at("big.ppm"), "P6 10000 10000 255\n\1\2\3");
    const RUN_RESULT_T result =
        run(line("ok", "missing.ppm", "1.bin") + line("ok", "big.ppm", "2.bin"));
    EXPECT_EQ(result.status, 4);
    EXPECT_EQ(result.err,
              "cannot get picture (6)\ncommands.txt:1: no output written to 1.bin: cannot open "
              "the picture missing.ppm: No such file or directory\n"
              "cannot get picture (4)\ncommands.txt:2: no output written to 2.bin: big.ppm is "
              "10000 x 10000 pixels, over the limit of 67108864 pixels\n");
}

TEST_F(PicconvPluginEndToEnd, OutputWidthsOver16376AreRefusedBeforeDecodingAndWarnedOfByCheck) {
    writeFile(at("a.ppm"), makePpm(6, 4, 4));
    const std::string tooWide = line("ok", "a.ppm", "1.bin", "0,0,6,4", "0,0,6,16377");
    const std::string widest = line("ok", "a.ppm", "2.bin", "0,0,6,4", "0,0,6,16376");
    const std::string limit =
        "output width 16377 (the h of the output size) is over the limit "
        "of 16376\n";
    const RUN_RESULT_T checked = run(tooWide + widest, {"--check"});
    EXPECT_EQ(checked.status, 5);
    EXPECT_EQ(checked.err, "commands.txt:1:" + std::to_string(tooWide.rfind('|') + 2) +
                               ": warning: the " + limit);
    const RUN_RESULT_T result = run(tooWide + widest);
    EXPECT_EQ(result.status, 4);
    EXPECT_EQ(result.err, "commands.txt:1: no output written to 1.bin: " + limit);
    EXPECT_FALSE(fileExists(at("1.bin")));
    const std::string written = readFile(at("2.bin"));
    EXPECT_EQ(written.size(), 20u + 16376 * 6 / 4);
    // The refused line never reached the plug-in: the picture was decoded once, for the other.
    EXPECT_EQ(logged("ok picture a.ppm"), 1);
    // Nor drew noise: the other line alone gives the same file.
    EXPECT_EQ(run(widest).status, 0);
    EXPECT_EQ(readFile(at("2.bin")), written);
}
