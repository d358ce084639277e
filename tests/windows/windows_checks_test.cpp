// What matters on Windows only: plug-in DLLs bound by their plain export names, local memory
// blocks freed once, the run lock between two runs, a console program, and text-mode files.
#include <stdint.h>
#include <stdio.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <windows.h>

#include "platform/process.h"
#include "tests/plugin/plugin_test_files.h"
#include "tests/support/run_program.h"
#include "tests/support/test_files.h"

namespace {

class WindowsPicconv : public ::testing::Test {
   protected:
    void SetUp() override {
        dir = makeTempDir("windows-test");
        logPath = dir + "/plugin.log";
        ASSERT_TRUE(writeFile(at("picture.raw"), "the test plug-in reads nothing of it"));
    }
    void TearDown() override { removeTree(dir); }

    std::string at(const std::string &name) const { return dir + "/" + name; }
    RUNNING_T start(const std::string &folder, const std::string &commands,
                    const std::vector<std::string> &env) {
        writeFile(folder + "/commands.txt", commands);
        return startProgram({PICCONV, "commands.txt"}, folder, env);
    }
    RUN_RESULT_T run(const std::string &commands, const std::vector<std::string> &env = {}) {
        return finishProgram(start(dir, commands, env));
    }
    // Waits up to twenty seconds for a line of the log that starts with prefix.
    bool waitForLog(const std::string &path, const std::string &prefix) {
        for (int tries = 0; tries < 2000; tries++) {
            for (const std::string &line : readLines(path)) {
                if (line.rfind(prefix, 0) == 0) {
                    return true;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    std::string dir;
    std::string logPath;
};

std::string record(const std::string &output, const char *ending = "\n",
                   const std::string &picture = "picture.raw") {
    return std::string(TEST_PLUGIN) + "|" + picture + "|" + output + "|0,0,16,8|0,0,16,8" + ending;
}

// The names a DLL exports, read from its export directory.
std::vector<std::string> exportedNames(HMODULE module) {
    std::vector<std::string> names;
    const uint8_t *base = reinterpret_cast<const uint8_t *>(module);
    const IMAGE_DOS_HEADER *dos = reinterpret_cast<const IMAGE_DOS_HEADER *>(base);
    const IMAGE_NT_HEADERS *nt = reinterpret_cast<const IMAGE_NT_HEADERS *>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY &exports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    if (exports.VirtualAddress == 0) {
        return names;
    }
    const IMAGE_EXPORT_DIRECTORY *directory =
        reinterpret_cast<const IMAGE_EXPORT_DIRECTORY *>(base + exports.VirtualAddress);
    const DWORD *nameOffsets = reinterpret_cast<const DWORD *>(base + directory->AddressOfNames);
    for (DWORD i = 0; i < directory->NumberOfNames; i++) {
        names.push_back(reinterpret_cast<const char *>(base + nameOffsets[i]));
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The words of the log's lines that start with word, in order.
std::vector<std::string> logged(const std::string &path, const std::string &word) {
    std::vector<std::string> found;
    for (const std::string &entry : readLines(path)) {
        if (entry.rfind(word + " ", 0) == 0) {
            found.push_back(entry.substr(word.size() + 1));
        }
    }
    return found;
}

}  // namespace

TEST(WindowsPluginExports, EntryPointsAreExportedByTheirPlainNamesOnly) {
    const std::vector<std::string> entryPoints = {"ConfigurationDlg", "GetPicture",
                                                  "GetPictureInfo",   "GetPluginInfo",
                                                  "GetPreview",       "IsSupported"};
    std::vector<std::string> plugins = {TEST_PLUGIN};
    for (const char *name : {"ifbmp", "ifgif", "ifjpeg", "ifpng"}) {
        plugins.push_back(std::string(PLUGIN_DIR) + "/" + name + ".spi");
    }
    for (const std::string &plugin : plugins) {
        HMODULE module = LoadLibraryA(plugin.c_str());
        ASSERT_NE(module, nullptr) << plugin << ": error " << GetLastError();
        // __stdcall names would carry their argument size: GetPluginInfo@12.
        EXPECT_EQ(exportedNames(module), entryPoints) << plugin;
        EXPECT_NE(GetProcAddress(module, "GetPluginInfo"), nullptr) << plugin;
        EXPECT_EQ(GetProcAddress(module, "GetPluginInfo@12"), nullptr) << plugin;
        FreeLibrary(module);
    }
}

TEST_F(WindowsPicconv, EveryBlockHandedBackIsFreedOnceAndAForeignOneNever) {
    const std::vector<std::string> log = {"WINDOWS_TEST_LOG=" + logPath};
    // Three pictures: a picture decoded before would be taken from the temporary bitmap.
    std::string commands;
    for (const char *n : {"1", "2", "3"}) {
        writeFile(at(std::string("picture") + n + ".raw"), n);
        commands += record(std::string(n) + ".pmbp", "\n", std::string("picture") + n + ".raw");
    }
    RUN_RESULT_T result = run(commands, log);
    EXPECT_EQ(result.status, 0) << result.err;
    const std::vector<std::string> lines = readLines(logPath);
    ASSERT_EQ(std::count(lines.begin(), lines.end(), "hooked"), 1) << "LocalFree is not watched";
    // Handles come back after a free: each block handed back is freed once before the next
    // decode, and nothing else is freed.
    std::vector<std::string> outstanding;
    int decodes = 0;
    for (const std::string &entry : lines) {
        if (entry.rfind("give ", 0) == 0) {
            decodes++;
            EXPECT_TRUE(outstanding.empty()) << entry;
            outstanding = {entry.substr(5, entry.find(' ', 5) - 5),
                           entry.substr(entry.rfind(' ') + 1)};
        } else if (entry.rfind("free ", 0) == 0) {
            const auto freed = std::find(outstanding.begin(), outstanding.end(), entry.substr(5));
            EXPECT_NE(freed, outstanding.end()) << entry << " was not handed back or freed twice";
            if (freed != outstanding.end()) {
                outstanding.erase(freed);
            }
        }
    }
    EXPECT_EQ(decodes, 3);
    EXPECT_TRUE(outstanding.empty());
    for (const char *output : {"1.pmbp", "2.pmbp", "3.pmbp"}) {
        EXPECT_EQ(readFile(at(output)).size(), 20u + 16 * 8 / 4) << output;
    }

    // Static memory in place of the pixel block: refused, never freed; the real block is.
    removeTree(logPath);
    std::vector<std::string> foreign = log;
    foreign.push_back("WINDOWS_TEST_FOREIGN=1");
    result = run(record("4.pmbp"), foreign);
    EXPECT_EQ(result.status, 4);
    EXPECT_NE(result.err.find("not a local memory block"), std::string::npos) << result.err;
    const std::vector<std::string> gave = logged(logPath, "give");
    ASSERT_EQ(gave.size(), 1u);
    EXPECT_EQ(logged(logPath, "free"),
              std::vector<std::string>{gave[0].substr(0, gave[0].find(' '))});
    EXPECT_FALSE(fileExists(at("4.pmbp")));
}

TEST_F(WindowsPicconv, TwoRunsInOneFolderWaitForEachOtherAndRunsElsewhereDoNot) {
    const std::string gate = at("gate");
    const std::string elsewhere = makeTempDir("windows-test");
    const std::string elsewhereLog = elsewhere + "/plugin.log";
    writeFile(elsewhere + "/picture.raw", "");
    const RUNNING_T first = start(dir, record("first.pmbp"),
                                  {"WINDOWS_TEST_LOG=" + logPath, "WINDOWS_TEST_GATE=" + gate});
    ASSERT_TRUE(waitForLog(logPath, "begin "));
    const RUNNING_T second = start(dir, record("second.pmbp"),
                                   {"WINDOWS_TEST_LOG=" + logPath, "WINDOWS_TEST_GATE=" + gate});
    const RUNNING_T other =
        start(elsewhere, record("other.pmbp"),
              {"WINDOWS_TEST_LOG=" + elsewhereLog, "WINDOWS_TEST_GATE=" + gate});
    // The run in the other folder reaches its plug-in; the second one here waits for the lock.
    EXPECT_TRUE(waitForLog(elsewhereLog, "begin "));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(logged(logPath, "begin").size(), 1u);
    EXPECT_EQ(isFileLockedForProcess(at(TEMP_NAME).c_str()), 1);

    writeFile(gate, "open");
    EXPECT_EQ(finishProgram(first).status, 0);
    EXPECT_EQ(finishProgram(second).status, 0);
    EXPECT_EQ(finishProgram(other).status, 0);
    std::vector<std::string> order;
    for (const std::string &entry : readLines(logPath)) {
        if (entry.rfind("begin ", 0) == 0 || entry.rfind("end ", 0) == 0) {
            order.push_back(entry);
        }
    }
    ASSERT_EQ(order.size(), 4u);
    EXPECT_EQ(order[0], "begin " + std::to_string(first.pid));
    EXPECT_EQ(order[1], "end " + std::to_string(first.pid));
    EXPECT_EQ(order[2], "begin " + std::to_string(second.pid));
    EXPECT_EQ(order[3], "end " + std::to_string(second.pid));
    EXPECT_EQ(isFileLockedForProcess(at(TEMP_NAME).c_str()), 0);
    EXPECT_TRUE(fileExists(at("second.pmbp")));
    removeTree(elsewhere);
}

TEST_F(WindowsPicconv, IsAConsoleProgramWhoseMessagesReachItsOwnStandardStreams) {
    // The PE header's subsystem: 3 is the console, 2 a window program.
    const std::string image = readFile(PICCONV);
    ASSERT_GT(image.size(), 0x40u);
    const uint32_t peOffset = static_cast<uint8_t>(image[0x3C]) |
                              static_cast<uint32_t>(static_cast<uint8_t>(image[0x3D])) << 8;
    ASSERT_EQ(image.compare(peOffset, 4, std::string("PE\0\0", 4)), 0);
    const size_t subsystem = peOffset + 24 + 68;
    EXPECT_EQ(static_cast<uint8_t>(image[subsystem]), IMAGE_SUBSYSTEM_WINDOWS_CUI);

    const RUN_RESULT_T version = finishProgram(startProgram({PICCONV, "--version"}, dir));
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, std::string("picconv ") + TOOLS_VERSION + "\n");
    const RUN_RESULT_T missing =
        finishProgram(startProgram({PICCONV, "no-such-commands.txt"}, dir));
    EXPECT_EQ(missing.status, 3);
    EXPECT_EQ(missing.err,
              "Command file can't open.\npicconv: no-such-commands.txt: No such file "
              "or directory\n");
    // Nothing went to the files SDL's start-up library would have made.
    std::string programDir = PICCONV;
    programDir.resize(programDir.find_last_of("/\\"));
    for (const std::string &folder : {dir, programDir}) {
        EXPECT_FALSE(fileExists(folder + "/stdout.txt")) << folder;
        EXPECT_FALSE(fileExists(folder + "/stderr.txt")) << folder;
    }
}

TEST_F(WindowsPicconv, CommandFileIsTextCrLfEndsLinesAndCtrlZEndsTheFile) {
    ASSERT_EQ(run(record("lf1.pmbp") + record("lf2.pmbp")).status, 0);
    ASSERT_EQ(run(record("crlf1.pmbp", "\r\n") + record("crlf2.pmbp", "\r\n")).status, 0);
    EXPECT_EQ(readFile(at("crlf1.pmbp")), readFile(at("lf1.pmbp")));
    EXPECT_EQ(readFile(at("crlf2.pmbp")), readFile(at("lf2.pmbp")));
    EXPECT_EQ(readFile(at("crlf1.pmbp")).size(), 20u + 16 * 8 / 4);

    // Text mode reads nothing past a Ctrl-Z.
    const RUN_RESULT_T result = run(record("before.pmbp") + "\x1A" + record("after.pmbp"));
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_TRUE(fileExists(at("before.pmbp")));
    EXPECT_FALSE(fileExists(at("after.pmbp")));
}

TEST_F(WindowsPicconv, WordgenReadsTextAndWritesItsHeaderWithCrLf) {
    writeFile(at("lf.c"), "NATIVEWORD(nw_add) { /* add */\nint x;\n");
    writeFile(at("crlf.c"), "NATIVEWORD(nw_add) { /* add */\r\nint x;\r\n");
    ASSERT_EQ(runProgram({WORDGEN, "-o", "lf.h", "lf.c"}, dir).status, 0);
    ASSERT_EQ(runProgram({WORDGEN, "-o", "crlf.h", "crlf.c"}, dir).status, 0);
    const std::string header = readFile(at("lf.h"));
    EXPECT_EQ(readFile(at("crlf.h")), header);
    EXPECT_NE(header.find("NATIVEWORD(nw_add);\r\n"), std::string::npos) << header;
    EXPECT_NE(header.find(" {\"add\", nw_add},\r\n"), std::string::npos) << header;
    // Every line feed has its carriage return.
    EXPECT_EQ(std::count(header.begin(), header.end(), '\n'),
              std::count(header.begin(), header.end(), '\r'));
}
