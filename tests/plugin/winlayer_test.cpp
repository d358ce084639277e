// The dynamic-loading calls of the Windows layer.
#include <filesystem>

#include <gtest/gtest.h>

#include "tests/plugin/plugin_test_files.h"
#include "tests/support/run_program.h"
#include "tests/support/test_files.h"
#include "winlayer/windows_layer.h"

namespace fs = std::filesystem;

namespace {

// A copy of the probe program in <root>/bin, with the plug-in folder beside it, so that
// "the program's own folder" is one the test controls.
struct PROBE_LAYOUT_T {
    std::string root;
    std::string program;
    std::string programDir;
    std::string pluginDir;
    std::string workDir;
};

PROBE_LAYOUT_T makeProbeLayout() {
    PROBE_LAYOUT_T layout;
    layout.root = makeTempDir("plugin-test");
    layout.programDir = layout.root + "/bin";
    layout.pluginDir = layout.programDir + "/" + PLUGIN_DIR_FROM_BIN;
    layout.workDir = layout.root + "/work";
    layout.program = layout.programDir + "/lookup_probe";
    fs::create_directories(layout.pluginDir);
    fs::create_directories(layout.workDir);
    fs::copy_file(LOOKUP_PROBE, layout.program);
    return layout;
}

std::string canonical(const std::string &path) {
    return fs::canonical(path).string() + "\n";
}

}  // namespace

TEST(PicconvPluginLoaderLookup, BareNameTriesProgramFolderThenPluginFolderThenCurrentDirectory) {
    PROBE_LAYOUT_T layout = makeProbeLayout();
    const std::string plugin = testPluginPath("ok");
    const std::string inProgramDir = layout.programDir + "/ok.spi";
    const std::string inPluginDir = layout.pluginDir + "/ok.spi";
    const std::string inWorkDir = layout.workDir + "/ok.spi";
    // Where plug-ins live beside the programs (Windows), the plug-in folder is the program's.
    const bool pluginDirOfItsOwn = std::string(PLUGIN_DIR_FROM_BIN) != "";
    fs::copy_file(plugin, inProgramDir);
    if (pluginDirOfItsOwn) {
        fs::copy_file(plugin, inPluginDir);
    }
    fs::copy_file(plugin, inWorkDir);

    EXPECT_EQ(runProgram({layout.program, "ok.spi"}, layout.workDir, {}).out,
              canonical(inProgramDir));
    fs::remove(inProgramDir);
    if (pluginDirOfItsOwn) {
        EXPECT_EQ(runProgram({layout.program, "ok.spi"}, layout.workDir, {}).out,
                  canonical(inPluginDir));
        fs::remove(inPluginDir);
    }
    EXPECT_EQ(runProgram({layout.program, "ok.spi"}, layout.workDir, {}).out, canonical(inWorkDir));
    fs::remove(inWorkDir);
    RUN_RESULT_T missing = runProgram({layout.program, "ok.spi"}, layout.workDir, {});
    EXPECT_EQ(missing.out, "error 126\n");
    EXPECT_EQ(missing.status, 1);
    removeTree(layout.root);
}

TEST(PicconvPluginLoaderLookup, NeverSearchesLibraryPath) {
    PROBE_LAYOUT_T layout = makeProbeLayout();
    const std::string libraryDir = layout.root + "/libs";
    fs::create_directories(libraryDir);
    fs::copy_file(testPluginPath("ok"), libraryDir + "/ok.spi");
    EXPECT_EQ(
        runProgram({layout.program, "ok.spi"}, layout.workDir, {"LD_LIBRARY_PATH=" + libraryDir})
            .out,
        "error 126\n");
    removeTree(layout.root);
}

TEST(PicconvPluginLoaderLookup, PathWithSlashIsUsedAsGiven) {
    PROBE_LAYOUT_T layout = makeProbeLayout();
    fs::copy_file(testPluginPath("ok"), layout.programDir + "/ok.spi");
    fs::create_directories(layout.workDir + "/sub");
    fs::copy_file(testPluginPath("ok"), layout.workDir + "/sub/ok.spi");
    // Relative to the current directory, not to the program's folder.
    EXPECT_EQ(runProgram({layout.program, "sub/ok.spi"}, layout.workDir, {}).out,
              canonical(layout.workDir + "/sub/ok.spi"));
    EXPECT_EQ(runProgram({layout.program, "./nothere.spi"}, layout.workDir, {}).out, "error 126\n");
    removeTree(layout.root);
}

TEST(PicconvPluginLoaderLookup, BrokenFileFoundFirstFailsWithoutTryingTheNextFolder) {
    PROBE_LAYOUT_T layout = makeProbeLayout();
    writeFile(layout.programDir + "/ok.spi", "not a shared object");
    fs::copy_file(testPluginPath("ok"), layout.workDir + "/ok.spi");
    EXPECT_EQ(runProgram({layout.program, "ok.spi"}, layout.workDir, {}).out, "error 193\n");
    removeTree(layout.root);
}

TEST(PicconvPluginLoaderDynamicLoading, ProcAddressesAndReleaseReportThroughLastError) {
    HMODULE module = LoadLibraryA(testPluginPath("ok").c_str());
    ASSERT_NE(module, nullptr);
    EXPECT_NE(GetProcAddress(module, "GetPluginInfo"), nullptr);
    EXPECT_EQ(GetProcAddress(module, "NoSuchEntry"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
    EXPECT_EQ(FreeLibrary(module), TRUE);
    EXPECT_EQ(LoadLibraryA(""), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
}
