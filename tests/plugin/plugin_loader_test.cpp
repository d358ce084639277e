// Loading plug-ins, binding by API version, and replacing the current plug-in.
#include <gtest/gtest.h>

#include "picconv/plugin/plugin_entries.h"
#include "tests/plugin/plugin_test_files.h"
#include "tests/support/test_files.h"

namespace {

// No plug-in is current before or after a test, so each one loads its plug-ins afresh.
class PicconvPluginLoader : public PicconvPluginTest {
   protected:
    void SetUp() override {
        unloadPluginAtExit();
        PicconvPluginTest::SetUp();
    }
    void TearDown() override {
        unloadPluginAtExit();
        PicconvPluginTest::TearDown();
    }
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
