// picconv's options: help and version, --check, the lists of what a run reads and writes, and
// the dependency file.
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/plugin/plugin_test_files.h"
#include "tests/support/run_program.h"
#include "tests/support/test_files.h"

namespace {

typedef PicconvPluginTest PicconvPluginEndToEndCommandLine;

// The path with every link and "." resolved, as the loader reports a plug-in's file.
std::string canonicalPath(const std::string &path) {
    std::error_code error;
    const std::filesystem::path resolved = std::filesystem::canonical(path, error);
    return error ? path : resolved.generic_string();
}

// The same as the platform writes it ('\\' between folders on Windows).
std::string nativeCanonicalPath(const std::string &path) {
    std::error_code error;
    std::filesystem::path resolved = std::filesystem::canonical(path, error);
    return error ? path : resolved.make_preferred().string();
}

}  // namespace

TEST_F(PicconvPluginEndToEndCommandLine, HelpAndVersionAnswerOnStandardOutputAndTouchNothing) {
    for (const char *help : {"--help", "-h"}) {
        const RUN_RESULT_T result = runWith({help, "commands.txt"});
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.out.rfind("Usage: picconv [OPTION]... COMMANDFILE\n", 0), 0u);
        EXPECT_EQ(result.err, "");
    }
    const RUN_RESULT_T version = runWith({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, std::string("picconv ") + TOOLS_VERSION + "\n");
    EXPECT_TRUE(listDir(dir).empty());

    // An unknown option is a usage error; a command file named like an option is ./-name.
    const RUN_RESULT_T unknown = runWith({"-x"});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_EQ(unknown.err.rfind(std::string("usage ") + PICCONV + " commandfilename\n", 0), 0u);
    writeFile(at("-x"), "");
    EXPECT_EQ(runWith({"./-x"}).status, 0);
    EXPECT_EQ(runWith({"--", "-x"}).status, 0);
}

TEST_F(PicconvPluginEndToEndCommandLine, CheckWarnsAboutEverySuspiciousLineAndConvertsNothing) {
    writeFile(at("a.ppm"), makePpm(6, 4, 1));
    const std::string ok = testPluginPath("ok");
    const std::string commands = line("ok", "a.ppm", "1.bin") +                         // 1: clean
                                 ok + "|a.ppm|2.bin\n" +                                // 2
                                 line("ok", "a.ppm", "3.bin", "0,0,6,4", "160x120") +   // 3
                                 line("ok", "a.ppm", "4.bin", "0,0,6") +                // 4
                                 line("ok", "a.ppm", "5.bin", "0,0,6,4", "0,0,1O,4") +  // 5
                                 line("ok", "a.ppm", "6.bin", "70000,0,6,4") +          // 6
                                 line("ok", "a.ppm", "7.bin", " 1,2,3,1") +             // 7
                                 line("ok", "a.ppm", "8.bin", "2,2,6,4") +              // 8
                                 line("ok", "missing.ppm", "9.bin") +                   // 9
                                 line("ok", "a.ppm", "no/10.bin") +                     // 10
                                 line("ok", " a.ppm", "11.bin") +                       // 11
                                 ok + "|a.ppm|12.bin|0,0,6,4|0,0,6,4|more\n" +          // 12
                                 line("ok", "a.ppm", "13.bin", "1,-2,3,1") +            // 13
                                 "just text\n" +                                        // 14
                                 "nosuch.spi|a.ppm|15.bin|0,0,6,4|0,0,6,4\n";
    writeFile(at("commands.txt"), commands);
    const std::vector<std::string> lines = readLines(at("commands.txt"));
    // "commands.txt:LINE:COLUMN: warning: " with the column where field starts, plus offset.
    const auto where = [&lines](int line, int field, int offset) {
        size_t column = 0;
        for (int bar = 0; bar < field; bar++) {
            column = lines[line - 1].find('|', column) + 1;
        }
        return "commands.txt:" + std::to_string(line) + ":" + std::to_string(column + 1 + offset) +
               ": warning: ";
    };
    const RUN_RESULT_T checked = runWith({"--check", "commands.txt"});
    EXPECT_EQ(checked.status, 5);
    EXPECT_EQ(checked.out, "");
    const std::string numbers =
        " numbers in the source rectangle where 4 (x, y, w, h) are needed\n";
    const std::string expected =
        where(2, 0, 0) + "3 fields where 5 are needed; the line is skipped\n" + where(3, 4, 3) +
        "stray character 'x' in the output size; the numbers are read around it\n" +
        where(3, 4, 0) + "2 numbers in the output size where 4 (x, y, w, h) are needed\n" +
        where(3, 4, 0) + "the output size 0 x 0 has a 0 extent, so the output is empty\n" +
        where(4, 3, 0) + "3" + numbers + where(5, 4, 5) +
        "stray character 'O' in the output size; the numbers are read around it\n" +
        where(6, 3, 0) + "70000 is cut to 16 bits and read as 4464 (x of the source rectangle)\n" +
        where(6, 3, 0) + "the rectangle 4464,0,6,4 lies wholly outside the 6 x 4 picture\n" +
        where(7, 3, 0) +
        "the source rectangle \" 1,2,3,1\" starts with a blank or sign, so its "
        "first number is read twice\n" +
        where(8, 3, 0) + "the rectangle 2,2,6,4 lies partly outside the 6 x 4 picture\n" +
        where(9, 1, 0) + "the picture \"missing.ppm\" does not exist\n" + where(10, 2, 0) +
        "the output folder \"no/\" does not exist\n" + where(11, 1, 0) +
        "the picture path \" a.ppm\" starts with a blank, which is part of it\n" + where(11, 1, 0) +
        "the picture \" a.ppm\" does not exist\n" + where(12, 5, 0) +
        "the text after the fifth field is ignored: \"more\"\n" + where(13, 3, 2) +
        "the sign of -2 in the source rectangle is ignored: only a first "
        "number can be negative\n" +
        // The reason that follows is the platform's loader's own.
        where(15, 0, 0) + "the plug-in \"nosuch.spi\" cannot be loaded: ";
    EXPECT_EQ(checked.err.substr(0, expected.size()), expected);
    EXPECT_EQ(std::count(checked.err.begin(), checked.err.end(), '\n'), 17);
    EXPECT_EQ(listDir(dir), (std::vector<std::string>{"a.ppm", "commands.txt"}));

    // Converted without --check, the same file gives what it gives without the checks: every
    // line that parses converts, until the plug-in that cannot be loaded ends the run.
    const RUN_RESULT_T converted = runWith({"commands.txt"});
    EXPECT_EQ(converted.status, 1);
    for (const char *written : {"1", "3", "4", "5", "6", "7", "8", "12", "13"}) {
        EXPECT_TRUE(fileExists(at(std::string(written) + ".bin"))) << written;
    }
    for (const char *missing : {"2", "9", "11", "15"}) {
        EXPECT_FALSE(fileExists(at(std::string(missing) + ".bin"))) << missing;
    }
    EXPECT_EQ(runWith({"--check", "commands.txt"}).status, 5);
    writeFile(at("clean.txt"), line("ok", "a.ppm", "1.bin", "0,0,5,3") + "text\n");
    const RUN_RESULT_T clean = runWith({"--check", "clean.txt"});
    EXPECT_EQ(clean.status, 0);
    EXPECT_EQ(clean.err, "");
    EXPECT_EQ(runWith({"--check", "absent.txt"}).status, 3);
}

TEST_F(PicconvPluginEndToEndCommandLine, CheckWarnsAboutOutputsARunRefusesAndHiddenText) {
    writeFile(at("a.ppm"), makePpm(6, 4, 1));
    const std::string ok = testPluginPath("ok");
    const std::string commands = line("ok", "a.ppm", TEMP_NAME) + line("ok", "a.ppm", "./a.ppm") +
                                 line("ok", "a.ppm", "commands.txt") + std::string("text\0", 5) +
                                 line("ok", "a.ppm", "4.bin");
    const RUN_RESULT_T checked = run(commands, {"--check"});
    EXPECT_EQ(checked.status, 5);
    const size_t output = ok.size() + 8;  // the column of the output field
    const std::string at = ":" + std::to_string(output) + ": warning: the output ";
    EXPECT_EQ(checked.err,
              "commands.txt:1" + at +
                  "\"$$temp$$.bmp\" is refused: it is the temporary bitmap, which every decode "
                  "overwrites\n"
                  "commands.txt:2" +
                  at + "\"./a.ppm\" is refused: it is the line's own picture\n" + "commands.txt:3" +
                  at +
                  "\"commands.txt\" is refused: it is the command file\n"
                  "commands.txt:4:5: warning: a NUL byte ends the line here; the " +
                  std::to_string(commands.size() - commands.find('\0') - 1) +
                  " bytes after it are ignored\n");
}

TEST_F(PicconvPluginEndToEndCommandLine, ListsNameWhatARunWouldReadAndWriteWithoutConverting) {
    writeFile(at("a.ppm"), makePpm(6, 4, 2));
    const std::string ok = testPluginPath("ok");
    writeFile(at("commands.txt"), line("ok", "a.ppm", "1.bin") + line("ok", "b.ppm", "sub/2.bin") +
                                      line("ok", "a.ppm", "1.bin", "1,1,2,2") +
                                      "nosuch.spi|a.ppm|3.bin|0,0,1,1|0,0,8,8\n" + "no|record\n");
    const RUN_RESULT_T outputs = runWith({"--list-outputs", "commands.txt"});
    EXPECT_EQ(outputs.status, 0);
    EXPECT_EQ(outputs.out, "1.bin\nsub/2.bin\n3.bin\n");
    const RUN_RESULT_T inputs = runWith({"--list-inputs", "commands.txt"});
    EXPECT_EQ(inputs.status, 0);
    // Plug-ins by the file they load from, where they can be loaded.
    EXPECT_EQ(inputs.out,
              "commands.txt\na.ppm\n" + nativeCanonicalPath(ok) + "\nb.ppm\nnosuch.spi\n");
    EXPECT_EQ(listDir(dir), (std::vector<std::string>{"a.ppm", "commands.txt"}));
}

TEST_F(PicconvPluginEndToEndCommandLine, CheckWarnsAboutNamesABuildCannotHold) {
    writeFile(at("a.ppm"), makePpm(6, 4, 1));
    writeFile(at("p$x.ppm"), makePpm(6, 4, 1));
    const std::string ok = testPluginPath("ok");
    struct NAME_CASE_T {
        const char *picture;
        const char *output;
        const char *reason;  // null: no warning
    };
    const NAME_CASE_T cases[] = {
        {"a.ppm", "c$d (1).bin", nullptr},
        {"a.ppm", "g;h.bin", "CMake, Ninja and Make all read ';' as a separator"},
        {"a.ppm", "e#f.bin", "CMake refuses '#', '<' and '>' in the output of a custom command"},
        {"a.ppm", "k%l.bin", "Make reads '%' in a target as a pattern"},
        {"a.ppm", "w*x.bin", "Make expands '*', '?' and '[' as wildcards"},
        {"a.ppm", "q]r.bin", "CMake's Makefile generator cannot write '\"' or ']' in an output"},
        {"a.ppm", "t\tu.bin", "control characters cannot be written into a build file"},
        {"p$x.ppm", "p.bin",
         "the dependency file CMake hands to Ninja cannot hold any of \"#$&'*<>?^`"},
    };
    std::string commands;
    std::string expected;
    int number = 0;
    for (const NAME_CASE_T &one : cases) {
        commands += line("ok", one.picture, one.output);
        number++;
        if (one.reason != nullptr) {
            // The column of the character at fault, the second of either name.
            const bool output = std::string(one.picture) == "a.ppm";
            const size_t column = ok.size() + 2 + (output ? 6 : 0) + 1;
            expected += "commands.txt:" + std::to_string(number) + ":" + std::to_string(column) +
                        ": warning: the " + (output ? "output path \"" : "picture path \"") +
                        (output ? one.output : one.picture) +
                        "\" cannot be named in a build by picconv_add_pictures: " + one.reason +
                        "\n";
        }
    }
    const RUN_RESULT_T checked = run(commands, {"--check"});
    EXPECT_EQ(checked.status, 5);
    EXPECT_EQ(checked.err, expected);
}

TEST_F(PicconvPluginEndToEndCommandLine, DepfileMakesEveryOutputDependOnEveryInputEscaped) {
    writeFile(at("a b$#.ppm"), makePpm(6, 4, 3));
    writeFile(at("c.ppm"), makePpm(6, 4, 4));
    const std::string ok = testPluginPath("ok");
    std::string commands = line("ok", "a b$#.ppm", "1.bin") + line("ok", "c.ppm", "2.bin");
    const std::string folder = canonicalPath(dir);
    std::string outputs = folder + "/1.bin " + folder + "/2.bin";
    // A backslash before a blank is doubled, where a name can hold one (not on Windows).
    const bool backslash =
        writeFile(at("d\\ e.ppm"), makePpm(6, 4, 5)) && listDir(dir).back() == "d\\ e.ppm";
    if (backslash) {
        commands += line("ok", "d\\ e.ppm", "f\\ g.bin");
        outputs += " " + folder + "/f\\\\\\ g.bin";
    }
    const RUN_RESULT_T result = run(commands, {"--depfile", "out.d"});
    EXPECT_EQ(result.status, 0);
    // The command file comes first of the inputs, as --list-inputs lists them.
    EXPECT_EQ(readFile(at("out.d")),
              outputs + ": \\\n  " + folder + "/commands.txt \\\n  " + folder +
                  "/a\\ b$$\\#.ppm \\\n  " + canonicalPath(ok) + " \\\n  " + folder + "/c.ppm" +
                  (backslash ? " \\\n  " + folder + "/d\\\\\\ e.ppm" : "") + "\n");
    EXPECT_EQ(runWith({"--depfile=out2.d", "commands.txt"}).status, 0);
    EXPECT_EQ(readFile(at("out2.d")), readFile(at("out.d")));
}
