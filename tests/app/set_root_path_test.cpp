#include "app/set_root_path.h"

#include "player/settings.h"
#include "player/settings_startup.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <deque>
#include <sys/stat.h>

namespace kesto {
namespace {

using test::makeDirs;
using test::readFile;
using test::TempDir;
using test::writeFile;
using Strings = std::vector<std::string>;

TEST(DesktopFolder, FoundTheWayXdgUserDirFindsIt) {
    TempDir dir;
    const std::string file = dir.file("user-dirs.dirs");
    struct Case {
        const char* name;
        const char* contents; // nullptr: no file
        const char* variable;
        const char* desktop;
    };
    const Case cases[] = {
        {"home-relative", "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/桌面\"\n",
         nullptr, "/home/me/桌面"},
        {"absolute, trailing slash",
         "XDG_MUSIC_DIR=\"$HOME/Music\"\nXDG_DESKTOP_DIR=\"/data/desk/\"\n", "/ignored",
         "/data/desk"},
        {"escaped quote", "XDG_DESKTOP_DIR=\"$HOME/My \\\"Desk\\\"\"\n", nullptr,
         "/home/me/My \"Desk\""},
        {"switched off: the home itself", "XDG_DESKTOP_DIR=\"$HOME/\"\n", nullptr, "/home/me"},
        {"relative values do not count", "XDG_DESKTOP_DIR=\"Desktop\"\n", nullptr,
         "/home/me/Desktop"},
        {"a commented line does not count", "#XDG_DESKTOP_DIR=\"/x\"\n", nullptr,
         "/home/me/Desktop"},
        {"no file, the variable", nullptr, "/srv/desk", "/srv/desk"},
        {"nothing at all", nullptr, nullptr, "/home/me/Desktop"},
    };
    for (const Case& c : cases) {
        std::remove(file.c_str());
        if (c.contents)
            writeFile(file, c.contents);
        EXPECT_EQ(desktopFolderFrom(file, c.variable, "/home/me"), c.desktop) << c.name;
    }
}

TEST(DesktopFolder, RefusedAsAPathPrefixIgnoringCase) {
    struct Case {
        const char* folder;
        const char* desktop;
        bool inside;
    };
    const Case cases[] = {
        {"/home/me/Desktop/", "/home/me/Desktop", true},
        {"/home/me/Desktop/Music/", "/home/me/Desktop", true},
        {"/HOME/ME/desktop/music/", "/home/me/Desktop/", true},
        {"/home/me/Desktop backup/", "/home/me/Desktop", false},
        {"/home/me/Desktop2/", "/home/me/Desktop", false},
        {"/mnt/old/home/me/Desktop/", "/home/me/Desktop", false},
        {"/home/me/Music/", "/home/me/Desktop", false},
        {"/home/me/Music/", "/home/me", false}, // no desktop folder of its own
        {"/home/me/Music/", "/", false},
        {"/home/me/Music/", "", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(isInsideDesktop(c.folder, c.desktop, "/home/me/"), c.inside)
            << c.folder << " in " << c.desktop;
}

class SetRootPathTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string ini = dir.file("Kesto.ini");
    Settings settings{ini};
    std::string home = dir.file("home");
    std::string desktop = home + "/Desktop";
    std::string music = home + "/Music/";
    std::deque<std::string> answers;
    int asked = 0;
    Strings infos;
    RootPathDialogs dialogs{[this] {
                                ++asked;
                                std::string a = answers.empty() ? "" : answers.front();
                                if (!answers.empty())
                                    answers.pop_front();
                                return a;
                            },
                            [this](const std::string& text) {
                                infos.push_back(text);
                            }};

    void SetUp() override {
        makeDirs(desktop + "/Songs");
        makeDirs(music);
    }

    Strings run(DirBoxKeys& keys) { return setRootPath(settings, keys, dialogs, desktop, home); }
};

TEST_F(SetRootPathTest, ExistingListAsksNothing) {
    saveRootMedia(settings, {"/m/a/"}, "", "");
    const std::string before = readFile(ini);
    DirBoxKeys keys{"/m/a/x/", "所有驱动器"};
    EXPECT_EQ(run(keys), Strings{"/m/a/"});
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(keys.lastOpenedDrive, "所有驱动器");
    EXPECT_EQ(readFile(ini), before);
}

TEST_F(SetRootPathTest, DesktopIsRefusedUntilAnotherFolderIsChosen) {
    answers = {desktop + "/Songs/", desktop + "/", music};
    DirBoxKeys keys{"/last/dir/", ""};
    EXPECT_EQ(run(keys), Strings{music});
    EXPECT_EQ(asked, 3);
    EXPECT_EQ(infos, Strings(2, kDesktopRefused));
    EXPECT_EQ(keys.lastOpenedDrive, music);
    EXPECT_EQ(loadRootMedia(settings), Strings{music});
    EXPECT_EQ(settings.readString("DirBox", "LastOpenedDrive", ""), music);
    EXPECT_EQ(settings.readString("DirBox", "LastOpenedDir", ""), "/last/dir/");
}

TEST_F(SetRootPathTest, CancelOrAMissingFolderSavesNothing) {
    struct Case {
        const char* name;
        std::deque<std::string> answers;
        int asked;
        std::size_t infos;
        std::string drive;
    };
    const Case cases[] = {
        {"cancel at once", {""}, 1, 0, ""},
        {"cancel after a refusal", {desktop + "/Songs/", ""}, 2, 1, ""},
        {"a folder that is gone", {home + "/gone/"}, 1, 0, home + "/gone/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        answers = c.answers;
        asked = 0;
        infos.clear();
        DirBoxKeys keys{"", "/before/"};
        EXPECT_TRUE(run(keys).empty());
        EXPECT_EQ(asked, c.asked);
        EXPECT_EQ(infos.size(), c.infos);
        EXPECT_EQ(keys.lastOpenedDrive, c.drive);
        EXPECT_FALSE(test::fileExists(ini));
    }
}

TEST_F(SetRootPathTest, ReadOnlySettingsKeepTheFolderOnlyInMemory) {
    writeFile(ini, "[General]\nVolume=5\n");
    ASSERT_EQ(::chmod(ini.c_str(), 0444), 0);
    answers = {home + "/Music"};
    DirBoxKeys keys;
    EXPECT_EQ(run(keys), Strings{music});
    EXPECT_EQ(readFile(ini), "[General]\nVolume=5\n");
}

TEST_F(SetRootPathTest, SwitchTakesTheDirBoxKeysFromTheFile) {
    settings.writeString("DirBox", "LastOpenedDir", "/kept/");
    answers = {music};
    runSetRootPathSwitch(settings, dialogs);
    EXPECT_EQ(loadRootMedia(settings), Strings{music});
    EXPECT_EQ(settings.readString("DirBox", "LastOpenedDir", ""), "/kept/");
    EXPECT_EQ(settings.readString("DirBox", "LastOpenedDrive", ""), music);
}

} // namespace
} // namespace kesto
