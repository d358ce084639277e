// Loading plug-ins, binding by API version, and replacing the current plug-in.
#include <stdlib.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "picconv/plugin/plugin_entries.h"
#include "tests/plugin/plugin_test_files.h"
#include "tests/support/process_probe.h"
#include "tests/support/test_files.h"

namespace {

class PicconvPluginLoader : public ::testing::Test {
   protected:
    void SetUp() override {
        unloadPluginAtExit();
        dir = makeTempDir("plugin-test");
        // A death test's child on Windows is a new run of this program that comes through here
        // again: it logs to its parent's file.
        const char *inherited = getenv("TEST_PLUGIN_LOG");
        logPath = inherited != nullptr ? inherited : dir + "/plugin.log";
        setEnvironment("TEST_PLUGIN_LOG", logPath.c_str());
    }
    void TearDown() override {
        unloadPluginAtExit();
        setEnvironment("TEST_PLUGIN_LOG", nullptr);
        removeTree(dir);
    }
    // A private copy, so that this test loads it afresh whatever ran before.
    std::string copyOf(const std::string &name) {
        std::string copy = dir + "/" + name + ".spi";
        std::filesystem::copy_file(testPluginPath(name), copy);
        return copy;
    }
    std::string dir;
    std::string logPath;
};

}  // namespace

TEST_F(PicconvPluginLoader, PictureVersionBindsPictureEntriesOnly) {
    PLUGIN_ENTRIES_T plugin = loadPlugin(copyOf("ok").c_str());
    EXPECT_NE(plugin.module, nullptr);
    EXPECT_NE(plugin.GetPluginInfo, nullptr);
    EXPECT_NE(plugin.IsSupported, nullptr);
    EXPECT_NE(plugin.GetPictureInfo, nullptr);
    EXPECT_NE(plugin.GetPicture, nullptr);
    EXPECT_NE(plugin.GetPreview, nullptr);
    EXPECT_NE(plugin.ConfigurationDlg, nullptr);
    // Exported by this plug-in, but not part of a picture plug-in.
    EXPECT_EQ(plugin.GetArchiveInfo, nullptr);
    EXPECT_EQ(plugin.GetFileInfo, nullptr);
    EXPECT_EQ(plugin.GetFile, nullptr);
    unloadPlugin(&plugin);
}

TEST_F(PicconvPluginLoader, ArchiveVersionBindsArchiveEntriesOnly) {
    PLUGIN_ENTRIES_T plugin = loadPlugin(copyOf("am").c_str());
    EXPECT_NE(plugin.GetPluginInfo, nullptr);
    EXPECT_NE(plugin.IsSupported, nullptr);
    EXPECT_NE(plugin.GetArchiveInfo, nullptr);
    EXPECT_NE(plugin.GetFileInfo, nullptr);
    EXPECT_NE(plugin.GetFile, nullptr);
    EXPECT_NE(plugin.ConfigurationDlg, nullptr);
    EXPECT_EQ(plugin.GetPictureInfo, nullptr);
    EXPECT_EQ(plugin.GetPicture, nullptr);
    EXPECT_EQ(plugin.GetPreview, nullptr);
    unloadPlugin(&plugin);
}

TEST_F(PicconvPluginLoader, MissingOptionalEntryIsNoError) {
    PLUGIN_ENTRIES_T plugin = loadPlugin(copyOf("nopicture").c_str());
    EXPECT_EQ(plugin.GetPicture, nullptr);
    EXPECT_NE(plugin.GetPreview, nullptr);
    unloadPlugin(&plugin);
}

TEST_F(PicconvPluginLoader, NewPluginIsLoadedOnlyAfterTheOldOneIsReleased) {
    const std::string first = copyOf("ok");
    const std::string second = copyOf("ok2");
    makePluginCurrent(first.c_str());
    makePluginCurrent(second.c_str());
    EXPECT_NE(currentPlugin.GetPicture, nullptr);
    // The same library again is released and loaded afresh.
    makePluginCurrent(second.c_str());
    EXPECT_EQ(readLines(logPath),
              (std::vector<std::string>{"ok load", "ok info 0", "ok unload", "ok2 load",
                                        "ok2 info 0", "ok2 unload", "ok2 load", "ok2 info 0"}));
}

TEST_F(PicconvPluginLoader, FailedLoadAfterReleaseLeavesNothingForTheExitRelease) {
    const std::string first = copyOf("ok");
    const std::string missing = dir + "/missing.spi";
    EXPECT_EXIT(
        {
            makePluginCurrent(first.c_str());
            makePluginCurrent(missing.c_str());
        },
        ::testing::ExitedWithCode(1), "^cannot load plugin");
    EXPECT_EQ(readLines(logPath), (std::vector<std::string>{"ok load", "ok info 0", "ok unload"}));
}
