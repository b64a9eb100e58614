// Claims and releases against temporary XDG folders, read back both by our
// own reader and by the desktop's tool (xdg-mime) where it is installed.

#include "prefs/associations.h"

#include "player/ini_document.h"
#include "player/settings.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>

namespace kesto {
namespace {

using test::fileExists;
using test::readFile;
using test::TempDir;
using test::writeFile;

class Associations : public ::testing::Test {
protected:
    TempDir dir;
    std::string program = "/opt/kesto \"one\"/kesto";
    Settings settings{dir.file("Kesto.ini")};

    DesktopPlaces places(const char* desktop = "") const {
        const std::string config = dir.file("config"), data = dir.file("data");
        return DesktopPlaces::from(config.c_str(), data.c_str(), "/nohome", desktop);
    }
    std::string defaultOf(const std::string& file, const char* type) const {
        const IniDocument list = IniDocument::parse(readFile(file));
        return std::string(list.value("Default Applications", type).value_or("<unset>"));
    }
    std::string mimeApps() const { return dir.file("config/mimeapps.list"); }
};

TEST_F(Associations, ReleaseGivesEachTypeBackExactly) {
    test::makeDirs(dir.file("config"));
    const std::string before =
        "# mine\n[Default Applications]\naudio/mpeg=other.desktop;b.desktop;\n"
        "text/plain=editor.desktop;\n";
    writeFile(mimeApps(), before);
    FileAssociations a(places(), program, settings);

    a.ClaimType("mp3");
    EXPECT_EQ(defaultOf(mimeApps(), "audio/mpeg"), "kesto.desktop;other.desktop;b.desktop;");
    EXPECT_EQ(defaultOf(mimeApps(), "audio/mp3"), "kesto.desktop;");
    EXPECT_TRUE(a.IsTypeClaimed("mp3"));
    EXPECT_FALSE(a.IsTypeClaimed("wav"));
    EXPECT_TRUE(settings.readAssociation("mp3"));
    // The entry starts this program, however its path is spelled.
    const IniDocument entry = IniDocument::parse(readFile(a.desktopEntryPath()));
    EXPECT_EQ(execProgram(entry.value("Desktop Entry", "Exec").value_or("")), program);
    EXPECT_NE(entry.value("Desktop Entry", "MimeType").value_or("").find("audio/x-scpls;"),
              std::string_view::npos);

    // A second claim must not take ourselves for the owner to go back to.
    a.ClaimType("mp3");
    a.ReleaseType("mp3");
    EXPECT_EQ(readFile(mimeApps()), before);
    EXPECT_FALSE(fileExists(a.backupPath()));
    EXPECT_FALSE(fileExists(a.desktopEntryPath()));
    EXPECT_FALSE(settings.readAssociation("mp3"));
    EXPECT_FALSE(a.IsTypeClaimed("mp3"));
}

TEST_F(Associations, ReleaseLeavesATypeAnotherProgramTookSince) {
    FileAssociations a(places(), program, settings);
    a.ClaimType("mp3");
    a.ClaimType("ogg");
    IniDocument list = IniDocument::parse(readFile(mimeApps()));
    list.set("Default Applications", "audio/mpeg", "newcomer.desktop;");
    writeFile(mimeApps(), list.serialize());

    a.ReleaseType("mp3");
    EXPECT_EQ(defaultOf(mimeApps(), "audio/mpeg"), "newcomer.desktop;");
    EXPECT_EQ(defaultOf(mimeApps(), "audio/mp3"), "<unset>");
    // ogg is still ours, so its entry stays.
    EXPECT_TRUE(fileExists(a.desktopEntryPath()));
    EXPECT_TRUE(a.IsTypeClaimed("ogg"));
}

TEST_F(Associations, ADesktopsOwnDefaultOverridesUsUntilStartUpTakesItBack) {
    FileAssociations a(places("ubuntu:GNOME"), program, settings);
    a.ClaimType("mp3");
    a.ClaimType("pls");
    ASSERT_TRUE(a.IsTypeClaimed("mp3"));
    const std::string gnome = dir.file("config/gnome-mimeapps.list");
    writeFile(gnome,
              "[Default Applications]\naudio/mp3=rival.desktop;\naudio/x-scpls=rival.desktop;\n"
              "image/png=viewer.desktop;\n");
    EXPECT_FALSE(a.IsTypeClaimed("mp3"));
    EXPECT_FALSE(a.IsTypeClaimed("pls"));

    // Start-up takes back the media types the user wants, never a playlist type.
    EXPECT_TRUE(reclaimWantedTypes(a, settings));
    EXPECT_TRUE(a.IsTypeClaimed("mp3"));
    EXPECT_EQ(defaultOf(gnome, "audio/mp3"), "<unset>");
    EXPECT_EQ(defaultOf(gnome, "audio/x-scpls"), "rival.desktop;");
    EXPECT_EQ(defaultOf(gnome, "image/png"), "viewer.desktop;");
    EXPECT_FALSE(a.IsTypeClaimed("pls"));
    // Nothing to do the next time.
    EXPECT_FALSE(reclaimWantedTypes(a, settings));

    // Without the user's wish a type is left to whoever has it.
    IniDocument list = IniDocument::parse(readFile(mimeApps()));
    list.set("Default Applications", "audio/x-wav", "rival.desktop;");
    writeFile(mimeApps(), list.serialize());
    settings.writeAssociation("wav", false);
    EXPECT_FALSE(reclaimWantedTypes(a, settings));
    EXPECT_EQ(defaultOf(mimeApps(), "audio/x-wav"), "rival.desktop;");
}

TEST_F(Associations, AMovedProgramIsNotTheOwner) {
    FileAssociations a(places(), program, settings);
    a.ClaimType("wav");
    EXPECT_TRUE(a.IsTypeClaimed("wav"));
    FileAssociations moved(places(), "/usr/local/bin/kesto", settings);
    EXPECT_FALSE(moved.IsTypeClaimed("wav"));
    moved.ClaimType("wav");
    EXPECT_TRUE(moved.IsTypeClaimed("wav"));
    EXPECT_FALSE(a.IsTypeClaimed("wav"));
}

TEST_F(Associations, ExecLinesQuoteWhatTheDesktopWouldSplitOrExpand) {
    for (const std::string p : {"/usr/bin/kesto", "/a b/kesto", "/x\\y/$HOME/`id`/100%/k\"q"}) {
        const std::string line = execLineFor(p);
        EXPECT_EQ(execProgram(line), p) << line;
        EXPECT_EQ(line.substr(line.size() - 3), " %F");
    }
    EXPECT_EQ(execLineFor("/a b/100%"), "\"/a b/100%%\" %F");
    EXPECT_EQ(execProgram("kesto %U"), "kesto");
    EXPECT_EQ(execProgram("\"/unclosed %F"), "");
}

TEST_F(Associations, AFolderThatCannotBeWrittenIsSkippedButTheWishIsKept) {
    // A file where the folder should be stops even root from writing there.
    writeFile(dir.file("config"), "");
    FileAssociations a(places(), program, settings);
    a.ClaimType("ogg");
    EXPECT_EQ(readFile(dir.file("config")), "");
    EXPECT_TRUE(fileExists(a.desktopEntryPath()));
    EXPECT_TRUE(settings.readAssociation("ogg"));
    EXPECT_FALSE(a.IsTypeClaimed("ogg"));
}

TEST(DesktopPlacesTest, RelativeFoldersAndSlashesInDesktopNamesAreIgnored) {
    const DesktopPlaces p = DesktopPlaces::from("relative", "", "/home/u", "KDE:../../x:");
    EXPECT_EQ(p.configHome, "/home/u/.config");
    EXPECT_EQ(p.dataHome, "/home/u/.local/share");
    EXPECT_EQ(p.desktops, std::vector<std::string>{"kde"});
}

// The desktop's own tool must see what we wrote.
TEST_F(Associations, TheDesktopsToolReadsOurClaimAndRelease) {
    if (std::system("command -v xdg-mime >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "xdg-utils is not installed";
    test::makeDirs(dir.file("data/applications"));
    test::makeDirs(dir.file("config"));
    writeFile(dir.file("data/applications/other.desktop"),
              "[Desktop Entry]\nType=Application\nName=Other\nExec=/bin/cat %F\n");
    writeFile(mimeApps(), "[Default Applications]\naudio/mpeg=other.desktop;\n");
    const auto query = [&] {
        const std::string cmd = "env -u XDG_CURRENT_DESKTOP -u DESKTOP_SESSION -u KDE_FULL_SESSION "
                                "-u GNOME_DESKTOP_SESSION_ID XDG_CONFIG_HOME='" +
                                dir.file("config") + "' XDG_DATA_HOME='" + dir.file("data") +
                                "' XDG_CONFIG_DIRS=/nonexistent XDG_DATA_DIRS=/nonexistent "
                                "xdg-mime query default audio/mpeg";
        std::string out;
        if (FILE* f = ::popen(cmd.c_str(), "r")) {
            std::array<char, 256> buf{};
            while (std::fgets(buf.data(), buf.size(), f))
                out += buf.data();
            ::pclose(f);
        }
        return out;
    };
    ASSERT_EQ(query(), "other.desktop\n");
    // The tool passes over an entry whose program is not there.
    FileAssociations a(places(), "/bin/true", settings);
    a.ClaimType("mp3");
    EXPECT_EQ(query(), "kesto.desktop\n");
    a.ReleaseType("mp3");
    EXPECT_EQ(query(), "other.desktop\n");
}

} // namespace
} // namespace kesto
